#include "exporter/core/docxwriter.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamWriter>

#include <zip.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace exporter {

namespace {

const QString kW = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString kPackageRels =
    QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
const QString kOfficeRels =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QString kFont = QStringLiteral("Times New Roman");

[[noreturn]] void fail(const QString& what) {
    throw std::runtime_error(what.toStdString());
}

QString halfPoints(double points) {
    return QString::number(std::lround(points * 2));
}

// What XML 1.0 can carry; anything else would make the part unreadable.
bool xmlAllowed(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool xmlAllowedUnit(char16_t u) {
    return (u >= 0x20 && u <= 0xD7FF) || (u >= 0xE000 && u <= 0xFFFD) || u == 0x9 || u == 0xA ||
           u == 0xD;
}

QString xmlSafe(const QString& text) {
    // Nearly every text is clean; surrogates take the long way so pairs are judged whole.
    if (std::all_of(text.cbegin(), text.cend(),
                    [](QChar c) { return xmlAllowedUnit(c.unicode()); }))
        return text;
    QString out;
    out.reserve(text.size());
    for (char32_t c : text.toUcs4()) {
        if (xmlAllowed(c))
            out += QString::fromUcs4(&c, 1);
    }
    return out;
}

// What an attribute value of ours may carry, escaped as the XML writer of the other parts does.
QByteArray attributeValue(const QString& value) {
    return value.toHtmlEscaped().toUtf8();
}

template <qsizetype N>
char* put(char* out, const char (&literal)[N]) {
    std::memcpy(out, literal, N - 1);
    return out + N - 1;
}

// The body's opening and closing: a document part with the namespaces its markup uses, and the
// section that sets an A4 page with the word processor's default margins.
constexpr char kBodyStart[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""
    " xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\""
    " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
    " xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><w:body>";
constexpr char kBodyEnd[] =
    "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1134\" w:right=\"850\""
    " w:bottom=\"1134\" w:left=\"1701\" w:header=\"708\" w:footer=\"708\" w:gutter=\"0\"/>"
    "</w:sectPr></w:body></w:document>\n";

constexpr zip_uint32_t kDeflateLevel = 6;  // zlib's usual balance of time and size

// The body goes to the spool in blocks of about this size.
constexpr qsizetype kSpoolBlock = 1 << 20;

void flag(QXmlStreamWriter& xml, const QString& name, bool on) {
    xml.writeEmptyElement(name);
    if (!on)
        xml.writeAttribute(QStringLiteral("w:val"), QStringLiteral("0"));
}

// pPr children in the order the schema fixes.
void writeParagraphFormat(QXmlStreamWriter& xml, const WordParagraphFormat& f) {
    flag(xml, QStringLiteral("w:keepNext"), f.keepWithNext);
    flag(xml, QStringLiteral("w:keepLines"), f.keepTogether);
    flag(xml, QStringLiteral("w:pageBreakBefore"), f.pageBreakBefore);
    flag(xml, QStringLiteral("w:widowControl"), f.widowControl);
    flag(xml, QStringLiteral("w:suppressLineNumbers"), f.noLineNumber);
    if (!f.hyphenation)
        xml.writeEmptyElement(QStringLiteral("w:suppressAutoHyphens"));
    xml.writeEmptyElement(QStringLiteral("w:spacing"));
    xml.writeAttribute(QStringLiteral("w:before"),
                       QString::number(std::lround(f.spaceBefore * 20)));
    xml.writeAttribute(QStringLiteral("w:after"), QString::number(std::lround(f.spaceAfter * 20)));
}

void writeFonts(QXmlStreamWriter& xml) {
    xml.writeEmptyElement(QStringLiteral("w:rFonts"));
    xml.writeAttribute(QStringLiteral("w:ascii"), kFont);
    xml.writeAttribute(QStringLiteral("w:eastAsia"), kFont);
    xml.writeAttribute(QStringLiteral("w:hAnsi"), kFont);
    xml.writeAttribute(QStringLiteral("w:cs"), kFont);
}

void writeSize(QXmlStreamWriter& xml, double points) {
    xml.writeEmptyElement(QStringLiteral("w:sz"));
    xml.writeAttribute(QStringLiteral("w:val"), halfPoints(points));
    xml.writeEmptyElement(QStringLiteral("w:szCs"));
    xml.writeAttribute(QStringLiteral("w:val"), halfPoints(points));
}

QByteArray relationships(const QList<std::pair<QString, QString>>& typeAndTarget,
                         const QStringList& ids) {
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("Relationships"));
    xml.writeDefaultNamespace(kPackageRels);
    for (qsizetype i = 0; i < typeAndTarget.size(); ++i) {
        xml.writeEmptyElement(QStringLiteral("Relationship"));
        xml.writeAttribute(QStringLiteral("Id"), ids.at(i));
        xml.writeAttribute(QStringLiteral("Type"), typeAndTarget.at(i).first);
        xml.writeAttribute(QStringLiteral("Target"), typeAndTarget.at(i).second);
    }
    xml.writeEndDocument();
    return out;
}

QByteArray packageRelationships() {
    return relationships(
        {{kOfficeRels + QStringLiteral("/officeDocument"), QStringLiteral("word/document.xml")},
         {QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships/metadata/"
                         "core-properties"),
          QStringLiteral("docProps/core.xml")},
         {kOfficeRels + QStringLiteral("/extended-properties"),
          QStringLiteral("docProps/app.xml")}},
        {QStringLiteral("rId1"), QStringLiteral("rId2"), QStringLiteral("rId3")});
}

QByteArray appProperties() {
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("Properties"));
    xml.writeDefaultNamespace(QStringLiteral(
        "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties"));
    xml.writeNamespace(
        QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes"),
        QStringLiteral("vt"));
    xml.writeTextElement(QStringLiteral("Application"), QStringLiteral("Vorta в Leina"));
    xml.writeEndDocument();
    return out;
}

QByteArray settings() {
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("w:settings"));
    xml.writeAttribute(QStringLiteral("xmlns:w"), kW);
    xml.writeEmptyElement(QStringLiteral("w:zoom"));
    xml.writeAttribute(QStringLiteral("w:percent"), QStringLiteral("100"));
    xml.writeEmptyElement(QStringLiteral("w:defaultTabStop"));
    xml.writeAttribute(QStringLiteral("w:val"), QStringLiteral("708"));
    xml.writeEmptyElement(QStringLiteral("w:characterSpacingControl"));
    xml.writeAttribute(QStringLiteral("w:val"), QStringLiteral("doNotCompress"));
    xml.writeStartElement(QStringLiteral("w:compat"));
    xml.writeEmptyElement(QStringLiteral("w:compatSetting"));
    xml.writeAttribute(QStringLiteral("w:name"), QStringLiteral("compatibilityMode"));
    xml.writeAttribute(QStringLiteral("w:uri"),
                       QStringLiteral("http://schemas.microsoft.com/office/word"));
    xml.writeAttribute(QStringLiteral("w:val"), QStringLiteral("15"));
    xml.writeEndElement();
    xml.writeEmptyElement(QStringLiteral("w:themeFontLang"));
    xml.writeAttribute(QStringLiteral("w:val"), QStringLiteral("ru-RU"));
    xml.writeEndDocument();
    return out;
}

// Owns the archive until it is closed, so an error on the way discards it cleanly.
class Archive {
public:
    explicit Archive(const QString& path) {
        int error = 0;
        zip_ = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (!zip_)
            fail(QStringLiteral("cannot create %1 (libzip error %2)").arg(path).arg(error));
    }
    ~Archive() {
        if (zip_)
            zip_discard(zip_);
    }

    void addBytes(const char* name, const QByteArray& bytes) {
        buffers_.push_back(bytes);
        zip_source_t* source = zip_source_buffer(zip_, buffers_.back().constData(),
                                                 zip_uint64_t(buffers_.back().size()), 0);
        add(name, source, true);
    }
    void addFile(const QString& name, const QString& file, bool compress) {
        zip_source_t* source = zip_source_file(zip_, QFile::encodeName(file).constData(), 0, -1);
        add(name.toUtf8().constData(), source, compress);
    }
    void close() {
        if (zip_close(zip_) != 0)
            fail(QStringLiteral("cannot write the document: %1")
                     .arg(QString::fromUtf8(zip_strerror(zip_))));
        zip_ = nullptr;
    }

private:
    void add(const char* name, zip_source_t* source, bool compress) {
        if (!source)
            fail(QStringLiteral("cannot read the part %1").arg(QString::fromUtf8(name)));
        const zip_int64_t index =
            zip_file_add(zip_, name, source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            fail(QStringLiteral("cannot add the part %1").arg(QString::fromUtf8(name)));
        }
        // libzip's own default is the slowest level, which for the body of a large export costs
        // twice the time for a file a few per cent smaller.
        zip_set_file_compression(zip_, zip_uint64_t(index),
                                 compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE,
                                 compress ? kDeflateLevel : 0);
    }

    zip_t* zip_ = nullptr;
    std::list<QByteArray> buffers_;  // zip_source_buffer reads them only at close
};

}  // namespace

DocxWriter::DocxWriter(const QString& path) : path_(path) {
    if (!spool_.open())
        fail(QStringLiteral("cannot create a temporary file"));
    body_.reserve(kSpoolBlock + kSpoolBlock / 4);
    body_.append(kBodyStart);
}

DocxWriter::~DocxWriter() {
    try {
        finish();
    } catch (const std::exception&) {
    }
}

void DocxWriter::setCaption(const QString& caption) {
    title_ = caption;
}

void DocxWriter::setStatusText(const QString& text) {
    if (statusSink_)
        statusSink_(text);
}

void DocxWriter::setParagraphFormat(const WordParagraphFormat& format) {
    format_ = format;
}

void DocxWriter::fontGrow() {
    fontSize_ = grownFontSize(fontSize_);
}

void DocxWriter::fontShrink() {
    fontSize_ = shrunkFontSize(fontSize_);
}

void DocxWriter::typeText(const QString& text) {
    const auto append = [this](const QString& line) {
        const QString safe = xmlSafe(line);
        if (safe.isEmpty())
            return;
        if (!paragraph_.isEmpty() && paragraph_.last().media < 0 &&
            paragraph_.last().size == fontSize_)
            paragraph_.last().text += safe;
        else
            paragraph_.append({safe, fontSize_, -1, 0});
    };
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) {
        append(text);
        return;
    }
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = normalised.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            typeParagraph();
        append(lines.at(i));
    }
}

void DocxWriter::typeParagraph() {
    endParagraph();
}

bool DocxWriter::addInlinePicture(const QString& path) {
    const QString key = QFileInfo(path).absoluteFilePath();
    auto known = mediaBySource_.constFind(key);
    int index = known == mediaBySource_.cend() ? -2 : known.value();
    if (index == -2) {
        const auto info = readImageInfo(path);
        if (info) {
            index = int(media_.size());
            Media media;
            media.source = key;
            media.info = *info;
            media.partName =
                QStringLiteral("media/image%1.%2").arg(index + 1).arg(info->extension());
            media.relationId = QStringLiteral("rIdImage%1").arg(index + 1);
            media.extent = "cx=\"" + QByteArray::number(info->widthEmu()) + "\" cy=\"" +
                           QByteArray::number(info->heightEmu()) + '"';
            media.name = attributeValue(QFileInfo(media.partName).fileName());
            media.relation = attributeValue(media.relationId);
            media_.append(media);
        } else {
            index = -1;
        }
        mediaBySource_.insert(key, index);
    }
    if (index < 0)
        return false;
    paragraph_.append({QString(), fontSize_, index, ++drawings_});
    return true;
}

void DocxWriter::writeRunProperties(double size) {
    if (size != runSize_) {
        const QByteArray half = QByteArray::number(qlonglong(std::lround(size * 2)));
        runProperties_ =
            "<w:rPr><w:sz w:val=\"" + half + "\"/><w:szCs w:val=\"" + half + "\"/></w:rPr>";
        runSize_ = size;
    }
    body_.append(runProperties_);
}

void DocxWriter::endParagraph() {
    body_.append("<w:p><w:pPr>");
    writeRunProperties(fontSize_);  // the paragraph mark takes the size at the insertion point
    body_.append("</w:pPr>");
    for (const Item& item : std::as_const(paragraph_)) {
        body_.append("<w:r>");
        writeRunProperties(item.size);
        if (item.media >= 0)
            writeDrawing(item);
        else
            writeText(item.text);
        body_.append("</w:r>");
    }
    body_.append("</w:p>");
    paragraph_.clear();
    if (body_.size() >= kSpoolBlock)
        spoolBody();
}

// A tab is an element of its own between the pieces of text around it; the text is escaped and
// encoded in the same pass.
void DocxWriter::writeText(const QString& text) {
    constexpr char kTextStart[] = "<w:t xml:space=\"preserve\">";
    constexpr char kTextEnd[] = "</w:t>";
    constexpr char kTab[] = "<w:tab/>";
    // The most a UTF-16 unit can take: a tab that ends a piece of text.
    constexpr qsizetype kWorstPerUnit = sizeof(kTextEnd) - 1 + sizeof(kTab) - 1;

    const qsizetype start = body_.size();
    body_.resize(start + text.size() * kWorstPerUnit + qsizetype(sizeof(kTextStart)) +
                 qsizetype(sizeof(kTextEnd)));
    char* out = body_.data() + start;
    bool inText = false;
    const char16_t* units = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = units[i];
        if (u == u'\t') {
            if (inText)
                out = put(out, kTextEnd);
            out = put(out, kTab);
            inText = false;
            continue;
        }
        if (!inText) {
            out = put(out, kTextStart);
            inText = true;
        }
        if (u < 0x80) {
            switch (u) {
                case u'<':
                    out = put(out, "&lt;");
                    break;
                case u'>':
                    out = put(out, "&gt;");
                    break;
                case u'&':
                    out = put(out, "&amp;");
                    break;
                case u'"':
                    out = put(out, "&quot;");
                    break;
                default:
                    *out++ = char(u);
            }
        } else if (u < 0x800) {
            *out++ = char(0xC0 | (u >> 6));
            *out++ = char(0x80 | (u & 0x3F));
        } else if (QChar::isHighSurrogate(u) && i + 1 < size &&
                   QChar::isLowSurrogate(units[i + 1])) {
            const char32_t c = QChar::surrogateToUcs4(u, units[++i]);
            *out++ = char(0xF0 | (c >> 18));
            *out++ = char(0x80 | ((c >> 12) & 0x3F));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isSurrogate(u)) {
            out = put(out, "\xEF\xBF\xBD");  // xmlSafe() leaves none unpaired
        } else {
            *out++ = char(0xE0 | (u >> 12));
            *out++ = char(0x80 | ((u >> 6) & 0x3F));
            *out++ = char(0x80 | (u & 0x3F));
        }
    }
    if (inText)
        out = put(out, kTextEnd);
    body_.resize(out - body_.constData());
}

void DocxWriter::writeDrawing(const Item& item) {
    const Media& media = media_.at(item.media);
    const QByteArray id = QByteArray::number(item.drawingId);
    body_.append(
        "<w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\">"
        "<wp:extent ");
    body_.append(media.extent);
    body_.append("/><wp:effectExtent l=\"0\" t=\"0\" r=\"0\" b=\"0\"/><wp:docPr id=\"");
    body_.append(id);
    body_.append("\" name=\"\xD0\xA0\xD0\xB8\xD1\x81\xD1\x83\xD0\xBD\xD0\xBE\xD0\xBA ");  // Рисунок
    body_.append(id);
    body_.append(
        "\"/><wp:cNvGraphicFramePr><a:graphicFrameLocks noChangeAspect=\"1\"/>"
        "</wp:cNvGraphicFramePr><a:graphic><a:graphicData "
        "uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic>"
        "<pic:nvPicPr><pic:cNvPr id=\"");
    body_.append(id);
    body_.append("\" name=\"");
    body_.append(media.name);
    body_.append("\"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip r:embed=\"");
    body_.append(media.relation);
    body_.append(
        "\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill><pic:spPr><a:xfrm>"
        "<a:off x=\"0\" y=\"0\"/><a:ext ");
    body_.append(media.extent);
    body_.append(
        "/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr>"
        "</pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing>");
}

void DocxWriter::spoolBody() {
    if (spool_.write(body_) != body_.size())
        fail(QStringLiteral("cannot write the temporary document body"));
    body_.truncate(0);  // keeps the block allocated for the next paragraphs
}

void DocxWriter::finish() {
    if (finished_)
        return;
    finished_ = true;

    // A document always ends with a paragraph: the one at the insertion point.
    endParagraph();
    body_.append(kBodyEnd);
    spoolBody();
    if (!spool_.flush())
        fail(QStringLiteral("cannot write the temporary document body"));
    body_ = QByteArray();

    Archive archive(path_);
    archive.addBytes("[Content_Types].xml", contentTypes());
    archive.addBytes("_rels/.rels", packageRelationships());
    archive.addBytes("docProps/core.xml", coreProperties());
    archive.addBytes("docProps/app.xml", appProperties());
    archive.addFile(QStringLiteral("word/document.xml"), spool_.fileName(), true);
    archive.addBytes("word/styles.xml", styles());
    archive.addBytes("word/settings.xml", settings());
    archive.addBytes("word/_rels/document.xml.rels", documentRelationships());
    for (const Media& media : std::as_const(media_)) {
        // JPEG, GIF and PNG are compressed already.
        archive.addFile(QStringLiteral("word/") + media.partName, media.source,
                        media.info.format == ImageInfo::Format::Bmp);
    }
    archive.close();
}

QByteArray DocxWriter::contentTypes() const {
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("Types"));
    xml.writeDefaultNamespace(
        QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types"));
    QList<std::pair<QString, QString>> defaults = {
        {QStringLiteral("rels"),
         QStringLiteral("application/vnd.openxmlformats-package.relationships+xml")},
        {QStringLiteral("xml"), QStringLiteral("application/xml")}};
    for (const Media& media : media_) {
        const std::pair<QString, QString> entry{media.info.extension(), media.info.contentType()};
        if (!defaults.contains(entry))
            defaults.append(entry);
    }
    for (const auto& [extension, type] : defaults) {
        xml.writeEmptyElement(QStringLiteral("Default"));
        xml.writeAttribute(QStringLiteral("Extension"), extension);
        xml.writeAttribute(QStringLiteral("ContentType"), type);
    }
    const QString wml =
        QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.");
    const std::pair<QString, QString> overrides[] = {
        {QStringLiteral("/word/document.xml"), wml + QStringLiteral("document.main+xml")},
        {QStringLiteral("/word/styles.xml"), wml + QStringLiteral("styles+xml")},
        {QStringLiteral("/word/settings.xml"), wml + QStringLiteral("settings+xml")},
        {QStringLiteral("/docProps/core.xml"),
         QStringLiteral("application/vnd.openxmlformats-package.core-properties+xml")},
        {QStringLiteral("/docProps/app.xml"),
         QStringLiteral("application/vnd.openxmlformats-officedocument.extended-properties+xml")}};
    for (const auto& [part, type] : overrides) {
        xml.writeEmptyElement(QStringLiteral("Override"));
        xml.writeAttribute(QStringLiteral("PartName"), part);
        xml.writeAttribute(QStringLiteral("ContentType"), type);
    }
    xml.writeEndDocument();
    return out;
}

QByteArray DocxWriter::documentRelationships() const {
    QList<std::pair<QString, QString>> entries = {
        {kOfficeRels + QStringLiteral("/styles"), QStringLiteral("styles.xml")},
        {kOfficeRels + QStringLiteral("/settings"), QStringLiteral("settings.xml")}};
    QStringList ids = {QStringLiteral("rId1"), QStringLiteral("rId2")};
    for (const Media& media : media_) {
        entries.append({kOfficeRels + QStringLiteral("/image"), media.partName});
        ids << media.relationId;
    }
    return relationships(entries, ids);
}

QByteArray DocxWriter::styles() const {
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("w:styles"));
    xml.writeAttribute(QStringLiteral("xmlns:w"), kW);

    xml.writeStartElement(QStringLiteral("w:docDefaults"));
    xml.writeStartElement(QStringLiteral("w:rPrDefault"));
    xml.writeStartElement(QStringLiteral("w:rPr"));
    writeFonts(xml);
    writeSize(xml, kBaseFontSize);
    xml.writeEmptyElement(QStringLiteral("w:lang"));
    xml.writeAttribute(QStringLiteral("w:val"), QStringLiteral("ru-RU"));
    xml.writeAttribute(QStringLiteral("w:eastAsia"), QStringLiteral("ru-RU"));
    xml.writeAttribute(QStringLiteral("w:bidi"), QStringLiteral("ar-SA"));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("w:pPrDefault"));
    xml.writeStartElement(QStringLiteral("w:pPr"));
    writeParagraphFormat(xml, format_);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();  // w:docDefaults

    xml.writeStartElement(QStringLiteral("w:style"));
    xml.writeAttribute(QStringLiteral("w:type"), QStringLiteral("paragraph"));
    xml.writeAttribute(QStringLiteral("w:default"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("w:styleId"), QStringLiteral("Normal"));
    xml.writeEmptyElement(QStringLiteral("w:name"));
    xml.writeAttribute(QStringLiteral("w:val"), QStringLiteral("Normal"));
    xml.writeEmptyElement(QStringLiteral("w:qFormat"));
    xml.writeStartElement(QStringLiteral("w:pPr"));
    writeParagraphFormat(xml, format_);
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("w:rPr"));
    writeFonts(xml);
    writeSize(xml, kBaseFontSize);
    xml.writeEndElement();
    xml.writeEndElement();

    xml.writeStartElement(QStringLiteral("w:style"));
    xml.writeAttribute(QStringLiteral("w:type"), QStringLiteral("character"));
    xml.writeAttribute(QStringLiteral("w:default"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("w:styleId"), QStringLiteral("DefaultParagraphFont"));
    xml.writeEmptyElement(QStringLiteral("w:name"));
    xml.writeAttribute(QStringLiteral("w:val"), QStringLiteral("Default Paragraph Font"));
    xml.writeEmptyElement(QStringLiteral("w:uiPriority"));
    xml.writeAttribute(QStringLiteral("w:val"), QStringLiteral("1"));
    xml.writeEmptyElement(QStringLiteral("w:semiHidden"));
    xml.writeEmptyElement(QStringLiteral("w:unhideWhenUsed"));
    xml.writeEndElement();

    xml.writeEndDocument();
    return out;
}

QByteArray DocxWriter::coreProperties() const {
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("cp:coreProperties"));
    xml.writeAttribute(
        QStringLiteral("xmlns:cp"),
        QStringLiteral("http://schemas.openxmlformats.org/package/2006/metadata/core-properties"));
    xml.writeAttribute(QStringLiteral("xmlns:dc"),
                       QStringLiteral("http://purl.org/dc/elements/1.1/"));
    xml.writeAttribute(QStringLiteral("xmlns:dcterms"),
                       QStringLiteral("http://purl.org/dc/terms/"));
    xml.writeAttribute(QStringLiteral("xmlns:dcmitype"),
                       QStringLiteral("http://purl.org/dc/dcmitype/"));
    xml.writeAttribute(QStringLiteral("xmlns:xsi"),
                       QStringLiteral("http://www.w3.org/2001/XMLSchema-instance"));
    if (!title_.isEmpty())
        xml.writeTextElement(QStringLiteral("dc:title"), xmlSafe(title_));
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    for (const char* name : {"dcterms:created", "dcterms:modified"}) {
        xml.writeStartElement(QString::fromLatin1(name));
        xml.writeAttribute(QStringLiteral("xsi:type"), QStringLiteral("dcterms:W3CDTF"));
        xml.writeCharacters(now);
        xml.writeEndElement();
    }
    xml.writeEndDocument();
    return out;
}

}  // namespace exporter
