// Reaching a question in a large bank: by its number (Ctrl+G), by its words in the find window
// (Ctrl+F, Enter, F3), and from the list of every question, which follows the editor.

#include "editor/ui/findwindow.h"
#include "editor/ui/limitedtextedit.h"
#include "editor/ui/questionlistwindow.h"
#include "tests/support/editorsession.h"
#include "tests/support/questionrows.h"
#include "tests/support/useractions.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTableView>
#include <QTest>

using testsupport::EditorSession;
using testsupport::pressKey;

namespace {

const QString kNoSuchNumber = QStringLiteral("Такого номера нет: в базе 200 вопросов.");

// Text as an input method commits it, the way Cyrillic reaches a box.
void commit(QWidget* box, const QString& text) {
    box->setFocus();
    QInputMethodEvent typed;
    typed.setCommitString(text);
    QCoreApplication::sendEvent(box, &typed);
}

QString summaryOf(QWidget* window) {
    return window->findChild<QLabel*>(QStringLiteral("summary"))->text();
}

}  // namespace

class TestNavigate : public QObject {
    Q_OBJECT
private slots:
    void goToNumber_data();
    void goToNumber();
    void findByWordForms_data();
    void findByWordForms();
    void listFollowsTheEditor();
};

void TestNavigate::goToNumber_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("caption");  // empty: the message, and nothing moves
    QTest::newRow("in range") << "158"
                              << "Вопрос № 158 из 200";
    QTest::newRow("the last") << "200"
                              << "Вопрос № 200 из 200";
    QTest::newRow("blanks and a sign") << " +7 "
                                       << "Вопрос № 7 из 200";
    QTest::newRow("past the end") << "201"
                                  << "";
    QTest::newRow("zero") << "0"
                          << "";
    QTest::newRow("negative") << "-3"
                              << "";
    QTest::newRow("not a number") << "сто"
                                  << "";
    QTest::newRow("a fraction") << "4,5"
                                << "";
    QTest::newRow("beyond 16 bits") << "40000"
                                    << "";
}

void TestNavigate::goToNumber() {
    QFETCH(QString, typed);
    QFETCH(QString, caption);
    EditorSession s(200);
    testsupport::activate(*s.window);
    s.dialogs.expectInput(typed, QStringLiteral("Номер вопроса (от 1 до 200)"));
    if (caption.isEmpty())
        s.dialogs.expectMessage(kNoSuchNumber);
    pressKey(Qt::Key_G, Qt::ControlModifier);
    VERIFY_ALL_SHOWN(s.dialogs);
    QCOMPARE(s.caption(), caption.isEmpty() ? QStringLiteral("Вопрос № 1 из 200") : caption);
    if (!caption.isEmpty())
        QCOMPARE(s.question(), QStringLiteral("Вопрос ") + caption.section(u' ', 2, 2));

    // A question that fails the check is not left: nothing moves.
    s.probe.Text2()->setText(QStringLiteral("9"));
    s.dialogs.expectInput(QStringLiteral("3"), QStringLiteral("Номер вопроса (от 1 до 200)"))
        .expectMessage(QStringLiteral("Неверное значение в поле номер верного ответа! Исправьте!"));
    s.trigger("perehod");
    VERIFY_ALL_SHOWN(s.dialogs);
    QCOMPARE(s.caption(), caption.isEmpty() ? QStringLiteral("Вопрос № 1 из 200") : caption);
}

void TestNavigate::findByWordForms_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QList<int>>("found");
    QTest::newRow("a plural finds the singular") << "дни" << QList<int>{2, 4};
    QTest::newRow("another person of the verb") << "пишет" << QList<int>{3};
    QTest::newRow("every word is needed") << "дни неделе" << QList<int>{2};
    QTest::newRow("ё as е, in capitals") << "ЕЛКА" << QList<int>{5};
    QTest::newRow("a phrase as written") << "\"в неделе\"" << QList<int>{2};
    QTest::newRow("in an option") << "понедельник" << QList<int>{4};
    QTest::newRow("nothing") << "жираф" << QList<int>{};
}

void TestNavigate::findByWordForms() {
    QFETCH(QString, query);
    QFETCH(QList<int>, found);
    const auto row = [](const QString& text, const QString& a, const QString& b) {
        return testsupport::QuestionRow{{text, a, b, QVariant(), QVariant(), QVariant()}, 1};
    };
    EditorSession s;
    s.open(testsupport::makeQuestionBase(
        s.folder, QStringLiteral("f.mdb"),
        {row(QStringLiteral("Сколько будет дважды два?"), QStringLiteral("4"), QStringLiteral("5")),
         row(QStringLiteral("Сколько дней в неделе?"), QStringLiteral("7"), QStringLiteral("5")),
         row(QStringLiteral("Кто пишут стихи?"), QStringLiteral("поэты"), QStringLiteral("все")),
         row(QStringLiteral("Какой день идёт после воскресенья?"), QStringLiteral("понедельник"),
             QStringLiteral("вторник")),
         row(QStringLiteral("Где растёт ёлка?"), QStringLiteral("в лесу"),
             QStringLiteral("в море"))}));
    testsupport::activate(*s.window);
    pressKey(Qt::Key_F, Qt::ControlModifier);
    editor::FindWindow* window = s.window->findWindow();
    QVERIFY(window != nullptr && window->isVisible());
    auto* box = window->findChild<QLineEdit*>(QStringLiteral("chto"));
    QCOMPARE(box->accessibleName(), QStringLiteral("Что искать"));
    commit(box, query);
    // The list fills after the pause in typing, without a key pressed.
    QTRY_COMPARE(summaryOf(window), QStringLiteral("Найдено вопросов: %1").arg(found.size()));
    QAbstractItemModel* results = window->findChild<QListView*>(QStringLiteral("results"))->model();
    QCOMPARE(results->rowCount(), found.size());
    for (int i = 0; i < found.size(); ++i) {
        QVERIFY2(results->index(i, 0).data().toString().startsWith(
                     QStringLiteral("Вопрос № %1: ").arg(found[i])),
                 qPrintable(results->index(i, 0).data().toString()));
    }
    if (found.isEmpty())
        return;

    // Enter in the box shows the first question found, after the usual save.
    testsupport::activate(*window);
    box->setFocus();
    pressKey(Qt::Key_Return);
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № %1 из 5").arg(found.first()));
    // F3 and Shift+F3 in the main window walk the questions found, and stop at either end.
    testsupport::activate(*s.window);
    for (int i = 1; i < found.size(); ++i) {
        pressKey(Qt::Key_F3);
        QCOMPARE(s.caption(), QStringLiteral("Вопрос № %1 из 5").arg(found[i]));
    }
    pressKey(Qt::Key_F3);
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № %1 из 5").arg(found.last()));
    pressKey(Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(
        s.caption(),
        QStringLiteral("Вопрос № %1 из 5").arg(found[std::max<qsizetype>(0, found.size() - 2)]));
    // Escape closes the window.
    testsupport::activate(*window);
    box->setFocus();
    pressKey(Qt::Key_Escape);
    QTRY_VERIFY(s.window->findWindow() == nullptr);
}

void TestNavigate::listFollowsTheEditor() {
    EditorSession s(200);
    s.trigger("spisok");
    editor::QuestionListWindow* window = s.window->listWindow();
    QVERIFY(window != nullptr && window->isVisible());
    auto* view = window->findChild<QTableView*>(QStringLiteral("questions"));
    QAbstractItemModel* lines = view->model();
    QStringList headers;
    for (int column = 0; column < lines->columnCount(); ++column)
        headers << lines->headerData(column, Qt::Horizontal).toString();
    QCOMPARE(headers, QStringList({"№", "Вопрос", "Вариантов", "Верный", "Картинка"}));
    QCOMPARE(lines->rowCount(), 200);
    QCOMPARE(summaryOf(window), QStringLiteral("Вопросов: 200"));
    const auto line = [&](int row) {
        QStringList cells;
        for (int column = 0; column < lines->columnCount(); ++column)
            cells << lines->index(row, column).data().toString();
        return cells;
    };
    QCOMPARE(line(157), QStringList({"158", "Вопрос 158", "2", "1", ""}));

    // Enter on a line shows its question; the list follows "Вперед".
    testsupport::activate(*window);
    view->setFocus();
    view->setCurrentIndex(lines->index(157, 0));
    pressKey(Qt::Key_Return);
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 158 из 200"));
    s.click("Command3");
    QCOMPARE(view->currentIndex().row(), 158);

    // A save, a new question and a deletion show in the list as the base holds them.
    s.probe.Text(2)->setPlainText(QStringLiteral("третий"));
    s.probe.ulik()->setText(QStringLiteral("a.jpg"));
    s.click("Command7");
    QCOMPARE(line(158), QStringList({"159", "Вопрос 159", "3", "2", "a.jpg"}));
    s.click("Command5");
    QCOMPARE(lines->rowCount(), 201);
    QCOMPARE(summaryOf(window), QStringLiteral("Вопросов: 201"));
    QCOMPARE(line(200), QStringList({"201", "", "0", "1", ""}));
    s.click("Command4");
    QCOMPARE(lines->rowCount(), 200);
    s.dialogs.expectInput(QStringLiteral("1"), QStringLiteral("Номер вопроса (от 1 до 200)"));
    s.trigger("perehod");
    s.click("Command4");
    QCOMPARE(lines->rowCount(), 199);
    QCOMPARE(line(0), QStringList({"1", "Вопрос 2", "2", "1", ""}));
    VERIFY_ALL_SHOWN(s.dialogs);

    // Another base closes the list: its lines would open that base's questions.
    s.dialogs.expectOpenFile(s.path);
    s.trigger("optest");
    QTRY_VERIFY(s.window->listWindow() == nullptr);
}

QTEST_MAIN(TestNavigate)
#include "tst_navigate.moc"
