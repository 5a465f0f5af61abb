// Variants planned from a base: the seeded shuffle, the draw, the questions left out, and the
// answer sheet's code read back against the base.

#include "printing/core/sheetcode.h"
#include "printing/core/variantplan.h"
#include "questionbase/catalog.h"
#include "questionbase/columns.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/recordset.h"
#include "tests/support/picturefiles.h"
#include "tests/support/questionrows.h"
#include "tests/support/tempbase.h"

#include <QDir>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <numeric>

using printing::PrintChoices;
using printing::PrintSet;

using testsupport::OpenBase;

namespace {

// вопрос, ответ1…ответ5, фото; empty strings are stored as empty text.
struct Row {
    QStringList fields;
    int correct = 1;
};

Row ordinary(int n) {
    return {{QStringLiteral("Вопрос %1").arg(n), QStringLiteral("А%1").arg(n),
             QStringLiteral("Б%1").arg(n), QStringLiteral("В%1").arg(n)},
            1 + n % 3};
}

QString makeRows(const testsupport::TempFolder& folder, const QString& name,
                 const QList<Row>& rows) {
    const QString path = folder.path(name);
    qb::Catalog::create(qb::creationStringFor(path));
    qb::Connection connection;
    connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
    qb::Recordset recordset;
    recordset.openOn(connection, qb::columns::kQuestionsQuery);
    for (const Row& row : rows) {
        recordset.addNew();
        for (int position = 1; position <= 7; ++position)
            recordset.field(position).setValue(row.fields.value(position - 1) + QString());
        recordset.field(qb::columns::kCorrect).setValue(row.correct);
        recordset.update();
    }
    return path;
}

// Every variant as its questions' positions in the base, each with its option order.
QStringList layout(const PrintSet& set) {
    QStringList lines;
    for (const printing::Variant& variant : set.variants) {
        QStringList questions;
        for (const printing::VariantQuestion& placed : variant.questions) {
            QStringList order;
            for (int option : placed.optionOrder)
                order << QString::number(option);
            questions << QStringLiteral("%1:%2")
                             .arg(set.questions.at(placed.question).position)
                             .arg(order.join(QString()));
        }
        lines << QStringLiteral("%1 %2").arg(variant.number).arg(questions.join(u' '));
    }
    return lines;
}

QList<int> drawnPositions(const PrintSet& set, const printing::Variant& variant) {
    QList<int> positions;
    for (const printing::VariantQuestion& placed : variant.questions)
        positions << int(set.questions.at(placed.question).position);
    std::sort(positions.begin(), positions.end());
    return positions;
}

}  // namespace

Q_DECLARE_METATYPE(Row)

class VariantPlanTest : public QObject {
    Q_OBJECT
private slots:
    void belowIsUniform_data();
    void belowIsUniform();
    void shuffleIsASeededPermutation_data();
    void shuffleIsASeededPermutation();
    void optionsThatSpeakOfOthers_data();
    void optionsThatSpeakOfOthers();
    void pinnedOptionsKeepTheirPlace_data();
    void pinnedOptionsKeepTheirPlace();
    void draws_data();
    void draws();
    void questionsLeftOut_data();
    void questionsLeftOut();
    void codeRoundTrips();
    void codeRefusesWhatIsNotOurs_data();
    void codeRefusesWhatIsNotOurs();
    void keyFollowsTheBase();

private:
    testsupport::TempFolder folder_;
    int bases_ = 0;
    QString nextName() { return QStringLiteral("база%1.mdb").arg(++bases_); }
};

void VariantPlanTest::belowIsUniform_data() {
    QTest::addColumn<quint64>("bound");
    QTest::newRow("one") << quint64(1);
    QTest::newRow("three") << quint64(3);
    QTest::newRow("seven") << quint64(7);
    // A plain remainder would give the lower half of this range two draws in three.
    QTest::newRow("two thirds of the engine's range") << ~quint64(0) / 3 * 2;
    QTest::newRow("just over half the range") << (quint64(1) << 63) + 1;
}

void VariantPlanTest::belowIsUniform() {
    QFETCH(quint64, bound);
    constexpr int kDraws = 6000;
    // Each small value, or the halves of a large range.
    const int buckets = bound <= 8 ? int(bound) : 2;
    QList<int> counts(buckets);
    printing::Shuffler chance(bound);
    for (int i = 0; i < kDraws; ++i) {
        const quint64 value = chance.below(bound);
        QVERIFY(value < bound);
        ++counts[int((unsigned __int128)value * unsigned(buckets) / bound)];
    }
    for (int count : counts)
        QVERIFY2(qAbs(count - kDraws / buckets) < kDraws / buckets / 8,
                 qPrintable(QStringLiteral("%1 of %2").arg(count).arg(kDraws)));
}

void VariantPlanTest::shuffleIsASeededPermutation_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<quint64>("seed");
    QTest::newRow("two") << 2 << quint64(1);
    QTest::newRow("ten, seed 0") << 10 << quint64(0);
    QTest::newRow("fifty, the largest seed") << 50 << ~quint64(0);
    QTest::newRow("a thousand") << 1000 << quint64(20240901);
}

void VariantPlanTest::shuffleIsASeededPermutation() {
    QFETCH(int, size);
    QFETCH(quint64, seed);
    QList<int> identity(size);
    std::iota(identity.begin(), identity.end(), 0);
    const auto shuffled = [&](quint64 s) {
        printing::Shuffler chance(s);
        QList<int> items = identity;
        chance.shuffle(items);
        return items;
    };
    const QList<int> once = shuffled(seed);
    QList<int> sorted = once;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(sorted, identity);
    QCOMPARE(shuffled(seed), once);
    // Two items have only two orders; from ten on, another seed or no shuffle at all showing the
    // same order would be a fault.
    if (size >= 10) {
        QVERIFY(shuffled(seed + 1) != once);
        QVERIFY(once != identity);
    }
}

void VariantPlanTest::optionsThatSpeakOfOthers_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("speaks");
    QTest::newRow("все перечисленные") << QStringLiteral("Все перечисленные") << true;
    QTest::newRow("ё, singular") << QStringLiteral("всё перечисленное") << true;
    QTest::newRow("inside a sentence") << QStringLiteral("Верны все перечисленные ответы") << true;
    QTest::newRow("вышеперечисленные") << QStringLiteral("все вышеперечисленные") << true;
    QTest::newRow("ни один") << QStringLiteral("Ни один из перечисленных.") << true;
    QTest::newRow("ни одна, feminine") << QStringLiteral("ни одна из перечисленных") << true;
    QTest::newRow("ничего из") << QStringLiteral("Ничего из перечисленного") << true;
    QTest::newRow("все ответы верны") << QStringLiteral("Все ответы верны!") << true;
    QTest::newRow("все варианты неверны") << QStringLiteral("все варианты неверны") << true;
    QTest::newRow("нет верного ответа") << QStringLiteral("Нет верного ответа") << true;
    QTest::newRow("оба варианта") << QStringLiteral("Оба варианта верны") << true;
    QTest::newRow("english") << QStringLiteral("All of the above") << true;
    QTest::newRow("english none") << QStringLiteral("none of the above") << true;
    QTest::newRow("ordinary все") << QStringLiteral("Все кошки серые") << false;
    QTest::newRow("всё верно about one thing") << QStringLiteral("Всё течёт") << false;
    QTest::newRow("перечисление alone") << QStringLiteral("Перечисленные выше страны") << false;
    QTest::newRow("ни in another sense") << QStringLiteral("Ни рыба ни мясо") << false;
    QTest::newRow("empty") << QString() << false;
}

void VariantPlanTest::optionsThatSpeakOfOthers() {
    QFETCH(QString, option);
    QFETCH(bool, speaks);
    QCOMPARE(printing::speaksOfOthers(option), speaks);
}

void VariantPlanTest::pinnedOptionsKeepTheirPlace_data() {
    QTest::addColumn<QStringList>("options");
    // The order's index that must hold an option, and that option's number in the base.
    QTest::addColumn<QList<int>>("pinnedIndex");
    QTest::addColumn<QList<int>>("pinnedOption");
    QTest::newRow("last") << QStringList{"Кот", "Пёс", "Ёж", "Уж", "Все перечисленные"}
                          << QList<int>{4} << QList<int>{5};
    QTest::newRow("two, one in the middle")
        << QStringList{"Кот", "ни один из перечисленных", "Ёж", "Уж", "Всё перечисленное"}
        << QList<int>{1, 4} << QList<int>{2, 5};
    QTest::newRow("after an empty option, by its place among the filled")
        << QStringList{"Кот", "", "Ёж", "Оба ответа верны", "Уж"} << QList<int>{2} << QList<int>{4};
}

void VariantPlanTest::pinnedOptionsKeepTheirPlace() {
    QFETCH(QStringList, options);
    QFETCH(QList<int>, pinnedIndex);
    QFETCH(QList<int>, pinnedOption);
    OpenBase base(makeRows(folder_, nextName(), {{QStringList{"Кто?"} + options, 1}}));
    PrintChoices choices;
    choices.variants = 30;
    QSet<QList<int>> orders;
    const printing::PrintSet set = printing::planPrint(base.questions, QString(), choices);
    for (const printing::Variant& variant : set.variants) {
        const QList<int> order = variant.questions.value(0).optionOrder;
        QCOMPARE(order.size(), options.size() - options.count(QString()));
        for (qsizetype i = 0; i < pinnedIndex.size(); ++i)
            QCOMPARE(order.value(pinnedIndex[i]), pinnedOption[i]);
        orders.insert(order);
    }
    QVERIFY2(orders.size() > 1, "the other options were never shuffled");

    choices.shuffleOptions = false;
    const printing::PrintSet kept = printing::planPrint(base.questions, QString(), choices);
    QList<int> inBaseOrder;
    for (int i = 0; i < options.size(); ++i)
        if (!options[i].isEmpty())
            inBaseOrder << i + 1;
    QCOMPARE(kept.variants.last().questions.value(0).optionOrder, inBaseOrder);
}

void VariantPlanTest::draws_data() {
    QTest::addColumn<int>("perVariant");
    QTest::addColumn<bool>("ownDraw");
    QTest::addColumn<bool>("shuffleQuestions");
    QTest::addColumn<int>("expected");  // questions in each variant
    // The base: 40 questions, every fourth without text, so 30 can print.
    QTest::newRow("every question, in base order") << 0 << false << false << 30;
    QTest::newRow("every question, shuffled") << 0 << false << true << 30;
    QTest::newRow("one draw for all") << 5 << false << true << 5;
    QTest::newRow("a draw each") << 5 << true << false << 5;
    QTest::newRow("more than can print") << 35 << true << true << 30;
}

void VariantPlanTest::draws() {
    QFETCH(int, perVariant);
    QFETCH(bool, ownDraw);
    QFETCH(bool, shuffleQuestions);
    QFETCH(int, expected);
    QList<Row> rows;
    for (int n = 1; n <= 40; ++n) {
        rows << ordinary(n);
        if (n % 4 == 0)
            rows.last().fields[0] = QStringLiteral(" ");
    }
    OpenBase base(makeRows(folder_, nextName(), rows));
    PrintChoices choices;
    choices.variants = 6;
    choices.questionsPerVariant = perVariant;
    choices.drawForEachVariant = ownDraw;
    choices.shuffleQuestions = shuffleQuestions;
    choices.seed = 77;
    const PrintSet set = printing::planPrint(base.questions, QString(), choices);

    QSet<qint64> ids;
    for (qsizetype i = 0; i < set.questions.size(); ++i) {
        ids.insert(set.questions[i].id);
        QVERIFY(set.questions[i].position % 4 != 0);
        if (i > 0)
            QVERIFY(set.questions[i - 1].position < set.questions[i].position);
    }
    QCOMPARE(ids.size(), set.questions.size());

    QCOMPARE(set.variants.size(), 6);
    QSet<QList<int>> draws;
    QSet<int> used;
    for (const printing::Variant& variant : set.variants) {
        const QList<int> drawn = drawnPositions(set, variant);
        QCOMPARE(drawn.size(), expected);
        QCOMPARE(QSet<int>(drawn.begin(), drawn.end()).size(), expected);
        draws.insert(drawn);
        for (const printing::VariantQuestion& placed : variant.questions)
            used.insert(placed.question);
        QList<int> printed;
        for (const printing::VariantQuestion& placed : variant.questions)
            printed << int(set.questions.at(placed.question).position);
        if (!shuffleQuestions)
            QCOMPARE(printed, drawn);
        else if (expected >= 10)
            QVERIFY(printed != drawn);
    }
    QCOMPARE(used.size(), set.questions.size());
    QCOMPARE(draws.size() > 1, ownDraw && expected < 30);
    // Only the questions a draw reached are read, and each of them is told once.
    QCOMPARE(set.remarks.size(), QSet<QString>(set.remarks.begin(), set.remarks.end()).size());
    QVERIFY(set.remarks.size() <= 10);
    if (perVariant == 0)
        QCOMPARE(set.remarks.size(), 10);

    QCOMPARE(layout(printing::planPrint(base.questions, QString(), choices)), layout(set));
    choices.seed = 78;
    QVERIFY(layout(printing::planPrint(base.questions, QString(), choices)) != layout(set));
}

void VariantPlanTest::questionsLeftOut_data() {
    QTest::addColumn<Row>("row");
    QTest::addColumn<QString>("remark");  // about the second question; empty when none
    QTest::addColumn<bool>("printed");
    QTest::addColumn<bool>("picture");
    QTest::newRow("blank text") << Row{{"  ", "a", "b"}, 1}
                                << QStringLiteral("Вопрос № 2: нет текста вопроса") << false
                                << false;
    QTest::newRow("one option") << Row{{"Q", "", "b", " "}, 2}
                                << QStringLiteral("Вопрос № 2: меньше двух вариантов ответа")
                                << false << false;
    QTest::newRow("right answer empty")
        << Row{{"Q", "a", "b", "", "d"}, 3}
        << QStringLiteral("Вопрос № 2: верный ответ — пустой вариант") << false << false;
    QTest::newRow("missing picture")
        << Row{{"Q", "a", "b", "", "", "", "img\\нет.png"}, 2}
        << QStringLiteral("Вопрос № 2: нет файла картинки «img\\нет.png»") << true << false;
    QTest::newRow("picture beside the base")
        << Row{{"Q", "a", "b", "", "", "", "img\\кот.png"}, 2} << QString() << true << true;
    QTest::newRow("options 1 and 5 only")
        << Row{{"Q", "a", "", "", "", "e"}, 5} << QString() << true << false;
}

void VariantPlanTest::questionsLeftOut() {
    QFETCH(Row, row);
    QFETCH(QString, remark);
    QFETCH(bool, printed);
    QFETCH(bool, picture);
    QDir(folder_.folder()).mkpath(QStringLiteral("img"));
    testsupport::writePicture(folder_.path(QStringLiteral("img/кот.png")), QSize(20, 10));
    const QString path = makeRows(folder_, nextName(), {ordinary(1), row, ordinary(3)});
    OpenBase base(path);
    PrintChoices choices;
    choices.variants = 2;
    const PrintSet set = printing::planPrint(base.questions, path, choices);

    QCOMPARE(set.remarks, remark.isEmpty() ? QStringList() : QStringList{remark});
    QList<qint64> positions;
    for (const printing::PrintQuestion& question : set.questions)
        positions << question.position;
    const QList<qint64> expected = printed ? QList<qint64>({1, 2, 3}) : QList<qint64>({1, 3});
    QCOMPARE(positions, expected);
    for (const printing::Variant& variant : set.variants)
        QCOMPARE(variant.questions.size(), positions.size());
    if (printed) {
        const printing::PrintQuestion& second = set.questions.at(1);
        QCOMPARE(second.picture,
                 picture ? QDir::toNativeSeparators(folder_.path(QStringLiteral("img/кот.png")))
                         : QString());
        for (const printing::Variant& variant : set.variants)
            for (const printing::VariantQuestion& placed : variant.questions)
                QVERIFY(
                    !printing::correctLetter(set.questions.at(placed.question), placed).isEmpty());
    }
}

void VariantPlanTest::codeRoundTrips() {
    using printing::SheetCode;
    // Forty questions with the largest ids a base of a million rows gives, five options each.
    SheetCode large{99, {}};
    for (int i = 0; i < 40; ++i)
        large.questions << SheetCode::Question{999'960 + i, {5, 4, 3, 2, 1}};
    QList<SheetCode> codes = {
        large, {1, {}}, {7, {{1, {1, 2}}, {36, {2, 1}}, {4'000'000'000LL, {3, 1, 2}}}}};
    // Every order a question can print in, one code each.
    for (int length = 1; length <= 5; ++length) {
        QList<int> order;
        for (int i = 0; i < length; ++i)
            order << 5 - i;
        QList<int> reversed(order.rbegin(), order.rend());
        codes << SheetCode{length, {{length, order}, {length + 1, reversed}}};
    }
    for (const SheetCode& code : codes) {
        const QByteArray text = printing::encodeSheetCode(code);
        QVERIFY(!text.isEmpty());
        QVERIFY2(text.size() < 450, text.constData());
        QVERIFY(text.endsWith(printing::sheetCheck(code).toLatin1()));
        QVERIFY(printing::sheetCheck(code).size() <= 5);
        for (char c : text)
            QVERIFY(QByteArrayView("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:").contains(c));
        const std::optional<SheetCode> decoded = printing::decodeSheetCode(text);
        QVERIFY2(decoded.has_value(), text.constData());
        QCOMPARE(*decoded, code);
    }
    // Six-character ids with their orders in 40 questions: a few hundred characters at most.
    QVERIFY(printing::encodeSheetCode(large).size() < 350);
    QVERIFY(printing::encodeSheetCode({1, {{5, {1, 1}}}}).isEmpty());
}

void VariantPlanTest::codeRefusesWhatIsNotOurs_data() {
    QTest::addColumn<QByteArray>("text");
    const QByteArray good = printing::encodeSheetCode({3, {{10, {2, 1, 3}}, {11, {1, 2}}}});
    QByteArray changed = good;
    changed[good.indexOf('+') - 1] = changed[good.indexOf('+') - 1] == 'A' ? 'B' : 'A';
    QByteArray otherCheck = good;
    otherCheck[good.size() - 1] = otherCheck.back() == '0' ? '1' : '0';
    QTest::newRow("an id changed") << changed;
    QTest::newRow("the check changed") << otherCheck;
    QTest::newRow("another version") << QByteArray(good).replace("Q1:", "Q2:");
    QTest::newRow("lower case") << good.toLower();
    QTest::newRow("cut short") << good.chopped(1);
    QTest::newRow("something after") << good + "0";
    QTest::newRow("a question dropped") << QByteArray(good).remove(good.indexOf('+'), 4);
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("another code") << QByteArray("HTTPS://EXAMPLE.ORG/");
}

void VariantPlanTest::codeRefusesWhatIsNotOurs() {
    QFETCH(QByteArray, text);
    QVERIFY(!printing::decodeSheetCode(text).has_value());
}

void VariantPlanTest::keyFollowsTheBase() {
    const QString path =
        makeRows(folder_, nextName(), {ordinary(1), ordinary(2), ordinary(3), ordinary(4)});
    OpenBase base(path);
    PrintChoices choices;
    choices.variants = 3;
    choices.seed = 5;
    const PrintSet set = printing::planPrint(base.questions, path, choices);
    const printing::Variant& variant = set.variants.at(2);
    const std::optional<printing::SheetCode> code =
        printing::decodeSheetCode(printing::encodeSheetCode(printing::sheetCodeFor(set, variant)));
    QVERIFY(code.has_value());
    QCOMPARE(code->variant, 3);

    const auto letters = [&] {
        QStringList read;
        for (const printing::KeyEntry& entry : printing::keyFromBase(*code, base.questions))
            read << (entry.missing   ? QStringLiteral("удалён")
                     : entry.printed ? printing::optionLetter(*entry.printed)
                                     : QStringLiteral("-"));
        return read;
    };
    QStringList expected;
    for (const printing::VariantQuestion& placed : variant.questions)
        expected << printing::correctLetter(set.questions.at(placed.question), placed);
    QCOMPARE(letters(), expected);

    // After printing: question 1's key corrected, question 2 deleted, question 3's key moved to
    // an option it never printed.
    const auto placeOf = [&](int position) {
        for (qsizetype i = 0; i < variant.questions.size(); ++i)
            if (set.questions.at(variant.questions[i].question).position == position)
                return i;
        return qsizetype(-1);
    };
    const printing::VariantQuestion& first = variant.questions.at(placeOf(1));
    const int corrected = 3;  // was 2
    QVERIFY(base.questions.moveToRow(set.questions.at(0).id));
    base.questions.field(qb::columns::kCorrect).setValue(corrected);
    base.questions.update();
    QVERIFY(base.questions.moveToRow(set.questions.at(1).id));
    base.questions.deleteCurrent();
    QVERIFY(base.questions.moveToRow(set.questions.at(2).id));
    base.questions.field(qb::columns::kCorrect).setValue(5);
    base.questions.update();

    expected[placeOf(1)] = printing::optionLetter(int(first.optionOrder.indexOf(corrected)));
    expected[placeOf(2)] = QStringLiteral("удалён");
    expected[placeOf(3)] = QStringLiteral("-");
    QCOMPARE(letters(), expected);
}

QTEST_GUILESS_MAIN(VariantPlanTest)
#include "tst_variantplan.moc"
