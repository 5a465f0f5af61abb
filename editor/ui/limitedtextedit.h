#pragma once

#include <QPlainTextEdit>

#include <limits>

namespace editor {

// A multi-line box whose limit counts text as the base stores it: a line break is CR LF and
// takes two of the allowed characters. The limit holds for every way text gets into the box
// (keys, paste, drop, an input method, a screen reader's "set text", code), because it is
// enforced on the document itself; only setStoredText may show more.
class LimitedTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LimitedTextEdit(int maxLength, QWidget* parent = nullptr);

    // No limit: what the box takes when its column declares none.
    static constexpr int kNoLimit = std::numeric_limits<int>::max();

    int maxLength() const { return maxLength_; }
    // The limit follows the column of the base that is open; what is shown stays whole.
    void setMaxLength(int maxLength) { maxLength_ = maxLength; }

    // The text as the base stores it. A text shown by setStoredText and not edited since comes
    // back exactly as it was given: the document would turn non-breaking spaces into blanks and
    // a lone CR or LF into CR LF, and a field nobody touched must not change. An edited text is
    // what the box shows, its line breaks as CR LF and every other character as it is.
    QString storedText() const;
    int storedLength() const { return static_cast<int>(storedText().size()); }
    // Shows a stored text whole, even beyond the limit: the limit binds what comes in.
    void setStoredText(const QString& text);
    // The box shows something other than what setStoredText or acceptStored last noted.
    bool isEdited() const;
    // What the box shows was just stored: later edits, undo included, are measured from it.
    // The document and its undo history stay as they are.
    void acceptStored();

    // The box's text (line breaks as '\n', U+2028 or U+2029) with its breaks as CR LF.
    static QString toStored(const QString& boxText);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    QString rawText() const;
    void noteChange(int position, int removed, int added);
    void enforceLimit();

    int maxLength_;
    QString stored_;    // what setStoredText was given
    QString shownRaw_;  // the document's text right after it
    int length_ = 0;    // stored length of the shown text after the last change
    bool settingStored_ = false;
    bool trimming_ = false;
    int changedFrom_ = 0;
    int changedAdded_ = 0;
};

}  // namespace editor
