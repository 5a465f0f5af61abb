#include "tests/support/docxpackage.h"

#include <QFile>
#include <QXmlStreamReader>

#include <zip.h>

namespace testsupport {

QMap<QString, QByteArray> unzipAll(const QString& path) {
    QMap<QString, QByteArray> parts;
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!zip)
        return parts;
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(zip, zip_uint64_t(i), 0, &stat) != 0)
            continue;
        QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
        zip_file_t* file = zip_fopen_index(zip, zip_uint64_t(i), 0);
        if (!file)
            continue;
        const zip_int64_t read = zip_fread(file, bytes.data(), stat.size);
        zip_fclose(file);
        if (read == zip_int64_t(stat.size))
            parts.insert(QString::fromUtf8(stat.name), bytes);
    }
    zip_close(zip);
    return parts;
}

QList<DocxParagraph> readParagraphs(const QByteArray& documentXml, QString* error) {
    QList<DocxParagraph> paragraphs;
    QXmlStreamReader xml(documentXml);
    bool inPPr = false, inRun = false, inText = false;
    while (!xml.atEnd()) {
        xml.readNext();
        const auto name = xml.name();
        if (xml.isStartElement()) {
            if (name == u"p") {
                paragraphs.append(DocxParagraph{});
            } else if (name == u"pPr") {
                inPPr = true;
            } else if (name == u"r" && !paragraphs.isEmpty()) {
                inRun = true;
                paragraphs.last().runs.append(DocxRun{});
            } else if (name == u"sz" || name == u"szCs") {
                const int value = xml.attributes().value(QStringLiteral("w:val")).toInt();
                if (inRun && name == u"sz")
                    paragraphs.last().runs.last().halfPoints = value;
                else if (inRun)
                    paragraphs.last().runs.last().halfPointsCs = value;
                else if (inPPr && name == u"sz")
                    paragraphs.last().markHalfPoints = value;
            } else if (name == u"t" && inRun) {
                inText = true;
                if (xml.attributes().value(QStringLiteral("xml:space")) != u"preserve")
                    paragraphs.last().runs.last().preserved = false;
            } else if (name == u"tab" && inRun) {
                paragraphs.last().runs.last().text += QLatin1Char('\t');
                paragraphs.last().text += QLatin1Char('\t');
            } else if (inRun && (name == u"extent" || name == u"ext")) {
                DocxRun& run = paragraphs.last().runs.last();
                run.picture = true;
                const qint64 cx = xml.attributes().value(QStringLiteral("cx")).toLongLong();
                const qint64 cy = xml.attributes().value(QStringLiteral("cy")).toLongLong();
                (name == u"extent" ? run.extentCx : run.extCx) = cx;
                (name == u"extent" ? run.extentCy : run.extCy) = cy;
            } else if (inRun && name == u"docPr") {
                paragraphs.last().runs.last().docPrId =
                    xml.attributes().value(QStringLiteral("id")).toInt();
            } else if (inRun && name == u"blip") {
                paragraphs.last().runs.last().embed =
                    xml.attributes().value(QStringLiteral("r:embed")).toString();
            }
        } else if (xml.isEndElement()) {
            if (name == u"pPr")
                inPPr = false;
            else if (name == u"r")
                inRun = false;
            else if (name == u"t")
                inText = false;
        } else if (xml.isCharacters() && inText) {
            paragraphs.last().runs.last().text += xml.text();
            paragraphs.last().text += xml.text();
        }
    }
    if (error)
        *error = xml.hasError() ? xml.errorString() : QString();
    return paragraphs;
}

}  // namespace testsupport
