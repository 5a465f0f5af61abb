// The test settings panel over the main window.

#include "editor/ui/limitedlineedit.h"
#include "editor/ui/limitedtextedit.h"
#include "editor/ui/settingspanel.h"
#include "tests/support/editorsession.h"
#include "tests/support/questionrows.h"
#include "tests/support/useractions.h"

#include <QAccessible>
#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using testsupport::EditorSession;

namespace {

const QString kInfoColumns = QStringLiteral("\"инфо\" TEXT, \"время\" INTEGER, \"ВремяНа\" TEXT");

// Opens a base of one question whose table `info` has these columns (none: no such table) and,
// unless empty, the row this statement inserts.
void openWithInfo(EditorSession& s, const QString& infoRow,
                  const QString& infoColumns = kInfoColumns) {
    QStringList statements = {
        QStringLiteral("CREATE TABLE test (\"номер\" INTEGER PRIMARY KEY AUTOINCREMENT, \"вопрос\" "
                       "TEXT, \"ответ1\" TEXT, \"ответ2\" TEXT, \"верный\" INTEGER)"),
        QStringLiteral("INSERT INTO test (\"вопрос\", \"верный\") VALUES ('Что?', 1)")};
    if (!infoColumns.isEmpty())
        statements << QStringLiteral(
                          "CREATE TABLE info (\"код\" INTEGER PRIMARY KEY AUTOINCREMENT, %1)")
                          .arg(infoColumns);
    if (!infoRow.isEmpty())
        statements << infoRow;
    s.open(testsupport::makePlainBase(s.folder, QStringLiteral("info.mdb"), statements));
}

}  // namespace

class TestSettingsPanel : public QObject {
    Q_OBJECT
private slots:
    void nothingWithoutBaseOrInfoTable();
    void emptyInfoGetsARowAtOnce();
    void showsAndStoresSettings();
    void timeEntry_data();
    void timeEntry();
    void infoWithoutTargetColumn();
    void clicksOnPicturesStoreNothing();
    void optionCaptionsSelectAndCloseNothing();
    void limits();
    void keyboardStaysOnThePanel();
};

void TestSettingsPanel::nothingWithoutBaseOrInfoTable() {
    EditorSession s;
    s.panel().info->setPlainText(QStringLiteral("старое"));
    s.trigger("infossi");
    QVERIFY(!s.panel().isVisible());
    QCOMPARE(s.panel().info->toPlainText(), QString());

    openWithInfo(s, {}, {});
    QVERIFY(s.probe.baza().isOpen());
    s.panel().vremya->setText(QStringLiteral("12"));
    s.trigger("infossi");
    QVERIFY(!s.panel().isVisible());
    QCOMPARE(s.panel().vremya->text(), QString());
    QVERIFY(s.dialogs.messages().isEmpty());
}

void TestSettingsPanel::emptyInfoGetsARowAtOnce() {
    EditorSession s(1);
    s.trigger("infossi");
    QVERIFY(s.panel().isVisible());
    QVERIFY(s.panel().Opti0->isChecked());
    QCOMPARE(s.panel().vremya->text(), QString());
    QTest::mouseClick(s.panel().Picture1, Qt::LeftButton);
    QVERIFY(!s.panel().isVisible());
    const auto rows = s.rowsAfterClosing(QStringLiteral("info"));
    QCOMPARE(rows.size(), 1);
    QVERIFY(rows[0][1].isNull() && rows[0][2].isNull() && rows[0][3].isNull());
}

void TestSettingsPanel::showsAndStoresSettings() {
    EditorSession s;
    openWithInfo(s, QStringLiteral("INSERT INTO info (\"инфо\", \"время\", \"ВремяНа\") VALUES "
                                   "('Контрольная\r\nпо истории', 90, 'вопрос')"));
    s.trigger("infossi");
    QCOMPARE(s.panel().info->toPlainText(), QStringLiteral("Контрольная\nпо истории"));
    QCOMPARE(s.panel().vremya->text(), QStringLiteral("90"));
    QVERIFY(s.panel().Opti1->isChecked());
    QVERIFY(!s.panel().Opti0->isChecked());

    s.panel().info->setPlainText(QStringLiteral("Итоговый\nтест"));
    s.panel().vremya->setText(QStringLiteral("600"));
    QTest::mouseClick(s.panel().Opti0, Qt::LeftButton);
    QVERIFY(!s.panel().Opti1->isChecked());
    s.click("Command6");
    QVERIFY(!s.panel().isVisible());
    const auto rows = s.rowsAfterClosing(QStringLiteral("info"));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0][1].toString(), QStringLiteral("Итоговый\r\nтест"));
    QCOMPARE(rows[0][2].toInt(), 600);
    QCOMPARE(rows[0][3].toString(), QStringLiteral("тест"));
}

void TestSettingsPanel::timeEntry_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QVariant>("stored");
    QTest::newRow("empty stores 0") << "" << QVariant(0);
    QTest::newRow("letters keep 45") << "абв" << QVariant(45);
    QTest::newRow("minus five") << "-5" << QVariant(-5);
    QTest::newRow("fraction to even") << "2,5" << QVariant(2);
}

void TestSettingsPanel::timeEntry() {
    QFETCH(QString, typed);
    QFETCH(QVariant, stored);
    EditorSession s;
    openWithInfo(s,
                 QStringLiteral("INSERT INTO info (\"время\", \"ВремяНа\") VALUES (45, 'что-то')"));
    s.trigger("infossi");
    QVERIFY(s.panel().Opti0->isChecked());  // anything but "вопрос" is the whole test
    s.panel().vremya->setText(typed);
    s.click("Command6");
    const auto rows = s.rowsAfterClosing(QStringLiteral("info"));
    QCOMPARE(rows[0][2].toInt(), stored.toInt());
    QCOMPARE(rows[0][1].toString(), QString());
    QVERIFY(!rows[0][1].isNull());  // an empty box stores empty text
}

void TestSettingsPanel::infoWithoutTargetColumn() {
    EditorSession s;
    openWithInfo(s, QStringLiteral("INSERT INTO info (\"время\") VALUES (30)"),
                 QStringLiteral("\"инфо\" TEXT, \"время\" INTEGER"));
    s.trigger("infossi");
    QVERIFY(s.panel().isVisible());
    QVERIFY(!s.panel().Opti0->isEnabled());
    QVERIFY(!s.panel().Opti1->isEnabled());
    QVERIFY(s.panel().vremya->isEnabled());
    QVERIFY(s.panel().info->isEnabled());
    QCOMPARE(s.panel().vremya->text(), QStringLiteral("30"));
    s.panel().info->setPlainText(QStringLiteral("Старая база"));
    s.panel().vremya->setText(QStringLiteral("40"));
    s.click("Command6");
    const auto rows = s.rowsAfterClosing(QStringLiteral("info"));
    QCOMPARE(rows[0].size(), 3);
    QCOMPARE(rows[0][1].toString(), QStringLiteral("Старая база"));
    QCOMPARE(rows[0][2].toInt(), 40);
}

void TestSettingsPanel::clicksOnPicturesStoreNothing() {
    EditorSession s(1);
    editor::SettingsPanel& p = s.panel();
    for (QWidget* target :
         QList<QWidget*>{p.Image1, p.Image2, p.Image3, p.Picture1, p.Picture2, &p}) {
        s.trigger("infossi");
        QVERIFY(p.isVisible());
        p.info->setPlainText(QStringLiteral("не сохранять"));
        p.vremya->setText(QStringLiteral("77"));
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY2(!p.isVisible(), qPrintable(target->objectName()));
    }
    const auto rows = s.rowsAfterClosing(QStringLiteral("info"));
    QCOMPARE(rows.size(), 1);
    QVERIFY(rows[0][1].isNull() && rows[0][2].isNull());
}

void TestSettingsPanel::optionCaptionsSelectAndCloseNothing() {
    EditorSession s;
    openWithInfo(s, QStringLiteral("INSERT INTO info (\"ВремяНа\") VALUES ('тест')"));
    s.trigger("infossi");
    s.panel().info->setPlainText(QStringLiteral("набрано"));
    QTest::mouseClick(s.panel().Label4, Qt::LeftButton);
    QVERIFY(s.panel().isVisible());
    QVERIFY(s.panel().Opti1->isChecked());
    QTest::mouseClick(s.panel().Label3, Qt::LeftButton);
    QVERIFY(s.panel().Opti0->isChecked());
    QTest::mouseClick(s.panel().Label4, Qt::LeftButton);
    QCOMPARE(s.panel().info->toPlainText(), QStringLiteral("набрано"));
    s.click("Command6");
    const auto rows = s.rowsAfterClosing(QStringLiteral("info"));
    QCOMPARE(rows[0][1].toString(), QStringLiteral("набрано"));
    QCOMPARE(rows[0][3].toString(), QStringLiteral("вопрос"));
}

void TestSettingsPanel::limits() {
    EditorSession s;
    QCOMPARE(s.panel().info->maxLength(), 147);
    QCOMPARE(s.panel().vremya->typingLimit(), 3);
    QCOMPARE(s.panel().geometry(), QRect(0, 0, 681, 473));

    // A stored time longer than the box takes is shown whole and kept; the limit binds typing.
    openWithInfo(s, QStringLiteral("INSERT INTO info (\"инфо\", \"время\") VALUES "
                                   "('Итоговая\u00A0работа', 1800)"));
    s.trigger("infossi");
    QLineEdit* time = s.panel().vremya;
    QCOMPARE(time->text(), QStringLiteral("1800"));
    time->end(false);
    s.type(time, QStringLiteral("5"));
    time->selectAll();
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("12345"));
    QCoreApplication::sendEvent(time, &commit);
    QAccessible::queryAccessibleInterface(time)->setText(QAccessible::Value,
                                                         QStringLiteral("12345"));
    QCOMPARE(time->text(), QStringLiteral("1800"));
    s.panel().info->moveCursor(QTextCursor::End);
    s.type(s.panel().info, QStringLiteral("!"));
    s.click("Command6");

    s.trigger("infossi");
    QCOMPARE(time->text(), QStringLiteral("1800"));
    time->selectAll();
    QTest::keyClicks(time, QStringLiteral("12345"));
    QCOMPARE(time->text(), QStringLiteral("123"));
    QAccessible::queryAccessibleInterface(time)->setText(QAccessible::Value, QStringLiteral("600"));
    QCOMPARE(time->text(), QStringLiteral("600"));
    QTest::mouseClick(s.panel().Picture1, Qt::LeftButton);  // leaves without storing
    const auto rows = s.rowsAfterClosing(QStringLiteral("info"));
    QCOMPARE(rows[0][1].toString(), QStringLiteral("Итоговая\u00A0работа!"));
    QCOMPARE(rows[0][2].toInt(), 1800);
}

void TestSettingsPanel::keyboardStaysOnThePanel() {
    using testsupport::pressKey;
    EditorSession s(2);
    editor::SettingsPanel& p = s.panel();
    testsupport::activate(*s.window);
    s.probe.Text1()->setFocus();
    s.trigger("infossi");
    QCOMPARE(QApplication::focusWidget(), p.info);

    // Typing and Tab stay on the panel; the question's controls under it take neither.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("abc"));
    QCOMPARE(p.info->toPlainText(), QStringLiteral("abc"));
    const QList<QWidget*> chain = {p.vremya, p.Opti0, p.Command6, p.info};
    for (QWidget* expected : chain + chain) {
        pressKey(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected);
    }
    // Keys of the covered buttons do nothing while the panel shows.
    for (int key : {int(Qt::Key_PageDown), int(Qt::Key_PageUp)})
        pressKey(key);
    pressKey(Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 1 из 2"));

    // Escape, from any of its controls, closes it as a click on a picture does.
    pressKey(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), p.vremya);
    QTest::keyClicks(p.vremya, QStringLiteral("77"));
    pressKey(Qt::Key_Escape);
    QVERIFY(!p.isVisible());
    QCOMPARE(QApplication::focusWidget(), s.probe.Text1());
    for (QWidget* control : s.window->centralWidget()->findChildren<QWidget*>()) {
        if (control != &p && control->parentWidget() == s.window->centralWidget())
            QVERIFY2(control->isVisible(), qPrintable(control->objectName()));
    }
    QCOMPARE(s.question(), QStringLiteral("Вопрос 1"));
    s.click("Command7");  // what the question's "Сохранить" stores is the question as it was

    // Ctrl+S on the panel is its own "Сохранить".
    s.trigger("infossi");
    QCOMPARE(p.info->toPlainText(), QString());
    QTest::keyClicks(p.info, QStringLiteral("xyz"));
    pressKey(Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!p.isVisible());
    QCOMPARE(s.stored(QStringLiteral("вопрос")).toString(), QStringLiteral("Вопрос 1"));
    const auto info = s.rowsAfterClosing(QStringLiteral("info"));
    QCOMPARE(info.size(), 1);
    QCOMPARE(info[0][1].toString(), QStringLiteral("xyz"));
    QCOMPARE(info[0][2].toInt(), 0);  // the 77 left with Escape
}

QTEST_MAIN(TestSettingsPanel)
#include "tst_settingspanel.moc"
