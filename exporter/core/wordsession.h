#pragma once

#include <QString>
#include <QStringList>

namespace exporter {

// The paragraph settings the export gives the whole document.
struct WordParagraphFormat {
    double spaceBefore = 0;  // points
    double spaceAfter = 0;   // points
    bool widowControl = true;
    bool keepWithNext = false;
    bool keepTogether = false;
    bool pageBreakBefore = false;
    bool noLineNumber = false;
    bool hyphenation = true;
};

// The word processor as the export drives it: an insertion point that text, paragraph ends and
// pictures are typed at, with a current font size that Grow and Shrink step through the word
// processor's list of sizes. The calls come in the order the export makes them, so a recording
// implementation shows exactly what a document would get.
class WordSession {
public:
    virtual ~WordSession() = default;

    virtual void setCaption(const QString& caption) = 0;
    virtual void setStatusText(const QString& text) = 0;
    virtual void setParagraphFormat(const WordParagraphFormat& format) = 0;
    virtual void fontGrow() = 0;
    virtual void fontShrink() = 0;
    virtual void typeText(const QString& text) = 0;
    virtual void typeParagraph() = 0;
    // Embeds the picture at the insertion point at its natural size. False when the file is not
    // a picture that can be taken in (unreadable, damaged, too large); nothing is inserted then.
    virtual bool addInlinePicture(const QString& path) = 0;
};

// The word processor's steps for Grow and Shrink: 8 to 72 through its list of sizes, by single
// points below 8 and by ten above 72, within 1 to 1638 points. A size between two listed ones
// steps to the neighbouring listed size.
double grownFontSize(double points);
double shrunkFontSize(double points);

// The base font of a new document.
inline constexpr double kBaseFontSize = 12;

// Writes down every call as a line, and follows the font size as a document would.
class RecordingWordSession final : public WordSession {
public:
    // Pictures "taken in" unless their path is listed here.
    QStringList refusedPictures;

    const QStringList& calls() const { return calls_; }
    double fontSize() const { return fontSize_; }

    void setCaption(const QString& caption) override;
    void setStatusText(const QString& text) override;
    void setParagraphFormat(const WordParagraphFormat& format) override;
    void fontGrow() override;
    void fontShrink() override;
    void typeText(const QString& text) override;
    void typeParagraph() override;
    bool addInlinePicture(const QString& path) override;

private:
    QStringList calls_;
    double fontSize_ = kBaseFontSize;
};

}  // namespace exporter
