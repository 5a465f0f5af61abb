// The keyboard of the main window: Enter on its buttons, the menu bar by F10 and Alt, and the
// shortcuts of the buttons and menu items used most.

#include "desktop/keyboard.h"
#include "editor/ui/editorwindow.h"
#include "editor/ui/settingspanel.h"

#include <QAction>
#include <QPushButton>
#include <QShortcut>

namespace editor {

void Editor::buildKeys() {
    desktop::setUpKeyboard(*this);

    // Each key presses its button, so it runs what a click runs, checks and all. The keys belong
    // to the window, wherever the focus is: Page Up and Page Down then move between questions
    // from inside the question's and options' boxes too, which are a few lines high and lose
    // only the page-wise cursor move (Shift+Page Up/Down still select a page, Ctrl+Home and
    // Ctrl+End still reach either end). A button the settings panel covers is hidden and does
    // not answer its keys; the panel's own "Сохранить" answers Ctrl+S instead.
    const struct {
        QPushButton* button;
        QKeySequence keys;
    } shortcuts[] = {
        {Command7, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {infosik->Command6, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {Command3, QKeySequence(Qt::Key_PageDown)},
        {Command3, QKeySequence(Qt::ALT | Qt::Key_Right)},
        {Command2, QKeySequence(Qt::Key_PageUp)},
        {Command2, QKeySequence(Qt::ALT | Qt::Key_Left)},
        {Command5, QKeySequence(Qt::CTRL | Qt::Key_N)},
    };
    for (const auto& shortcut : shortcuts)
        desktop::addButtonShortcut(*shortcut.button, shortcut.keys);
    // A menu bar shows no shortcuts, so the item's caption stays as it is.
    optestAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    poiskAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    perehodAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    new QShortcut(QKeySequence(Qt::Key_F3), this, this, &Editor::nextFound);
    new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this, this, &Editor::previousFound);
}

}  // namespace editor
