#include "exchange/source.h"

#include "exchange/windows1251.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>

namespace exchange {

namespace {

// The exporter's text layout: every field on a line of its own after "  " or "* ", each
// question closed by a line of two spaces, which also ends the file.
bool looksLikeExporterText(const QString& text) {
    if (!(text.startsWith(QLatin1String("  ")) || text.startsWith(QLatin1String("* "))))
        return false;
    QStringView rest(text);
    while (rest.endsWith(u'\n') || rest.endsWith(u'\r'))
        rest.chop(1);
    return rest.endsWith(QLatin1String("\n  ")) || rest.endsWith(QLatin1String("\r  "));
}

}  // namespace

QString decodeText(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                          : QStringConverter::Utf16BE);
        return utf16(bytes.mid(2));
    }
    const QByteArrayView body =
        bytes.startsWith("\xEF\xBB\xBF") ? QByteArrayView(bytes).sliced(3) : QByteArrayView(bytes);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(body);
    if (!utf8.hasError())
        return text;
    const auto* table = windows1251();
    text.resize(body.size());
    for (qsizetype i = 0; i < body.size(); ++i) {
        const uchar byte = uchar(body[i]);
        text[i] = table ? QChar((*table)[byte]) : QChar::fromLatin1(char(byte));
    }
    return text;
}

QString plainTextOfHtml(QStringView html) {
    static const QRegularExpression tagName(QStringLiteral("^/?([A-Za-z][A-Za-z0-9]*)"));
    static const QHash<QString, QString> named{
        {QStringLiteral("amp"), QStringLiteral("&")},
        {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},
        {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")},
        {QStringLiteral("nbsp"), QStringLiteral("\u00A0")},
        {QStringLiteral("laquo"), QStringLiteral("«")},
        {QStringLiteral("raquo"), QStringLiteral("»")},
        {QStringLiteral("mdash"), QStringLiteral("—")},
        {QStringLiteral("ndash"), QStringLiteral("–")},
        {QStringLiteral("hellip"), QStringLiteral("…")},
        {QStringLiteral("times"), QStringLiteral("×")},
        {QStringLiteral("deg"), QStringLiteral("°")},
        {QStringLiteral("minus"), QStringLiteral("−")},
    };
    const QString lineBreak = QStringLiteral("\r\n");
    QString out;
    // After the end of a block, the next text starts on a line of its own; the source's own
    // line breaks between blocks are layout, not text.
    bool blockEnded = false;
    const auto breakLine = [&] {
        if (!out.isEmpty() && !out.endsWith(lineBreak))
            out += lineBreak;
    };
    qsizetype i = 0;
    while (i < html.size()) {
        const QChar c = html[i];
        if (c == u'<') {
            if (html.mid(i).startsWith(QLatin1String("<!--"))) {
                const qsizetype end = html.indexOf(QLatin1String("-->"), i + 4);
                i = end < 0 ? html.size() : end + 3;
                continue;
            }
            const qsizetype end = html.indexOf(u'>', i + 1);
            if (end < 0) {
                out += html.mid(i);
                break;
            }
            const QString tag = html.mid(i + 1, end - i - 1).toString();
            i = end + 1;
            const auto match = tagName.match(tag);
            if (!match.hasMatch()) {
                out += u'<' + tag + u'>';
                continue;
            }
            const QString name = match.captured(1).toLower();
            const bool closing = tag.startsWith(u'/');
            if (name == QLatin1String("br")) {
                out += lineBreak;
                blockEnded = false;
            } else if (name == QLatin1String("p") || name == QLatin1String("div") ||
                       name == QLatin1String("li") || name == QLatin1String("tr") ||
                       (name.size() == 2 && name[0] == u'h' && name[1].isDigit())) {
                if (closing)
                    blockEnded = true;
                else
                    breakLine();
            }
            continue;
        }
        if (c == u'\r' || c == u'\n') {
            ++i;
            if (!blockEnded)
                out += u' ';
            continue;
        }
        if (blockEnded) {
            breakLine();
            blockEnded = false;
        }
        if (c == u'&') {
            const qsizetype end = html.indexOf(u';', i + 1);
            if (end > i + 1 && end - i <= 10) {
                const QStringView entity = html.mid(i + 1, end - i - 1);
                bool ok = false;
                uint code = 0;
                if (entity.startsWith(u'#'))
                    code = entity.startsWith(QLatin1String("#x")) ||
                                   entity.startsWith(QLatin1String("#X"))
                               ? entity.mid(2).toUInt(&ok, 16)
                               : entity.mid(1).toUInt(&ok, 10);
                if (ok && code > 0 && code <= 0x10FFFF && !QChar::isSurrogate(code)) {
                    out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
                    i = end + 1;
                    continue;
                }
                const auto known = named.constFind(entity.toString());
                if (known != named.cend()) {
                    out += known.value();
                    i = end + 1;
                    continue;
                }
            }
        }
        out += c;
        ++i;
    }
    while (out.endsWith(lineBreak))
        out.chop(lineBreak.size());
    while (out.startsWith(lineBreak))
        out.remove(0, lineBreak.size());
    return out;
}

Source readSource(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SourceError(QStringLiteral("Не удалось открыть файл: ") + file.errorString());
    if (file.size() > kMaxSourceBytes)
        throw SourceError(QStringLiteral("Файл слишком велик для файла вопросов"));
    // Read no more than the limit, whatever the size the file claimed.
    const QByteArray bytes = file.read(kMaxSourceBytes + 1);
    return readSource(bytes);
}

Source readSource(const QByteArray& bytes) {
    if (bytes.size() > kMaxSourceBytes)
        throw SourceError(QStringLiteral("Файл слишком велик для файла вопросов"));
    if (bytes.startsWith("PK\x03\x04"))
        return readExporterWord(bytes);
    const QString text = decodeText(bytes);
    const QStringView start = QStringView(text).trimmed();
    if (start.startsWith(QLatin1String("<?xml")) || start.startsWith(QLatin1String("<quiz")))
        return readMoodleXml(bytes);
    if (looksLikeExporterText(text))
        return readExporterText(text);
    static const QRegularExpression aikenAnswer(QStringLiteral("^[ \\t]*ANSWER:[ \\t]*[A-Z]"),
                                                QRegularExpression::MultilineOption);
    if (aikenAnswer.match(text).hasMatch())
        return readAiken(text);
    if (text.contains(u'{'))
        return readGift(text);
    throw SourceError(QStringLiteral(
        "Не удалось узнать, как записаны вопросы: это не Moodle XML, не GIFT, не Aiken, не "
        "текст и не документ Word в том виде, в каком их выгружает Leina"));
}

}  // namespace exchange
