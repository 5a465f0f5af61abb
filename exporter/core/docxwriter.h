#pragma once

#include "exporter/core/docxbody.h"
#include "exporter/core/docxparts.h"
#include "exporter/core/wordsession.h"

#include <QHash>
#include <QList>

#include <functional>

namespace exporter {

// Builds an Office Open XML word-processing document (.docx) from the calls of a word session.
// The body is streamed to a temporary file as paragraphs end, so the size of the export does
// not grow the memory used; the package is put together by finish(). Pictures are embedded as
// they are (one copy per file, however often it is used).
class DocxWriter final : public WordSession {
public:
    // Nothing is written at `path` until finish(). A path ending in .dotx gets a template.
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
    // Throws qb::Error when the document cannot be written. Later calls do nothing.
    void finish();
    // Gives the document up: nothing more is written at `path`, now or when the writer goes.
    void discard() { finished_ = true; }
    bool isFinished() const { return finished_; }
    const QString& path() const { return path_; }

private:
    // What the paragraph at the insertion point holds so far: its mark takes the size in force
    // when it ends, and is written before its runs.
    struct Item {
        QString text;  // a run of text, or empty for a picture
        double size = kBaseFontSize;
        int media = -1;
        int drawingId = 0;
    };

    void endParagraph();

    QString path_;
    std::function<void(const QString&)> statusSink_;
    double fontSize_ = kBaseFontSize;

    docx::Body body_;
    docx::Package package_;
    QList<docx::BodyPicture> pictures_;  // the markup of package_.media, index for index
    QList<Item> paragraph_;
    QHash<QString, int> mediaBySource_;  // -1 for a file that was refused
    int drawings_ = 0;
    bool finished_ = false;
};

}  // namespace exporter
