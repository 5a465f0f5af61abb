#pragma once

#include <QString>
#include <Qt>

class QWidget;

namespace testsupport {

// What a user does to a window, by the objectName its control has on the form: a mouse click
// on a button, or a menu item chosen. A control that is missing fails the running test.
void clickButton(QWidget& window, const QString& button);
void triggerAction(QWidget& window, const QString& action);
// Makes the window the active one, as a user's click on it would: the offscreen platform
// delivers keys and keeps a focus widget only in the active window.
void activate(QWidget& window);
// Presses a key where the keyboard is, as the user does.
void pressKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

}  // namespace testsupport
