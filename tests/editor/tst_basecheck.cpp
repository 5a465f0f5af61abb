// The whole-base check: what it finds in a base with every kind of remark planted, what it leaves
// alone, and the check window driven as the user drives it.

#include "editor/core/basecheck.h"
#include "editor/ui/limitedtextedit.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "tests/support/editorsession.h"
#include "tests/support/questionrows.h"
#include "tests/support/useractions.h"

#include <QAccessible>
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QTest>

using testsupport::EditorSession;
using testsupport::QuestionRow;

namespace {

const QString kGapTail = QStringLiteral(": программа тестирования может показать пустую строку");

QuestionRow row(const QString& text, const QStringList& options, const QVariant& correct) {
    QuestionRow r;
    r.fields[0] = text;
    for (int i = 0; i < options.size(); ++i)
        r.fields[i + 1] = options[i];
    r.correct = correct;
    return r;
}

// Every kind of remark at a known position, among clean questions; the pictures are set after.
const QList<QuestionRow>& plantedRows() {
    static const QList<QuestionRow> rows = {
        /* 1 */ row("Какой город является столицей России?",
                    {"Москва", "Санкт-Петербург", "Казань"}, 1),
        /* 2 */ row("Сколько будет дважды два?", {"Три", "Четыре", "Пять"}, 2),
        /* 3 */ row("Какого цвета небо днём?", {"Синее", "Зелёное", "Красное"}, 7),
        /* 4 */ row("Сколько ног у паука?", {"Шесть", "Восемь", "Десять"}, 4),
        /* 5 */ row("Напишите слово «мир» наоборот", {"рим", ""}, 1),
        /* 6 */ row("Какое животное самое большое?", {"Синий кит", "", "Слон"}, 3),
        /* 7 */ row("Какое дерево даёт берёзовый сок?", {"Берёза", "Дуб", "  берёза  "}, 1),
        /* 8 */ row("Какая планета ближе всех к Солнцу?", {"Венера", "Марс", "Меркурий"}, 3),
        /* 9 */ row("сколько  будет ДВАЖДЫ два", {"Пять", "Три", "Четыре"}, 3),
        /* 10 */
        row("Какие города являются столицами России?", {"Москва", "Санкт-Петербург", "Казань"}, 2),
        /* 11 */ row("Какой город является столицей Франции?", {"Париж", "Лион", "Марсель"}, 3),
        /* 12 */ row("Что изображено на картинке?", {"Кошка", "Собака"}, 2),
        /* 13 */ row("Что нарисовано на рисунке?", {"Мост", "Дом"}, 2),
        /* 14 */ row("Какая фигура на картинке?", {"Круг", "Квадрат"}, 2),
        /* 15 */ row("Какая птица на картинке?", {"Сова", "Воробей"}, 1),
        /* 16 */ row("Какой цвет на картинке?", {"Жёлтый", "Фиолетовый"}, 2),
        /* 17 */ row("Верно ли, что 2 ≠ 3 😀?", {"Да", "Нет"}, 1),
        /* 18 */
        row("Какой химический элемент обозначается символом O в таблице Менделеева?",
            {"Кислород", "Азот", "Водород"}, 1),
        /* 19 */
        row("Какой химический элемент обозначаеться символом O в таблице Менделеева?",
            {"Кислород", "Азот", "Водород"}, 1),
        /* 20 */ row("Сколько будет два плюс два?", {"3", "4", "5"}, 2),
        /* 21 */ row("Сколько будет два плюс три?", {"4", "5", "6"}, 2),
        /* 22 */ row("Выберите верное утверждение", {"Лёд тонет", "Вода кипит при 100 °C"}, 2),
        /* 23 */ row("Выберите верное утверждение", {"Земля круглая", "Солнце холодное"}, 1),
        /* 24 */ row("Какой океан самый большой?", {"Атлантический", "Индийский", "Тихий", "≈"}, 3),
    };
    return rows;
}

// The pictures of questions 12 to 16, stored as the editor stores them.
const QList<std::pair<int, QString>> kPictures = {
    {12, QStringLiteral("img\\нет.jpg")},  {13, QStringLiteral("img\\рисунок.txt")},
    {14, QStringLiteral("..\\чужая.jpg")}, {15, QStringLiteral("img\\битая.jpg")},
    {16, QStringLiteral("img\\цвет.jpg")},
};

// Makes the planted base in `folder`, with its pictures: one readable, one damaged, one
// outside the base's folder.
QString makePlantedBase(const testsupport::TempFolder& folder, const QString& name) {
    const QString base = testsupport::makeQuestionBase(folder, name, plantedRows());
    QDir(folder.folder()).mkpath(QStringLiteral("img"));
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::yellow);
    picture.save(folder.path(QStringLiteral("img/цвет.jpg")), "JPG");
    picture.save(QFileInfo(folder.folder()).dir().filePath(QStringLiteral("чужая.jpg")), "JPG");
    QFile broken(folder.path(QStringLiteral("img/битая.jpg")));
    broken.open(QIODevice::WriteOnly);
    broken.write("not a picture at all");
    broken.close();
    QFile text(folder.path(QStringLiteral("img/рисунок.txt")));
    text.open(QIODevice::WriteOnly);
    text.write("text");
    text.close();
    qb::sqlite::Database db = testsupport::openRaw(base);
    for (const auto& [position, stored] : kPictures) {
        db.exec(QStringLiteral("UPDATE test SET \"фото\" = '%1' WHERE \"номер\" = %2")
                    .arg(stored)
                    .arg(position));
    }
    db.close();
    return base;
}

editor::BaseCheckResult checkFile(const QString& base) {
    qb::Connection connection;
    connection.open(base, qb::kEmptyPasswordMarker);
    std::optional<editor::BaseCheckResult> result =
        editor::checkBase(connection.store(), base, [](int, int) { return true; });
    return result.value_or(editor::BaseCheckResult{});
}

QStringList linesOf(const editor::BaseCheckResult& result) {
    QStringList lines;
    for (const editor::CheckFinding& finding : result.findings)
        lines << finding.line();
    return lines;
}

QString lineOf(QListView* findings, int line) {
    return findings->model()->index(line, 0).data().toString();
}

// A line of the check window's list as a screen reader hears it.
QString heardLine(QListView* findings, int line) {
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(findings);
    QAccessibleInterface* item =
        list && list->tableInterface() ? list->tableInterface()->cellAt(line, 0) : nullptr;
    return item ? item->text(QAccessible::Name) : QString();
}

editor::CheckedQuestion question(const QString& text, const QStringList& options, int correct) {
    editor::CheckedQuestion q;
    q.text = text;
    for (int i = 0; i < options.size(); ++i)
        q.options[i] = options[i];
    q.correct = correct;
    return q;
}

QByteArray fileHash(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QWidget* topLevel(const QString& objectName) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == objectName && widget->isVisible())
            return widget;
    }
    return nullptr;
}

}  // namespace

class TestBaseCheck : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void plantedFindingIsListed_data();
    void plantedFindingIsListed();
    void cleanQuestionsAreNotFlagged();
    void stoppedCheckHasNoResult();
    void wholeBaseFindings_data();
    void wholeBaseFindings();
    void nearDuplicates_data();
    void nearDuplicates();
    void menuItemOpensOneWindowAndChecksAgain();
    void menuItemWithoutABaseDoesNothing();
    void activatingAFindingSavesAndMoves_data();
    void activatingAFindingSavesAndMoves();
    void activatingStaysWhenTheQuestionFailsItsCheck();

private:
    testsupport::TempFolder folder_;
    editor::BaseCheckResult planted_;
};

void TestBaseCheck::initTestCase() {
    planted_ = checkFile(makePlantedBase(folder_, QStringLiteral("planted.mdb")));
    QCOMPARE(planted_.questions, int(plantedRows().size()));
}

void TestBaseCheck::plantedFindingIsListed_data() {
    QTest::addColumn<QString>("line");
    QTest::newRow("right option out of range")
        << "Вопрос № 3: номер верного ответа 7 — вне пределов от 1 до 5";
    QTest::newRow("right option empty") << "Вопрос № 4: верный ответ — вариант 4, а он пустой";
    QTest::newRow("one option") << "Вопрос № 5: меньше двух вариантов ответа (заполнено: 1)";
    QTest::newRow("empty slot") << "Вопрос № 6: пустой вариант 2 стоит между заполненными" +
                                       kGapTail;
    QTest::newRow("repeated option") << "Вопрос № 7: варианты 1 и 3 совпадают";
    QTest::newRow("duplicate, options reordered") << "Вопрос № 9: совпадает с вопросом № 2";
    QTest::newRow("word forms") << "Вопрос № 10: похож на вопрос № 1";
    QTest::newRow("missing picture") << "Вопрос № 12: картинки «img\\нет.jpg» нет в папке базы";
    QTest::newRow("not a picture name")
        << "Вопрос № 13: «img\\рисунок.txt» — не картинка: имя должно оканчиваться на BMP, JPG, "
           "JPEG или GIF";
    QTest::newRow("picture outside")
        << "Вопрос № 14: картинка «..\\чужая.jpg» лежит вне папки базы";
    QTest::newRow("damaged picture")
        << "Вопрос № 15: картинку «img\\битая.jpg» не удаётся прочитать";
    QTest::newRow("outside Windows-1251")
        << "Вопрос № 17: в тексте вопроса есть знаки, которых нет в кодировке Windows-1251: «≠» "
           "(U+2260), «😀» (U+1F600); при выгрузке в текст вместо них будет «?»";
    QTest::newRow("option outside Windows-1251")
        << "Вопрос № 24: в варианте 4 есть знаки, которых нет в кодировке Windows-1251: «≈» "
           "(U+2248); при выгрузке в текст вместо них будет «?»";
    QTest::newRow("one letter differs") << "Вопрос № 19: похож на вопрос № 18";
    QTest::newRow("misspelled word") << "Вопрос № 19: возможно, опечатка: «обозначаеться»";
    QTest::newRow("a name in lower case") << "Вопрос № 5: возможно, опечатка: «рим»";
}

void TestBaseCheck::plantedFindingIsListed() {
    QFETCH(QString, line);
    QVERIFY2(linesOf(planted_).contains(line), qPrintable(linesOf(planted_).join(u'\n')));
}

void TestBaseCheck::cleanQuestionsAreNotFlagged() {
    // Exactly the planted lines, in question order: no clean question is named, nothing twice.
    QList<int> named;
    for (const editor::CheckFinding& finding : planted_.findings)
        named << finding.question;
    const QList<int> expected = {3, 4, 5, 5, 6, 7, 9, 10, 12, 13, 14, 15, 17, 19, 19, 24};
    QCOMPARE(named, expected);
    QCOMPARE(planted_.summary(), QStringLiteral("Вопросов: 24, замечаний: 16"));
}

void TestBaseCheck::stoppedCheckHasNoResult() {
    // The progress box's "Остановить" during the near-duplicate search, after every row was read.
    const QString base = makePlantedBase(folder_, QStringLiteral("stopped.mdb"));
    qb::Connection connection;
    connection.open(base, qb::kEmptyPasswordMarker);
    QList<int> told;
    QSet<int> totals;
    const auto stopHalfway = [&](int done, int total) {
        told << done;
        totals << total;
        return done < total - 5;
    };
    QVERIFY(!editor::checkBase(connection.store(), base, stopHalfway));
    QCOMPARE(told, (QList<int>{24, 25, 26, 27, 28, 29}));
    QCOMPARE(totals, (QSet<int>{24 + editor::BaseCheck::finishSteps()}));
}

void TestBaseCheck::wholeBaseFindings_data() {
    QTest::addColumn<QList<int>>("rightOptions");
    QTest::addColumn<QVariant>("time");
    QTest::addColumn<QVariant>("timeTarget");
    QTest::addColumn<QStringList>("lines");

    const QList<int> balanced = {1, 2, 3, 1, 2, 3, 1, 2, 3, 4};
    const QString perQuestion = QStringLiteral("вопрос");
    QTest::newRow("clean") << balanced << QVariant(30) << QVariant(perQuestion) << QStringList();
    QTest::newRow("no limit, whole test")
        << balanced << QVariant(0) << QVariant("тест") << QStringList();
    QTest::newRow("negative time")
        << balanced << QVariant(-5) << QVariant(perQuestion)
        << QStringList{"время в настройках теста отрицательное (-5); 0 значит «без ограничения»"};
    QTest::newRow("unknown target")
        << balanced << QVariant(10) << QVariant("минуту")
        << QStringList{
               "в настройках теста время дано на «минуту», а должно быть на «вопрос» или "
               "на «тест»"};
    QTest::newRow("half under one number")
        << QList<int>{2, 2, 2, 2, 2, 1, 3, 4, 1, 3} << QVariant(0) << QVariant(perQuestion)
        << QStringList{"верный ответ чаще всего под номером 2 (50 % вопросов)"};
    QTest::newRow("exactly 40 % is fine") << QList<int>{3, 3, 3, 3, 1, 2, 1, 2, 1, 2} << QVariant(0)
                                          << QVariant(perQuestion) << QStringList();
    QTest::newRow("fewer than ten questions")
        << QList<int>{1, 1, 1, 1, 1, 1, 1, 1, 1} << QVariant(0) << QVariant(perQuestion)
        << QStringList();
    QTest::newRow("settings first, then the positions")
        << QList<int>{5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5} << QVariant(-1) << QVariant(perQuestion)
        << QStringList{"время в настройках теста отрицательное (-1); 0 значит «без ограничения»",
                       "верный ответ чаще всего под номером 5 (100 % вопросов)"};
}

void TestBaseCheck::wholeBaseFindings() {
    QFETCH(QList<int>, rightOptions);
    QFETCH(QVariant, time);
    QFETCH(QVariant, timeTarget);
    QFETCH(QStringList, lines);

    editor::BaseCheck check(folder_.path(QStringLiteral("none.mdb")));
    check.setSettings({time, timeTarget});
    for (int i = 0; i < rightOptions.size(); ++i) {
        check.addQuestion(question(QStringLiteral("Вопрос номер %1 о разном").arg(i + 1),
                                   {QStringLiteral("а%1").arg(i), QStringLiteral("б%1").arg(i),
                                    QStringLiteral("в%1").arg(i), QStringLiteral("г%1").arg(i),
                                    QStringLiteral("д%1").arg(i)},
                                   rightOptions[i]));
    }
    QCOMPARE(linesOf(check.finish().value()), lines);
}

void TestBaseCheck::nearDuplicates_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QStringList>("firstOptions");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QStringList>("secondOptions");
    QTest::addColumn<QString>("finding");  // on the second question; empty for none

    const QStringList planets = {"Меркурий", "Венера", "Марс"};
    QTest::newRow("word forms") << "Какая планета находится ближе всех к Солнцу?" << planets
                                << "Какие планеты находятся ближе всего к солнцу" << planets
                                << "похож на вопрос № 1";
    // Forms Snowball's stems tell apart ("дни" / "день", "пишут" / "пишет"): the dictionary's
    // lemmas join them.
    const QStringList days = {"Понедельник", "Среда", "Пятница"};
    QTest::newRow("other person and number")
        << "В какие дни недели ученики пишут диктанты?" << days
        << "В какой день недели ученик пишет диктант?" << days << "похож на вопрос № 1";
    QTest::newRow("case, spaces and punctuation, options reordered")
        << "Какая планета ближе всех к Солнцу?" << planets << "какая  планета, ближе всех к солнцу"
        << QStringList{"Марс", "Меркурий", "Венера"} << "совпадает с вопросом № 1";
    QTest::newRow("ё and е") << "Какое дерево даёт берёзовый сок?" << planets
                             << "Какое дерево дает березовый сок?" << planets
                             << "совпадает с вопросом № 1";
    QTest::newRow("same words, other options are a near duplicate")
        << "Какая планета ближе всех к Солнцу?" << planets << "Какая планета ближе всех к Солнцу?"
        << QStringList{"Меркурий", "Венера", "Юпитер"} << "похож на вопрос № 1";
    QTest::newRow("one topic") << "Какой город является столицей России?"
                               << QStringList{"Москва", "Казань", "Самара"}
                               << "Какой город является столицей Франции?"
                               << QStringList{"Париж", "Лион", "Марсель"} << "";
    QTest::newRow("numbers differ")
        << "Сколько будет два плюс два?" << QStringList{"3", "4", "5"}
        << "Сколько будет два плюс три?" << QStringList{"4", "5", "6"} << "";
    QTest::newRow("one instruction, other statements")
        << "Выберите верное утверждение" << QStringList{"Вода кипит", "Лёд тонет"}
        << "Выберите верное утверждение" << QStringList{"Земля круглая", "Солнце холодное"} << "";
}

void TestBaseCheck::nearDuplicates() {
    QFETCH(QString, first);
    QFETCH(QStringList, firstOptions);
    QFETCH(QString, second);
    QFETCH(QStringList, secondOptions);
    QFETCH(QString, finding);

    editor::BaseCheck check(folder_.path(QStringLiteral("none.mdb")));
    check.setSettings({0, QStringLiteral("тест")});
    check.addQuestion(question(first, firstOptions, 1));
    check.addQuestion(question(second, secondOptions, 1));
    const QStringList expected =
        finding.isEmpty() ? QStringList() : QStringList{"Вопрос № 2: " + finding};
    QCOMPARE(linesOf(check.finish().value()), expected);
}

void TestBaseCheck::menuItemOpensOneWindowAndChecksAgain() {
    EditorSession session;
    const QString base = makePlantedBase(session.folder, QStringLiteral("base.mdb"));
    session.open(base);
    VERIFY_ALL_SHOWN(session.dialogs);

    // The menu comes last, after the settings item: the import first, then the check, then
    // the ways to a question.
    const QList<QAction*> bar = session.window->menuBar()->actions();
    QCOMPARE(bar.at(bar.size() - 2)->objectName(), QStringLiteral("infossi"));
    QMenu* servis = bar.last()->menu();
    QVERIFY(servis);
    QCOMPARE(bar.last()->text(), QStringLiteral("сервис"));
    QStringList items;
    for (const QAction* action : servis->actions())
        items << action->text();
    QCOMPARE(items, QStringList({"импорт вопросов", "проверить базу", "найти вопрос",
                                 "перейти к вопросу", "список вопросов"}));

    const QByteArray before = fileHash(base);
    session.trigger(QStringLiteral("provbaz"));
    auto* window = qobject_cast<QDialog*>(topLevel(QStringLiteral("proverka")));
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Проверка базы"));
    QVERIFY(!window->parent());
    QVERIFY(!window->isModal());
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(window);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::Dialog);
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (control->isVisible() && control->focusPolicy() != Qt::NoFocus) {
            QVERIFY2(!control->objectName().isEmpty(), control->metaObject()->className());
            QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        }
    }
    auto* summary = window->findChild<QLabel*>(QStringLiteral("summary"));
    auto* findings = window->findChild<QListView*>(QStringLiteral("findings"));
    QVERIFY(summary && findings);
    QCOMPARE(summary->text(), QStringLiteral("Вопросов: 24, замечаний: 16"));
    QCOMPARE(summary->accessibleName(), summary->text());
    QCOMPARE(findings->model()->rowCount(), 16);
    QCOMPARE(lineOf(findings, 0), linesOf(planted_).first());
    QCOMPARE(heardLine(findings, 0), lineOf(findings, 0));
    QCOMPARE(fileHash(base), before);

    // Question 3 gets a right option in range and two equal options; the menu item again
    // brings back the same window, which has checked again.
    session.click(QStringLiteral("Command3"));
    session.click(QStringLiteral("Command3"));
    QCOMPARE(session.probe.tekuschiy(), 3);
    session.probe.Text2()->setText(QStringLiteral("1"));
    session.probe.Text(1)->selectAll();
    EditorSession::type(session.probe.Text(1), "blue");
    session.probe.Text(2)->selectAll();
    EditorSession::type(session.probe.Text(2), " BLUE ");
    session.click(QStringLiteral("Command7"));
    session.trigger(QStringLiteral("provbaz"));
    QCOMPARE(topLevel(QStringLiteral("proverka")), window);
    QCOMPARE(summary->text(), QStringLiteral("Вопросов: 24, замечаний: 16"));
    QCOMPARE(lineOf(findings, 0), QStringLiteral("Вопрос № 3: варианты 2 и 3 совпадают"));

    // "Проверить снова" after the fix.
    session.probe.Text(2)->selectAll();
    EditorSession::type(session.probe.Text(2), "red");
    session.click(QStringLiteral("Command7"));
    testsupport::clickButton(*window, QStringLiteral("again"));
    QCOMPARE(summary->text(), QStringLiteral("Вопросов: 24, замечаний: 15"));
    QCOMPARE(lineOf(findings, 0), linesOf(planted_).at(1));
    VERIFY_ALL_SHOWN(session.dialogs);
}

void TestBaseCheck::menuItemWithoutABaseDoesNothing() {
    EditorSession session;
    session.trigger(QStringLiteral("provbaz"));
    QVERIFY(!topLevel(QStringLiteral("proverka")));
    VERIFY_ALL_SHOWN(session.dialogs);
}

void TestBaseCheck::activatingAFindingSavesAndMoves_data() {
    QTest::addColumn<bool>("byKeyboard");
    QTest::addColumn<int>("firstLine");  // activated before, to start from its question; -1: none
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("deleteFirst");  // question 1 deleted after the check
    // Line 11 is "Вопрос № 15: картинку … не удаётся прочитать", line 13 question 19's.
    QTest::newRow("Enter, forward") << true << -1 << 1 << false;
    QTest::newRow("double-click, forward") << false << -1 << 1 << false;
    QTest::newRow("Enter, back") << true << 13 << 19 << false;
    QTest::newRow("double-click, back") << false << 13 << 19 << false;
    // The lines keep the positions of the check: position 15 now holds what was question 16.
    QTest::newRow("Enter, after a deletion") << true << -1 << 1 << true;
}

void TestBaseCheck::activatingAFindingSavesAndMoves() {
    QFETCH(bool, byKeyboard);
    QFETCH(int, firstLine);
    QFETCH(int, from);
    QFETCH(bool, deleteFirst);
    EditorSession session;
    session.open(makePlantedBase(session.folder, QStringLiteral("base.mdb")));
    session.trigger(QStringLiteral("provbaz"));
    QWidget* window = topLevel(QStringLiteral("proverka"));
    QVERIFY(window);
    auto* findings = window->findChild<QListView*>(QStringLiteral("findings"));
    const auto activate = [&](int line) {
        findings->setCurrentIndex(findings->model()->index(line, 0));
        if (byKeyboard) {
            findings->setFocus();
            QTest::keyClick(findings, Qt::Key_Return);
        } else {
            const QRect rect = findings->visualRect(findings->model()->index(line, 0));
            // A double-click is the second click of a pair.
            QTest::mouseClick(findings->viewport(), Qt::LeftButton, {}, rect.center());
            QTest::mouseDClick(findings->viewport(), Qt::LeftButton, {}, rect.center());
        }
    };
    if (firstLine >= 0)
        activate(firstLine);
    if (deleteFirst)
        session.click(QStringLiteral("Command4"));
    QCOMPARE(session.probe.tekuschiy(), from);
    // An edit on screen, not saved yet: the move stores it first.
    session.probe.Text1()->selectAll();
    EditorSession::type(session.probe.Text1(), "Edited before the move?");

    QVERIFY(lineOf(findings, 11).startsWith(QStringLiteral("Вопрос № 15: ")));
    activate(11);
    QCOMPARE(session.probe.tekuschiy(), 15);
    const int count = deleteFirst ? 23 : 24;
    QCOMPARE(session.caption(), QStringLiteral("Вопрос № 15 из %1").arg(count));
    QCOMPARE(session.question(), plantedRows().at(deleteFirst ? 15 : 14).fields[0].toString());
    // The line is activated and nothing else: no check ran again behind it (the edited question
    // lost its near-duplicate with the edit, so a new check would count fewer).
    QCOMPARE(window->findChild<QLabel*>(QStringLiteral("summary"))->text(),
             QStringLiteral("Вопросов: 24, замечаний: 16"));
    const QList<QVariantList> rows = session.rowsAfterClosing();
    QCOMPARE(rows.at(from - 1).at(1).toString(), QStringLiteral("Edited before the move?"));
    VERIFY_ALL_SHOWN(session.dialogs);
}

void TestBaseCheck::activatingStaysWhenTheQuestionFailsItsCheck() {
    EditorSession session;
    session.open(makePlantedBase(session.folder, QStringLiteral("base.mdb")));
    session.trigger(QStringLiteral("provbaz"));
    QWidget* window = topLevel(QStringLiteral("proverka"));
    QVERIFY(window);
    auto* findings = window->findChild<QListView*>(QStringLiteral("findings"));
    session.probe.Text2()->setText(QStringLiteral("9"));
    session.dialogs.expectMessage(
        QStringLiteral("Неверное значение в поле номер верного ответа! Исправьте!"));
    findings->setCurrentIndex(findings->model()->index(3, 0));
    findings->setFocus();
    QTest::keyClick(findings, Qt::Key_Enter);
    VERIFY_ALL_SHOWN(session.dialogs);
    QCOMPARE(session.probe.tekuschiy(), 1);
    QCOMPARE(session.caption(), QStringLiteral("Вопрос № 1 из 24"));
    QCOMPARE(session.probe.Text2()->text(), QStringLiteral("9"));
}

QTEST_MAIN(TestBaseCheck)
#include "tst_basecheck.moc"
