#pragma once

#include "exporter/core/imageinfo.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>

#include <cmath>

namespace exporter::docx {

// The opening of word/document.xml: a document with the namespaces the markup of text,
// tables and pictures uses, and its body.
inline constexpr char kDocumentStart[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""
    " xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\""
    " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
    " xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><w:body>";

// Sizes in the document are half-points (24 is 12 pt).
inline long halfPoints(double points) {
    return std::lround(points * 2);
}

// The text without the characters XML 1.0 cannot carry; any of them would make the part
// unreadable.
QString xmlSafe(const QString& text);

// The pieces of a picture's drawing markup, ready to be written.
struct BodyPicture {
    QByteArray extent;    // `cx="…" cy="…"`, the size in EMU
    QByteArray name;      // the picture's name, as an attribute value
    QByteArray relation;  // the relationship of its part, as an attribute value
};
BodyPicture bodyPicture(const ImageInfo& info, const QString& partName, const QString& relationId);

// The document part word/document.xml, spooled to a temporary file as paragraphs end so the
// size of the export does not grow the memory used. Its markup is few and fixed, so it is
// written as bytes rather than through an XML writer: a large export spends its time here.
class Body {
public:
    // Throws qb::Error when the temporary file cannot be created.
    Body();

    Body(const Body&) = delete;
    Body& operator=(const Body&) = delete;

    // A paragraph: its mark's size, then its runs in order, then its end. Throw qb::Error when
    // the temporary file refuses the body.
    void startParagraph(double markSize);
    void textRun(double size, const QString& xmlSafeText);
    // `drawingId` is unique in the document.
    void pictureRun(double size, const BodyPicture& picture, int drawingId);
    void endParagraph();

    // Closes the part: the file holds all of it from then on. Throws qb::Error as above.
    void finish();
    QString fileName() const { return spool_.fileName(); }

private:
    void writeRunProperties(double size);
    void writeText(const QString& text);
    void writeDrawing(const BodyPicture& picture, int drawingId);
    void spool();

    QTemporaryFile spool_;
    QByteArray bytes_;     // written to the spool in large blocks
    double runSize_ = -1;  // the size runProperties_ holds
    QByteArray runProperties_;
};

}  // namespace exporter::docx
