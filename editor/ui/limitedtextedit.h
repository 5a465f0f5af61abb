#pragma once

#include <QPlainTextEdit>

namespace editor {

// A multi-line box whose limit counts text as the base stores it: a line break is CR LF and
// takes two of the allowed characters. The box itself works with '\n'; storedText and
// setStoredText convert at the border.
class LimitedTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LimitedTextEdit(int maxLength, QWidget* parent = nullptr);

    int maxLength() const { return maxLength_; }
    // Length of the box's text once line breaks are CR LF.
    int storedLength() const;

    QString storedText() const;
    // Shows a stored text as it is, even beyond the limit: the limit binds typing only.
    void setStoredText(const QString& text);

    static QString toStored(const QString& boxText);
    static QString fromStored(const QString& stored);
    static int storedLength(const QString& boxText);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // Room left for an insertion that replaces the current selection.
    int room() const;

    int maxLength_;
};

}  // namespace editor
