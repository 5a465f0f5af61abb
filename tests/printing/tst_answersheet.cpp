#include "printing/core/answersheet.h"
#include "printing/core/qrcode.h"
#include "printing/core/sheetgeometry.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using printing::Paper;
using printing::SheetContent;
using printing::SheetItem;
namespace sheet = printing::sheet;

Q_DECLARE_METATYPE(printing::Paper)

namespace {

// A sheet of `questions` rows with 2 … 5 options, and a code as long as a real one: per question
// a five-digit id and its option order, in the characters a QR code packs tightly.
SheetContent sampleSheet(int questions) {
    SheetContent content;
    content.title = QStringLiteral(
        "Контрольная работа по истории России за первое полугодие, 9 класс, базовый уровень");
    content.variant = 17;
    content.check = QStringLiteral("K7Q2");
    QByteArray code = "S1*V17";
    quint32 state = 12345;
    for (int i = 0; i < questions; ++i) {
        const int options = 2 + i % 4;
        content.optionCounts.append(options);
        state = state * 1103515245u + 12345u;
        code += '*' + QByteArray::number(10000 + state % 90000) + '.';
        for (int option = options; option >= 1; --option)
            code += QByteArray::number(option);
    }
    content.code = code;
    return content;
}

QRectF pageRect(Paper paper) {
    return QRectF(QPointF(0, 0), printing::pageSize(paper));
}

QRectF formRect(Paper paper, int questions, int form) {
    const sheet::Form kind = sheet::formFor(questions);
    return QRectF(sheet::frameOrigin(paper) + sheet::formOrigin(kind, form),
                  QSizeF(sheet::kFrameWidth, sheet::formHeight(kind)));
}

// The darkest pixel within `radius` pixels of `at` (millimetres on the page).
int darkestNear(const QImage& image, QPointF at, double dpi, int radius) {
    const QPoint centre = (at * dpi / 25.4).toPoint();
    int darkest = 255;
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
            darkest = std::min(darkest, qGray(image.pixel(centre + QPoint(dx, dy))));
    return darkest;
}

}  // namespace

class AnswerSheetTest : public QObject {
    Q_OBJECT

private slots:
    void renderedPageReads_data();
    void renderedPageReads();
    void layoutFitsTheFrame_data();
    void layoutFitsTheFrame();
};

void AnswerSheetTest::renderedPageReads_data() {
    QTest::addColumn<Paper>("paper");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("questions");
    for (Paper paper : {Paper::A4, Paper::Letter})
        for (int dpi : {150, 300})
            for (int questions : {30, 40}) {
                const QByteArray name = (paper == Paper::A4 ? "A4 " : "Letter ") +
                                        QByteArray::number(dpi) + " dpi, " +
                                        QByteArray::number(questions) + " questions";
                QTest::newRow(name.constData()) << paper << dpi << questions;
            }
    QTest::newRow("at capacity, A4 150 dpi") << Paper::A4 << 150 << printing::sheetCapacity();
    QTest::newRow("at capacity, Letter 300 dpi")
        << Paper::Letter << 300 << printing::sheetCapacity();
}

// What a reader of a scan relies on: each form's code decodes to the exact text, the marks are
// solid, every bubble is drawn where the layout says and is empty inside, and a row has no
// bubble beyond its question's options.
void AnswerSheetTest::renderedPageReads() {
    QFETCH(Paper, paper);
    QFETCH(int, dpi);
    QFETCH(int, questions);
    const SheetContent content = sampleSheet(questions);

    const QImage image = printing::renderSheetPage(content, paper, dpi);
    const QSizeF mm = printing::pageSize(paper);
    QCOMPARE(image.size(),
             QSize(qRound(mm.width() * dpi / 25.4), qRound(mm.height() * dpi / 25.4)));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString png = dir.filePath(QStringLiteral("sheet.png"));
    QVERIFY(image.save(png));
    QProcess zbar;
    zbar.start(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"), png});
    QVERIFY2(zbar.waitForFinished(60000), "zbarimg did not finish");
    const QList<QByteArray> decoded = zbar.readAllStandardOutput().trimmed().split('\n');
    const sheet::Form form = sheet::formFor(questions);
    QCOMPARE(decoded, QList<QByteArray>(sheet::formsPerPage(form), content.code));
    // Modules of half a millimetre still read from a phone's photo or a 200 dpi scan.
    if (questions <= 40) {
        const int modules = printing::encodeQr(content.code).size;
        QVERIFY(modules > 0);
        QCOMPARE_GE(sheet::codeSquare(form).width() / (modules + 2 * sheet::kCodeQuietModules),
                    0.5);
    }

    const int ring = qMax(1, dpi / 150);
    for (const SheetItem& item : printing::sheetItems(content, paper)) {
        const QPointF centre = item.rect.center();
        if (item.kind == SheetItem::Kind::Mark)
            QVERIFY2(darkestNear(image, centre, dpi, 0) < 64, "a corner mark is not solid");
        if (item.kind != SheetItem::Kind::Bubble)
            continue;
        QVERIFY2(qGray(image.pixel((centre * dpi / 25.4).toPoint())) > 200,
                 "an empty bubble is dark inside");
        const QPointF edge = centre + QPointF(sheet::kBubbleRadius - 0.15, 0);
        QVERIFY2(darkestNear(image, edge, dpi, ring) < 160, "a bubble's outline is missing");
    }
    for (int question = 0; question < questions; ++question) {
        const int options = content.optionCounts[question];
        if (options == printing::kOptionCount)
            continue;
        const QPointF absent = sheet::frameOrigin(paper) +
                               sheet::answerBubble(questions, question, options) +
                               QPointF(sheet::kBubbleRadius - 0.15, 0);
        QVERIFY2(darkestNear(image, absent, dpi, ring) > 200, "a bubble for a missing option");
    }
}

void AnswerSheetTest::layoutFitsTheFrame_data() {
    QTest::addColumn<Paper>("paper");
    QTest::addColumn<int>("questions");
    for (Paper paper : {Paper::A4, Paper::Letter}) {
        const char* name = paper == Paper::A4 ? "A4" : "Letter";
        for (int questions : {1, 30, 31, 41, printing::sheetCapacity()})
            QTest::addRow("%s, %d questions", name, questions) << paper << questions;
    }
}

// Every form's marks stay clear of the paper's unprintable edge, everything of a form lies
// within the square its marks span (what a reader maps from a scan), the forms stay within the
// frame both papers share, and nothing overlaps anything else.
void AnswerSheetTest::layoutFitsTheFrame() {
    QFETCH(Paper, paper);
    QFETCH(int, questions);
    const SheetContent content = sampleSheet(questions);
    const QList<SheetItem> items = printing::sheetItems(content, paper);
    const sheet::Form form = sheet::formFor(questions);
    const int forms = sheet::formsPerPage(form);
    const QRectF frame(sheet::frameOrigin(paper), QSizeF(sheet::kFrameWidth, sheet::kFrameHeight));
    QVERIFY(pageRect(paper).contains(frame));

    // A rule or cut line is a line: give it its pen's width so that it can meet something.
    const auto area = [](const SheetItem& item) {
        return item.rect.height() > 0 ? item.rect : item.rect.adjusted(0, -0.1, 0, 0.1);
    };
    int optionBubbles = 0;
    for (int options : content.optionCounts)
        optionBubbles += options;
    for (int copy = 0; copy < forms; ++copy) {
        QRectF marked;
        QMap<SheetItem::Kind, int> counts;
        for (const SheetItem& item : items) {
            if (item.form != copy || item.kind == SheetItem::Kind::CutLine)
                continue;
            ++counts[item.kind];
            if (item.kind == SheetItem::Kind::Mark)
                marked |= item.rect;
        }
        QCOMPARE(counts.value(SheetItem::Kind::Mark), 4);
        QCOMPARE(counts.value(SheetItem::Kind::Code), 1);
        QCOMPARE(counts.value(SheetItem::Kind::Bubble), 20 + optionBubbles);
        QVERIFY(frame.contains(formRect(paper, questions, copy)));
        QVERIFY(formRect(paper, questions, copy).contains(marked));
        QVERIFY(pageRect(paper).adjusted(8, 8, -8, -8).contains(marked));
        for (const SheetItem& item : items)
            if (item.form == copy && item.kind != SheetItem::Kind::CutLine)
                QVERIFY2(marked.contains(area(item)),
                         qPrintable(QStringLiteral("outside the marks: ") + item.text));
    }

    for (qsizetype i = 0; i < items.size(); ++i)
        for (qsizetype j = i + 1; j < items.size(); ++j)
            QVERIFY2(!area(items[i]).intersects(area(items[j])),
                     qPrintable(QStringLiteral("overlap: «%1» and «%2» at %3, %4 mm")
                                    .arg(items[i].text, items[j].text)
                                    .arg(items[j].rect.x())
                                    .arg(items[j].rect.y())));

    QVERIFY(printing::sheetItems(sampleSheet(printing::sheetCapacity() + 1), paper).isEmpty());
}

QTEST_MAIN(AnswerSheetTest)
#include "tst_answersheet.moc"
