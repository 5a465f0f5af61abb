#pragma once

class QAbstractButton;
class QKeySequence;
class QMenuBar;
class QShortcut;
class QWidget;

namespace desktop {

// What every window of the programs does with the keyboard beyond Qt's own handling, called
// once its controls are built:
// - Enter and keypad Enter press the focused push button, as Space does. Qt presses a button
//   with Enter only inside a dialog, and only when it is an auto-default button.
// - In a window with a menu bar, F10 and a lone Alt put the keyboard on the menu bar, and the
//   item the keyboard is on is drawn highlighted even when it opens no menu.
void setUpKeyboard(QWidget& window);

// A key that presses `button` from anywhere in its window, exactly as a click does; the caption
// stays as it is. It works only while the button shows and is enabled, so a button covered by a
// panel (hidden) or switched off does not answer it.
QShortcut* addButtonShortcut(QAbstractButton& button, const QKeySequence& keys);

// Puts the keyboard on the menu bar, its first item highlighted, as a lone Alt does; the
// control that had the focus gets it back when the menu bar lets go (Escape, or an item run).
void focusMenuBar(QMenuBar& bar);

}  // namespace desktop
