#include "editor/ui/limitedtextedit.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

namespace editor {

LimitedTextEdit::LimitedTextEdit(int maxLength, QWidget* parent)
    : QPlainTextEdit(parent), maxLength_(maxLength) {
    setTabChangesFocus(true);
}

QString LimitedTextEdit::toStored(const QString& boxText) {
    QString stored = boxText;
    // QTextDocument hands out paragraph and line separators for breaks typed as such.
    stored.replace(QChar::ParagraphSeparator, u'\n');
    stored.replace(QChar::LineSeparator, u'\n');
    stored.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return stored;
}

QString LimitedTextEdit::fromStored(const QString& stored) {
    QString text = stored;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

int LimitedTextEdit::storedLength(const QString& boxText) {
    return static_cast<int>(toStored(boxText).size());
}

int LimitedTextEdit::storedLength() const {
    return storedLength(toPlainText());
}

QString LimitedTextEdit::storedText() const {
    return toStored(toPlainText());
}

void LimitedTextEdit::setStoredText(const QString& text) {
    setPlainText(fromStored(text));
}

int LimitedTextEdit::room() const {
    const int selected = storedLength(textCursor().selectedText());
    return maxLength_ - (storedLength() - selected);
}

void LimitedTextEdit::keyPressEvent(QKeyEvent* event) {
    const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QString typed = lineBreak ? QStringLiteral("\n") : event->text();
    const bool inserts = lineBreak || (!typed.isEmpty() && typed.front().isPrint());
    if (inserts && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
        storedLength(typed) > room()) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void LimitedTextEdit::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText())
        return;
    QString text = fromStored(source->text());
    text.replace(u'\r', u'\n');
    // Take as much of the pasted text as fits, never half a CR LF pair.
    const int available = room();
    QString taken;
    int used = 0;
    for (const QChar c : text) {
        const int cost = c == u'\n' ? 2 : 1;
        if (used + cost > available)
            break;
        taken += c;
        used += cost;
    }
    if (taken.isEmpty())
        return;
    QTextCursor cursor = textCursor();
    cursor.insertText(taken);
    setTextCursor(cursor);
}

}  // namespace editor
