// The gradebook: what it asks about read sheets, the teacher's decisions, the results against
// the base as it is at grading, and the tables saved from them.

#include "grading/core/gradebook.h"

#include <QTest>

using grading::Bubble;
using grading::FormRead;
using grading::Gradebook;
using grading::Mark;

namespace {

// A row as written in the tables: one character per printed option, '.' empty, 'X' filled,
// '?' doubtful.
QList<Bubble> bubbles(QStringView row) {
    QList<Bubble> read;
    for (QChar c : row)
        read << Bubble{c == u'X'   ? 1.0
                       : c == u'?' ? 0.4
                                   : 0.0,
                       c == u'X'   ? Mark::Filled
                       : c == u'?' ? Mark::Doubtful
                                   : Mark::Empty};
    return read;
}

// A sheet as written in the tables: "<tens>|<units> <row> <row> …". A place lists the digits
// marked in it, a '?' before a digit making it doubtful: "1|2" is 12, "1|" has no units,
// "1|?2" a doubtful units mark. "nocode" first: the code was not read. Codes name questions
// `firstId`, `firstId` + 1, … with their options in the base's order.
FormRead form(const QString& text, qint64 firstId = 1) {
    QStringList parts = text.split(u' ', Qt::SkipEmptyParts);
    FormRead read;
    read.file = QStringLiteral("скан.png");
    const bool coded = parts.value(0) != QStringLiteral("nocode");
    if (!coded)
        parts.removeFirst();
    const QStringList places = parts.takeFirst().split(u'|');
    for (int place = 0; place < grading::kListPlaces; ++place) {
        bool doubtful = false;
        for (QChar c : places.value(place)) {
            if (c == u'?') {
                doubtful = true;
                continue;
            }
            read.listNumber[size_t(place)][size_t(c.digitValue())].mark =
                doubtful ? Mark::Doubtful : Mark::Filled;
            doubtful = false;
        }
    }
    printing::SheetCode code;
    for (const QString& row : parts) {
        read.answers << bubbles(row);
        QList<int> order;
        for (int option = 1; option <= row.size(); ++option)
            order << option;
        code.questions << printing::SheetCode::Question{firstId + code.questions.size(), order};
    }
    if (coded) {
        read.code = code;
        read.codeText = printing::encodeSheetCode(code);
    }
    return read;
}

QString answerText(const std::optional<grading::Answer>& answer) {
    if (!answer)
        return QStringLiteral("?");
    return *answer ? QString::number(**answer) : QStringLiteral("-");
}

// A sheet's state in one line: "№12 0 - ?" (the number, then each row: the option taken,
// '-' no answer, '?' undecided), and how many places its review lists.
QString stateOf(const Gradebook& book, int sheet) {
    const auto number = book.listNumber(sheet);
    QString state = !number   ? QStringLiteral("№?")
                    : *number ? QStringLiteral("№%1").arg(**number)
                              : QStringLiteral("№-");
    for (int row = 0; row < book.form(sheet).answers.size(); ++row)
        state += u' ' + answerText(book.answer(sheet, row));
    if (book.isSkipped(sheet))
        state += QStringLiteral(" пропущен");
    return state + QStringLiteral(" [%1]").arg(book.doubts(sheet).size());
}

// The teacher's steps: "row S R A" (A an option, "-" for none), "num S N" ("-" for none),
// "skip S", "unskip S".
void act(Gradebook& book, const QString& step) {
    const QStringList w = step.split(u' ');
    const int sheet = w.value(1).toInt();
    const auto optional = [](const QString& v) {
        return v == QStringLiteral("-") ? std::nullopt : std::optional<int>(v.toInt());
    };
    if (w[0] == QStringLiteral("row"))
        book.decideRow(sheet, w.value(2).toInt(), optional(w.value(3)));
    else if (w[0] == QStringLiteral("num"))
        book.decideListNumber(sheet, optional(w.value(2)));
    else
        book.skip(sheet, w[0] == QStringLiteral("skip"));
}

}  // namespace

class GradebookTest : public QObject {
    Q_OBJECT

private slots:
    void asksOnlyWhereUnsure_data();
    void asksOnlyWhereUnsure();
};

void GradebookTest::asksOnlyWhereUnsure_data() {
    QTest::addColumn<QStringList>("forms");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("undecided");  // "<sheet> <text>"
    QTest::addColumn<QStringList>("states");

    QTest::newRow("read well") << QStringList{"1|2 X.. .X. ..X.."} << QStringList{} << QStringList{}
                               << QStringList{"№12 0 1 2 [0]"};
    const QStringList rows{"0|7 ... XX. .?. X?. X.."};
    QTest::newRow("rows asked") << rows << QStringList{}
                                << QStringList{"0 Вопрос 1: нет отметки", "0 Вопрос 2: две отметки",
                                               "0 Вопрос 3: неясная отметка",
                                               "0 Вопрос 4: неясная отметка"}
                                << QStringList{"№7 ? ? ? ? 0 [4]"};
    QTest::newRow("rows decided, one changed")
        << rows << QStringList{"row 0 0 -", "row 0 1 1", "row 0 3 2", "row 0 3 0"}
        << QStringList{"0 Вопрос 3: неясная отметка"} << QStringList{"№7 - 1 ? 0 0 [4]"};
    QTest::newRow("list numbers not read")
        << QStringList{"1| X.", "|5 X.", "0|0 X.", "12|3 X.", "1|?3 X.", "?1|3 X.", "3|4 X."}
        << QStringList{"num 1 5", "num 2 -"}
        << QStringList{"0 № по списку не прочитан", "3 № по списку не прочитан",
                       "4 № по списку не прочитан", "5 № по списку не прочитан"}
        << QStringList{"№? 0 [1]", "№5 0 [1]", "№- 0 [1]", "№? 0 [1]",
                       "№? 0 [1]", "№? 0 [1]", "№34 0 [0]"};
    const QStringList twice{"1|2 X.", "1|2 .X", "1|3 X.", "|1 X."};
    QTest::newRow("a number on two sheets")
        << twice << QStringList{}
        << QStringList{"0 № по списку 12 — ещё на одном листе",
                       "1 № по списку 12 — ещё на одном листе", "3 № по списку не прочитан"}
        << QStringList{"№12 0 [1]", "№12 1 [1]", "№13 0 [0]", "№? 0 [1]"};
    QTest::newRow("one of the two changed")
        << twice << QStringList{"num 1 21"} << QStringList{"3 № по списку не прочитан"}
        << QStringList{"№12 0 [0]", "№21 1 [1]", "№13 0 [0]", "№? 0 [1]"};
    QTest::newRow("changed to a third sheet's number")
        << twice << QStringList{"num 0 13", "num 3 12"}
        << QStringList{"0 № по списку 13 — ещё на одном листе",
                       "1 № по списку 12 — ещё на одном листе",
                       "2 № по списку 13 — ещё на одном листе",
                       "3 № по списку 12 — ещё на одном листе"}
        << QStringList{"№13 0 [1]", "№12 1 [1]", "№13 0 [1]", "№12 0 [1]"};
    QTest::newRow("one of the two skipped")
        << twice << QStringList{"skip 0", "skip 3"} << QStringList{}
        << QStringList{"№12 0 пропущен [0]", "№12 1 [0]", "№13 0 [0]", "№? 0 пропущен [1]"};
    QTest::newRow("skipped, then taken back")
        << twice << QStringList{"skip 0", "unskip 0", "num 3 -"}
        << QStringList{"0 № по списку 12 — ещё на одном листе",
                       "1 № по списку 12 — ещё на одном листе"}
        << QStringList{"№12 0 [1]", "№12 1 [1]", "№13 0 [0]", "№- 0 [1]"};
    QTest::newRow("codes not read")
        << QStringList{"nocode | X.", "nocode 1|2 X. ?X", "1|2 XX X."} << QStringList{"row 2 0 1"}
        << QStringList{"0 Код бланка не прочитан", "1 Код бланка не прочитан"}
        << QStringList{"№? ? [1]", "№? ? ? [1]", "№12 1 0 [1]"};
    QTest::newRow("code not read, skipped")
        << QStringList{"nocode 1|2 X.", "1|2 X."} << QStringList{"skip 0"} << QStringList{}
        << QStringList{"№? ? пропущен [1]", "№12 0 [0]"};
}

void GradebookTest::asksOnlyWhereUnsure() {
    QFETCH(QStringList, forms);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, undecided);
    QFETCH(QStringList, states);

    Gradebook book;
    for (const QString& text : forms) {
        const int sheet = book.add(form(text));
        QCOMPARE(sheet, book.sheetCount() - 1);
    }
    for (const QString& step : steps)
        act(book, step);
    QStringList asked;
    for (const grading::ReviewItem& item : book.undecided())
        asked << QStringLiteral("%1 %2").arg(item.sheet).arg(item.text);
    QCOMPARE(asked, undecided);
    QStringList read;
    for (int sheet = 0; sheet < book.sheetCount(); ++sheet)
        read << stateOf(book, sheet);
    QCOMPARE(read, states);
}

QTEST_GUILESS_MAIN(GradebookTest)
#include "tst_gradebook.moc"
