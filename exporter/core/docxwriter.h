#pragma once

#include "exporter/core/imageinfo.h"
#include "exporter/core/wordsession.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTemporaryFile>

#include <functional>
#include <list>
#include <memory>

namespace exporter {

// Builds an Office Open XML word-processing document (.docx) from the calls of a word session.
// The body is streamed to a temporary file as paragraphs end, so the size of the export does
// not grow the memory used; the package is put together by finish(). Pictures are embedded as
// they are (one copy per file, however often it is used). The body's markup is few and fixed, so
// it is written as bytes rather than through an XML writer: a large export spends its time here.
class DocxWriter final : public WordSession {
public:
    // Nothing is written at `path` until finish().
    explicit DocxWriter(const QString& path);
    // Finishes the document if that has not happened yet; a failure then is swallowed.
    ~DocxWriter() override;

    DocxWriter(const DocxWriter&) = delete;
    DocxWriter& operator=(const DocxWriter&) = delete;

    // Where the status texts go (the window's status bar); the document does not keep them.
    void setStatusSink(std::function<void(const QString&)> sink) { statusSink_ = std::move(sink); }

    void setCaption(const QString& caption) override;
    void setStatusText(const QString& text) override;
    void setParagraphFormat(const WordParagraphFormat& format) override;
    void fontGrow() override;
    void fontShrink() override;
    // A line break in the text ends the paragraph, as typing it would.
    void typeText(const QString& text) override;
    void typeParagraph() override;
    bool addInlinePicture(const QString& path) override;

    // Ends the body with the paragraph at the insertion point and writes the package.
    // Throws std::runtime_error when the document cannot be written. Later calls do nothing.
    void finish();
    bool isFinished() const { return finished_; }
    const QString& path() const { return path_; }

private:
    struct Media {
        QString source;
        ImageInfo info;
        QString partName;  // "media/image1.jpeg"
        QString relationId;
        // Pieces of the drawing markup, ready to be written: `cx="…" cy="…"`, then the values
        // of the picture's name and of its relationship.
        QByteArray extent;
        QByteArray name;
        QByteArray relation;
    };
    struct Item {
        QString text;  // a run of text, or empty for a picture
        double size = kBaseFontSize;
        int media = -1;
        int drawingId = 0;
    };

    void endParagraph();
    void writeRunProperties(double size);
    void writeText(const QString& text);
    void writeDrawing(const Item& item);
    void spoolBody();
    QByteArray contentTypes() const;
    QByteArray documentRelationships() const;
    QByteArray styles() const;
    QByteArray coreProperties() const;

    QString path_;
    std::function<void(const QString&)> statusSink_;
    QString title_;
    WordParagraphFormat format_;
    double fontSize_ = kBaseFontSize;

    QTemporaryFile spool_;
    QByteArray body_;      // written to the spool in large blocks
    double runSize_ = -1;  // the size runProperties_ holds
    QByteArray runProperties_;
    QList<Item> paragraph_;
    QList<Media> media_;
    QHash<QString, int> mediaBySource_;  // -1 for a file that was refused
    int drawings_ = 0;
    bool finished_ = false;
};

}  // namespace exporter
