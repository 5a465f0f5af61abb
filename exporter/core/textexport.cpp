#include "exporter/core/textexport.h"

#include "exporter/core/marking.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"

#include <QIODevice>
#include <QSaveFile>

#include <iconv.h>
#include <algorithm>
#include <cerrno>

namespace exporter {

namespace columns = qb::columns;

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
const QByteArray kPlainPrefix = QByteArrayLiteral("  ");
const QByteArray kMarkedPrefix = QByteArrayLiteral("* ");
const QByteArray kSeparator = QByteArrayLiteral("  \r\n");

// Length of the UTF-8 sequence that starts with `lead`; a stray byte counts as one.
int utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

iconv_t handle(void* converter) {
    return static_cast<iconv_t>(converter);
}

}  // namespace

Cp1251Encoder::Cp1251Encoder() {
    // Plain CP1251, not "//TRANSLIT": a character without a place in the code page must come
    // out as '?', never as a look-alike spelled with other letters.
    const iconv_t converter = iconv_open("CP1251", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        qb::fail(qb::Reason::Refused, QStringLiteral("Нет преобразования в кодировку CP1251"));
    converter_ = converter;
}

Cp1251Encoder::~Cp1251Encoder() {
    iconv_close(handle(converter_));
}

QByteArray Cp1251Encoder::encode(const QString& text) {
    QByteArray input = text.toUtf8();
    // Every character becomes at most one byte of the code page.
    QByteArray output(input.size(), Qt::Uninitialized);
    char* in = input.data();
    size_t inLeft = static_cast<size_t>(input.size());
    char* out = output.data();
    size_t outLeft = static_cast<size_t>(output.size());
    iconv(handle(converter_), nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        if (iconv(handle(converter_), &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            qb::fail(qb::Reason::Refused, QStringLiteral("Ошибка преобразования в CP1251"));
        // The character the code page cannot hold: one '?' in its place, then carry on after it.
        const size_t skip =
            std::min<size_t>(utf8SequenceLength(static_cast<unsigned char>(*in)), inLeft);
        in += skip;
        inLeft -= skip;
        *out++ = '?';
        --outLeft;
    }
    output.truncate(out - output.data());
    return output;
}

QByteArray toWindows1251(const QString& text) {
    Cp1251Encoder encoder;
    return encoder.encode(text);
}

void writeQuestionsText(qb::Recordset& questions, bool markCorrect, QIODevice& out) {
    Cp1251Encoder encoder;
    QByteArray question;
    questions.moveFirst();
    while (!questions.eof()) {
        question.clear();
        for (int position = columns::kQuestionPosition; position <= kLastOptionPosition;
             ++position) {
            const qb::Field field = questions.field(position);
            if (field.actualSize() == 0)
                continue;
            const QVariant correct = questions.field(columns::kCorrect).value();
            question += isMarked(markCorrect, correct, position) ? kMarkedPrefix : kPlainPrefix;
            question += encoder.encode(field.value().toString());
            question += kLineEnd;
        }
        question += kSeparator;
        if (out.write(question) != question.size())
            qb::fail(qb::Reason::Io,
                     QStringLiteral("Не удалось записать файл: ") + out.errorString());
        questions.moveNext();
    }
}

void replaceFileContent(const QString& path, const std::function<void(QIODevice&)>& write) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qb::fail(qb::Reason::Io, QStringLiteral("Не удалось создать файл: ") + file.errorString());
    write(file);  // a throw drops the temporary file with `file`
    if (!file.commit())
        qb::fail(qb::Reason::Io, QStringLiteral("Не удалось записать файл: ") + file.errorString());
}

void saveQuestionsText(qb::Recordset& questions, bool markCorrect, const QString& path) {
    replaceFileContent(path,
                       [&](QIODevice& out) { writeQuestionsText(questions, markCorrect, out); });
}

}  // namespace exporter
