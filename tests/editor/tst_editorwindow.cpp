// The main window: its controls, opening a base (passwords, odd schemas, foreign files),
// closing, and the exclusive hold on the open base.

#include "desktop/application.h"
#include "editor/ui/limitedtextedit.h"
#include "editor/ui/settingspanel.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/sqlitestore.h"
#include "tests/support/editorbases.h"
#include "tests/support/editorsession.h"
#include "tests/support/useractions.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::EditorSession;

namespace {

const QString kPasswordPrompt = QStringLiteral("Введите пароль");

bool fieldsEnabled(const testsupport::EditorProbe& w) {
    bool all = w.Text1()->isEnabled() && w.Text2()->isEnabled() && w.ulik()->isEnabled();
    for (auto* box : w.Text())
        all = all && box->isEnabled();
    return all;
}

bool fieldsDisabledAndEmpty(const testsupport::EditorProbe& w) {
    bool none = !w.Text1()->isEnabled() && w.Text1()->toPlainText().isEmpty() &&
                !w.Text2()->isEnabled() && w.Text2()->text().isEmpty() && !w.ulik()->isEnabled() &&
                w.ulik()->text().isEmpty();
    for (auto* box : w.Text())
        none = none && !box->isEnabled() && box->toPlainText().isEmpty();
    return none && w.nomerok()->text().isEmpty();
}

// Opens the base in a child process, as another program would. 0: opened, 1: refused.
int openInOtherProcess(const QString& path) {
    const pid_t child = fork();
    if (child == 0) {
        int result = 0;
        try {
            qb::Connection other;
            other.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        } catch (const qb::Error&) {
            result = 1;
        }
        _exit(result);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

class TestEditorWindow : public QObject {
    Q_OBJECT
private slots:
    void controlsAndMenus();
    void opensBaseWithoutPasswordAtOnce();
    void passwordPrompts_data();
    void passwordPrompts();
    void baseGivenByTheDesktop_data();
    void baseGivenByTheDesktop();
    void dialogsStartBesideTheLastFileChosen();
    void emptyBaseGetsItsFirstRowStored();
    void cancelledOpenClosesTheOpenBase();
    void schemas_data();
    void schemas();
    void fileThatIsNotABaseOpensNothing();
    void anotherProcessCannotOpenTheHeldBase();
    void closingDropsUnsavedEdits();
    void keysPressTheirButtons_data();
    void keysPressTheirButtons();
    void menuBarByKeyboard();
};

void TestEditorWindow::controlsAndMenus() {
    EditorSession s;
    const testsupport::EditorProbe& w = s.probe;
    QCOMPARE(s.window->windowTitle(), QStringLiteral("Tambris"));
    QCOMPARE(s.window->centralWidget()->size(), QSize(672, 475));

    const QStringList names = {"Text1",    "Text(0)",  "Text(1)",  "Text(2)",  "Text(3)",
                               "Text(4)",  "Text2",    "Label1",   "Label2",   "ulik",
                               "Command1", "Command2", "Command4", "Command5", "Command3",
                               "Command7", "nomerok",  "infosik",  "info",     "vremya",
                               "Opti0",    "Opti1",    "Command6", "Image1",   "Image2",
                               "Image3",   "Picture1", "Picture2", "Label3",   "Label4"};
    for (const QString& name : names) {
        const auto found = s.window->findChildren<QWidget*>(name);
        QVERIFY2(found.size() == 1, qPrintable(name));  // a name identifies one control
        // A screen reader names each control; the position caption is heard as what it shows.
        if (name != QLatin1String("nomerok"))
            QVERIFY2(!found.first()->accessibleName().isEmpty(), qPrintable(name));
    }
    QCOMPARE(s.window->findChild<QWidget*>(QStringLiteral("Text(2)")), w.Text(2));
    QCOMPARE(s.window->findChild<QWidget*>(QStringLiteral("Text2")), w.Text2());
    QCOMPARE(s.window->findChild<QWidget*>(QStringLiteral("Text1")), w.Text1());

    QCOMPARE(w.Text1()->toPlainText(), QStringLiteral("ВОПРОС"));
    QCOMPARE(w.Text(3)->toPlainText(), QStringLiteral("ЧЕТВЕРТЫЙ ВАРИАНТ ОТВЕТА"));
    QCOMPARE(w.Text1()->maxLength(), 222);
    for (auto* box : w.Text())
        QCOMPARE(box->maxLength(), 120);
    QCOMPARE(w.nomerok()->text(), QStringLiteral("Вопрос №"));
    QCOMPARE(w.Command4()->text(), QStringLiteral("Удалить вопрос"));
    QCOMPARE(w.Command7()->geometry(), desktop::twipsRect(7680, 6420, 2175, 495));
    QCOMPARE(w.Text2()->geometry(), desktop::twipsRect(3120, 5160, 855, 375));
    QVERIFY(!w.infosik()->isVisible());
    QCOMPARE(w.parol(), QStringLiteral("_="));
    QCOMPARE(w.tekuschiy(), 0);

    const QList<std::pair<const char*, const char*>> items = {
        {"crtest", "Создать новый тест"}, {"optest", "Открыть для редактирования"},
        {"zadpar", "задать пароль"},      {"chpas", "изменить пароль"},
        {"delpas", "удалить пароль"},     {"infossi", "настрой-ка параметры"}};
    for (const auto& [name, caption] : items) {
        auto* action = s.window->findChild<QAction*>(QString::fromLatin1(name));
        QVERIFY2(action != nullptr, name);
        QCOMPARE(action->text(), QString::fromUtf8(caption));
    }
    auto* paro = s.window->findChild<QMenu*>(QStringLiteral("paro"));
    QVERIFY(paro != nullptr);
    QCOMPARE(paro->title(), QStringLiteral("пароль"));
    QCOMPARE(paro->actions().size(), 3);
}

void TestEditorWindow::opensBaseWithoutPasswordAtOnce() {
    EditorSession s(3);
    VERIFY_ALL_SHOWN(s.dialogs);
    QCOMPARE(s.dialogs.shown().size(), 1);  // the open dialog, and no box
    const auto& options = s.dialogs.shown().first().options;
    QCOMPARE(options.title, QStringLiteral("Открываем базу вопросов для редактирования"));
    QCOMPARE(options.initialFolder, s.folder.folder());
    QCOMPARE(options.filter, QStringLiteral("*.mdb ( базы данных Access )|*.mdb|"));
    QVERIFY(options.fileMustExist);

    const testsupport::EditorProbe& w = s.probe;
    QCOMPARE(w.adresok(), s.path);
    QVERIFY(w.baza().isOpen());
    QCOMPARE(w.tekuschiy(), 1);
    QCOMPARE(w.nomerok()->text(), QStringLiteral("Вопрос № 1 из 3"));
    // A screen reader hears every label as what it shows, the changing position included.
    for (QLabel* label : s.window->findChildren<QLabel*>()) {
        if (label->text().isEmpty())
            continue;  // a drawing, named for what it depicts
        QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(label);
        QVERIFY(heard != nullptr);
        QCOMPARE(heard->text(QAccessible::Name).simplified(), label->text().simplified());
    }
    QCOMPARE(w.Text1()->toPlainText(), QStringLiteral("Вопрос 1"));
    QCOMPARE(w.Text(0)->toPlainText(), QStringLiteral("Ответ 1.1"));
    QCOMPARE(w.Text(1)->toPlainText(), QStringLiteral("Ответ 1.2"));
    QCOMPARE(w.Text(2)->toPlainText(), QString());
    QCOMPARE(w.Text2()->text(), QStringLiteral("2"));
    QCOMPARE(w.polya().first(), QStringLiteral("номер"));
    QCOMPARE(w.polya().size(), 9);
    QVERIFY(w.nastroyki().isOpen());
    QVERIFY(fieldsEnabled(s.probe));
}

// A base double-clicked in the file manager opens as one chosen in the open dialog.
void TestEditorWindow::baseGivenByTheDesktop_data() {
    QTest::addColumn<QString>("password");  // of the base; empty for none
    QTest::addColumn<bool>("exists");
    QTest::newRow("plain base") << QString() << true;
    QTest::newRow("protected base: its prompt first") << QStringLiteral("секрет") << true;
    QTest::newRow("missing file: nothing, not a word") << QString() << false;
}

void TestEditorWindow::baseGivenByTheDesktop() {
    QFETCH(QString, password);
    QFETCH(bool, exists);
    EditorSession s;
    const QString path = s.folder.path(QStringLiteral("дано.mdb"));
    if (exists)
        testsupport::makeBase(s.folder, QStringLiteral("дано.mdb"), 2);
    if (!password.isEmpty()) {
        testsupport::protectBase(path, password);
        s.dialogs.expectPassword(QStringLiteral("неверно"), kPasswordPrompt)
            .expectPassword(password, kPasswordPrompt);
    }
    const QString before = s.caption();
    const bool enabledBefore = fieldsEnabled(s.probe);
    s.window->openBase(path);
    VERIFY_ALL_SHOWN(s.dialogs);
    QCOMPARE(s.probe.baza().isOpen(), exists);
    QCOMPARE(s.probe.adresok(), exists ? path : QString());
    QCOMPARE(s.caption(), exists ? QStringLiteral("Вопрос № 1 из 2") : before);
    QCOMPARE(fieldsEnabled(s.probe), exists || enabledBefore);
    if (!exists)
        return;
    QCOMPARE(s.question(), QStringLiteral("Вопрос 1"));
    // Held as after the dialog: no other program gets in while the window has it.
    QCOMPARE(openInOtherProcess(path), 1);
}

void TestEditorWindow::dialogsStartBesideTheLastFileChosen() {
    EditorSession s;
    QVERIFY(QDir(s.folder.folder()).mkpath(QStringLiteral("тесты")));
    const QString base = testsupport::makeBase(s.folder, QStringLiteral("тесты/a.mdb"), 1);
    s.open(base);
    s.dialogs.expectSaveFile(std::nullopt);
    s.trigger("crtest");
    VERIFY_ALL_SHOWN(s.dialogs);
    const auto& shown = s.dialogs.shown();
    QCOMPARE(shown.first().options.initialFolder, s.folder.folder());  // the program's folder
    QCOMPARE(shown.last().options.initialFolder, s.folder.path(QStringLiteral("тесты")));
}

void TestEditorWindow::passwordPrompts_data() {
    QTest::addColumn<int>("wrongAnswers");
    QTest::newRow("right at the first prompt") << 0;
    QTest::newRow("right at the second prompt") << 1;
    QTest::newRow("right at the third prompt") << 2;
    QTest::newRow("three wrong answers") << 3;
}

void TestEditorWindow::passwordPrompts() {
    QFETCH(int, wrongAnswers);
    EditorSession s;
    const QString path = testsupport::makeBase(s.folder, QStringLiteral("p.mdb"), 2);
    testsupport::protectBase(path, QStringLiteral("секрет"));

    s.dialogs.expectOpenFile(path);
    for (int i = 0; i < wrongAnswers; ++i)
        s.dialogs.expectPassword(i == 0 ? QString() : QStringLiteral("нет%1").arg(i),
                                 kPasswordPrompt);
    if (wrongAnswers < 3) {
        s.dialogs.expectPassword(QStringLiteral("секрет"), kPasswordPrompt);
    } else {
        s.dialogs.expectMessage(
            QStringLiteral("А вот пароль к тесту нужно знать! И не нужно пытаться его угадать!"));
    }
    s.trigger("optest");
    VERIFY_ALL_SHOWN(s.dialogs);
    for (const auto& box : s.dialogs.shown()) {
        if (box.kind != desktop::ScriptedDialogs::Kind::OpenFile)
            QCOMPARE(box.title, QStringLiteral("Tambris"));
    }

    if (wrongAnswers < 3) {
        QVERIFY(s.probe.baza().isOpen());
        QCOMPARE(s.probe.parol(), QStringLiteral("секрет"));
        QCOMPARE(s.probe.popytki(), wrongAnswers + 1);
        QCOMPARE(s.caption(), QStringLiteral("Вопрос № 1 из 2"));
        QVERIFY(s.window->isVisible());
    } else {
        QVERIFY(!s.window->isVisible());
        QVERIFY(!s.probe.baza().isOpen());
        QCOMPARE(openInOtherProcess(path), 1);  // still protected, but no longer held
    }
}

void TestEditorWindow::emptyBaseGetsItsFirstRowStored() {
    EditorSession s(0);
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 1 из 1"));
    QCOMPARE(s.probe.Text2()->text(), QStringLiteral("1"));
    QCOMPARE(s.question(), QString());
    QCOMPARE(s.probe.Text(0)->toPlainText(), QString());

    const auto rows = s.rowsAfterClosing();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0][1], QVariant(QString()));
    QCOMPARE(rows[0][2], QVariant(QString()));
    QCOMPARE(rows[0][3], QVariant(QString()));
    QVERIFY(rows[0][4].isNull());
    QCOMPARE(rows[0][8].toInt(), 1);
}

void TestEditorWindow::cancelledOpenClosesTheOpenBase() {
    EditorSession s(2);
    QVERIFY(s.probe.baza().isOpen());
    QCOMPARE(openInOtherProcess(s.path), 1);

    s.dialogs.expectOpenFile(std::nullopt);
    s.trigger("optest");
    VERIFY_ALL_SHOWN(s.dialogs);
    QVERIFY(s.dialogs.messages().isEmpty());
    QVERIFY(!s.probe.baza().isOpen());
    QVERIFY(!s.probe.voprosy().isOpen());
    QVERIFY(fieldsDisabledAndEmpty(s.probe));
    QCOMPARE(openInOtherProcess(s.path), 0);
}

void TestEditorWindow::schemas_data() {
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<bool>("encrypted");  // keyed as our bases are, or plain SQLite
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("caption");

    const QString info = QStringLiteral(
        "CREATE TABLE info (\"код\" INTEGER PRIMARY KEY AUTOINCREMENT, \"инфо\" "
        "TEXT, \"время\" INTEGER, \"ВремяНа\" TEXT)");
    const auto table = [](const QString& columns) {
        return QStringLiteral("CREATE TABLE test (\"номер\" INTEGER PRIMARY KEY AUTOINCREMENT, %1)")
            .arg(columns);
    };
    const QString all = QStringLiteral(
        "\"вопрос\" TEXT, \"ответ1\" TEXT, \"ответ2\" TEXT, \"ответ3\" TEXT, \"ответ4\" TEXT, "
        "\"ответ5\" TEXT, \"фото\" TEXT, \"верный\" INTEGER");
    const QString row = QStringLiteral(
        "INSERT INTO test (\"%1\", \"ответ1\", \"ответ2\", \"%2\") VALUES ('Что?', 'да', 'нет', "
        "2)");

    QTest::newRow("upper-case question column")
        << QStringList{table(QString(all).replace(QStringLiteral("\"вопрос\""),
                                                  QStringLiteral("\"ВОПРОС\""))),
                       info, row.arg(QStringLiteral("ВОПРОС"), QStringLiteral("верный"))}
        << false << QString() << QStringLiteral("Вопрос № 1 из 1");
    QTest::newRow("mixed-case correct column")
        << QStringList{table(QString(all).replace(QStringLiteral("\"верный\""),
                                                  QStringLiteral("\"Верный\""))),
                       info, row.arg(QStringLiteral("вопрос"), QStringLiteral("Верный"))}
        << false << QString() << QStringLiteral("Вопрос № 1 из 1");
    QTest::newRow("no info table")
        << QStringList{table(all), row.arg(QStringLiteral("вопрос"), QStringLiteral("верный"))}
        << false << QString() << QStringLiteral("Вопрос № 1 из 1");
    QTest::newRow("no third option column")
        << QStringList{table(QString(all).remove(QStringLiteral("\"ответ3\" TEXT, "))), info,
                       row.arg(QStringLiteral("вопрос"), QStringLiteral("верный"))}
        << false << QString() << QStringLiteral("Вопрос № 1 из 1");
    // A file refused by the check keeps every byte and its time: nothing is written to a file
    // before it passed, neither by the exclusive hold nor for the question count.
    const QStringList noQuestion = {
        table(QString(all).remove(QStringLiteral("\"вопрос\" TEXT, "))), info,
        QStringLiteral("INSERT INTO test (\"ответ1\", \"ответ2\", \"верный\") VALUES ('да', "
                       "'нет', 2)")};
    QTest::newRow("no question column")
        << noQuestion << false << QStringLiteral("Ошибка! В базе вопросов отсутствует поле вопрос")
        << QString();
    QTest::newRow("no question column, encrypted")
        << noQuestion << true << QStringLiteral("Ошибка! В базе вопросов отсутствует поле вопрос")
        << QString();
    QTest::newRow("no correct-option column")
        << QStringList{table(QString(all).remove(QStringLiteral(", \"верный\" INTEGER"))), info}
        << false << QStringLiteral("Ошибка! В базе вопросов отсутствует поле номера верного ответа")
        << QString();
    QTest::newRow("no test table")
        << QStringList{info} << false
        << QStringLiteral("Ошибка! Эта база не похожа на базу вопросов к программе Vorta")
        << QString();
}

void TestEditorWindow::schemas() {
    QFETCH(QStringList, statements);
    QFETCH(bool, encrypted);
    QFETCH(QString, message);
    QFETCH(QString, caption);
    EditorSession s;
    const QString path = s.folder.path(QStringLiteral("odd.mdb"));
    if (encrypted) {
        qb::sqlite::Database db = qb::sqlite::Database::open(path, true);
        db.key(qb::builtInKey());
        for (const QString& statement : statements)
            db.exec(statement);
    } else {
        testsupport::makePlainBase(path, statements);
    }
    // A time long past: any write would make it now.
    const timespec past[2] = {{1577836800, 0}, {1577836800, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), past, 0), 0);
    const QDateTime modified = QFileInfo(path).lastModified();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();
    const QStringList files = QDir(s.folder.folder()).entryList(QDir::Files);

    s.dialogs.expectOpenFile(path);
    if (!message.isEmpty())
        s.dialogs.expectMessage(message);
    s.trigger("optest");
    VERIFY_ALL_SHOWN(s.dialogs);
    QCOMPARE(s.dialogs.messages().size(), message.isEmpty() ? 0 : 1);
    QCOMPARE(s.caption(), caption);
    QCOMPARE(s.probe.baza().isOpen(), message.isEmpty());
    if (!message.isEmpty()) {
        QTest::qWait(50);  // idle time, in which an opened base would be counted
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == bytes);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
        QCOMPARE(QDir(s.folder.folder()).entryList(QDir::Files), files);
        return;
    }
    QCOMPARE(s.question(), QStringLiteral("Что?"));
    QCOMPARE(s.probe.Text2()->text(), QStringLiteral("2"));
    QCOMPARE(s.probe.Text(2)->toPlainText(), QString());
    QCOMPARE(s.probe.nastroyki().isOpen(),
             statements.join(u' ').contains(QStringLiteral("CREATE TABLE info")));
}

void TestEditorWindow::fileThatIsNotABaseOpensNothing() {
    EditorSession s;
    const QString path = s.folder.path(QStringLiteral("notes.mdb"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("это просто текст, а не база вопросов\n").repeated(100));
    file.close();
    s.open(path);
    VERIFY_ALL_SHOWN(s.dialogs);
    QVERIFY(s.dialogs.messages().isEmpty());
    QVERIFY(!s.probe.baza().isOpen());
    QVERIFY(fieldsDisabledAndEmpty(s.probe));
    QVERIFY(s.window->isVisible());

    s.open(s.folder.path(QStringLiteral("missing.mdb")));
    QVERIFY(s.dialogs.messages().isEmpty());
    QVERIFY(!s.probe.baza().isOpen());
}

void TestEditorWindow::anotherProcessCannotOpenTheHeldBase() {
    EditorSession s;
    const QString path = testsupport::makeBase(s.folder, QStringLiteral("h.mdb"), 4);
    QCOMPARE(openInOtherProcess(path), 0);
    s.open(path);
    QCOMPARE(openInOtherProcess(path), 1);
    // The hold survives work on the base.
    s.click("Command3");
    s.click("Command7");
    QCOMPARE(openInOtherProcess(path), 1);
    s.window->close();
    QCOMPARE(openInOtherProcess(path), 0);
}

void TestEditorWindow::closingDropsUnsavedEdits() {
    EditorSession s(1);
    s.probe.Text1()->setPlainText(QStringLiteral("Никогда не сохранится"));
    const auto rows = s.rowsAfterClosing();
    VERIFY_ALL_SHOWN(s.dialogs);
    QVERIFY(s.dialogs.messages().isEmpty());
    QCOMPARE(rows.at(0).at(1).toString(), QStringLiteral("Вопрос 1"));
}

void TestEditorWindow::keysPressTheirButtons_data() {
    QTest::addColumn<QString>("focus");  // where the keyboard is
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("caption");  // after the key
    QTest::addColumn<bool>("saved");       // the edit of question 1 was stored
    const Qt::KeyboardModifiers none;
    const QString first = QStringLiteral("Вопрос № 1 из 3");
    const QString second = QStringLiteral("Вопрос № 2 из 3");
    const QString added = QStringLiteral("Вопрос № 4 из 4");
    // Ctrl+O is "Открыть для редактирования": the base is opened again and the edit is lost.
    QTest::newRow("Ctrl+O") << "Text1" << int(Qt::Key_O) << Qt::KeyboardModifiers(Qt::CTRL) << first
                            << false;
    QTest::newRow("Ctrl+S") << "Text1" << int(Qt::Key_S) << Qt::KeyboardModifiers(Qt::CTRL) << first
                            << true;
    QTest::newRow("Page Down") << "Text1" << int(Qt::Key_PageDown) << none << second << true;
    QTest::newRow("Alt+Right") << "Text(0)" << int(Qt::Key_Right) << Qt::KeyboardModifiers(Qt::ALT)
                               << second << true;
    // "Назад" on the first question saves it and stays.
    QTest::newRow("Page Up") << "Text(4)" << int(Qt::Key_PageUp) << none << first << true;
    QTest::newRow("Alt+Left") << "Text2" << int(Qt::Key_Left) << Qt::KeyboardModifiers(Qt::ALT)
                              << first << true;
    QTest::newRow("Ctrl+N") << "ulik" << int(Qt::Key_N) << Qt::KeyboardModifiers(Qt::CTRL) << added
                            << true;
    QTest::newRow("Return on Вперед")
        << "Command3" << int(Qt::Key_Return) << none << second << true;
    QTest::newRow("keypad Enter on Создать новый вопрос")
        << "Command5" << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << added
        << true;
    QTest::newRow("Return on Сохранить")
        << "Command7" << int(Qt::Key_Return) << none << first << true;
    QTest::newRow("Return in the question is a line break")
        << "Text1" << int(Qt::Key_Return) << none << first << false;
    QTest::newRow("Shift+Page Down stays in the box")
        << "Text1" << int(Qt::Key_PageDown) << Qt::KeyboardModifiers(Qt::SHIFT) << first << false;
}

void TestEditorWindow::keysPressTheirButtons() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, caption);
    QFETCH(bool, saved);
    EditorSession s(3);
    testsupport::activate(*s.window);
    s.probe.Text1()->moveCursor(QTextCursor::End);
    s.type(s.probe.Text1(), QStringLiteral("!"));
    s.window->findChild<QWidget*>(focus)->setFocus();
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    if (key == Qt::Key_O)
        s.dialogs.expectOpenFile(s.path);

    testsupport::pressKey(key, modifiers);
    VERIFY_ALL_SHOWN(s.dialogs);
    QVERIFY(s.dialogs.messages().isEmpty());
    QCOMPARE(s.caption(), caption);
    QVERIFY(!s.window->menuBar()->hasFocus());  // Alt held for a shortcut is no lone Alt
    QCOMPARE(s.probe.Command7()->text(), QStringLiteral("Сохранить"));
    const auto rows = s.rowsAfterClosing();
    QCOMPARE(rows.at(0).at(1).toString(), saved ? QStringLiteral("Вопрос 1!") : "Вопрос 1");
}

void TestEditorWindow::menuBarByKeyboard() {
    using testsupport::pressKey;
    EditorSession s(1);
    testsupport::activate(*s.window);
    QMenuBar* bar = s.window->menuBar();
    s.probe.Text1()->setFocus();
    const QImage unfocused = bar->grab().toImage();

    pressKey(Qt::Key_F10);
    QVERIFY(bar->hasFocus());
    QVERIFY(bar->activeAction() != nullptr);
    QCOMPARE(bar->activeAction()->objectName(), QStringLiteral("crtest"));
    // The item under the keyboard is drawn otherwise, though it opens no menu.
    const QRect item = bar->actionGeometry(bar->activeAction());
    QVERIFY(bar->grab(item).toImage() != unfocused.copy(item));
    pressKey(Qt::Key_Right);
    QCOMPARE(bar->activeAction()->objectName(), QStringLiteral("optest"));
    pressKey(Qt::Key_Escape);
    QCOMPARE(QApplication::focusWidget(), s.probe.Text1());
    QCOMPARE(bar->activeAction(), nullptr);

    // A lone Alt does the same; Enter runs the item: the settings panel, by keyboard alone.
    QTest::keyClick(s.probe.Text1(), Qt::Key_Alt, Qt::AltModifier);
    QVERIFY(bar->hasFocus());
    for (const char* caption : {"Открыть для редактирования", "пароль", "настрой-ка параметры"}) {
        pressKey(Qt::Key_Right);
        QCOMPARE(bar->activeAction()->text(), QString::fromUtf8(caption));
    }
    pressKey(Qt::Key_Return);
    QVERIFY(s.panel().isVisible());
    QCOMPARE(QApplication::focusWidget(), s.panel().info);
    pressKey(Qt::Key_Escape);
    QVERIFY(!s.panel().isVisible());
    QCOMPARE(QApplication::focusWidget(), s.probe.Text1());
}

QTEST_MAIN(TestEditorWindow)
#include "tst_editorwindow.moc"
