#include "exchange/question.h"

#include "exchange/writers.h"

namespace exchange {

QString formatName(Format format) {
    switch (format) {
        case Format::MoodleXml:
            return QStringLiteral("Moodle XML");
        case Format::Gift:
            return QStringLiteral("GIFT");
        case Format::Aiken:
            return QStringLiteral("Aiken");
    }
    Q_UNREACHABLE();
    return {};
}

QString fileExtension(Format format) {
    switch (format) {
        case Format::MoodleXml:
            return QStringLiteral(".xml");
        case Format::Gift:
            return QStringLiteral(".gift");
        case Format::Aiken:
            // Moodle's Aiken import offers text files only.
            return QStringLiteral(".txt");
    }
    Q_UNREACHABLE();
    return {};
}

std::unique_ptr<Writer> writerFor(Format format) {
    switch (format) {
        case Format::MoodleXml:
            return detail::moodleXmlWriter();
        case Format::Gift:
            return detail::giftWriter();
        case Format::Aiken:
            return detail::aikenWriter();
    }
    Q_UNREACHABLE();
    return nullptr;
}

QByteArray writeAll(Format format, const Header& header, const QList<Question>& questions) {
    const std::unique_ptr<Writer> writer = writerFor(format);
    QByteArray out;
    writer->begin(out, header);
    for (const Question& question : questions)
        writer->add(out, question);
    writer->end(out);
    return out;
}

namespace detail {

QStringList lines(QStringView text) {
    QStringList result;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        result << text.mid(start, i - start).toString();
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    result << text.mid(start).toString();
    return result;
}

QString writable(QString text, bool xml, Written* written) {
    bool replaced = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        const bool unwritable =
            QChar::isSurrogate(unit) ||
            (xml && ((unit < 0x20 && unit != u'\t' && unit != u'\n' && unit != u'\r') ||
                     unit == 0xFFFE || unit == 0xFFFF));
        if (unwritable) {
            text[i] = QChar::ReplacementCharacter;
            replaced = true;
        }
    }
    if (replaced && written)
        written->changes |= Change::CharactersReplaced;
    return text;
}

}  // namespace detail

}  // namespace exchange
