// The printed pages: what the PDF and the .docx show of each variant, the key read back against
// the pages, questions kept with their pictures, and the files left alone by a failed write.

#include "printing/core/pagelayout.h"
#include "printing/core/printpages.h"
#include "questionbase/error.h"
#include "tests/support/docxpackage.h"
#include "tests/support/picturefiles.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace printing;

namespace {

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// `count` questions of 3 … 5 options; every third has a picture, some share one. Variants take
// them in a turned order with turned options, so no two variants print alike.
PrintSet makeSet(const QTemporaryDir& dir, int count, int variants, QSize pictureSize) {
    PrintSet set;
    set.title = QStringLiteral("Контрольная по физике");
    const QString pictures[] = {dir.filePath(QStringLiteral("a.jpg")),
                                dir.filePath(QStringLiteral("b.png"))};
    testsupport::writePicture(pictures[0], pictureSize);
    testsupport::writePicture(pictures[1], pictureSize / 2);
    for (int n = 1; n <= count; ++n) {
        PrintQuestion q;
        q.id = 100 + n;
        q.position = n;
        q.text = n % 4 == 0 ? QStringLiteral("Вопрос %1, первая строка\r\nвторая строка").arg(n)
                            : QStringLiteral("Вопрос %1 о длинном предмете, ")
                                  .arg(n)
                                  .repeated(n % 5 == 1 ? 6 : 1);
        const int options = 3 + n % 3;
        for (int o = 0; o < options; ++o)
            q.options[o] = QStringLiteral("ответ %1-%2").arg(n).arg(o + 1);
        q.correct = 1 + n % options;
        if (n % 3 == 0)
            q.picture = pictures[(n / 3) % 2];
        set.questions << q;
    }
    for (int v = 0; v < variants; ++v) {
        Variant variant;
        variant.number = v + 1;
        for (int i = 0; i < count; ++i) {
            VariantQuestion placed;
            placed.question = (i + v * 7) % count;
            const int options = 3 + (placed.question + 1) % 3;
            for (int o = 0; o < options; ++o)
                placed.optionOrder << 1 + (o + v + i) % options;
            variant.questions << placed;
        }
        set.variants << variant;
    }
    return set;
}

// Which page holds each part of each question, by variant and question.
QMap<QPair<int, int>, QSet<int>> pagesOfQuestions(const pages::Layout& layout) {
    QMap<QPair<int, int>, QSet<int>> found;
    for (int p = 0; p < layout.pages.size(); ++p) {
        for (const pages::Item& item : layout.pages.at(p).items) {
            if (item.role == pages::Role::Text || item.role == pages::Role::Picture ||
                item.role == pages::Role::Option)
                found[{item.variant, item.question}].insert(p);
        }
    }
    return found;
}

}  // namespace

class PrintPagesTest : public QObject {
    Q_OBJECT

private slots:
    void pages_data();
    void pages();
    void failedWriteLeavesNoFile();
};

void PrintPagesTest::pages_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<int>("questions");
    QTest::addColumn<int>("variants");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<bool>("sheets");
    QTest::addColumn<int>("refusedSheet");  // the variant whose sheet the drawer refuses

    QTest::newRow("A4, small pictures, all parts")
        << int(Paper::A4) << 7 << 3 << QSize(120, 80) << true << 0;
    QTest::newRow("Letter, pictures wider than the column, one sheet refused")
        << int(Paper::Letter) << 12 << 2 << QSize(1400, 900) << true << 2;
    QTest::newRow("A4, a picture taller than a page, long key, no sheets")
        << int(Paper::A4) << 40 << 2 << QSize(300, 2600) << false << 0;
}

void PrintPagesTest::pages() {
    QFETCH(int, paper);
    QFETCH(int, questions);
    QFETCH(int, variants);
    QFETCH(QSize, picture);
    QFETCH(bool, sheets);
    QFETCH(int, refusedSheet);

    QTemporaryDir dir;
    const PrintSet set = makeSet(dir, questions, variants, picture);
    PrintChoices choices;
    choices.paper = Paper(paper);
    PrintParts parts;
    parts.sheets = sheets;
    const SheetDrawer drawer = [&](QPainter& painter, const Variant& v) {
        if (v.number == refusedSheet)
            return false;
        painter.drawRect(QRectF(10, 10, 180, 250));
        QFont font = pages::pageFont(12, true);
        font.setPixelSize(5);  // millimetres
        painter.setFont(font);
        painter.drawText(QPointF(20, 30), QStringLiteral("Бланк %1").arg(v.number));
        return true;
    };
    const QString docx = dir.filePath(QStringLiteral("Варианты.docx"));
    const QString pdf = dir.filePath(QStringLiteral("Варианты.pdf"));
    writePrint(set, choices, parts, drawer, docx, pdf);
    const pages::Layout layout = pages::layOut(set, choices, parts, drawer);

    // The PDF has the layout's pages, the sheets among them, and its text in Liberation.
    const int sheetPages = sheets ? variants - (refusedSheet > 0 ? 1 : 0) : 0;
    QCOMPARE(std::count_if(layout.pages.cbegin(), layout.pages.cend(),
                           [](const pages::Page& p) { return p.kind == pages::Page::Kind::Sheet; }),
             sheetPages);
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY2(info.contains(
                 QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(layout.pages.size()))),
             qPrintable(info));
    QVERIFY(info.contains(QStringLiteral("Контрольная по физике")));
    const QStringList fonts =
        run(QStringLiteral("pdffonts"), {pdf}).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    QVERIFY(!fonts.isEmpty());
    for (const QString& font : fonts)
        QVERIFY2(font.contains(QStringLiteral("LiberationSerif")), qPrintable(font));

    // Each variant's questions, numbered, with their options lettered in the variant's order.
    const QString text =
        run(QStringLiteral("pdftotext"),
            {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    qsizetype at = 0;
    const auto next = [&](const QString& wanted) {
        const qsizetype found = text.indexOf(wanted, at);
        if (found >= 0)
            at = found + wanted.size();
        return found >= 0;
    };
    for (const Variant& v : set.variants) {
        QVERIFY(next(QStringLiteral("Вариант %1").arg(v.number)));
        QVERIFY(next(QStringLiteral("Фамилия, имя:")));
        for (int i = 0; i < v.questions.size(); ++i) {
            const PrintQuestion& q = set.questions.at(v.questions.at(i).question);
            QVERIFY2(next(QStringLiteral("%1.").arg(i + 1)), qPrintable(q.text));
            QVERIFY(next(q.text.section(QLatin1Char(','), 0, 0)));
            const QList<int>& order = v.questions.at(i).optionOrder;
            for (int o = 0; o < order.size(); ++o)
                QVERIFY2(next(optionLetter(o) + QStringLiteral(") ") + q.options[order[o] - 1]),
                         qPrintable(q.options[order[o] - 1]));
        }
    }

    // A question's text, picture and options share a page; a picture fits its page and column.
    for (const QSet<int>& onPages : pagesOfQuestions(layout))
        QCOMPARE(onPages.size(), 1);
    int picturesPlaced = 0;
    for (const pages::Page& page : layout.pages) {
        for (const pages::Item& item : page.items) {
            QVERIFY(item.y + item.height() <= layout.size.height() - 2 * layout.margin);
            if (item.kind == pages::Item::Kind::Picture) {
                ++picturesPlaced;
                QVERIFY(item.picture.x + item.picture.width <= layout.columnWidth());
                QVERIFY(item.picture.width <= picture.width() * pages::kDpi / 96 + 1);
            }
        }
    }
    QCOMPARE(picturesPlaced, variants * (questions / 3));

    // The .docx: a sound package with the same page breaks, each picture embedded once, and a
    // key that names the letter each variant's page shows beside the right option.
    const auto parts_ = testsupport::unzipAll(docx);
    const QByteArray document = parts_.value(QStringLiteral("word/document.xml"));
    QString error;
    const auto paragraphs = testsupport::readParagraphs(document, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(document.count("<w:pageBreakBefore/>"), layout.pages.size() - 1);
    QVERIFY(parts_.value(QStringLiteral("[Content_Types].xml")).contains("image/jpeg"));
    int media = 0;
    for (const QString& name : parts_.keys())
        media += name.startsWith(QStringLiteral("word/media/")) ? 1 : 0;
    QCOMPARE(media, 2 + sheetPages);
    for (const auto& paragraph : paragraphs) {
        for (const auto& r : paragraph.runs) {
            QVERIFY(r.preserved);
            QVERIFY(r.halfPoints > 0);
            if (r.picture)
                QCOMPARE(r.extentCx, r.extCx);
        }
    }

    QMap<QPair<int, int>, QString> shown;  // (variant, question) → the letter of the right option
    QMap<QPair<int, int>, QString> key;
    int variant = 0, question = 0;
    bool inKey = false;
    static const QRegularExpression numbered(QStringLiteral("^(\\d+)\\.\\t"));
    static const QRegularExpression lettered(QStringLiteral("^(.)\\)\\t(.*)$"));
    static const QRegularExpression variantHead(QStringLiteral("^Вариант (\\d+)$"));
    for (qsizetype p = 0; p < paragraphs.size(); ++p) {
        const QString& t = paragraphs.at(p).text;
        if (t == QStringLiteral("Ключ ответов"))
            inKey = true;
        if (const auto m = variantHead.match(t); m.hasMatch())
            variant = m.captured(1).toInt();
        if (const auto m = numbered.match(t); m.hasMatch() && !inKey)
            question = m.captured(1).toInt();
        if (const auto m = lettered.match(t); m.hasMatch() && !inKey) {
            const Variant& v = set.variants.at(variant - 1);
            const PrintQuestion& q = set.questions.at(v.questions.at(question - 1).question);
            if (m.captured(2) == q.options[q.correct - 1])
                shown[{variant, question}] = m.captured(1);
        }
        if (inKey && t.startsWith(QStringLiteral("Вопрос № ")) && p >= 2)
            key[{variant, paragraphs.at(p - 2).text.toInt()}] = paragraphs.at(p - 1).text;
    }
    QCOMPARE(shown.size(), variants * questions);
    QCOMPARE(key, shown);
}

void PrintPagesTest::failedWriteLeavesNoFile() {
    QTemporaryDir dir;
    const PrintSet set = makeSet(dir, 3, 1, QSize(40, 40));
    const QString docx = dir.filePath(QStringLiteral("Варианты.docx"));
    const QString pdf = dir.filePath(QStringLiteral("нет такой папки/Варианты.pdf"));
    bool thrown = false;
    try {
        writePrint(set, PrintChoices{}, PrintParts{}, {}, docx, pdf);
    } catch (const qb::Error& e) {
        thrown = e.reason() == qb::Reason::Io;
    }
    QVERIFY(thrown);
    // Neither the .docx nor a temporary file of it is left beside the target.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList({QStringLiteral("a.jpg"), QStringLiteral("b.png")}));
}

QTEST_MAIN(PrintPagesTest)
#include "tst_printpages.moc"
