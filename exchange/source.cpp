#include "exchange/source.h"

#include "exchange/windows1251.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>

#include <utility>

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

Source readSourceBytes(QByteArray bytes);

// How much of a file tells its kind when it is XML, comments before the quiz included.
constexpr qsizetype kSniffBytes = 64 * 1024;

const QString kPasswordProtected = QStringLiteral(
    "Документ Word защищён паролем: откройте его в Word, снимите пароль и сохраните заново");

// Whether an entry of the archive is encrypted, as its central directory says.
bool zipEncrypted(const QByteArray& bytes) {
    const auto number = [&](qsizetype at, int size) -> qint64 {
        if (at < 0 || at + size > bytes.size())
            return -1;
        qint64 value = 0;
        for (int i = size - 1; i >= 0; --i)
            value = value << 8 | uchar(bytes[at + i]);
        return value;
    };
    // The end record sits in the last 64 KiB, after which only its comment may follow.
    const qsizetype end = bytes.lastIndexOf("PK\x05\x06");
    if (end < 0 || end < bytes.size() - 0x10000 - 22)
        return false;
    const qint64 entries = number(end + 10, 2);
    qint64 at = number(end + 16, 4);
    for (qint64 n = 0; n < entries && at >= 0; ++n) {
        if (number(at, 4) != 0x02014B50)
            return false;
        if (number(at + 8, 2) & 1)
            return true;
        at += 46 + number(at + 28, 2) + number(at + 30, 2) + number(at + 32, 2);
    }
    return false;
}

// A byte order mark for UTF-16 text written without one: in a text of Latin letters, digits and
// markup every other byte is zero, which UTF-8 would read as a string of NUL characters.
QByteArray utf16Mark(const QByteArray& bytes) {
    const qsizetype sample = std::min<qsizetype>(bytes.size(), 4096) & ~qsizetype(1);
    if (sample < 4 || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return {};
    qsizetype evenZeros = 0;
    qsizetype oddZeros = 0;
    for (qsizetype i = 0; i < sample; i += 2) {
        evenZeros += bytes[i] == 0;
        oddZeros += bytes[i + 1] == 0;
    }
    const qsizetype pairs = sample / 2;
    if (oddZeros * 4 >= pairs && evenZeros * 20 <= pairs)
        return QByteArray("\xFF\xFE");
    if (evenZeros * 4 >= pairs && oddZeros * 20 <= pairs)
        return QByteArray("\xFE\xFF");
    return {};
}

// An XML declaration or <quiz>, after any comments before them.
bool startsLikeXml(QStringView text) {
    text = text.trimmed();
    while (text.startsWith(QLatin1String("<!--"))) {
        const qsizetype end = text.indexOf(QLatin1String("-->"));
        if (end < 0)
            return false;
        text = text.mid(end + 3).trimmed();
    }
    return text.startsWith(QLatin1String("<?xml")) || text.startsWith(QLatin1String("<quiz"));
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
            // A line break of the markup and the indentation after it show as one space.
            while (i < html.size() &&
                   (html[i] == u'\r' || html[i] == u'\n' || html[i] == u' ' || html[i] == u'\t'))
                ++i;
            if (!blockEnded && !out.isEmpty() && !out.endsWith(u' ') && !out.endsWith(u'\t') &&
                !out.endsWith(lineBreak))
                out += u' ';
            continue;
        }
        if (blockEnded) {
            breakLine();
            blockEnded = false;
        }
        if (c == u'&') {
            // An entity is short: looking further would make a text of many lone "&" slow.
            const qsizetype end = html.mid(i + 1, 10).indexOf(u';') + i + 1;
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

namespace {

// Hands what a whole-file reader collected to a sink, letting each question go as it is handed.
void handOver(Source source, SourceSink& sink) {
    for (Refusal& refusal : source.refused)
        sink.refuse(std::move(refusal));
    source.refused.clear();
    while (!source.questions.isEmpty())
        sink.take(source.questions.takeFirst());
    sink.finish(source.kind, source.description);
}

// A file read through, telling the sink how far it is.
class ReadingDevice : public QIODevice {
public:
    ReadingDevice(QIODevice& inner, SourceSink& sink) : inner_(inner), sink_(sink) {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    bool stopped() const { return stopped_; }

protected:
    qint64 readData(char* data, qint64 size) override {
        if (!sink_.reading(inner_.pos(), inner_.size())) {
            stopped_ = true;
            return -1;
        }
        return inner_.read(data, size);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QIODevice& inner_;
    SourceSink& sink_;
    bool stopped_ = false;
};

// A sink whose reading is a share of the whole: the file is read twice, first to tell its
// kind and encoding, then for its questions.
class Share : public SourceSink {
public:
    Share(SourceSink& whole, double from, double part) : whole_(whole), from_(from), part_(part) {}
    void take(SourceQuestion question) override { whole_.take(std::move(question)); }
    void refuse(Refusal refusal) override { whole_.refuse(std::move(refusal)); }
    void finish(SourceKind kind, const QString& description) override {
        whole_.finish(kind, description);
    }
    bool reading(qint64 done, qint64 total) override {
        const double share = total > 0 ? from_ + part_ * double(done) / double(total) : from_;
        return whole_.reading(qint64(share * double(total)), total);
    }

private:
    SourceSink& whole_;
    double from_;
    double part_;
};

// What a first pass over a text file finds, without keeping its text: whether it is UTF-8 and
// whether it reads as the exporter's text, Aiken or GIFT, the kinds read line by line. Files
// of no kind are left to the whole-file reader, which says so.
std::optional<SourceKind> streamedKind(QFile& file, bool& utf8, SourceSink& progress) {
    const QByteArray head = file.peek(5);
    // The exporter's text opens with a field and ends with the line of two spaces that closes
    // its last question.
    const bool exporterHead = head.startsWith("  ") || head.startsWith("* ") ||
                              head.startsWith("\xEF\xBB\xBF  ") ||
                              head.startsWith("\xEF\xBB\xBF* ");
    QByteArray lastLine;
    QStringDecoder check(QStringConverter::Utf8);
    bool gift = false;
    bool aiken = false;
    bool first = true;
    for (;;) {
        const QByteArray line = file.readLine();
        if (line.isEmpty())
            break;
        if (!progress.reading(file.pos(), file.size()))
            throw ReadingStopped{};
        // The decoder decodes only what is taken from it as a string.
        if (first && line.startsWith("\xEF\xBB\xBF"))
            static_cast<void>(QString(check(QByteArrayView(line).sliced(3))));
        else if (!check.hasError())
            static_cast<void>(QString(check(line)));
        first = false;
        if (exporterHead) {
            QByteArrayView content(line);
            while (content.endsWith('\n') || content.endsWith('\r'))
                content.chop(1);
            if (!content.isEmpty())
                lastLine = content.toByteArray();
            continue;
        }
        QByteArrayView rest = QByteArrayView(line).trimmed();
        if (!aiken && rest.startsWith("ANSWER:")) {
            rest = rest.sliced(7).trimmed();
            aiken = !rest.isEmpty() && rest[0] >= 'A' && rest[0] <= 'Z';
        }
        gift = gift || line.contains('{') || rest.startsWith("::") ||
               rest.startsWith("$CATEGORY:") || rest.startsWith("//");
    }
    utf8 = !check.hasError();
    if (exporterHead) {
        if (lastLine == "  " || lastLine.endsWith("\r  "))
            return SourceKind::ExporterText;
        return std::nullopt;
    }
    if (aiken)
        return SourceKind::Aiken;
    if (gift)
        return SourceKind::Gift;
    return std::nullopt;
}

}  // namespace

Source readSource(const QString& path) {
    Source source;
    struct Collected : SourceSink {
        Source* source = nullptr;
        void take(SourceQuestion question) override { source->questions << std::move(question); }
        void refuse(Refusal refusal) override { source->refused << std::move(refusal); }
        void finish(SourceKind kind, const QString& description) override {
            source->kind = kind;
            source->description = description;
        }
    } collected;
    collected.source = &source;
    readSource(path, collected);
    return source;
}

void readSource(const QString& path, SourceSink& sink) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SourceError(QStringLiteral("Не удалось открыть файл: ") + file.errorString());
    if (file.size() > kMaxSourceBytes)
        throw SourceError(QStringLiteral("Файл слишком велик для файла вопросов"));
    // Moodle XML, the kind that carries pictures and so the largest, is read as it streams.
    const QByteArray head = file.peek(kSniffBytes);
    const bool text =
        !head.startsWith("PK\x03\x04") && !head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") &&
        utf16Mark(head).isEmpty() && !head.startsWith("\xFF\xFE") && !head.startsWith("\xFE\xFF");
    if (text && startsLikeXml(decodeText(head))) {
        ReadingDevice device(file, sink);
        // A stop reads as the end of the file to the XML reader; what it handed on after the
        // stop is dropped with the rest.
        try {
            readMoodleXml(device, sink);
        } catch (const SourceError&) {
            if (device.stopped())
                throw ReadingStopped{};
            throw;
        }
        if (device.stopped())
            throw ReadingStopped{};
        return;
    }
    bool utf8 = true;
    // Telling the kind is a quick pass next to reading the questions.
    Share telling(sink, 0, 0.05);
    if (const auto kind = text ? streamedKind(file, utf8, telling) : std::nullopt) {
        file.seek(0);
        Share questions(sink, 0.05, 0.95);
        if (*kind == SourceKind::ExporterText)
            return readExporterText(file, utf8, questions);
        if (*kind == SourceKind::Aiken)
            return readAiken(file, utf8, questions);
        return readGift(file, utf8, questions);
    }
    file.seek(0);
    // Read no more than the limit, whatever the size the file claimed.
    QByteArray bytes;
    while (bytes.size() <= kMaxSourceBytes) {
        if (!sink.reading(file.pos(), file.size()))
            throw ReadingStopped{};
        const QByteArray chunk = file.read(std::min<qint64>(qint64(4) << 20, kMaxSourceBytes + 1));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    handOver(readSourceBytes(std::move(bytes)), sink);
}

Source readSource(const QByteArray& bytes) {
    return readSourceBytes(bytes);
}

namespace {

// Takes the bytes by value so that a text source can let them go once decoded.
Source readSourceBytes(QByteArray bytes) {
    if (bytes.size() > kMaxSourceBytes)
        throw SourceError(QStringLiteral("Файл слишком велик для файла вопросов"));
    if (bytes.startsWith("PK\x03\x04")) {
        if (zipEncrypted(bytes))
            throw SourceError(kPasswordProtected);
        return readExporterWord(bytes);
    }
    if (bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        // Word keeps a document protected by a password inside a container of the older format.
        if (bytes.contains(QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e", 31)))
            throw SourceError(kPasswordProtected);
        throw SourceError(QStringLiteral(
            "Это документ Word 97–2003 (.doc): сохраните его в Word как документ .docx"));
    }
    if (bytes.trimmed().isEmpty())
        throw SourceError(QStringLiteral("Файл пуст"));
    if (const QByteArray mark = utf16Mark(bytes); !mark.isEmpty())
        return readSourceBytes(mark + std::exchange(bytes, {}));
    if (startsLikeXml(decodeText(bytes.first(std::min(bytes.size(), kSniffBytes)))))
        return readMoodleXml(bytes);
    const QString text = decodeText(std::exchange(bytes, {}));
    if (looksLikeExporterText(text))
        return readExporterText(text);
    static const QRegularExpression aikenAnswer(QStringLiteral("^[ \\t]*ANSWER:[ \\t]*[A-Z]"),
                                                QRegularExpression::MultilineOption);
    if (aikenAnswer.match(text).hasMatch())
        return readAiken(text);
    // Question names, a category or comment lines mark GIFT even when no question in the file
    // has answers in braces.
    static const QRegularExpression giftMarks(QStringLiteral("^[ \\t]*(::|\\$CATEGORY:|//)"),
                                              QRegularExpression::MultilineOption);
    if (text.contains(u'{') || giftMarks.match(text).hasMatch())
        return readGift(text);
    throw SourceError(QStringLiteral(
        "Не удалось узнать, как записаны вопросы: это не Moodle XML, не GIFT, не Aiken, не "
        "текст и не документ Word в том виде, в каком их выгружает Leina"));
}

}  // namespace

}  // namespace exchange
