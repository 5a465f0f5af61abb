#pragma once

#include "language/language.h"

#include <QPoint>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class QMenu;
class QPlainTextEdit;

namespace editor {

// Underlines the words of a box that the dictionaries do not know with a red wavy line, as the
// teacher types. The word being typed is left alone until the cursor leaves it: half a word is
// not a mistake yet. Without a dictionary nothing is underlined.
class SpellHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    SpellHighlighter(QPlainTextEdit* box, language::Language& language);

    // What an unknown word looks like.
    static QTextCharFormat mistakeFormat();

protected:
    void highlightBlock(const QString& text) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void stopTyping();

    QPlainTextEdit* box_;
    language::Language& language_;
    int typingAt_ = -1;  // the document position right after a key's edit, while the cursor stays
};

// Spelling for a question or option box: the underline, and in its context menu (mouse or
// keyboard) up to five corrections of the word there and "Пропустить везде".
void attachSpelling(QPlainTextEdit* box,
                    language::Language& language = language::Language::shared());

// Puts the spelling actions for the word at `position` (in the box's document) at the top of
// `menu`: each correction replaces the word as one edit that Ctrl+Z takes back. Nothing when
// the word is known or the box is read-only.
void addSpellingActions(QPlainTextEdit* box, QMenu* menu, int position,
                        language::Language& language = language::Language::shared());

}  // namespace editor
