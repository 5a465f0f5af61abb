#include "tests/support/useractions.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTest>

namespace testsupport {

void clickButton(QWidget& window, const QString& button) {
    auto* target = window.findChild<QPushButton*>(button);
    QVERIFY2(target != nullptr, qPrintable(button));
    QTest::mouseClick(target, Qt::LeftButton);
}

void triggerAction(QWidget& window, const QString& action) {
    auto* item = window.findChild<QAction*>(action);
    QVERIFY2(item != nullptr, qPrintable(action));
    item->trigger();
}

void activate(QWidget& window) {
    window.show();
    window.raise();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

void pressKey(int key, Qt::KeyboardModifiers modifiers) {
    QWidget* focus = QApplication::focusWidget();
    QVERIFY2(focus != nullptr, "no control has the keyboard");
    QTest::keyClick(focus, static_cast<Qt::Key>(key), modifiers);
}

}  // namespace testsupport
