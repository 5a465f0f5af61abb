#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

namespace testsupport {

// Every entry of a zip file by name; empty when the file is not a readable zip.
QMap<QString, QByteArray> unzipAll(const QString& path);

struct DocxRun {
    QString text;         // w:t pieces, a w:tab as '\t'
    int halfPoints = -1;  // w:sz of the run, -1 when it has none
    int halfPointsCs = -1;
    bool preserved = true;  // every w:t carries xml:space="preserve"
    bool picture = false;
    qint64 extentCx = 0, extentCy = 0;  // wp:extent
    qint64 extCx = 0, extCy = 0;        // a:ext
    int docPrId = 0;
    QString embed;  // a:blip r:embed
};

struct DocxParagraph {
    QString text;
    int markHalfPoints = -1;  // w:pPr/w:rPr/w:sz
    QList<DocxRun> runs;
};

// The body's paragraphs of word/document.xml; `error` gets the parser's complaint, if any.
QList<DocxParagraph> readParagraphs(const QByteArray& documentXml, QString* error = nullptr);

}  // namespace testsupport
