// The test settings panel over the main window.

#include "desktop/scripted/scripteddialogs.h"
#include "editor/ui/editorwindow.h"
#include "editor/ui/limitedlineedit.h"
#include "editor/ui/limitedtextedit.h"
#include "editor/ui/settingspanel.h"
#include "tests/support/editorbases.h"
#include "tests/support/tempbase.h"

#include <QAccessible>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

using editor::Editor;

namespace {

struct Session {
    testsupport::TempFolder folder;
    desktop::ScriptedDialogs dialogs;
    desktop::ScriptedServices services;
    std::unique_ptr<Editor> window;
    QString path;

    Session() {
        services.folder = folder.folder();
        window = std::make_unique<Editor>(dialogs, services);
        window->show();
    }
    void open(const QString& base) {
        path = base;
        dialogs.expectOpenFile(base);
        window->optest();
    }
    editor::SettingsPanel& panel() { return *window->infosik; }
    QList<QVariantList> infoAfterClosing() {
        window->close();
        return testsupport::readRows(path, QStringLiteral("info"));
    }
};

QStringList baseWithInfo(const QString& infoColumns, const QString& infoRow = {}) {
    QStringList statements = {
        QStringLiteral("CREATE TABLE test (\"номер\" INTEGER PRIMARY KEY AUTOINCREMENT, \"вопрос\" "
                       "TEXT, \"ответ1\" TEXT, \"ответ2\" TEXT, \"верный\" INTEGER)"),
        QStringLiteral("INSERT INTO test (\"вопрос\", \"верный\") VALUES ('Что?', 1)"),
        QStringLiteral("CREATE TABLE info (\"код\" INTEGER PRIMARY KEY AUTOINCREMENT, %1)")
            .arg(infoColumns)};
    if (!infoRow.isEmpty())
        statements << infoRow;
    return statements;
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
};

void TestSettingsPanel::nothingWithoutBaseOrInfoTable() {
    Session s;
    s.panel().info->setPlainText(QStringLiteral("старое"));
    s.window->infossi();
    QVERIFY(!s.panel().isVisible());
    QCOMPARE(s.panel().info->toPlainText(), QString());

    const QString path = s.folder.path(QStringLiteral("noinfo.mdb"));
    QStringList statements = baseWithInfo(QStringLiteral("\"инфо\" TEXT"));
    statements.removeLast();
    testsupport::makePlainBase(path, statements);
    s.open(path);
    QVERIFY(s.window->baza.isOpen());
    s.panel().vremya->setText(QStringLiteral("12"));
    s.window->infossi();
    QVERIFY(!s.panel().isVisible());
    QCOMPARE(s.panel().vremya->text(), QString());
    QVERIFY(s.dialogs.messages().isEmpty());
}

void TestSettingsPanel::emptyInfoGetsARowAtOnce() {
    Session s;
    s.open(testsupport::makeBase(s.folder, QStringLiteral("a.mdb"), 1));
    s.window->infossi();
    QVERIFY(s.panel().isVisible());
    QVERIFY(s.panel().Opti0->isChecked());
    QCOMPARE(s.panel().vremya->text(), QString());
    QTest::mouseClick(s.panel().Picture1, Qt::LeftButton);
    QVERIFY(!s.panel().isVisible());
    const auto rows = s.infoAfterClosing();
    QCOMPARE(rows.size(), 1);
    QVERIFY(rows[0][1].isNull() && rows[0][2].isNull() && rows[0][3].isNull());
}

void TestSettingsPanel::showsAndStoresSettings() {
    Session s;
    const QString path = s.folder.path(QStringLiteral("s.mdb"));
    testsupport::makePlainBase(
        path, baseWithInfo(QStringLiteral("\"инфо\" TEXT, \"время\" INTEGER, \"ВремяНа\" TEXT"),
                           QStringLiteral("INSERT INTO info (\"инфо\", \"время\", \"ВремяНа\") "
                                          "VALUES ('Контрольная\r\nпо истории', 90, 'вопрос')")));
    s.open(path);
    s.window->infossi();
    QCOMPARE(s.panel().info->toPlainText(), QStringLiteral("Контрольная\nпо истории"));
    QCOMPARE(s.panel().vremya->text(), QStringLiteral("90"));
    QVERIFY(s.panel().Opti1->isChecked());
    QVERIFY(!s.panel().Opti0->isChecked());

    s.panel().info->setPlainText(QStringLiteral("Итоговый\nтест"));
    s.panel().vremya->setText(QStringLiteral("600"));
    QTest::mouseClick(s.panel().Opti0, Qt::LeftButton);
    QVERIFY(!s.panel().Opti1->isChecked());
    QTest::mouseClick(s.panel().Command6, Qt::LeftButton);
    QVERIFY(!s.panel().isVisible());
    const auto rows = s.infoAfterClosing();
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
    Session s;
    const QString path = s.folder.path(QStringLiteral("t.mdb"));
    testsupport::makePlainBase(
        path, baseWithInfo(QStringLiteral("\"инфо\" TEXT, \"время\" INTEGER, \"ВремяНа\" TEXT"),
                           QStringLiteral("INSERT INTO info (\"время\", \"ВремяНа\") VALUES (45, "
                                          "'что-то')")));
    s.open(path);
    s.window->infossi();
    QVERIFY(s.panel().Opti0->isChecked());  // anything but "вопрос" is the whole test
    s.panel().vremya->setText(typed);
    s.window->Command6_Click();
    const auto rows = s.infoAfterClosing();
    QCOMPARE(rows[0][2].toInt(), stored.toInt());
    QCOMPARE(rows[0][1].toString(), QString());
    QVERIFY(!rows[0][1].isNull());  // an empty box stores empty text
}

void TestSettingsPanel::infoWithoutTargetColumn() {
    Session s;
    const QString path = s.folder.path(QStringLiteral("old.mdb"));
    testsupport::makePlainBase(path,
                               baseWithInfo(QStringLiteral("\"инфо\" TEXT, \"время\" INTEGER"),
                                            QStringLiteral("INSERT INTO info (\"время\") "
                                                           "VALUES (30)")));
    s.open(path);
    s.window->infossi();
    QVERIFY(s.panel().isVisible());
    QVERIFY(!s.panel().Opti0->isEnabled());
    QVERIFY(!s.panel().Opti1->isEnabled());
    QVERIFY(s.panel().vremya->isEnabled());
    QVERIFY(s.panel().info->isEnabled());
    QCOMPARE(s.panel().vremya->text(), QStringLiteral("30"));
    s.panel().info->setPlainText(QStringLiteral("Старая база"));
    s.panel().vremya->setText(QStringLiteral("40"));
    s.window->Command6_Click();
    const auto rows = s.infoAfterClosing();
    QCOMPARE(rows[0].size(), 3);
    QCOMPARE(rows[0][1].toString(), QStringLiteral("Старая база"));
    QCOMPARE(rows[0][2].toInt(), 40);
}

void TestSettingsPanel::clicksOnPicturesStoreNothing() {
    Session s;
    s.open(testsupport::makeBase(s.folder, QStringLiteral("c.mdb"), 1));
    editor::SettingsPanel& p = s.panel();
    for (QWidget* target :
         QList<QWidget*>{p.Image1, p.Image2, p.Image3, p.Picture1, p.Picture2, &p}) {
        s.window->infossi();
        QVERIFY(p.isVisible());
        p.info->setPlainText(QStringLiteral("не сохранять"));
        p.vremya->setText(QStringLiteral("77"));
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY2(!p.isVisible(), qPrintable(target->objectName()));
    }
    const auto rows = s.infoAfterClosing();
    QCOMPARE(rows.size(), 1);
    QVERIFY(rows[0][1].isNull() && rows[0][2].isNull());
}

void TestSettingsPanel::optionCaptionsSelectAndCloseNothing() {
    Session s;
    const QString path = s.folder.path(QStringLiteral("o.mdb"));
    testsupport::makePlainBase(
        path, baseWithInfo(QStringLiteral("\"инфо\" TEXT, \"время\" INTEGER, \"ВремяНа\" TEXT"),
                           QStringLiteral("INSERT INTO info (\"ВремяНа\") VALUES ('тест')")));
    s.open(path);
    s.window->infossi();
    s.panel().info->setPlainText(QStringLiteral("набрано"));
    QTest::mouseClick(s.panel().Label4, Qt::LeftButton);
    QVERIFY(s.panel().isVisible());
    QVERIFY(s.panel().Opti1->isChecked());
    QTest::mouseClick(s.panel().Label3, Qt::LeftButton);
    QVERIFY(s.panel().Opti0->isChecked());
    QTest::mouseClick(s.panel().Label4, Qt::LeftButton);
    QCOMPARE(s.panel().info->toPlainText(), QStringLiteral("набрано"));
    QTest::mouseClick(s.panel().Command6, Qt::LeftButton);
    const auto rows = s.infoAfterClosing();
    QCOMPARE(rows[0][1].toString(), QStringLiteral("набрано"));
    QCOMPARE(rows[0][3].toString(), QStringLiteral("вопрос"));
}

void TestSettingsPanel::limits() {
    Session s;
    QCOMPARE(s.panel().info->maxLength(), 147);
    QCOMPARE(s.panel().vremya->typingLimit(), 3);
    QCOMPARE(s.panel().geometry(), QRect(0, 0, 681, 473));

    // A stored time longer than the box takes is shown whole and kept; the limit binds typing.
    const QString path = s.folder.path(QStringLiteral("l.mdb"));
    testsupport::makePlainBase(
        path, baseWithInfo(QStringLiteral("\"инфо\" TEXT, \"время\" INTEGER, \"ВремяНа\" TEXT"),
                           QStringLiteral("INSERT INTO info (\"инфо\", \"время\") VALUES "
                                          "('Итоговая\u00A0работа', 1800)")));
    s.open(path);
    s.window->infossi();
    QLineEdit* time = s.panel().vremya;
    QCOMPARE(time->text(), QStringLiteral("1800"));
    time->setFocus();
    time->end(false);
    QTest::keyClicks(time, QStringLiteral("5"));
    time->selectAll();
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("12345"));
    QCoreApplication::sendEvent(time, &commit);
    QAccessible::queryAccessibleInterface(time)->setText(QAccessible::Value,
                                                         QStringLiteral("12345"));
    QCOMPARE(time->text(), QStringLiteral("1800"));
    s.panel().info->setFocus();
    s.panel().info->moveCursor(QTextCursor::End);
    QTest::keyClicks(s.panel().info, QStringLiteral("!"));
    QTest::mouseClick(s.panel().Command6, Qt::LeftButton);

    s.window->infossi();
    QCOMPARE(time->text(), QStringLiteral("1800"));
    time->selectAll();
    QTest::keyClicks(time, QStringLiteral("12345"));
    QCOMPARE(time->text(), QStringLiteral("123"));
    QAccessible::queryAccessibleInterface(time)->setText(QAccessible::Value, QStringLiteral("600"));
    QCOMPARE(time->text(), QStringLiteral("600"));
    s.window->hideSettings();
    const auto rows = s.infoAfterClosing();
    QCOMPARE(rows[0][1].toString(), QStringLiteral("Итоговая\u00A0работа!"));
    QCOMPARE(rows[0][2].toInt(), 1800);
}

QTEST_MAIN(TestSettingsPanel)
#include "tst_settingspanel.moc"
