#pragma once

#include <QString>

class QWidget;

namespace testsupport {

// What a user does to a window, by the objectName its control has on the form: a mouse click
// on a button, or a menu item chosen. A control that is missing fails the running test.
void clickButton(QWidget& window, const QString& button);
void triggerAction(QWidget& window, const QString& action);

}  // namespace testsupport
