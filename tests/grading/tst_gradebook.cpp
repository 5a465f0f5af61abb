// The gradebook: what it asks about read sheets, the teacher's decisions, the results against
// the base as it is at grading, and the tables saved from them.

#include "grading/core/gradebook.h"

#include "questionbase/columns.h"
#include "tests/support/questionrows.h"
#include "tests/support/tempbase.h"

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

// A printed sheet as the grading tables write it, tokens apart by spaces: "№N", "вV" its
// variant, "имя:Имя_Фамилия" a typed name, "пропуск" skipped, then per printed question
// "P:ORDER:MARKS[=A]": its position in the base when it was printed, the base's options in
// printed order, the row as read, and the teacher's decision ("-" for no answer).
void addSheet(Gradebook& book, const QString& text, qb::Recordset& questions) {
    FormRead read;
    read.file = QStringLiteral("/сканы/скан.png");
    read.page = book.sheetCount();
    printing::SheetCode code;
    QMap<int, QString> decisions;
    QString name;
    bool skipped = false;
    for (const QString& token : text.split(u' ', Qt::SkipEmptyParts)) {
        if (token.startsWith(u'№')) {
            const int number = token.mid(1).toInt();
            read.listNumber[0][size_t(number / 10)].mark = Mark::Filled;
            read.listNumber[1][size_t(number % 10)].mark = Mark::Filled;
        } else if (token.startsWith(u'в')) {
            code.variant = token.mid(1).toInt();
        } else if (token.startsWith(QStringLiteral("имя:"))) {
            name = token.mid(4).replace(u'_', u' ');
        } else if (token == QStringLiteral("пропуск")) {
            skipped = true;
        } else {
            const QStringList parts = token.split(u':');
            QList<int> order;
            for (QChar c : parts.at(1))
                order << c.digitValue();
            code.questions << printing::SheetCode::Question{*questions.idAt(parts.at(0).toInt()),
                                                            order};
            const QStringList row = parts.at(2).split(u'=');
            read.answers << bubbles(row.at(0));
            if (row.size() > 1)
                decisions.insert(int(read.answers.size() - 1), row.at(1));
        }
    }
    read.code = code;
    const int sheet = book.add(read);
    for (auto d = decisions.cbegin(); d != decisions.cend(); ++d)
        book.decideRow(sheet, d.key(),
                       *d == QStringLiteral("-") ? std::nullopt : std::optional<int>(d->toInt()));
    book.setName(sheet, name);
    book.skip(sheet, skipped);
}

QString decimal(double value) {
    return QString::number(value, 'f', 2).replace(u'.', u',');
}

QString optionalText(const std::optional<int>& value) {
    return value ? QString::number(*value) : QStringLiteral("-");
}

// "№1 Анна Белова в1 4/5 80,0 4 | 1 2 3 1 1": number, name, variant, right of counted,
// percent, mark, then the base's option chosen at each position of the base.
QString studentLine(const grading::StudentResult& s) {
    QStringList chosen;
    for (const std::optional<int>& option : s.chosen)
        chosen << optionalText(option);
    return QStringLiteral("№%1 %2 в%3 %4/%5 %6 %7 | %8")
        .arg(optionalText(s.listNumber), s.name)
        .arg(s.variant)
        .arg(s.right)
        .arg(s.counted)
        .arg(QString::number(s.percent, 'f', 1).replace(u'.', u','))
        .arg(s.mark)
        .arg(chosen.join(u' '));
}

// "№1 2/4 0,50 1,00 | 2 2 0 0 0 | 0": position, right of asked, difficulty, discrimination,
// the count of each base option chosen, no answer.
QString itemLine(const grading::ItemStats& item) {
    QStringList chosen;
    for (int count : item.chosen)
        chosen << QString::number(count);
    return QStringLiteral("№%1 %2/%3 %4 %5 | %6 | %7")
        .arg(item.position)
        .arg(item.right)
        .arg(item.asked)
        .arg(item.difficulty ? decimal(*item.difficulty) : QStringLiteral("-"),
             item.discrimination ? decimal(*item.discrimination) : QStringLiteral("-"),
             chosen.join(u' '))
        .arg(item.unanswered);
}

// Cyrillic and ASCII as Windows-1251 writes them.
QByteArray windows1251(const QString& text) {
    QByteArray bytes;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        bytes += u >= 0x410 && u <= 0x44F ? char(0xC0 + u - 0x410)
                 : u == u'ё'              ? char(0xB8)
                                          : c.toLatin1();
    }
    return bytes;
}

}  // namespace

class GradebookTest : public QObject {
    Q_OBJECT

private slots:
    void asksOnlyWhereUnsure_data();
    void asksOnlyWhereUnsure();
    void gradesAgainstTheBaseNow_data();
    void gradesAgainstTheBaseNow();
    void savesTables();
    void readsClassLists_data();
    void readsClassLists();

private:
    testsupport::TempFolder folder_;
    int bases_ = 0;
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

void GradebookTest::gradesAgainstTheBaseNow_data() {
    QTest::addColumn<QStringList>("sheets");
    QTest::addColumn<QStringList>("edits");  // after printing: "верный P N", "удалить P"
    QTest::addColumn<QStringList>("students");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("remarks");

    // Five questions of three options, right: 1, 2, 3, 1, 2. Variant 2 prints them reversed.
    const QStringList sheets{"№1 в1 1:123:X.. 2:123:.X. 3:123:..X 4:123:X.. 5:123:X..",
                             "№2 в2 имя:Вера_Глебова 1:321:..X 2:321:.X. 3:321:..X 4:321:...=-",
                             "№3 в1 1:123:.X. 2:123:.X. 3:123:X?.=2 4:123:X..",
                             "№4 в2 1:321:.X. 3:321:.X. 5:321:.X."};
    QTest::newRow("as printed") << sheets << QStringList{}
                                << QStringList{"№1 Анна Белова в1 4/5 80,0 4 | 1 2 3 1 1",
                                               "№2 Вера Глебова в2 2/4 50,0 3 | 1 2 1 - -",
                                               "№3  в1 3/4 75,0 4 | 2 2 3 1 -",
                                               "№4 Дина Ершова в2 1/3 33,3 2 | 2 - 2 - 2"}
                                << QStringList{"№1 2/4 0,50 1,00 | 2 2 0 0 0 | 0",
                                               "№2 3/3 1,00 - | 0 3 0 0 0 | 0",
                                               "№3 2/4 0,50 1,00 | 1 1 2 0 0 | 0",
                                               "№4 2/3 0,67 - | 2 0 0 0 0 | 1",
                                               "№5 1/2 0,50 -1,00 | 1 1 0 0 0 | 0"}
                                << QStringList{};
    QTest::newRow("a key corrected after printing")
        << sheets << QStringList{"верный 1 2"}
        << QStringList{"№1 Анна Белова в1 3/5 60,0 3 | 1 2 3 1 1",
                       "№2 Вера Глебова в2 1/4 25,0 2 | 1 2 1 - -",
                       "№3  в1 4/4 100,0 5 | 2 2 3 1 -", "№4 Дина Ершова в2 2/3 66,7 3 | 2 - 2 - 2"}
        << QStringList{"№1 2/4 0,50 1,00 | 2 2 0 0 0 | 0", "№2 3/3 1,00 0,00 | 0 3 0 0 0 | 0",
                       "№3 2/4 0,50 1,00 | 1 1 2 0 0 | 0", "№4 2/3 0,67 1,00 | 2 0 0 0 0 | 1",
                       "№5 1/2 0,50 - | 1 1 0 0 0 | 0"}
        << QStringList{};
    QTest::newRow("deleted, unprinted key, sheets left out")
        << (QStringList(sheets) << "№5 в1 1:123:XX. 2:123:.X."
                                << "№6 в1 пропуск 1:123:XX. 2:123:.X.")
        << QStringList{"удалить 3", "верный 3 4"}
        << QStringList{"№1 Анна Белова в1 2/3 66,7 3 | 1 2 1 1",
                       "№2 Вера Глебова в2 2/2 100,0 5 | 1 2 - -", "№3  в1 1/2 50,0 3 | 2 2 1 -",
                       "№4 Дина Ершова в2 1/2 50,0 3 | 2 - - 2"}
        << QStringList{"№1 2/4 0,50 1,00 | 2 2 0 0 0 | 0", "№2 3/3 1,00 - | 0 3 0 0 0 | 0",
                       "№3 0/0 - - | 0 0 0 0 0 | 0", "№4 1/2 0,50 - | 1 1 0 0 0 | 0"}
        << QStringList{"«скан.png», стр. 1 (№ 1): вопроса 3 больше нет в базе — он не считается",
                       "«скан.png», стр. 1 (№ 1): верный ответ вопроса 4 (№ 3 в базе) по базе — "
                       "вариант, которого на листе нет; вопрос не считается",
                       "«скан.png», стр. 2 (№ 2): вопроса 3 больше нет в базе — он не считается",
                       "«скан.png», стр. 2 (№ 2): верный ответ вопроса 4 (№ 3 в базе) по базе — "
                       "вариант, которого на листе нет; вопрос не считается",
                       "«скан.png», стр. 3 (№ 3): вопроса 3 больше нет в базе — он не считается",
                       "«скан.png», стр. 3 (№ 3): верный ответ вопроса 4 (№ 3 в базе) по базе — "
                       "вариант, которого на листе нет; вопрос не считается",
                       "«скан.png», стр. 4 (№ 4): вопроса 2 больше нет в базе — он не считается",
                       "«скан.png», стр. 5 (№ 5): решены не все спорные места — лист не оценён"};
}

void GradebookTest::gradesAgainstTheBaseNow() {
    QFETCH(QStringList, sheets);
    QFETCH(QStringList, edits);
    QFETCH(QStringList, students);
    QFETCH(QStringList, items);
    QFETCH(QStringList, remarks);

    QList<testsupport::QuestionRow> rows;
    for (int correct : {1, 2, 3, 1, 2})
        rows << testsupport::QuestionRow{{QStringLiteral("Вопрос"),
                                          QStringLiteral("А"),
                                          QStringLiteral("Б"),
                                          QStringLiteral("В"),
                                          {},
                                          {}},
                                         correct};
    testsupport::OpenBase base(
        testsupport::makeQuestionBase(folder_, QStringLiteral("база%1.db").arg(++bases_), rows));
    Gradebook book;
    for (const QString& sheet : sheets)
        addSheet(book, sheet, base.questions);
    for (const QString& edit : edits) {
        const QStringList w = edit.split(u' ');
        base.questions.moveTo(w.at(1).toLongLong());
        if (w.at(0) == QStringLiteral("удалить")) {
            base.questions.deleteCurrent();
        } else {
            base.questions.field(qb::columns::kCorrect).setValue(w.at(2).toInt());
            base.questions.update();
        }
    }

    const grading::ClassList classList{{1, QStringLiteral("Анна Белова")},
                                       {2, QStringLiteral("Борис Волков")},
                                       {4, QStringLiteral("Дина Ершова")}};
    const grading::GradeReport report = grading::grade(book, base.questions, {}, classList);
    QStringList read;
    for (const grading::StudentResult& student : report.students)
        read << studentLine(student);
    QCOMPARE(read, students);
    read.clear();
    for (const grading::ItemStats& item : report.items)
        read << itemLine(item);
    QCOMPARE(read, items);
    QCOMPARE(report.baseQuestions, int(items.size()));
    QCOMPARE(report.remarks, remarks);
}

void GradebookTest::savesTables() {
    grading::GradeReport report;
    report.baseQuestions = 2;
    grading::StudentResult named;
    named.listNumber = 7;
    named.name = QStringLiteral("Иванов; \"Ваня\"");
    named.variant = 2;
    named.right = 2;
    named.percent = 200.0 / 3;
    named.mark = 3;
    named.chosen = {2, std::nullopt};
    grading::StudentResult unnamed;
    unnamed.name = QStringLiteral("Строка\nдругая");
    unnamed.variant = 1;
    unnamed.chosen = {std::nullopt, 5};
    report.students = {named, unnamed};
    report.items = {{1, 3, 2, 2.0 / 3, -1.0 / 3, {0, 1, 1, 0, 0}, 1},
                    {2, 0, 0, std::nullopt, std::nullopt, {}, 0},
                    {3, 2, 1, 0.5, -0.001, {1, 1, 0, 0, 0}, 0}};

    QCOMPARE(QString::fromUtf8(grading::resultsCsv(report)),
             QString::fromUtf8("\xEF\xBB\xBF№ по списку;Фамилия Имя;Вариант;Верно;Процент;Оценка;"
                               "Вопрос № 1;Вопрос № 2\r\n"
                               "7;\"Иванов; \"\"Ваня\"\"\";2;2;66,7;3;2;\r\n"
                               ";\"Строка\nдругая\";1;0;0,0;2;;5\r\n"));
    QCOMPARE(QString::fromUtf8(grading::analysisCsv(report)),
             QString::fromUtf8("\xEF\xBB\xBFВопрос;Задан;Верно;Доля верных;Дискриминативность;"
                               "Выбран 1;Выбран 2;Выбран 3;Выбран 4;Выбран 5;Без ответа\r\n"
                               "Вопрос № 1;3;2;0,67;-0,33;0;1;1;0;0;1\r\n"
                               "Вопрос № 2;0;0;;;0;0;0;0;0;0\r\n"
                               "Вопрос № 3;2;1;0,50;0,00;1;1;0;0;0;0\r\n"));
}

void GradebookTest::readsClassLists_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("list");  // "N=name|…", or "нет"

    QTest::newRow("UTF-8 with a BOM, a header")
        << QByteArray("\xEF\xBB\xBF№;Фамилия Имя\r\n1;Иванов Иван\r\n2;  Петрова Анна \r\n")
        << "1=Иванов Иван|2=Петрова Анна";
    QTest::newRow("Windows-1251, commas")
        << windows1251("Список 9А\n3,Сидоров Пётр\n12,Яковлева Юлия\n")
        << "3=Сидоров Пётр|12=Яковлева Юлия";
    QTest::newRow("tabs, the name in two quoted columns")
        << QByteArray("1\t\"Иванов\"\t\"Иван\"\n\n2\tПетрова\t\t Анна\n")
        << "1=Иванов Иван|2=Петрова Анна";
    QTest::newRow("a quoted separator, numbers written \"5.\"")
        << QByteArray("5.;\"Орлов; староста\"\r\n07;Зайцев Олег\r")
        << "5=Орлов; староста|7=Зайцев Олег";
    QTest::newRow("out of range, no name, twice")
        << QByteArray("0;Нулев\n100;Сотов\n4;\n4;Первый\n4;Второй\n-3;Минус\n") << "4=Первый";
    QTest::newRow("no entry") << QByteArray("Фамилия;Имя\nИванов;Иван\n") << "нет";
    QTest::newRow("empty") << QByteArray() << "нет";
}

void GradebookTest::readsClassLists() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, list);
    const std::optional<grading::ClassList> read = grading::readClassList(bytes);
    QStringList entries;
    if (read)
        for (auto entry = read->cbegin(); entry != read->cend(); ++entry)
            entries << QStringLiteral("%1=%2").arg(entry.key()).arg(*entry);
    QCOMPARE(read ? entries.join(u'|') : QStringLiteral("нет"), list);
}

QTEST_GUILESS_MAIN(GradebookTest)
#include "tst_gradebook.moc"
