#include "grading/core/sheetread.h"
#include "grading/testkit/synthscan.h"
#include "printing/core/sheetgeometry.h"

#include <QFile>
#include <QPainter>
#include <QTest>

using grading::testkit::Degradation;
using grading::testkit::Scan;
using grading::testkit::Tally;

Q_DECLARE_METATYPE(grading::testkit::Degradation)

namespace {

QString describe(const Tally& t) {
    return QStringLiteral(
               "bubbles %1/%2 right, %3 wrong undoubted; ordinary rows asked %4/%5; rows to ask "
               "missed %6/%7; forms %8: lost %9, codes unread %10, wrong %11; list numbers "
               "unclear %12, wrong %13")
        .arg(t.bubblesRight)
        .arg(t.bubbles)
        .arg(t.wrongUndoubted)
        .arg(t.ordinaryAsked)
        .arg(t.ordinaryRows)
        .arg(t.askMissed)
        .arg(t.askRows)
        .arg(t.forms)
        .arg(t.formsLost)
        .arg(t.codesUnread)
        .arg(t.codesWrong)
        .arg(t.listsUnclear)
        .arg(t.listsWrong);
}

void add(Tally& to, const Tally& t) {
    to.bubbles += t.bubbles;
    to.bubblesRight += t.bubblesRight;
    to.wrongUndoubted += t.wrongUndoubted;
    to.ordinaryRows += t.ordinaryRows;
    to.ordinaryAsked += t.ordinaryAsked;
    to.askRows += t.askRows;
    to.askMissed += t.askMissed;
    to.forms += t.forms;
    to.formsLost += t.formsLost;
    to.codesUnread += t.codesUnread;
    to.codesWrong += t.codesWrong;
    to.listsUnclear += t.listsUnclear;
    to.listsWrong += t.listsWrong;
}

// What must hold on any page: nothing decided wrongly without a doubt, nothing lost.
void verifyNothingWrong(const Tally& t) {
    QCOMPARE(t.wrongUndoubted, 0);
    QCOMPARE(t.askMissed, 0);
    QCOMPARE(t.formsLost, 0);
    QCOMPARE(t.codesWrong, 0);
    QCOMPARE(t.listsWrong, 0);
}

QString dataFile(const QString& name) {
    return QStringLiteral(TAMBRIS_GRADING_DATA "/") + name;
}

}  // namespace

class PageReaderTest : public QObject {
    Q_OBJECT

private slots:
    void syntheticScans_data();
    void syntheticScans();
    void keptPages_data();
    void keptPages();
    void cleanupTestCase();

private:
    Tally total_;
};

void PageReaderTest::syntheticScans_data() {
    QTest::addColumn<int>("questions");
    QTest::addColumn<Degradation>("degradation");
    const auto row = [](const char* name, int questions, Degradation d) {
        QTest::newRow(name) << questions << d;
    };
    row("clean, 300 dpi", 40, {});
    row("150 dpi", 40, {.dpi = 150});
    row("rotated", 40, {.dpi = 200, .rotation = 5});
    row("scaled and shifted", 40, {.dpi = 200, .scale = 0.03, .shift = 5});
    row("blurred and noisy", 40, {.dpi = 200, .blur = 0.15, .noise = 12});
    row("JPEG 60", 40, {.dpi = 200, .rotation = 2, .noise = 4, .jpegQuality = 60});
    row("phone photo", 40,
        {.dpi = 150, .blur = 0.1, .noise = 6, .jpegQuality = 60, .phonePhoto = true});
    row("upside down", 40, {.dpi = 200, .rotation = 2, .upsideDown = true});
    row("two half forms", 20, {.dpi = 200, .rotation = 3, .noise = 6});
    row("100 questions", 100, {.dpi = 200, .rotation = 2, .blur = 0.1, .noise = 6});
}

// Pages made from seeded sheets, read back and compared with what was marked on them.
void PageReaderTest::syntheticScans() {
    QFETCH(int, questions);
    QFETCH(Degradation, degradation);
    Tally tally;
    for (quint64 seed = 1; seed <= 3; ++seed) {
        const Scan scan = grading::testkit::makeScan(questions, degradation, seed * 7919);
        const grading::PageRead read = grading::readPage(scan.page, QStringLiteral("p.png"), 0);
        QVERIFY2(read.problem.isEmpty(), qPrintable(read.problem));
        QCOMPARE(read.forms.size(), scan.forms.size());
        grading::testkit::tally(scan, read, tally);
    }
    qInfo().noquote() << describe(tally);
    verifyNothingWrong(tally);
    add(total_, tally);
}

void PageReaderTest::keptPages_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<int>("forms");
    // Millimetres of the page painted white before reading.
    QTest::addColumn<QList<QRectF>>("covered");
    QTest::addColumn<bool>("codesCovered");
    QTest::newRow("phone photo, JPEG")
        << QStringLiteral("phone.jpg") << 1 << QList<QRectF>{} << false;
    QTest::newRow("scan, PNG") << QStringLiteral("scan.png") << 2 << QList<QRectF>{} << false;
    QTest::newRow("scan, most of each code covered")
        << QStringLiteral("scan.png") << 2
        << QList<QRectF>{QRectF(150, 18, 40, 44), QRectF(150, 157, 40, 44)} << true;
    QTest::newRow("scan, upper form's lower marks covered")
        << QStringLiteral("scan.png") << 2
        << QList<QRectF>{QRectF(5, 127, 12.5, 17), QRectF(192.5, 127, 12.5, 17)} << false;
    QTest::newRow("no sheet") << QString() << 0 << QList<QRectF>{} << false;
}

// Pages saved once, so that a change of the synthetic scans cannot hide a change of the reader.
void PageReaderTest::keptPages() {
    QFETCH(QString, page);
    QFETCH(int, forms);
    QFETCH(QList<QRectF>, covered);
    QFETCH(bool, codesCovered);
    Scan scan;
    if (page.isEmpty()) {
        // A page of text and a square or two, but no sheet.
        scan.page = QImage(1240, 1754, QImage::Format_Grayscale8);
        scan.page.fill(Qt::white);
        QPainter painter(&scan.page);
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 40));
        for (int line = 0; line < 20; ++line)
            painter.drawText(100, 200 + line * 70, QStringLiteral("Контрольная работа ■ ● 123"));
        painter.fillRect(100, 100, 50, 50, Qt::black);
        painter.fillRect(1000, 100, 50, 50, Qt::black);
    } else {
        QVERIFY(scan.page.load(dataFile(page)));
        QFile truth(dataFile(page + QStringLiteral(".truth")));
        QVERIFY(truth.open(QIODevice::ReadOnly));
        scan.forms = grading::testkit::truthFromText(truth.readAll());
    }
    if (!covered.isEmpty()) {
        scan.page.convertTo(QImage::Format_Grayscale8);  // no painter draws on a palette
        QPainter painter(&scan.page);
        painter.scale(scan.page.dotsPerMeterX() / 1000.0, scan.page.dotsPerMeterY() / 1000.0);
        for (const QRectF& area : covered)
            painter.fillRect(area, Qt::white);
    }
    QCOMPARE(scan.forms.size(), forms);
    const grading::PageRead read = grading::readPage(scan.page, page, 3);
    QCOMPARE(read.forms.size(), forms);
    if (forms == 0) {
        QCOMPARE(read.problem, QStringLiteral("на странице не найден бланк"));
        return;
    }
    Tally tally;
    grading::testkit::tally(scan, read, tally);
    qInfo().noquote() << describe(tally);
    verifyNothingWrong(tally);
    QCOMPARE(tally.codesUnread, codesCovered ? forms : 0);
    for (const grading::FormRead& form : read.forms) {
        QCOMPARE(form.file, page);
        QCOMPARE(form.page, 3);
        // The name line at about 100 dpi, whatever the page's resolution.
        const int questions = int(scan.forms[form.form].rows.size());
        const double nameWidth =
            printing::sheet::nameBox(printing::sheet::formFor(questions)).width();
        QCOMPARE_GE(form.nameCrop.width(), qRound(nameWidth * 3.8));
        QCOMPARE_LE(form.nameCrop.width(), qRound(nameWidth * 4.1));
        QVERIFY(!form.listCrop.isNull());
        // Unread, the form still reaches the teacher: the whole page, small, and no bubble
        // taken for read.
        QCOMPARE(form.pageCrop.isNull(), !codesCovered);
        if (codesCovered) {
            QVERIFY(form.answers.isEmpty());
            for (const auto& place : form.listNumber)
                for (const grading::Bubble& digit : place)
                    QCOMPARE(digit.mark, grading::Mark::Empty);
        }
    }
    add(total_, tally);
}

// The accuracy over every page read.
void PageReaderTest::cleanupTestCase() {
    qInfo().noquote() << "total:" << describe(total_);
    QVERIFY(total_.bubbles > 0);
    QVERIFY2(total_.bubblesRight >= 0.999 * total_.bubbles, qPrintable(describe(total_)));
    QVERIFY2(total_.ordinaryAsked <= 0.02 * total_.ordinaryRows, qPrintable(describe(total_)));
}

QTEST_MAIN(PageReaderTest)
#include "tst_pagereader.moc"
