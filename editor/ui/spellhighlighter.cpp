#include "editor/ui/spellhighlighter.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace editor {

SpellHighlighter::SpellHighlighter(QPlainTextEdit* box, language::Language& language)
    : QSyntaxHighlighter(static_cast<QObject*>(box)), box_(box), language_(language) {
    // Connected before the highlighter takes the document, so a key's edit is known as such
    // when its block is highlighted.
    connect(box->document(), &QTextDocument::contentsChange, this,
            [this](int position, int removed, int added) {
                const bool oneKey = added <= 1 && removed <= 1 && added + removed > 0;
                typingAt_ = oneKey ? position + added : -1;
            });
    connect(box, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (typingAt_ >= 0 && box_->textCursor().position() != typingAt_)
            stopTyping();
    });
    setDocument(box->document());
    connect(&language_, &language::Language::changed, this, &SpellHighlighter::rehighlight);
    box->installEventFilter(this);
    box->viewport()->installEventFilter(this);
}

QTextCharFormat SpellHighlighter::mistakeFormat() {
    QTextCharFormat format;
    format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    format.setUnderlineColor(Qt::red);
    return format;
}

void SpellHighlighter::stopTyping() {
    const int at = typingAt_;
    typingAt_ = -1;
    const QTextBlock block = document()->findBlock(std::max(0, at - 1));
    if (block.isValid())
        rehighlightBlock(block);
}

void SpellHighlighter::highlightBlock(const QString& text) {
    // A paint never waits for the dictionaries: they underline when they arrive (changed()).
    if (!language_.isReady() || !language_.available())
        return;
    const int blockStart = currentBlock().position();
    language::forEachWord(text, [&](qsizetype start, qsizetype length) {
        if (typingAt_ >= 0 && blockStart + start + length == typingAt_)
            return;
        if (!language_.isKnown(QStringView(text).mid(start, length)))
            setFormat(int(start), int(length), mistakeFormat());
    });
}

bool SpellHighlighter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && watched == box_ && typingAt_ >= 0) {
        stopTyping();
    } else if (event->type() == QEvent::ContextMenu) {
        const auto* request = static_cast<QContextMenuEvent*>(event);
        QWidget* viewport = box_->viewport();
        // From the keyboard (the menu key, Shift+F10) the menu is for the word at the cursor.
        const bool keyboard = watched == box_ && request->reason() == QContextMenuEvent::Keyboard;
        const QPoint at = keyboard              ? box_->cursorRect().center()
                          : watched == viewport ? request->pos()
                                                : viewport->mapFrom(box_, request->pos());
        const int position =
            keyboard ? box_->textCursor().position() : box_->cursorForPosition(at).position();
        QPointer<QMenu> menu = box_->createStandardContextMenu();
        addSpellingActions(box_, menu, position, language_);
        menu->exec(keyboard ? viewport->mapToGlobal(at) : request->globalPos());
        delete menu.data();
        return true;
    }
    return QSyntaxHighlighter::eventFilter(watched, event);
}

void attachSpelling(QPlainTextEdit* box, language::Language& language) {
    new SpellHighlighter(box, language);
}

void addSpellingActions(QPlainTextEdit* box, QMenu* menu, int position,
                        language::Language& language) {
    if (box->isReadOnly() || !language.available())
        return;
    const QTextBlock block = box->document()->findBlock(position);
    const QString text = block.text();
    const qsizetype inBlock = position - block.position();
    qsizetype wordStart = -1;
    qsizetype wordLength = 0;
    language::forEachWord(text, [&](qsizetype start, qsizetype length) {
        if (start <= inBlock && inBlock <= start + length) {
            wordStart = start;
            wordLength = length;
        }
    });
    if (wordStart < 0)
        return;
    const QString word = text.mid(wordStart, wordLength);
    if (language.isKnown(word))
        return;
    QAction* first = menu->actions().value(0);
    const int from = block.position() + int(wordStart);
    for (const QString& suggestion : language.suggestions(word)) {
        auto* replace = new QAction(suggestion, menu);
        QObject::connect(replace, &QAction::triggered, box,
                         [box = QPointer<QPlainTextEdit>(box), from, word, suggestion] {
                             QTextCursor cursor(box->document());
                             cursor.setPosition(from);
                             cursor.setPosition(from + int(word.size()), QTextCursor::KeepAnchor);
                             // The word may have changed since the menu opened.
                             if (cursor.selectedText() != word)
                                 return;
                             cursor.insertText(suggestion);
                             box->setTextCursor(cursor);
                         });
        menu->insertAction(first, replace);
    }
    auto* ignore = new QAction(QStringLiteral("Пропустить везде"), menu);
    QObject::connect(ignore, &QAction::triggered, &language,
                     [&language, word] { language.ignore(word); });
    menu->insertAction(first, ignore);
    menu->insertSeparator(first);
}

}  // namespace editor
