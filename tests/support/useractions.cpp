#include "tests/support/useractions.h"

#include <QAction>
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

}  // namespace testsupport
