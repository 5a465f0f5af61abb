#include "editor/ui/limitedtextedit.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace editor {

namespace {

bool isBreak(QChar c) {
    return c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

int storedCost(QChar c) {
    return isBreak(c) ? 2 : 1;
}

int storedLengthOf(const QString& boxText) {
    int length = 0;
    for (const QChar c : boxText)
        length += storedCost(c);
    return length;
}

}  // namespace

LimitedTextEdit::LimitedTextEdit(int maxLength, QWidget* parent)
    : QPlainTextEdit(parent), maxLength_(maxLength) {
    setTabChangesFocus(true);
    connect(document(), &QTextDocument::contentsChange, this, &LimitedTextEdit::noteChange);
    connect(document(), &QTextDocument::contentsChanged, this, &LimitedTextEdit::enforceLimit);
}

QString LimitedTextEdit::toStored(const QString& boxText) {
    QString stored;
    stored.reserve(boxText.size() + 8);
    for (const QChar c : boxText) {
        if (isBreak(c))
            stored += QStringLiteral("\r\n");
        else
            stored += c;
    }
    return stored;
}

// Unlike toPlainText, the raw text keeps non-breaking spaces; breaks come as U+2029 / U+2028.
QString LimitedTextEdit::rawText() const {
    return document()->toRawText();
}

bool LimitedTextEdit::isEdited() const {
    return rawText() != shownRaw_;
}

QString LimitedTextEdit::storedText() const {
    const QString raw = rawText();
    return raw == shownRaw_ ? stored_ : toStored(raw);
}

void LimitedTextEdit::setStoredText(const QString& text) {
    {
        const QScopedValueRollback<bool> guard(settingStored_, true);
        // The document splits a paragraph at CR and at LF alike, so a pair is one break.
        QString shown = text;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        setPlainText(shown);
    }
    stored_ = text;
    shownRaw_ = rawText();
}

void LimitedTextEdit::acceptStored() {
    stored_ = storedText();
    shownRaw_ = rawText();
}

void LimitedTextEdit::noteChange(int position, int /*removed*/, int added) {
    changedFrom_ = position;
    changedAdded_ = added;
}

void LimitedTextEdit::enforceLimit() {
    if (trimming_)
        return;
    const QString raw = rawText();
    const int length = storedLengthOf(raw);
    // What was already shown beyond the limit may stay; nothing new may add to it.
    const int allowed = std::max(maxLength_, length_);
    if (settingStored_ || length <= allowed) {
        length_ = length;
        return;
    }
    // Drop the excess from the end of what just came in, never half a surrogate pair.
    const int from = std::clamp(changedFrom_, 0, static_cast<int>(raw.size()));
    const int end = std::clamp(changedFrom_ + changedAdded_, from, static_cast<int>(raw.size()));
    int start = end;
    int excess = length - allowed;
    while (excess > 0 && start > from) {
        --start;
        excess -= storedCost(raw[start]);
        if (raw[start].isLowSurrogate() && start > from && raw[start - 1].isHighSurrogate()) {
            --start;
            --excess;
        }
    }
    const QScopedValueRollback<bool> guard(trimming_, true);
    QTextCursor cursor(document());
    // Part of the edit that brought the text in, so one undo takes back both.
    cursor.joinPreviousEditBlock();
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
    length_ = storedLengthOf(rawText());
}

void LimitedTextEdit::keyPressEvent(QKeyEvent* event) {
    // A key that would not fit is refused outright, leaving no empty step in the undo history.
    const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QString typed = lineBreak ? QStringLiteral("\n") : event->text();
    const bool inserts = lineBreak || (!typed.isEmpty() && typed.front().isPrint());
    if (inserts && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const int selected = storedLengthOf(textCursor().selectedText());
        if (length_ - selected + storedLengthOf(typed) > std::max(maxLength_, length_)) {
            event->accept();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void LimitedTextEdit::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText())
        return;
    // Pasted CR LF is one break, as is a lone CR; the document trims what does not fit.
    QString text = source->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    QTextCursor cursor = textCursor();
    cursor.insertText(text);
    setTextCursor(cursor);
}

}  // namespace editor
