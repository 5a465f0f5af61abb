#include "questionbase/catalog.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"
#include "tests/support/tempbase.h"

#include <QTest>

using testsupport::makeBase;
using testsupport::TempFolder;

namespace {

QStringList questionTexts(qb::Recordset& rows) {
    QStringList texts;
    for (rows.moveFirst(); !rows.eof(); rows.moveNext())
        texts << rows.field(QStringLiteral("вопрос")).text();
    return texts;
}

QList<qint64> numbers(qb::Recordset& rows) {
    QList<qint64> ids;
    for (rows.moveFirst(); !rows.eof(); rows.moveNext())
        ids << rows.field(0).value().toLongLong();
    return ids;
}

qb::Reason reasonOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const qb::Error& error) {
        return error.reason();
    }
    return qb::Reason(-1);
}

}  // namespace

class RecordsetTest : public QObject {
    Q_OBJECT

    TempFolder folder_;
    qb::Connection connection_;
    qb::Recordset rows_;

    void openBase(int questions) {
        rows_.close();
        connection_.close();
        static int counter = 0;
        const QString path = makeBase(folder_, QStringLiteral("b%1.mdb").arg(++counter), questions);
        connection_.setMode(qb::kModeShareExclusive);
        connection_.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        rows_.openOn(connection_, QStringLiteral("SELECT * FROM test"));
    }

private slots:
    void columnsComeInTheFormatsOrder() {
        openBase(1);
        QCOMPARE(rows_.fieldNames(), QStringList({"номер", "вопрос", "ответ1", "ответ2", "ответ3",
                                                  "ответ4", "ответ5", "фото", "верный"}));
        QCOMPARE(rows_.field(QStringLiteral("ВЕРНЫЙ")).name(), QStringLiteral("верный"));
        QCOMPARE(reasonOf([&] { rows_.field(QStringLiteral("нет такого")); }),
                 qb::Reason::NoSuchItem);
    }

    void emptyTableIsBothBeforeAndAfter() {
        openBase(0);
        QVERIFY(rows_.bof());
        QVERIFY(rows_.eof());
        QCOMPARE(rows_.recordCount(), 0);
        QCOMPARE(reasonOf([&] { rows_.field(1).value(); }), qb::Reason::Refused);
    }

    void movesStopAtBothEnds() {
        openBase(3);
        QCOMPARE(rows_.field(1).text(), QStringLiteral("Вопрос 1"));
        rows_.movePrevious();
        QVERIFY(rows_.bof());
        QVERIFY(!rows_.eof());
        QCOMPARE(reasonOf([&] { rows_.movePrevious(); }), qb::Reason::Refused);
        rows_.moveNext();
        QCOMPARE(rows_.field(1).text(), QStringLiteral("Вопрос 1"));
        rows_.moveLast();
        QCOMPARE(rows_.field(1).text(), QStringLiteral("Вопрос 3"));
        rows_.moveNext();
        QVERIFY(rows_.eof());
        QCOMPARE(reasonOf([&] { rows_.moveNext(); }), qb::Reason::Refused);
        rows_.movePrevious();
        QCOMPARE(rows_.field(1).text(), QStringLiteral("Вопрос 3"));
    }

    void addNewIsStoredByMovingOffIt() {
        openBase(2);
        rows_.addNew();
        QCOMPARE(rows_.recordCount(), 3);
        QVERIFY(!rows_.bof() && !rows_.eof());
        rows_.field(QStringLiteral("вопрос")).setValue(QString());
        rows_.field(QStringLiteral("ответ1")).setValue(QString());
        rows_.field(QStringLiteral("ответ2")).setValue(QString());
        rows_.field(QStringLiteral("верный")).setValue(1);
        QVERIFY(rows_.field(0).value().isNull());
        rows_.moveLast();
        QCOMPARE(rows_.recordCount(), 3);
        QCOMPARE(rows_.field(1).text(), QString());
        QCOMPARE(rows_.field(QStringLiteral("верный")).value().toInt(), 1);
        QVERIFY(rows_.field(QStringLiteral("ответ3")).value().isNull());
        QCOMPARE(rows_.field(QStringLiteral("ответ3")).actualSize(), 0);
        QCOMPARE(rows_.field(0).value().toInt(), 3);

        // Stored in the file, not only in the cursor.
        qb::Recordset again;
        again.openOn(connection_, QStringLiteral("SELECT * FROM test"));
        QCOMPARE(again.recordCount(), 3);
    }

    void newRowMissingARequiredValueIsRefused() {
        openBase(1);
        rows_.addNew();
        rows_.field(QStringLiteral("вопрос")).setValue(QStringLiteral("Без ответов"));
        QCOMPARE(reasonOf([&] { rows_.update(); }), qb::Reason::Refused);
        rows_.cancelUpdate();
        QCOMPARE(rows_.recordCount(), 1);
        QCOMPARE(rows_.field(1).text(), QStringLiteral("Вопрос 1"));
    }

    void deleteKeepsTheSlotUntilTheNextMove_data() {
        QTest::addColumn<int>("deleted");  // 0-based position of the deleted row
        QTest::addColumn<bool>("forward");
        QTest::addColumn<QString>("shownAfterMove");
        QTest::newRow("middle, back") << 2 << false << "Вопрос 2";
        QTest::newRow("middle, forward") << 2 << true << "Вопрос 4";
        QTest::newRow("first, back") << 0 << false << "";
        QTest::newRow("last, forward") << 4 << true << "";
    }
    void deleteKeepsTheSlotUntilTheNextMove() {
        QFETCH(int, deleted);
        QFETCH(bool, forward);
        QFETCH(QString, shownAfterMove);
        openBase(5);
        rows_.moveFirst();
        for (int i = 0; i < deleted; ++i)
            rows_.moveNext();
        rows_.deleteCurrent();
        QCOMPARE(rows_.recordCount(), 4);
        QVERIFY(!rows_.bof());
        QVERIFY(!rows_.eof());
        QCOMPARE(reasonOf([&] { rows_.field(1).value(); }), qb::Reason::Refused);
        forward ? rows_.moveNext() : rows_.movePrevious();
        if (shownAfterMove.isEmpty()) {
            QVERIFY(forward ? rows_.eof() : rows_.bof());
        } else {
            QCOMPARE(rows_.field(1).text(), shownAfterMove);
        }
    }

    void idsAreNeverReused() {
        openBase(3);
        rows_.moveLast();
        rows_.deleteCurrent();
        rows_.moveFirst();
        rows_.moveNext();
        rows_.deleteCurrent();
        rows_.addNew();
        rows_.field(1).setValue(QStringLiteral("Новый"));
        rows_.field(2).setValue(QStringLiteral("а"));
        rows_.field(3).setValue(QStringLiteral("б"));
        rows_.field(8).setValue(2);
        rows_.update();
        QCOMPARE(numbers(rows_), QList<qint64>({1, 4}));
        QCOMPARE(questionTexts(rows_), QStringList({"Вопрос 1", "Новый"}));
    }

    // A jump counts rows as they stand, past the gap a deleted one left; the positions follow
    // every delete and add, and learning them a slice at a time finds the same.
    void moveToCountsPositionsNotIds() {
        openBase(5);
        rows_.moveNext();
        rows_.deleteCurrent();
        for (const auto& [position, shown] : {std::pair(1, "Вопрос 1"), std::pair(2, "Вопрос 3"),
                                              std::pair(4, "Вопрос 5"), std::pair(3, "Вопрос 4")}) {
            rows_.moveTo(position);
            QCOMPARE(rows_.field(1).text(), QString::fromUtf8(shown));
            QCOMPARE(rows_.currentPosition(), position);
            QCOMPARE(rows_.positionOf(rows_.currentId()), position);
        }
        QCOMPARE(rows_.positionOf(2), std::nullopt);
        rows_.moveTo(5);
        QVERIFY(rows_.eof());
        QCOMPARE(rows_.currentPosition(), std::nullopt);

        rows_.addNew();
        QCOMPARE(rows_.currentPosition(), 5);
        rows_.field(1).setValue(QStringLiteral("Новый"));
        rows_.field(2).setValue(QStringLiteral("а"));
        rows_.field(3).setValue(QStringLiteral("б"));
        rows_.field(8).setValue(2);
        rows_.update();
        QCOMPARE(rows_.positionCount(), 5);
        QCOMPARE(rows_.idAt(5), rows_.currentId());

        rows_.close();
        rows_.openOn(connection_, QStringLiteral("SELECT * FROM test"));
        int slices = 1;
        while (!rows_.learnPositions(2))
            ++slices;
        QCOMPARE(slices, 3);
        QList<std::optional<qint64>> ids;
        for (int position = 0; position <= 6; ++position)
            ids << rows_.idAt(position);
        QCOMPARE(ids, (QList<std::optional<qint64>>{std::nullopt, 1, 3, 4, 5, 6, std::nullopt}));
        QCOMPARE(rows_.recordCount(), 5);
    }

    void textRoundTripsExactly_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("cyrillic and CR LF") << QStringLiteral("Первая строка\r\nвторая — «ё»");
        QTest::newRow("blanks kept") << QStringLiteral("  с пробелами  ");
        QTest::newRow("astral and RTL") << QStringLiteral("H₂O 𝄞 שלום");
        QTest::newRow("quotes and semicolons") << QStringLiteral("\"a\";'b'=c");
        QTest::newRow("exactly 225 units") << QString(225, QChar(u'я'));
    }
    void textRoundTripsExactly() {
        QFETCH(QString, text);
        openBase(1);
        rows_.field(QStringLiteral("вопрос")).setValue(text);
        rows_.update();
        rows_.close();
        rows_.openOn(connection_, QStringLiteral("SELECT * FROM test"));
        QCOMPARE(rows_.field(QStringLiteral("вопрос")).text(), text);
        QCOMPARE(rows_.field(QStringLiteral("вопрос")).actualSize(), text.size() * 2);
    }

    void refusedValueLeavesTheRowAsItWas_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("question of 226") << "вопрос" << QVariant(QString(226, QChar(u'я')));
        QTest::newRow("astral pushes past 120")
            << "ответ1" << QVariant(QString(119, QChar(u'a')) + QStringLiteral("𝄞"));
        QTest::newRow("picture of 121") << "фото" << QVariant(QString(121, QChar(u'x')));
        QTest::newRow("NUL inside") << "ответ2" << QVariant(QStringLiteral("a") + QChar(u'\0'));
        QTest::newRow("letters for a number") << "верный" << QVariant(QStringLiteral("три"));
        QTest::newRow("beyond 32 bits") << "верный" << QVariant(qint64(1) << 33);
        QTest::newRow("the storage's own number") << "номер" << QVariant(99);
    }
    void refusedValueLeavesTheRowAsItWas() {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        openBase(1);
        rows_.field(QStringLiteral("ответ3")).setValue(QStringLiteral("принято"));
        QCOMPARE(reasonOf([&] { rows_.field(column).setValue(value); }), qb::Reason::Refused);
        rows_.update();
        rows_.close();
        rows_.openOn(connection_, QStringLiteral("SELECT * FROM test"));
        QCOMPARE(rows_.field(QStringLiteral("вопрос")).text(), QStringLiteral("Вопрос 1"));
        QCOMPARE(rows_.field(QStringLiteral("ответ2")).text(), QStringLiteral("Ответ 1.2"));
        QCOMPARE(rows_.field(QStringLiteral("ответ3")).text(), QStringLiteral("принято"));
        QCOMPARE(rows_.field(QStringLiteral("верный")).value().toInt(), 2);
    }

    void numericTextGoesIntoIntegerColumns() {
        openBase(1);
        rows_.field(QStringLiteral("верный")).setValue(QStringLiteral("3"));
        rows_.update();
        QCOMPARE(rows_.field(QStringLiteral("верный")).value(), QVariant(3));
        rows_.field(QStringLiteral("верный")).setValue(QStringLiteral("4,5"));
        rows_.update();
        QCOMPARE(rows_.field(QStringLiteral("верный")).value(), QVariant(4));
        QCOMPARE(rows_.field(QStringLiteral("верный")).text(), QStringLiteral("4"));
    }

    void absentValueCannotBeReadAsText() {
        openBase(1);
        QVERIFY(rows_.field(QStringLiteral("фото")).value().isNull());
        QCOMPARE(reasonOf([&] { rows_.field(QStringLiteral("фото")).text(); }),
                 qb::Reason::Refused);
    }

    void closingTheConnectionClosesItsRecordsets() {
        openBase(1);
        connection_.close();
        QVERIFY(!rows_.isOpen());
        QCOMPARE(rows_.state(), 0);
    }
};

QTEST_GUILESS_MAIN(RecordsetTest)
#include "tst_recordset.moc"
