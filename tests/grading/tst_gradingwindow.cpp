// The grading window as a teacher uses it from the exporter's menu: the results of read
// sheets, school marks by the thresholds she types, names she types or a class list gives, the
// tables saved, and closing with places left undecided.

#include "desktop/scripted/scripteddialogs.h"
#include "exporter/ui/chtenie.h"
#include "grading/testkit/synthscan.h"
#include "grading/ui/gradingwindow.h"
#include "grading/ui/reviewdialog.h"
#include "tests/support/exportersession.h"
#include "tests/support/questionrows.h"
#include "tests/support/useractions.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QSpinBox>
#include <QTableView>
#include <QTest>

#include <memory>

using desktop::ScriptedDialogs;
using grading::Bubble;
using grading::FormRead;
using grading::GradingWindow;
using grading::Mark;
using testsupport::QuestionRow;

namespace {

// Four questions of four options; the right ones are 1, 2, 3 and 1.
QList<QuestionRow> fourQuestions() {
    QList<QuestionRow> rows;
    for (int right : {1, 2, 3, 1}) {
        rows << QuestionRow{
            {QStringLiteral("Вопрос %1").arg(rows.size() + 1), "а", "б", "в", "г", QVariant()},
            right};
    }
    return rows;
}

// A sheet as read: "N a b c d", its list number, then the option marked in each row ("-" for
// none), printed in the base's order. The code names the base's questions by `ids`.
FormRead sheet(const QString& text, const QList<qint64>& ids) {
    const QStringList parts = text.split(u' ');
    FormRead read;
    read.file = QStringLiteral("скан.png");
    const int number = parts.first().toInt();
    read.listNumber[0][size_t(number / 10)].mark = Mark::Filled;
    read.listNumber[1][size_t(number % 10)].mark = Mark::Filled;
    printing::SheetCode code;
    for (int row = 1; row < parts.size(); ++row) {
        QList<Bubble> bubbles(4);
        const int marked = parts[row].toInt();
        for (int option = 1; option <= 4; ++option)
            bubbles[option - 1] = option == marked ? Bubble{0.9, Mark::Filled} : Bubble{};
        // A row not marked is a doubt, shown to the teacher as its crop.
        if (marked == 0)
            read.rowCrops.insert(row - 1, QImage(200, 20, QImage::Format_Grayscale8));
        read.answers << bubbles;
        code.questions << printing::SheetCode::Question{ids[row - 1], {1, 2, 3, 4}};
    }
    read.code = code;
    read.codeText = printing::encodeSheetCode(code);
    QImage name(300, 30, QImage::Format_Grayscale8);
    name.fill(Qt::white);
    read.nameCrop = name;
    return read;
}

// Text as an input method commits it, as a Russian keyboard layout types it.
void typeText(const QString& text) {
    QInputMethodEvent typed;
    typed.setCommitString(text);
    QApplication::sendEvent(QApplication::focusWidget(), &typed);
}

}  // namespace

class TestGradingWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void resultsAsTheTeacherSetsThem_data();
    void resultsAsTheTeacherSetsThem();
    void closingWithPlacesUndecidedAsks();
    void chosenPagesAreRead();
    void savingThatCannotBeDoneWritesNothing_data();
    void savingThatCannotBeDoneWritesNothing();

private:
    // Opens the base of four questions, then "печать" → "проверить бланки…".
    GradingWindow* openWindow();
    QString saveTable(GradingWindow* window, const char* button, const QString& name);

    std::unique_ptr<testsupport::ExporterSession> session_;
    QList<qint64> ids_;
};

void TestGradingWindow::init() {
    session_ = std::make_unique<testsupport::ExporterSession>();
}

void TestGradingWindow::cleanup() {
    session_.reset();
}

GradingWindow* TestGradingWindow::openWindow() {
    const QString path = testsupport::makeQuestionBase(
        session_->folder, QStringLiteral("физика.mdb"), fourQuestions());
    {
        testsupport::OpenBase base(path);
        ids_.clear();
        for (int position = 1; position <= 4; ++position)
            ids_ << base.questions.idAt(position).value_or(0);
    }
    session_->dialogs.expectOpenFile(path);
    testsupport::triggerAction(*session_->window, QStringLiteral("opba"));
    testsupport::triggerAction(*session_->window, QStringLiteral("checkSheets"));
    return session_->window->findChild<GradingWindow*>();
}

// Presses the button, answers the save dialog with `name` in the base's folder, and returns
// the file's text; checks the name the dialog offered first.
QString TestGradingWindow::saveTable(GradingWindow* window, const char* button,
                                     const QString& offered) {
    const QString target = session_->folder.path(QStringLiteral("сохранено.csv"));
    session_->dialogs.expectSaveFile(target);
    // By keyboard, as Enter on the focused button; the window is the active one.
    auto* save = window->findChild<QPushButton*>(QLatin1String(button));
    if (!save)
        return QStringLiteral("<no button %1>").arg(QLatin1String(button));
    save->setFocus();
    testsupport::pressKey(Qt::Key_Return);
    const auto& shown = session_->dialogs.shown();
    if (shown.isEmpty() || shown.last().options.fileName != offered ||
        shown.last().options.initialFolder != session_->folder.folder())
        return QStringLiteral("<offered %1>")
            .arg(shown.isEmpty() ? QString() : shown.last().options.fileName);
    QFile file(target);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<not written>");
    const QByteArray bytes = file.readAll();
    QFile::remove(target);
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        return QStringLiteral("<no BOM>");
    return QString::fromUtf8(bytes.mid(3));
}

void TestGradingWindow::resultsAsTheTeacherSetsThem_data() {
    QTest::addColumn<bool>("baseOpen");
    QTest::addColumn<QString>("classList");      // the file's text; empty: none chosen
    QTest::addColumn<QString>("told");           // the message the class list brings
    QTest::addColumn<QStringList>("marksFrom");  // "three=60": a threshold typed
    QTest::addColumn<QStringList>("typed");  // "7=Иванова Маша": a name typed in that row
    QTest::addColumn<QStringList>("expected");  // the results saved, after the header

    const QStringList defaultMarks{"3;;1;4;100,0;5;1;2;3;1", "7;;1;3;75,0;4;1;2;3;2",
                                   "12;;1;1;25,0;2;1;1;1;2"};
    QTest::newRow("nothing without a base")
        << false << QString() << QString() << QStringList() << QStringList() << QStringList();
    QTest::newRow("default thresholds")
        << true << QString() << QString() << QStringList() << QStringList() << defaultMarks;
    QTest::newRow("«4» from 80: three quarters is a 3")
        << true << QString() << QString() << QStringList{"four=80"} << QStringList()
        << QStringList{"3;;1;4;100,0;5;1;2;3;1", "7;;1;3;75,0;3;1;2;3;2", "12;;1;1;25,0;2;1;1;1;2"};
    QTest::newRow("«4» below «3» is not taken")
        << true << QString() << QString() << QStringList{"four=20"} << QStringList()
        << defaultMarks;
    QTest::newRow("«3» from 20, «5» from 100")
        << true << QString() << QString() << QStringList{"three=20", "five=100"} << QStringList()
        << QStringList{"3;;1;4;100,0;5;1;2;3;1", "7;;1;3;75,0;4;1;2;3;2", "12;;1;1;25,0;3;1;1;1;2"};
    QTest::newRow("a typed name") << true << QString() << QString() << QStringList()
                                  << QStringList{"7=Иванова Маша"}
                                  << QStringList{"3;;1;4;100,0;5;1;2;3;1",
                                                 "7;Иванова Маша;1;3;75,0;4;1;2;3;2",
                                                 "12;;1;1;25,0;2;1;1;1;2"};
    QTest::newRow("the class list names; a listed name is not typed over")
        << true << QStringLiteral("№;Фамилия Имя\n3;Петров Пётр\n12;Сидорова Аня\n") << QString()
        << QStringList() << QStringList{"3=Чужое Имя", "7=Иванова Маша"}
        << QStringList{"3;Петров Пётр;1;4;100,0;5;1;2;3;1", "7;Иванова Маша;1;3;75,0;4;1;2;3;2",
                       "12;Сидорова Аня;1;1;25,0;2;1;1;1;2"};
    QTest::newRow("a class list with no entries is told, and names nobody")
        << true << QStringLiteral("Список 9 «А» класса\nсдать до пятницы\n")
        << QStringLiteral("В файле «9А.csv» не найден список класса: нужны строки «№;Фамилия Имя».")
        << QStringList() << QStringList{"3=Петров Пётр"}
        << QStringList{"3;Петров Пётр;1;4;100,0;5;1;2;3;1", "7;;1;3;75,0;4;1;2;3;2",
                       "12;;1;1;25,0;2;1;1;1;2"};
}

void TestGradingWindow::resultsAsTheTeacherSetsThem() {
    QFETCH(bool, baseOpen);
    QFETCH(QString, classList);
    QFETCH(QString, told);
    QFETCH(QStringList, marksFrom);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, expected);

    if (!baseOpen) {
        testsupport::triggerAction(*session_->window, QStringLiteral("checkSheets"));
        QVERIFY(!session_->window->findChild<GradingWindow*>());
        VERIFY_ALL_SHOWN(session_->dialogs);
        return;
    }
    GradingWindow* window = openWindow();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Проверка бланков"));
    testsupport::activate(*window);

    if (!classList.isEmpty()) {
        const QString listFile = session_->folder.path(QStringLiteral("9А.csv"));
        QFile file(listFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(classList.toUtf8());
        file.close();
        session_->dialogs.expectOpenFile(listFile);
        if (!told.isEmpty())
            session_->dialogs.expectMessage(told);
        testsupport::clickButton(*window, QStringLiteral("classList"));
    }
    window->addRead({sheet(QStringLiteral("3 1 2 3 1"), ids_),
                     sheet(QStringLiteral("7 1 2 3 2"), ids_),
                     sheet(QStringLiteral("12 1 1 1 2"), ids_)});

    for (const QString& threshold : marksFrom) {
        auto* box = window->findChild<QSpinBox*>(threshold.section(u'=', 0, 0));
        QVERIFY(box);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, threshold.section(u'=', 1));
    }

    auto* results = window->findChild<QTableView*>(QStringLiteral("results"));
    QVERIFY(results);
    for (const QString& name : typed) {
        const QString number = name.section(u'=', 0, 0);
        const QModelIndexList rows = results->model()->match(
            results->model()->index(0, 0), Qt::DisplayRole, number.toInt(), 1, Qt::MatchExactly);
        QVERIFY2(rows.size() == 1, qPrintable(number));
        results->setFocus();
        results->setCurrentIndex(results->model()->index(rows.first().row(), 1));
        testsupport::pressKey(Qt::Key_F2);
        typeText(name.section(u'=', 1));
        testsupport::pressKey(Qt::Key_Return);
    }

    QStringList saved = saveTable(window, "saveResults", QStringLiteral("физика — результаты.csv"))
                            .split(QStringLiteral("\r\n"));
    QCOMPARE(saved.value(0).section(u';', 0, 6),
             QStringLiteral("№ по списку;Фамилия Имя;Вариант;Верно;Процент;Оценка;Вопрос № 1"));
    saved.removeFirst();
    saved.removeAll(QString());
    QCOMPARE(saved, expected);
    QVERIFY(saveTable(window, "saveAnalysis", QStringLiteral("физика — анализ вопросов.csv"))
                .startsWith(QStringLiteral("Вопрос;")));
    VERIFY_ALL_SHOWN(session_->dialogs);
}

// Nothing doubtful counts unseen: the review opens by itself, and the window asks before it
// closes with places left.
void TestGradingWindow::closingWithPlacesUndecidedAsks() {
    GradingWindow* window = openWindow();
    QVERIFY(window);
    window->addRead({sheet(QStringLiteral("5 1 - 3 1"), ids_)});
    auto* review = window->findChild<grading::ReviewDialog*>();
    QVERIFY(review);
    QVERIFY(review->isVisible());
    session_->dialogs.expectYesNo(true);
    review->reject();
    QTRY_VERIFY(!window->findChild<grading::ReviewDialog*>());
    QVERIFY(window->findChild<QPushButton*>(QStringLiteral("review"))->isEnabled());

    const QString question = QStringLiteral("Остались нерешённые места: 1. Закрыть?");
    session_->dialogs.expectYesNo(false, question);
    testsupport::clickButton(*window, QStringLiteral("close"));
    QVERIFY(window->isVisible());
    session_->dialogs.expectYesNo(true, question);
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(!window->isVisible());
    VERIFY_ALL_SHOWN(session_->dialogs);
}

// Files chosen at once and a folder, read by "Проверить": every form of every page is graded,
// and a file that is no page is told.
void TestGradingWindow::chosenPagesAreRead() {
    GradingWindow* window = openWindow();
    QVERIFY(window);
    // Two clean scans of two half forms each, every row marked once, no number met twice: the
    // teacher has nothing to decide, so no review comes between reading and results.
    QList<grading::testkit::Scan> scans;
    QSet<int> numbers;
    for (quint64 seed = 1; scans.size() < 2 && seed < 100; ++seed) {
        grading::testkit::Scan scan = grading::testkit::makeScan(5, {.dpi = 200}, seed);
        bool clear = true;
        for (const grading::testkit::FormTruth& form : scan.forms) {
            clear = clear && !numbers.contains(form.listNumber);
            for (const grading::testkit::RowTruth& row : form.rows)
                clear = clear && !row.mustAsk;
        }
        if (!clear)
            continue;
        for (const grading::testkit::FormTruth& form : scan.forms)
            numbers << form.listNumber;
        scans << scan;
    }
    QCOMPARE(scans.size(), 2);
    QStringList expected;
    for (const grading::testkit::Scan& scan : scans) {
        for (const grading::testkit::FormTruth& form : scan.forms)
            expected << QStringLiteral("№%1 в%2").arg(form.listNumber).arg(form.code.variant);
    }

    QDir(session_->folder.folder()).mkpath(QStringLiteral("сканы"));
    QDir(session_->folder.folder()).mkpath(QStringLiteral("ещё"));
    const QString first = session_->folder.path(QStringLiteral("сканы/лист 1.png"));
    const QString broken = session_->folder.path(QStringLiteral("сканы/пусто.png"));
    QVERIFY(scans[0].page.save(first));
    QVERIFY(scans[1].page.save(session_->folder.path(QStringLiteral("ещё/лист 2.png"))));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("не картинка");
    file.close();

    session_->dialogs.expectOpenFiles(QStringList{first, broken});
    testsupport::clickButton(*window, QStringLiteral("files"));
    session_->dialogs.expectOpenFolder(session_->folder.path(QStringLiteral("ещё")));
    testsupport::clickButton(*window, QStringLiteral("folder"));
    testsupport::clickButton(*window, QStringLiteral("check"));
    QVERIFY(!window->findChild<grading::ReviewDialog*>());

    const QAbstractItemModel* results =
        window->findChild<QTableView*>(QStringLiteral("results"))->model();
    QStringList got;
    for (int row = 0; row < results->rowCount(); ++row) {
        got << QStringLiteral("№%1 в%2").arg(results->index(row, 0).data().toString(),
                                             results->index(row, 2).data().toString());
    }
    got.sort();
    expected.sort();
    QCOMPARE(got, expected);
    const QString remarks =
        window->findChild<QPlainTextEdit*>(QStringLiteral("remarks"))->toPlainText();
    QVERIFY2(remarks.contains(QStringLiteral("пусто.png: ")), qPrintable(remarks));
    // Read once: the same files are not read again.
    QVERIFY(!window->findChild<QPushButton*>(QStringLiteral("check"))->isEnabled());
    VERIFY_ALL_SHOWN(session_->dialogs);
}

void TestGradingWindow::savingThatCannotBeDoneWritesNothing_data() {
    QTest::addColumn<QString>("target");  // under the test's folder
    QTest::newRow("a folder that is not there") << QStringLiteral("нет/физика.csv");
    QTest::newRow("the open base itself") << QStringLiteral("физика.mdb");
}

void TestGradingWindow::savingThatCannotBeDoneWritesNothing() {
    QFETCH(QString, target);
    GradingWindow* window = openWindow();
    QVERIFY(window);
    window->addRead({sheet(QStringLiteral("3 1 2 3 1"), ids_)});
    const QString path = session_->folder.path(target);
    QFile before(path);
    const QByteArray bytes = before.open(QIODevice::ReadOnly) ? before.readAll() : QByteArray();
    before.close();
    const QStringList files = QDir(session_->folder.folder()).entryList(QDir::Files | QDir::Hidden);

    session_->dialogs.expectSaveFile(path);
    if (!bytes.isEmpty())
        session_->dialogs.expectYesNo(
            true,
            QStringLiteral("Файл «%1» уже существует. Заменить?").arg(QFileInfo(path).fileName()));
    session_->dialogs.expectMessage(QStringLiteral("Произошла ошибка. Все ли верно?"));
    testsupport::clickButton(*window, QStringLiteral("saveResults"));
    VERIFY_ALL_SHOWN(session_->dialogs);
    QFile after(path);
    QCOMPARE(after.open(QIODevice::ReadOnly) ? after.readAll() : QByteArray(), bytes);
    // Nothing half-written is left beside the base either.
    QCOMPARE(QDir(session_->folder.folder()).entryList(QDir::Files | QDir::Hidden), files);
}

QTEST_MAIN(TestGradingWindow)
#include "tst_gradingwindow.moc"
