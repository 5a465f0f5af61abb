#include "exporter/core/docxparts.h"

#include "exporter/core/docxbody.h"
#include "exporter/core/programtitle.h"
#include "exporter/core/ziparchive.h"

#include <QDateTime>
#include <QXmlStreamWriter>

#include <cmath>
#include <utility>

namespace exporter::docx {

namespace {

const QString kW = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString kPackageRels =
    QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
const QString kOfficeRels =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QString kFont = QStringLiteral("Times New Roman");

// A part: the XML declaration, then what `write` puts in; open elements are closed at the end.
template <class Write>
QByteArray xmlPart(Write&& write) {
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    std::forward<Write>(write)(xml);
    xml.writeEndDocument();
    return out;
}

// <name w:val="value"/>
void valueElement(QXmlStreamWriter& xml, const QString& name, const QString& value) {
    xml.writeEmptyElement(name);
    xml.writeAttribute(QStringLiteral("w:val"), value);
}

void flag(QXmlStreamWriter& xml, const QString& name, bool on) {
    if (on)
        xml.writeEmptyElement(name);
    else
        valueElement(xml, name, QStringLiteral("0"));
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

// The font and size of a run of the base size.
void writeBaseRun(QXmlStreamWriter& xml) {
    xml.writeEmptyElement(QStringLiteral("w:rFonts"));
    for (const char* script : {"w:ascii", "w:eastAsia", "w:hAnsi", "w:cs"})
        xml.writeAttribute(QString::fromLatin1(script), kFont);
    const QString size = QString::number(halfPoints(kBaseFontSize));
    valueElement(xml, QStringLiteral("w:sz"), size);
    valueElement(xml, QStringLiteral("w:szCs"), size);
}

void writeStyleHead(QXmlStreamWriter& xml, const QString& type, const QString& id,
                    const QString& name) {
    xml.writeStartElement(QStringLiteral("w:style"));
    xml.writeAttribute(QStringLiteral("w:type"), type);
    xml.writeAttribute(QStringLiteral("w:default"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("w:styleId"), id);
    valueElement(xml, QStringLiteral("w:name"), name);
}

QByteArray relationships(const QList<std::pair<QString, QString>>& typeAndTarget,
                         const QStringList& ids) {
    return xmlPart([&](QXmlStreamWriter& xml) {
        xml.writeStartElement(QStringLiteral("Relationships"));
        xml.writeDefaultNamespace(kPackageRels);
        for (qsizetype i = 0; i < typeAndTarget.size(); ++i) {
            xml.writeEmptyElement(QStringLiteral("Relationship"));
            xml.writeAttribute(QStringLiteral("Id"), ids.at(i));
            xml.writeAttribute(QStringLiteral("Type"), typeAndTarget.at(i).first);
            xml.writeAttribute(QStringLiteral("Target"), typeAndTarget.at(i).second);
        }
    });
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

QByteArray documentRelationships(const QList<MediaPart>& media) {
    QList<std::pair<QString, QString>> entries = {
        {kOfficeRels + QStringLiteral("/styles"), QStringLiteral("styles.xml")},
        {kOfficeRels + QStringLiteral("/settings"), QStringLiteral("settings.xml")}};
    QStringList ids = {QStringLiteral("rId1"), QStringLiteral("rId2")};
    for (const MediaPart& part : media) {
        entries.append({kOfficeRels + QStringLiteral("/image"), part.partName});
        ids << part.relationId;
    }
    return relationships(entries, ids);
}

QByteArray contentTypes(const QList<MediaPart>& media, bool isTemplate) {
    return xmlPart([&](QXmlStreamWriter& xml) {
        xml.writeStartElement(QStringLiteral("Types"));
        xml.writeDefaultNamespace(
            QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types"));
        QList<std::pair<QString, QString>> defaults = {
            {QStringLiteral("rels"),
             QStringLiteral("application/vnd.openxmlformats-package.relationships+xml")},
            {QStringLiteral("xml"), QStringLiteral("application/xml")}};
        for (const MediaPart& part : media) {
            const std::pair<QString, QString> entry{part.info.extension(), part.info.contentType()};
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
            {QStringLiteral("/word/document.xml"),
             wml + (isTemplate ? QStringLiteral("template.main+xml")
                               : QStringLiteral("document.main+xml"))},
            {QStringLiteral("/word/styles.xml"), wml + QStringLiteral("styles+xml")},
            {QStringLiteral("/word/settings.xml"), wml + QStringLiteral("settings+xml")},
            {QStringLiteral("/docProps/core.xml"),
             QStringLiteral("application/vnd.openxmlformats-package.core-properties+xml")},
            {QStringLiteral("/docProps/app.xml"),
             QStringLiteral(
                 "application/vnd.openxmlformats-officedocument.extended-properties+xml")}};
        for (const auto& [part, type] : overrides) {
            xml.writeEmptyElement(QStringLiteral("Override"));
            xml.writeAttribute(QStringLiteral("PartName"), part);
            xml.writeAttribute(QStringLiteral("ContentType"), type);
        }
    });
}

QByteArray styles(const WordParagraphFormat& format) {
    return xmlPart([&](QXmlStreamWriter& xml) {
        xml.writeStartElement(QStringLiteral("w:styles"));
        xml.writeAttribute(QStringLiteral("xmlns:w"), kW);

        xml.writeStartElement(QStringLiteral("w:docDefaults"));
        xml.writeStartElement(QStringLiteral("w:rPrDefault"));
        xml.writeStartElement(QStringLiteral("w:rPr"));
        writeBaseRun(xml);
        valueElement(xml, QStringLiteral("w:lang"), QStringLiteral("ru-RU"));
        xml.writeAttribute(QStringLiteral("w:eastAsia"), QStringLiteral("ru-RU"));
        xml.writeAttribute(QStringLiteral("w:bidi"), QStringLiteral("ar-SA"));
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("w:pPrDefault"));
        xml.writeStartElement(QStringLiteral("w:pPr"));
        writeParagraphFormat(xml, format);
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndElement();  // w:docDefaults

        writeStyleHead(xml, QStringLiteral("paragraph"), QStringLiteral("Normal"),
                       QStringLiteral("Normal"));
        xml.writeEmptyElement(QStringLiteral("w:qFormat"));
        xml.writeStartElement(QStringLiteral("w:pPr"));
        writeParagraphFormat(xml, format);
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("w:rPr"));
        writeBaseRun(xml);
        xml.writeEndElement();
        xml.writeEndElement();

        writeStyleHead(xml, QStringLiteral("character"), QStringLiteral("DefaultParagraphFont"),
                       QStringLiteral("Default Paragraph Font"));
        valueElement(xml, QStringLiteral("w:uiPriority"), QStringLiteral("1"));
        xml.writeEmptyElement(QStringLiteral("w:semiHidden"));
        xml.writeEmptyElement(QStringLiteral("w:unhideWhenUsed"));
    });
}

QByteArray settings() {
    return xmlPart([](QXmlStreamWriter& xml) {
        xml.writeStartElement(QStringLiteral("w:settings"));
        xml.writeAttribute(QStringLiteral("xmlns:w"), kW);
        xml.writeEmptyElement(QStringLiteral("w:zoom"));
        xml.writeAttribute(QStringLiteral("w:percent"), QStringLiteral("100"));
        valueElement(xml, QStringLiteral("w:defaultTabStop"), QStringLiteral("708"));
        valueElement(xml, QStringLiteral("w:characterSpacingControl"),
                     QStringLiteral("doNotCompress"));
        xml.writeStartElement(QStringLiteral("w:compat"));
        xml.writeEmptyElement(QStringLiteral("w:compatSetting"));
        xml.writeAttribute(QStringLiteral("w:name"), QStringLiteral("compatibilityMode"));
        xml.writeAttribute(QStringLiteral("w:uri"),
                           QStringLiteral("http://schemas.microsoft.com/office/word"));
        xml.writeAttribute(QStringLiteral("w:val"), QStringLiteral("15"));
        xml.writeEndElement();
        valueElement(xml, QStringLiteral("w:themeFontLang"), QStringLiteral("ru-RU"));
    });
}

QByteArray appProperties() {
    return xmlPart([](QXmlStreamWriter& xml) {
        xml.writeStartElement(QStringLiteral("Properties"));
        xml.writeDefaultNamespace(QStringLiteral(
            "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties"));
        xml.writeNamespace(
            QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes"),
            QStringLiteral("vt"));
        xml.writeTextElement(QStringLiteral("Application"), kProgramTitle);
    });
}

QByteArray coreProperties(const QString& title) {
    return xmlPart([&](QXmlStreamWriter& xml) {
        xml.writeStartElement(QStringLiteral("cp:coreProperties"));
        xml.writeAttribute(QStringLiteral("xmlns:cp"),
                           QStringLiteral("http://schemas.openxmlformats.org/package/2006/"
                                          "metadata/core-properties"));
        xml.writeAttribute(QStringLiteral("xmlns:dc"),
                           QStringLiteral("http://purl.org/dc/elements/1.1/"));
        xml.writeAttribute(QStringLiteral("xmlns:dcterms"),
                           QStringLiteral("http://purl.org/dc/terms/"));
        xml.writeAttribute(QStringLiteral("xmlns:dcmitype"),
                           QStringLiteral("http://purl.org/dc/dcmitype/"));
        xml.writeAttribute(QStringLiteral("xmlns:xsi"),
                           QStringLiteral("http://www.w3.org/2001/XMLSchema-instance"));
        if (!title.isEmpty())
            xml.writeTextElement(QStringLiteral("dc:title"), xmlSafe(title));
        const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
        for (const char* name : {"dcterms:created", "dcterms:modified"}) {
            xml.writeStartElement(QString::fromLatin1(name));
            xml.writeAttribute(QStringLiteral("xsi:type"), QStringLiteral("dcterms:W3CDTF"));
            xml.writeCharacters(now);
            xml.writeEndElement();
        }
    });
}

}  // namespace

void writePackage(const QString& path, const Package& package) {
    ZipArchive archive(path);
    archive.addBytes("[Content_Types].xml", contentTypes(package.media, package.isTemplate));
    archive.addBytes("_rels/.rels", packageRelationships());
    archive.addBytes("docProps/core.xml", coreProperties(package.title));
    archive.addBytes("docProps/app.xml", appProperties());
    archive.addFile(QStringLiteral("word/document.xml"), package.body, true);
    archive.addBytes("word/styles.xml", styles(package.format));
    archive.addBytes("word/settings.xml", settings());
    archive.addBytes("word/_rels/document.xml.rels", documentRelationships(package.media));
    for (const MediaPart& part : package.media) {
        // JPEG, GIF and PNG are compressed already.
        archive.addFile(QStringLiteral("word/") + part.partName, part.source,
                        part.info.format == ImageInfo::Format::Bmp);
    }
    archive.close();
}

}  // namespace exporter::docx
