// Setting, changing and removing a base's password from the main window, each checked by
// reopening the base through the window's own prompt flow.

#include "editor/ui/limitedtextedit.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "tests/support/editorbases.h"
#include "tests/support/editorsession.h"
#include "tests/support/fulldisk.h"

#include <QDebug>
#include <QFile>
#include <QLabel>
#include <QTest>

namespace {

const QString kAsk = QStringLiteral("Введите пароль");
const QString kAskNew = QStringLiteral("Введите новый пароль");
const QString kRepeat = QStringLiteral("Повторите новый пароль");
const QString kMismatch = QStringLiteral("Пароли не совпадают. Пароль не изменен.");
const QString kRefused = QStringLiteral(
    "Ошибка\r\nСкорее всего ваш пароль содержит недопустимые символы\r\nНапример, такие как !;$");
const QString kUnwritable = QStringLiteral(
    "Не удалось записать базу с новым паролем: на диске не хватает места или файл недоступен.\r\n"
    "Пароль базы остался прежним");

// A window, and a base of two questions it has not opened yet.
struct Session : testsupport::EditorSession {
    explicit Session(std::source_location made = std::source_location::current())
        : EditorSession(made) {
        path = testsupport::makeBase(folder, QStringLiteral("p.mdb"), 2);
    }
    // Opens through the window, answering the prompts in order; true when the base opened.
    bool reopen(const QStringList& answers) {
        window->show();  // a closed window is opened again by the user first
        dialogs.expectOpenFile(path);
        for (const QString& answer : answers)
            dialogs.expectPassword(answer, kAsk);
        trigger(QStringLiteral("optest"));
        return probe.baza().isOpen() && dialogs.pending() == 0;
    }
    // Whether the file opens with this password (the window must not hold it).
    bool opensWith(const QString& password) {
        try {
            qb::Connection connection;
            connection.open(qb::connectionStringFor(path, password));
            return true;
        } catch (const qb::Error& error) {
            qDebug() << "does not open:" << error.text();
            return false;
        }
    }
};

}  // namespace

class TestPassword : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::fulldisk::install(); }
    void setChangeRemoveThroughReopening();
    void refusedPasswords_data();
    void refusedPasswords();
    void repeatThatDiffersChangesNothing_data();
    void repeatThatDiffersChangesNothing();
    void setOnProtectedBaseDoesNothing();
    void cancelledPromptsKeepThePassword();
    void itemsWithoutABase();
    void protectedFileHoldsNoPlainText();
};

void TestPassword::setChangeRemoveThroughReopening() {
    Session s;
    QVERIFY(s.reopen({}));
    s.dialogs.expectPassword(QStringLiteral("первый"), kAsk)
        .expectPassword(QStringLiteral("первый"), kRepeat);
    s.trigger("zadpar");
    QCOMPARE(s.probe.parol(), QStringLiteral("первый"));
    QVERIFY(s.probe.baza().isOpen());  // the hold stays through the re-key

    QVERIFY(s.reopen({QStringLiteral("первый")}));
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 1 из 2"));
    s.dialogs.expectPassword(QStringLiteral("второй"), kAskNew)
        .expectPassword(QStringLiteral("второй"), kRepeat);
    s.trigger("chpas");
    QCOMPARE(s.probe.parol(), QStringLiteral("второй"));
    QCOMPARE(s.probe.stariy(), QStringLiteral("первый"));

    s.window->close();
    QVERIFY(!s.opensWith(QStringLiteral("первый")));
    QVERIFY(s.opensWith(QStringLiteral("второй")));
    QVERIFY(s.reopen({QStringLiteral("первый"), QStringLiteral("второй")}));
    s.trigger("delpas");
    QCOMPARE(s.probe.parol(), QStringLiteral("_="));
    QVERIFY(s.reopen({}));
    VERIFY_ALL_SHOWN(s.dialogs);
    QVERIFY(s.dialogs.messages().isEmpty());

    // On a base without a password, changing behaves like setting.
    s.dialogs.expectPassword(QStringLiteral("третий"), kAskNew)
        .expectPassword(QStringLiteral("третий"), kRepeat);
    s.trigger("chpas");
    QVERIFY(s.reopen({QStringLiteral("третий")}));
}

void TestPassword::refusedPasswords_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("protectedBefore");
    QTest::addColumn<bool>("useChange");
    QTest::addColumn<bool>("diskFull");  // from the change's first write on
    QTest::newRow("set, blank") << "два слова" << false << false << false;
    QTest::newRow("set, semicolon") << "a;b" << false << false << false;
    QTest::newRow("set, over 20") << QString(21, u'x') << false << false << false;
    QTest::newRow("change, blank") << "два слова" << true << true << false;
    QTest::newRow("change, semicolon") << "a;b" << true << true << false;
    QTest::newRow("change, over 20") << QString(21, u'x') << true << true << false;
    QTest::newRow("change unprotected, semicolon") << "a;b" << false << true << false;
    QTest::newRow("set, full disk") << "годный" << false << false << true;
    QTest::newRow("change, full disk") << "годный" << true << true << true;
}

void TestPassword::refusedPasswords() {
    QFETCH(QString, typed);
    QFETCH(bool, protectedBefore);
    QFETCH(bool, useChange);
    QFETCH(bool, diskFull);
    Session s;
    const QString old = protectedBefore ? QStringLiteral("старый") : QStringLiteral("_=");
    if (protectedBefore)
        testsupport::protectBase(s.path, old);
    QVERIFY(s.reopen(protectedBefore ? QStringList{old} : QStringList{}));
    s.dialogs.expectPassword(typed, useChange ? kAskNew : kAsk);
    // Only a password the base can hold is asked for again.
    if (diskFull)
        s.dialogs.expectPassword(typed, kRepeat);
    s.dialogs.expectMessage(diskFull ? kUnwritable : kRefused);
    testsupport::fulldisk::fillFrom(diskFull ? 1 : 0);
    s.trigger(useChange ? "chpas" : "zadpar");
    testsupport::fulldisk::fillFrom(0);
    VERIFY_ALL_SHOWN(s.dialogs);
    QCOMPARE(s.probe.parol(), old);
    QVERIFY(s.probe.baza().isOpen());
    s.window->close();
    QVERIFY(s.opensWith(old));
    if (!protectedBefore)
        QVERIFY(s.opensWith(QStringLiteral("_=")));
}

void TestPassword::repeatThatDiffersChangesNothing_data() {
    QTest::addColumn<bool>("protectedBefore");
    QTest::addColumn<bool>("useChange");
    QTest::addColumn<QString>("repeat");  // empty: the box is cancelled
    QTest::newRow("set, other layout") << false << false << "ddfrf";
    QTest::newRow("set, repeat cancelled") << false << false << "";
    QTest::newRow("change unprotected, slip") << false << true << "вакса";
    QTest::newRow("change, slip") << true << true << "вакса";
    QTest::newRow("change, repeat cancelled") << true << true << "";
}

void TestPassword::repeatThatDiffersChangesNothing() {
    QFETCH(bool, protectedBefore);
    QFETCH(bool, useChange);
    QFETCH(QString, repeat);
    Session s;
    const QString old = protectedBefore ? QStringLiteral("старый") : QStringLiteral("_=");
    if (protectedBefore)
        testsupport::protectBase(s.path, old);
    QVERIFY(s.reopen(protectedBefore ? QStringList{old} : QStringList{}));
    s.dialogs.expectPassword(QStringLiteral("вакса1"), useChange ? kAskNew : kAsk)
        .expectPassword(repeat, kRepeat)
        .expectMessage(kMismatch);
    s.trigger(useChange ? "chpas" : "zadpar");
    VERIFY_ALL_SHOWN(s.dialogs);
    QCOMPARE(s.probe.parol(), old);
    QVERIFY(s.probe.baza().isOpen());
    s.window->close();
    QVERIFY(s.opensWith(old));
    if (protectedBefore)
        QVERIFY(!s.opensWith(QStringLiteral("вакса1")));

    // Typed the same twice, the change goes through.
    QVERIFY(s.reopen(protectedBefore ? QStringList{old} : QStringList{}));
    s.dialogs.expectPassword(QStringLiteral("вакса1"), useChange ? kAskNew : kAsk)
        .expectPassword(QStringLiteral("вакса1"), kRepeat);
    s.trigger(useChange ? "chpas" : "zadpar");
    VERIFY_ALL_SHOWN(s.dialogs);
    QCOMPARE(s.probe.parol(), QStringLiteral("вакса1"));
    s.window->close();
    QVERIFY(s.opensWith(QStringLiteral("вакса1")));
    QVERIFY(!s.opensWith(old));
}

void TestPassword::setOnProtectedBaseDoesNothing() {
    Session s;
    testsupport::protectBase(s.path, QStringLiteral("есть"));
    QVERIFY(s.reopen({QStringLiteral("есть")}));
    s.trigger("zadpar");
    QVERIFY(s.dialogs.shown().size() == 2);  // the open dialog and the one prompt
    QCOMPARE(s.probe.parol(), QStringLiteral("есть"));
}

void TestPassword::cancelledPromptsKeepThePassword() {
    Session s;
    QVERIFY(s.reopen({}));
    s.dialogs.expectPassword(QString(), kAsk).expectPassword(QString(), kAskNew);
    s.trigger("zadpar");
    QCOMPARE(s.probe.parol(), QStringLiteral("_="));
    s.trigger("chpas");
    QCOMPARE(s.probe.parol(), QStringLiteral("_="));

    s.window->close();
    QVERIFY(s.opensWith(QStringLiteral("_=")));
    testsupport::protectBase(s.path, QStringLiteral("ключ"));
    QVERIFY(s.reopen({QStringLiteral("ключ")}));
    s.dialogs.expectPassword(QString(), kAskNew);
    s.trigger("chpas");
    VERIFY_ALL_SHOWN(s.dialogs);
    QVERIFY(s.dialogs.messages().isEmpty());
    QCOMPARE(s.probe.parol(), QStringLiteral("ключ"));
    s.window->close();
    QVERIFY(s.opensWith(QStringLiteral("ключ")));
    QVERIFY(!s.opensWith(QStringLiteral("_=")));
}

void TestPassword::itemsWithoutABase() {
    Session s;
    s.dialogs.expectMessage(
        QStringLiteral("Для того, чтобы задать пароль, вы должны открыть базу для редактирования"));
    s.trigger("zadpar");
    s.trigger("chpas");
    s.trigger("delpas");
    VERIFY_ALL_SHOWN(s.dialogs);
    QCOMPARE(s.dialogs.shown().size(), 1);
    QCOMPARE(s.probe.parol(), QStringLiteral("_="));
}

void TestPassword::protectedFileHoldsNoPlainText() {
    Session s;
    QVERIFY(s.reopen({}));
    s.probe.Text1()->setPlainText(QStringLiteral("Секретный вопрос о Пушкине"));
    s.click("Command7");
    s.dialogs.expectPassword(QStringLiteral("тайна"), kAsk)
        .expectPassword(QStringLiteral("тайна"), kRepeat);
    s.trigger("zadpar");
    s.window->close();
    QFile file(s.path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.size() >= 1024);
    for (const char* text : {"Секретный вопрос", "Ответ 2.1", "Вопрос 2", "CREATE TABLE"})
        QVERIFY2(!bytes.contains(QByteArray(text)), text);
    QVERIFY(!bytes.contains(QStringLiteral("Пушкин").toUtf8()));
    QVERIFY(!bytes.contains(QByteArray(reinterpret_cast<const char*>(u"Пушкин"), 12)));
}

QTEST_MAIN(TestPassword)
#include "tst_password.moc"
