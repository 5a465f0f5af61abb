// Scans of a printed test graded from end to end, as a teacher does it in the exporter: the
// base opened, the pages chosen and read, every doubtful place decided in "Спорные места" from
// what the student really marked, the results saved. The pages are kept in tests/data/grading
// with what was marked on them; they were printed from the base below. The saved table must be
// the kept one, and a key corrected in the base afterwards must change exactly the scores it
// touches.

#include "desktop/scripted/scripteddialogs.h"
#include "exporter/ui/chtenie.h"
#include "grading/testkit/synthscan.h"
#include "grading/ui/gradingwindow.h"
#include "grading/ui/reviewdialog.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/recordset.h"
#include "tests/support/questionrows.h"
#include "tests/support/useractions.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTest>

#include <memory>

using grading::testkit::FormTruth;
using grading::testkit::Stroke;
using testsupport::QuestionRow;

namespace {

const QString kData = QStringLiteral(TAMBRIS_GRADING_DATA "/");
const QStringList kPages{QStringLiteral("graded-1.png"), QStringLiteral("graded-2.jpg"),
                         QStringLiteral("graded-3.jpg")};

// Twelve questions, every third of four options; the pages were printed from it, two variants.
QList<QuestionRow> printedBase() {
    const int rights[12] = {1, 2, 3, 4, 5, 1, 2, 3, 4, 1, 2, 3};
    QList<QuestionRow> rows;
    for (int i = 0; i < 12; ++i) {
        const bool four = i % 3 == 1;
        rows << QuestionRow{{QStringLiteral("Вопрос %1").arg(i + 1), "а", "б", "в", "г",
                             four ? QVariant() : QVariant("д")},
                            four && rights[i] == 5 ? 4 : rights[i]};
    }
    return rows;
}

// What the teacher decides on looking at a row: the one option the student marked and did not
// withdraw; "no answer" for a blank row, two marks, or a half-filled bubble.
int intended(const QList<Stroke>& row) {
    int chosen = -1;
    for (int i = 0; i < row.size(); ++i) {
        if (row[i] == Stroke::HalfFilled)
            return -1;
        if (row[i] == Stroke::Filled || row[i] == Stroke::Tick || row[i] == Stroke::Cross) {
            if (chosen >= 0)
                return -1;
            chosen = i;
        }
    }
    return chosen;
}

QList<QStringList> table(const QByteArray& csv) {
    QList<QStringList> rows;
    for (const QString& line :
         QString::fromUtf8(csv).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        rows << line.split(u';');
    return rows;
}

}  // namespace

class TestGradeScans : public QObject {
    Q_OBJECT

private slots:
    void keptPagesGradeAsKeptAndTheKeyCountsAsItIsNow();

private:
    // Opens the base in a new exporter window, grades the kept pages, decides every doubt from
    // the truth by keys, and returns the saved results table.
    QByteArray gradePages();
    QString decideDoubts(grading::ReviewDialog& review);

    std::unique_ptr<testsupport::TempFolder> folder_;
    QString base_;
    QMap<QString, QList<FormTruth>> truth_;
};

QString TestGradeScans::decideDoubts(grading::ReviewDialog& review) {
    auto* remaining = review.findChild<QLabel*>(QStringLiteral("remaining"));
    auto* heading = review.findChild<QLabel*>(QStringLiteral("heading"));
    for (int guard = 0; guard < 200 && !remaining->text().endsWith(QStringLiteral(": 0"));
         ++guard) {
        // "graded-3.jpg, стр. 1, нижний бланк: Вопрос 5: неясная отметка"
        const QString line = heading->text();
        const QString file = line.section(u',', 0, 0);
        const FormTruth& form =
            truth_.value(file).value(line.contains(QStringLiteral("нижний бланк")) ? 1 : 0);
        const QString what = line.section(QStringLiteral(": "), 1);
        if (what.startsWith(QStringLiteral("Вопрос "))) {
            const int row = what.section(u' ', 1, 1).chopped(1).toInt() - 1;
            const int option = intended(form.rows.value(row).bubbles);
            testsupport::pressKey(option < 0 ? Qt::Key_0 : Qt::Key_1 + option);
        } else if (what.startsWith(QStringLiteral("№ по списку"))) {
            review.findChild<QLineEdit*>(QStringLiteral("listNumber"))
                ->setText(QString::number(form.listNumber));
            testsupport::clickButton(review, QStringLiteral("acceptNumber"));
        } else {
            return QStringLiteral("asked what a page read right cannot ask: ") + line;
        }
    }
    testsupport::clickButton(review, QStringLiteral("finish"));
    return {};
}

QByteArray TestGradeScans::gradePages() {
    desktop::ScriptedDialogs dialogs;
    desktop::ScriptedServices services;
    services.folder = folder_->folder();
    exporter::Chtenie exporterWindow(dialogs, services);
    exporterWindow.show();
    dialogs.expectOpenFile(base_);
    testsupport::triggerAction(exporterWindow, QStringLiteral("opba"));
    testsupport::triggerAction(exporterWindow, QStringLiteral("checkSheets"));
    auto* window = exporterWindow.findChild<grading::GradingWindow*>();
    if (!window)
        return "<no grading window>";
    QStringList pages;
    for (const QString& page : kPages)
        pages << kData + page;
    dialogs.expectOpenFiles(pages);
    testsupport::clickButton(*window, QStringLiteral("files"));
    testsupport::clickButton(*window, QStringLiteral("check"));
    if (window->book().sheetCount() != 6)
        return "<not six forms read>";
    if (auto* review = window->findChild<grading::ReviewDialog*>()) {
        testsupport::activate(*review);
        const QString wrong = decideDoubts(*review);
        if (!wrong.isEmpty())
            return wrong.toUtf8();
    }
    const QString target = folder_->path(QStringLiteral("результаты.csv"));
    dialogs.expectSaveFile(target);
    testsupport::clickButton(*window, QStringLiteral("saveResults"));
    QFile file(target);
    if (!file.open(QIODevice::ReadOnly))
        return "<not saved>";
    const QByteArray csv = file.readAll();
    file.close();
    QFile::remove(target);
    if (!dialogs.verifyAllShown(__FILE__, __LINE__))
        return "<the dialogs went otherwise>";
    return csv;
}

void TestGradeScans::keptPagesGradeAsKeptAndTheKeyCountsAsItIsNow() {
    folder_ = std::make_unique<testsupport::TempFolder>();
    base_ = testsupport::makeQuestionBase(*folder_, QStringLiteral("физика.mdb"), printedBase());
    for (const QString& page : kPages) {
        QFile file(kData + page + QStringLiteral(".truth"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        truth_.insert(page, grading::testkit::truthFromText(file.readAll()));
    }

    const QByteArray printed = gradePages();
    QFile kept(kData + QStringLiteral("graded-results.csv"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(printed), QString::fromUtf8(kept.readAll()));

    // Question 3's key was wrong: "в" (3) becomes "а" (1).
    {
        qb::Connection connection;
        connection.open(base_, qb::kEmptyPasswordMarker);
        qb::Recordset rows;
        rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
        QVERIFY(rows.moveToRow(3));
        rows.field(QStringLiteral("верный")).setValue(1);
        rows.update();
    }
    const QList<QStringList> before = table(printed);
    const QList<QStringList> after = table(gradePages());
    QCOMPARE(after.size(), before.size());
    const qsizetype right = before.first().indexOf(QStringLiteral("Верно"));
    const qsizetype third = before.first().indexOf(QStringLiteral("Вопрос № 3"));
    QVERIFY(right > 0 && third > right);
    int changed = 0;
    for (qsizetype i = 1; i < before.size(); ++i) {
        const QString answer = before[i][third];
        const int gain = (answer == QStringLiteral("1")) - (answer == QStringLiteral("3"));
        QCOMPARE(after[i][right].toInt(), before[i][right].toInt() + gain);
        QCOMPARE(after[i].mid(third), before[i].mid(third));
        changed += gain != 0;
    }
    QVERIFY2(changed > 0, "no student answered question 3 with either key");
}

QTEST_MAIN(TestGradeScans)
#include "tst_gradescans.moc"
