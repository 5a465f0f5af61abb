#include "exporter/core/textexport.h"

#include "exchange/windows1251.h"
#include "exporter/core/marking.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"

#include <QIODevice>
#include <QSaveFile>

#include <array>
#include <optional>

namespace exporter {

namespace columns = qb::columns;

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
const QByteArray kPlainPrefix = QByteArrayLiteral("  ");
const QByteArray kMarkedPrefix = QByteArrayLiteral("* ");
const QByteArray kSeparator = QByteArrayLiteral("  \r\n");

// The code page as a table from UTF-16 units: every unit that one of its bytes decodes to maps
// back to that byte, every other unit (surrogates included) to '?'. A character without a place
// in the code page comes out as '?', never as a look-alike spelled with other letters.
std::array<char, 0x10000> codePageTable() {
    const auto* characters = exchange::windows1251();
    if (!characters)
        qb::fail(qb::Reason::Refused, QStringLiteral("Нет преобразования в кодировку CP1251"));
    std::array<char, 0x10000> table;
    table.fill('?');
    for (int byte = 0; byte < 0x100; ++byte) {
        const char16_t unit = (*characters)[byte];
        if (unit != QChar::ReplacementCharacter)
            table[unit] = static_cast<char>(byte);
    }
    return table;
}

}  // namespace

Cp1251Encoder::Cp1251Encoder() {
    static const std::array<char, 0x10000> table = codePageTable();
    table_ = table.data();
}

void Cp1251Encoder::append(QByteArray& out, QStringView text) const {
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* to = out.data() + start;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = text[i].unicode();
        // A character outside the basic plane is one mark for its two units.
        if (QChar::isHighSurrogate(unit) && i + 1 < size && text[i + 1].isLowSurrogate())
            ++i;
        *to++ = table_[unit];
    }
    out.truncate(to - out.data());
}

void Cp1251Encoder::appendUtf8(QByteArray& out, QByteArrayView text) const {
    const qsizetype start = out.size();
    // Each character takes at least one byte of UTF-8 and becomes exactly one byte.
    out.resize(start + text.size());
    char* to = out.data() + start;
    const auto* from = reinterpret_cast<const uchar*>(text.data());
    const auto* const end = from + text.size();
    // QString::fromUtf8 drops a byte order mark that opens the text, and so did every export.
    if (text.startsWith("\xEF\xBB\xBF"))
        from += 3;
    while (from < end) {
        const uchar lead = *from;
        if (lead < 0x80) {
            *to++ = table_[lead];
            ++from;
            continue;
        }
        const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        char32_t character = lead & (0x7F >> length);
        bool wellFormed = length > 0 && lead < 0xF5 && end - from >= length;
        for (int i = 1; wellFormed && i < length; ++i) {
            wellFormed = (from[i] & 0xC0) == 0x80;
            character = (character << 6) | (from[i] & 0x3F);
        }
        static constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!wellFormed || character < kShortest[length] || character > 0x10FFFF ||
            QChar::isSurrogate(character)) {
            // Rare enough to hand the whole text to Qt's own reading of broken UTF-8.
            out.truncate(start);
            append(out, QString::fromUtf8(text));
            return;
        }
        *to++ = character < 0x10000 ? table_[character] : '?';
        from += length;
    }
    out.truncate(to - out.data());
}

QByteArray Cp1251Encoder::encode(QStringView text) const {
    QByteArray out;
    append(out, text);
    return out;
}

QByteArray toWindows1251(const QString& text) {
    return Cp1251Encoder().encode(text);
}

void writeQuestionsText(qb::Recordset& questions, bool markCorrect, QIODevice& out) {
    const Cp1251Encoder encoder;
    // A field gets a line unless its actual size is 0: absent, or empty text in a text column.
    QList<bool> numbers;
    for (int position = columns::kQuestionPosition; position <= kLastOptionPosition; ++position)
        numbers << questions.field(position).holdsNumbers();
    // Looked up with the first line, as a base without the column fails only then.
    std::optional<int> correct;
    QByteArray question;
    questions.forEachRow([&](const qb::RowView& row) {
        question.clear();
        for (int position = columns::kQuestionPosition; position <= kLastOptionPosition;
             ++position) {
            const bool number = numbers.at(position - columns::kQuestionPosition);
            const std::optional<QByteArrayView> utf8 = row.utf8(position);
            const QVariant value = utf8 ? QVariant() : row.value(position);
            if (utf8 ? utf8->isEmpty() && !number
                     : value.isNull() || (!number && value.toString().isEmpty()))
                continue;
            if (!correct)
                correct = questions.field(columns::kCorrect).position();
            question +=
                isMarked(markCorrect, row.value(*correct), position) ? kMarkedPrefix : kPlainPrefix;
            if (utf8)
                encoder.appendUtf8(question, *utf8);
            else
                encoder.append(question, value.toString());
            question += kLineEnd;
        }
        question += kSeparator;
        if (out.write(question) != question.size())
            qb::fail(qb::Reason::Io,
                     QStringLiteral("Не удалось записать файл: ") + out.errorString());
    });
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
