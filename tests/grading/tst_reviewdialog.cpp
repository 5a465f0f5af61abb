#include "desktop/scripted/scripteddialogs.h"
#include "grading/core/gradebook.h"
#include "grading/ui/reviewdialog.h"
#include "tests/support/useractions.h"

#include <QAccessible>
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using desktop::ScriptedDialogs;
using grading::Bubble;
using grading::Doubt;
using grading::FormRead;
using grading::Gradebook;
using grading::Mark;
using grading::ReviewDialog;
using grading::ReviewItem;

namespace {

// A crop of one grey level, so the picture shown tells which crop it is.
QImage crop(int grey, int width = 120, int height = 16) {
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(QColor(grey, grey, grey));
    return image;
}

QList<Bubble> row(QList<Mark> marks) {
    QList<Bubble> bubbles;
    for (Mark mark : marks)
        bubbles.append(Bubble{mark == Mark::Filled     ? 0.9
                              : mark == Mark::Doubtful ? 0.4
                                                       : 0.02,
                              mark});
    return bubbles;
}

FormRead form(const QString& file, int page, int lower, QList<QList<Bubble>> answers,
              std::optional<int> number) {
    FormRead read;
    read.file = file;
    read.page = page;
    read.form = lower;
    printing::SheetCode code;
    code.variant = lower + 1;
    for (int i = 0; i < answers.size(); ++i) {
        QList<int> order;
        for (int option = 1; option <= answers[i].size(); ++option)
            order.append(option);
        code.questions.append({100 + i, order});
    }
    read.code = code;
    read.codeText = printing::encodeSheetCode(code);
    read.answers = answers;
    if (number) {
        read.listNumber[0][*number / 10].mark = Mark::Filled;
        read.listNumber[1][*number % 10].mark = Mark::Filled;
    }
    read.nameCrop = crop(130, 300, 30);
    return read;
}

// Sheet 0: a row of two marks (5 options) and a doubtful one (4 options), number 12. Sheet 1,
// the lower half of the same page: no number, a row without a mark (3 options). Sheet 2: a
// page whose code was not read.
void fill(Gradebook& book) {
    const auto E = Mark::Empty, F = Mark::Filled, D = Mark::Doubtful;
    FormRead first = form(QStringLiteral("/scans/урок1.png"), 0, 0,
                          {row({E, F, E, E, E}), row({F, E, F, E, E}), row({E, E, D, E})}, 12);
    first.listCrop = crop(120, 40, 100);
    first.rowCrops = {{1, crop(40)}, {2, crop(80)}};
    book.add(first);

    FormRead second = form(QStringLiteral("/scans/урок1.png"), 0, 1,
                           {row({E, E, E}), row({E, E, F})}, std::nullopt);
    second.listCrop = crop(200, 40, 100);
    second.rowCrops = {{0, crop(160)}};
    book.add(second);

    FormRead third;
    third.file = QStringLiteral("/scans/урок2.pdf");
    third.page = 1;
    third.pageCrop = crop(240, 200, 280);
    book.add(third);
}

// The places the fixture asks about, by a short tag.
std::optional<ReviewItem> itemOf(const Gradebook& book, const QString& tag) {
    const int sheet = tag.mid(1, 1).toInt();
    const QChar kind = tag.at(2);
    for (const ReviewItem& item : book.doubts(sheet)) {
        if ((kind == u'r' && item.doubt == Doubt::Row && item.row == tag.mid(3).toInt()) ||
            (kind == u'n' && item.doubt == Doubt::ListNumber) ||
            (kind == u't' && item.doubt == Doubt::ListNumberTwice) ||
            (kind == u'c' && item.doubt == Doubt::Code))
            return item;
    }
    return std::nullopt;
}

int lineOf(const Gradebook& book, const ReviewItem& wanted) {
    int line = 0;
    for (int sheet = 0; sheet < book.sheetCount(); ++sheet)
        for (const ReviewItem& item : book.doubts(sheet)) {
            if (item.sheet == wanted.sheet && item.doubt == wanted.doubt && item.row == wanted.row)
                return line;
            ++line;
        }
    return -1;
}

// What the book holds now: "?" where nothing is decided yet.
QString state(const Gradebook& book) {
    const auto answer = [&](int sheet, int row) {
        const std::optional<grading::Answer> chosen = book.answer(sheet, row);
        if (!chosen)
            return QStringLiteral("?");
        return *chosen ? QString(QStringLiteral("АБВГД").at(**chosen)) : QStringLiteral("нет");
    };
    const auto number = [&](int sheet) {
        const std::optional<std::optional<int>> read = book.listNumber(sheet);
        if (!read)
            return QStringLiteral("?");
        return *read ? QString::number(**read) : QStringLiteral("нет");
    };
    return QStringLiteral("s0r1=%1 s0r2=%2 s0n=%3 s1n=%4 s1r0=%5 s2=%6")
        .arg(answer(0, 1), answer(0, 2), number(0), number(1), answer(1, 0),
             book.isSkipped(2) ? QStringLiteral("пропущен") : QStringLiteral("?"));
}

// A key as a Russian layout gives it: the letter's code and its text.
void typeText(const QString& text) {
    for (QChar typed : text) {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus != nullptr);
        QKeyEvent press(QEvent::KeyPress, typed.toUpper().unicode(), Qt::NoModifier, typed);
        QKeyEvent release(QEvent::KeyRelease, typed.toUpper().unicode(), Qt::NoModifier, typed);
        QApplication::sendEvent(focus, &press);
        QApplication::sendEvent(focus, &release);
    }
}

// Text as an input method commits it, the way Cyrillic often reaches a control.
void commitText(const QString& text) {
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus != nullptr);
    QInputMethodEvent typed;
    typed.setCommitString(text);
    QApplication::sendEvent(focus, &typed);
}

// The grey of the middle of the crop on show.
int shownGrey(ReviewDialog& dialog) {
    const auto* label = dialog.findChild<QLabel*>(QStringLiteral("crop"));
    const QImage shown = label->pixmap().toImage();
    if (shown.isNull())
        return -1;
    return qGray(shown.pixel(shown.width() / 2, shown.height() / 2));
}

// Runs one step of a case: an action the teacher takes, or a check of what she sees.
void step(ReviewDialog& dialog, Gradebook& book, const QString& what) {
    const QString verb = what.section(u':', 0, 0);
    const QString arg = what.section(u':', 1);
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("doubtList"));
    if (verb == u"select") {
        const std::optional<ReviewItem> item = itemOf(book, arg);
        QVERIFY2(item, qPrintable(what));
        QListWidgetItem* line = list->item(lineOf(book, *item));
        QVERIFY2(line, qPrintable(what));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(line).center());
    } else if (verb == u"at") {
        const std::optional<ReviewItem> item = itemOf(book, arg);
        QVERIFY2(item, qPrintable(what));
        QCOMPARE(list->currentRow(), lineOf(book, *item));
    } else if (verb == u"click") {
        auto* target = dialog.findChild<QWidget*>(arg);
        QVERIFY2(target && target->isVisible(), qPrintable(what));
        QTest::mouseClick(target, Qt::LeftButton);
    } else if (verb == u"key") {
        testsupport::pressKey(QKeySequence::fromString(arg)[0].key());
    } else if (verb == u"type") {
        typeText(arg);
    } else if (verb == u"ime") {
        commitText(arg);
    } else if (verb == u"left") {
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("remaining"))->text(),
                 QStringLiteral("Осталось решить: ") + arg);
    } else if (verb == u"line") {
        QVERIFY2(list->currentItem() && list->currentItem()->text().contains(arg),
                 qPrintable(list->currentItem() ? list->currentItem()->text() : what));
    } else if (verb == u"shows") {
        QCOMPARE(shownGrey(dialog), arg.toInt());
    } else if (verb == u"hidden") {
        auto* target = dialog.findChild<QWidget*>(arg);
        QVERIFY2(target && !target->isVisible(), qPrintable(what));
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown step ") + what));
    }
}

}  // namespace

class TestReviewDialog : public QObject {
    Q_OBJECT
private slots:
    void decide_data();
    void decide();
    void close_data();
    void close();
};

void TestReviewDialog::decide_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("result");
    QTest::newRow("by clicks") << QStringList{"left:5",
                                              "at:s0r1",
                                              "shows:40",
                                              "click:optionB",
                                              "at:s0r2",
                                              "left:4",
                                              "shows:80",
                                              "hidden:optionE",
                                              "click:noAnswer",
                                              "select:s1n",
                                              "shows:200",
                                              "click:listNumber",
                                              "type:17",
                                              "click:acceptNumber",
                                              "select:s1r0",
                                              "hidden:optionD",
                                              "click:optionA",
                                              "select:s2c",
                                              "shows:240",
                                              "click:skipSheet",
                                              "left:0",
                                              "line:урок2.pdf, стр. 2: ",
                                              "line: — лист пропущен"}
                               << "s0r1=Б s0r2=нет s0n=12 s1n=17 s1r0=А s2=пропущен";
    QTest::newRow("by keys") << QStringList{"key:5",       "at:s0r2",
                                            "type:в",      "select:s1n",
                                            "type:7",      "key:Return",
                                            "select:s1r0", "line:урок1.png, стр. 1, нижний бланк: ",
                                            "key:Delete",  "left:1"}
                             << "s0r1=Д s0r2=В s0n=12 s1n=7 s1r0=нет s2=?";
    QTest::newRow("input method and the Latin keys in the letters' places")
        << QStringList{"ime:г", "at:s0r2",    "key:F",          "select:s1r0",
                       "key:,", "select:s1n", "click:noNumber", "left:1"}
        << "s0r1=Г s0r2=А s0n=12 s1n=нет s1r0=Б s2=?";
    QTest::newRow("a decision changed")
        << QStringList{"click:optionB", "select:s0r1", "line: — ответ Б",
                       "type:Д",        "left:4",      "select:s0r1",
                       "key:0",         "select:s0r1", "line: — нет ответа",
                       "left:4"}
        << "s0r1=нет s0r2=? s0n=12 s1n=? s1r0=? s2=?";
    QTest::newRow("keys for options the row has not")
        << QStringList{"select:s0r2", "key:5", "type:д", "key:L", "left:5", "at:s0r2", "key:4"}
        << "s0r1=? s0r2=Г s0n=12 s1n=? s1r0=? s2=?";
    QTest::newRow("a number met twice, then put right")
        << QStringList{"select:s1n", "type:12",   "key:Return", "select:s0t", "shows:120",
                       "select:s1t", "shows:200", "type:13",    "key:Return", "left:4"}
        << "s0r1=? s0r2=? s0n=12 s1n=13 s1r0=? s2=?";
    QTest::newRow("a skipped sheet brought back") << QStringList{"select:s1r0",
                                                                 "click:skipSheet",
                                                                 "left:3",
                                                                 "select:s1n",
                                                                 "line: — лист пропущен",
                                                                 "click:skipSheet",
                                                                 "left:5",
                                                                 "type:3",
                                                                 "key:Enter"}
                                                  << "s0r1=? s0r2=? s0n=12 s1n=3 s1r0=? s2=?";
}

void TestReviewDialog::decide() {
    QFETCH(QStringList, steps);
    QFETCH(QString, result);
    Gradebook book;
    fill(book);
    ScriptedDialogs dialogs;
    ReviewDialog dialog(book, dialogs);
    dialog.open();
    testsupport::activate(dialog);

    // What a screen reader says of each control the keyboard reaches, and of the crop.
    for (QWidget* control : dialog.findChildren<QWidget*>()) {
        if (!control->isVisible() || control->focusPolicy() == Qt::NoFocus)
            continue;
        QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(control);
        QVERIFY2(heard && !heard->text(QAccessible::Name).isEmpty(),
                 qPrintable(control->objectName()));
    }
    QVERIFY(!dialog.findChild<QLabel*>(QStringLiteral("crop"))->accessibleDescription().isEmpty());

    for (const QString& what : steps) {
        step(dialog, book, what);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("at step ") + what));
    }
    QCOMPARE(state(book), result);
    QVERIFY(dialog.isVisible());
    VERIFY_ALL_SHOWN(dialogs);
}

void TestReviewDialog::close_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("asked");  // -1: not asked; else the answer, 1 for Yes
    QTest::addColumn<bool>("closed");
    const QStringList half{"key:1"};
    const QStringList all{"key:1",       "key:1", "select:s1n", "type:5",         "key:Return",
                          "select:s1r0", "key:1", "select:s2c", "click:skipSheet"};
    QTest::newRow("Готово with places left, kept open") << half << "finish" << 0 << false;
    QTest::newRow("Escape with places left, closed") << half << "Escape" << 1 << true;
    QTest::newRow("the window's close, kept open") << QStringList{} << "window" << 0 << false;
    QTest::newRow("Готово with all decided") << all << "finish" << -1 << true;
    QTest::newRow("Escape with all decided") << all << "Escape" << -1 << true;
}

void TestReviewDialog::close() {
    QFETCH(QStringList, steps);
    QFETCH(QString, how);
    QFETCH(int, asked);
    QFETCH(bool, closed);
    Gradebook book;
    fill(book);
    ScriptedDialogs dialogs;
    ReviewDialog dialog(book, dialogs);
    bool finished = false;
    connect(&dialog, &QDialog::finished, this, [&] { finished = true; });
    dialog.open();
    testsupport::activate(dialog);
    for (const QString& what : steps) {
        step(dialog, book, what);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("at step ") + what));
    }
    const int left = int(book.undecided().size());
    if (asked >= 0)
        dialogs.expectYesNo(asked == 1,
                            QStringLiteral("Остались нерешённые места: %1. Закрыть?").arg(left));
    if (how == u"finish")
        testsupport::clickButton(dialog, QStringLiteral("finish"));
    else if (how == u"Escape")
        testsupport::pressKey(Qt::Key_Escape);
    else
        dialog.close();
    VERIFY_ALL_SHOWN(dialogs);
    QCOMPARE(dialog.isVisible(), !closed);
    QCOMPARE(finished, closed);
}

QTEST_MAIN(TestReviewDialog)
#include "tst_reviewdialog.moc"
