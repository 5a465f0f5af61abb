#pragma once

#include <QLineEdit>

namespace editor {

// A one-line box whose length limit binds what comes in (keys, paste, drop, an input method,
// a screen reader's "set text") but not a value shown from the base: QLineEdit::setMaxLength
// would cut a stored 1800 to 180, and saving would then store the cut value.
class LimitedLineEdit : public QLineEdit {
    Q_OBJECT
public:
    LimitedLineEdit(int maxLength, QWidget* parent = nullptr);

    int typingLimit() const { return maxLength_; }
    // Shows a stored value whole; what comes in afterwards may shorten it, never lengthen it.
    void setStoredText(const QString& text);

private:
    int maxLength_;
    int ceiling_;  // the longest text accepted now: the limit, or a longer stored value
};

}  // namespace editor
