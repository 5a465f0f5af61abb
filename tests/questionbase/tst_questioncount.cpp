// The number of questions a base keeps for itself: whatever other programs did to the base,
// and whatever became of the count, both programs see the same number, the same rows in the
// same order and the same export as a count of the rows gives; the editor's walk over the ids
// after opening leaves the count kept again, and never at the cost of a table that is not
// ours, nor a count that an index of another program makes untrustworthy. In the editor's
// window, a count that lies shows the rows' own number a moment after opening, and so does the
// list of questions opened at once.

#include "editor/ui/questionlistwindow.h"
#include "exporter/core/textexport.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/questioncount.h"
#include "questionbase/recordset.h"
#include "tests/support/editorsession.h"
#include "tests/support/tempbase.h"
#include "tests/support/useractions.h"

#include <QBuffer>
#include <QFile>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <optional>

using testsupport::TempFolder;

namespace {

const QStringList kWithoutCount = {
    QStringLiteral("DROP TRIGGER test_count_insert_before"),
    QStringLiteral("DROP TRIGGER test_count_insert"),
    QStringLiteral("DROP TRIGGER test_count_renumber_before"),
    QStringLiteral("DROP TRIGGER test_count_renumber"),
    QStringLiteral("DROP TRIGGER test_count_delete"),
    QStringLiteral("DROP TABLE test_count"),
};

QString row(int number, const QString& question) {
    return QStringLiteral(
               "INSERT OR REPLACE INTO test VALUES (%1, '%2', 'а', 'б', NULL, NULL, "
               "NULL, NULL, 2)")
        .arg(number)
        .arg(question);
}

// What a cursor over the questions shows from end to end.
struct Walk {
    int count = -1;
    QList<qint64> forward;
    QList<qint64> backward;
    QByteArray exported;

    bool operator==(const Walk&) const = default;
};

// Without a mode a connection shares its base, as the exporter's does; the editor's walks the
// ids after opening.
Walk walk(const QString& path, bool asEditor) {
    qb::Connection connection;
    if (asEditor)
        connection.setMode(qb::kModeShareExclusive);
    connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
    qb::Recordset rows;
    rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
    Walk result;
    if (asEditor)
        rows.positionCount();
    result.count = rows.recordCount();
    for (rows.moveFirst(); !rows.eof(); rows.moveNext())
        result.forward << rows.currentId();
    for (rows.moveLast(); !rows.bof(); rows.movePrevious())
        result.backward << rows.currentId();
    QBuffer buffer(&result.exported);
    buffer.open(QIODevice::WriteOnly);
    exporter::writeQuestionsText(rows, true, buffer);
    return result;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::optional<qint64> kept(const QString& path) {
    qb::sqlite::Database db = testsupport::openRaw(path);
    return qb::questioncount::kept(db);
}

// Every value of the count's table, as it stands; none without the table.
QVariantList countTable(const QString& path) {
    qb::sqlite::Database db = testsupport::openRaw(path);
    QVariantList values;
    if (db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'test_count'"))
            .toInt() == 0)
        return values;
    qb::sqlite::Statement rows(db, QStringLiteral("SELECT * FROM test_count"));
    while (rows.step()) {
        for (int i = 0; i < rows.columnCount(); ++i)
            values << rows.value(i);
    }
    return values;
}

}  // namespace

class QuestionCount : public QObject {
    Q_OBJECT

    TempFolder folder_;

private slots:
    void everyOpeningSeesTheRowsACountWouldFind_data();
    void everyOpeningSeesTheRowsACountWouldFind();
    void aCountThatLiesIsMendedSoonAfterOpening_data();
    void aCountThatLiesIsMendedSoonAfterOpening();
};

void QuestionCount::everyOpeningSeesTheRowsACountWouldFind_data() {
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<bool>("keptBefore");  // trusted as the base stands after the statements
    QTest::addColumn<bool>("keptAfter");   // after the editor has opened it

    QTest::newRow("new base") << QStringList() << true << true;
    QTest::newRow("made by an earlier build") << kWithoutCount << false << true;
    QTest::newRow("another program's rows, no count")
        << kWithoutCount + QStringList{row(100, QStringLiteral("Сто")),
                                       QStringLiteral("DELETE FROM test WHERE \"номер\" = 2")}
        << false << true;
    QTest::newRow("a trigger missing")
        << QStringList{QStringLiteral("DROP TRIGGER test_count_delete"),
                       QStringLiteral("DELETE FROM test WHERE \"номер\" = 3")}
        << false << true;
    QTest::newRow("a trigger changed")
        << QStringList{QStringLiteral("DROP TRIGGER test_count_insert"),
                       QStringLiteral("CREATE TRIGGER test_count_insert AFTER INSERT ON test "
                                      "BEGIN UPDATE test_count SET \"строк\" = \"строк\" + 2; "
                                      "END"),
                       row(7, QStringLiteral("Седьмой"))}
        << false << true;
    QTest::newRow("count row missing")
        << QStringList{QStringLiteral("DELETE FROM test_count")} << false << true;
    QTest::newRow("a second count row")
        << QStringList{QStringLiteral("INSERT INTO test_count VALUES (6, 0)")} << false << true;
    QTest::newRow("count below zero")
        << QStringList{QStringLiteral("UPDATE test_count SET \"строк\" = -1")} << false << true;
    QTest::newRow("count beyond the span of the numbers")
        << QStringList{QStringLiteral("UPDATE test_count SET \"строк\" = 7")} << false << true;
    QTest::newRow("count of none while rows remain")
        << QStringList{QStringLiteral("UPDATE test_count SET \"строк\" = 0")} << false << true;
    QTest::newRow("count as text")
        << QStringList{QStringLiteral("UPDATE test_count SET \"строк\" = 'шесть'")} << false
        << true;
    QTest::newRow("a table of that name that is not ours")
        << kWithoutCount + QStringList{QStringLiteral("CREATE TABLE test_count (\"заметка\" TEXT)"),
                                       QStringLiteral("INSERT INTO test_count VALUES ('чужое')")}
        << false << false;
    // What other programs send through the triggers keeps the count exact.
    QTest::newRow("INSERT OR REPLACE of a taken number")
        << QStringList{row(2, QStringLiteral("Заменён"))} << true << true;
    QTest::newRow("the same with recursive triggers")
        << QStringList{QStringLiteral("PRAGMA recursive_triggers = ON"),
                       row(2, QStringLiteral("Заменён"))}
        << true << true;
    QTest::newRow("UPDATE OR REPLACE of a number")
        << QStringList{QStringLiteral(
               "UPDATE OR REPLACE test SET \"номер\" = 1 WHERE \"номер\" = 4")}
        << true << true;
    QTest::newRow("the same with recursive triggers, then a free number")
        << QStringList{QStringLiteral("PRAGMA recursive_triggers = ON"),
                       QStringLiteral(
                           "UPDATE OR REPLACE test SET \"номер\" = 1 WHERE \"номер\" = 4"),
                       QStringLiteral("UPDATE test SET \"номер\" = 50 WHERE \"номер\" = 5")}
        << true << true;
    QTest::newRow("INSERT OR IGNORE of a taken number, then a new row")
        << QStringList{QStringLiteral("INSERT OR IGNORE INTO test VALUES (3, 'x', 'а', 'б', NULL, "
                                      "NULL, NULL, NULL, 1)"),
                       QStringLiteral("INSERT INTO test (\"вопрос\", \"ответ1\", \"ответ2\", "
                                      "\"верный\") VALUES ('Новый', 'а', 'б', 1)")}
        << true << true;
    QTest::newRow("everything deleted")
        << QStringList{QStringLiteral("DELETE FROM test")} << true << true;
    // The number's aliases name no column, yet renumber as much.
    QTest::newRow("UPDATE OR REPLACE through the rowid")
        << QStringList{QStringLiteral("UPDATE OR REPLACE test SET rowid = 1 WHERE rowid = 2"),
                       QStringLiteral("UPDATE OR REPLACE test SET oid = 3 WHERE _rowid_ = 4")}
        << true << true;
    // Their triggers fire only for statements that name "номер".
    QTest::newRow("renumbering triggers of an earlier build")
        << QStringList{QStringLiteral("DROP TRIGGER test_count_renumber_before"),
                       QStringLiteral("DROP TRIGGER test_count_renumber"),
                       QStringLiteral("CREATE TRIGGER test_count_renumber_before BEFORE UPDATE "
                                      "OF \"номер\" ON test BEGIN UPDATE test_count SET "
                                      "\"заменяется\" = NEW.\"номер\" IS NOT OLD.\"номер\" AND "
                                      "EXISTS (SELECT 1 FROM test WHERE \"номер\" = "
                                      "NEW.\"номер\"); END"),
                       QStringLiteral("CREATE TRIGGER test_count_renumber AFTER UPDATE OF "
                                      "\"номер\" ON test BEGIN UPDATE test_count SET \"строк\" = "
                                      "\"строк\" - \"заменяется\", \"заменяется\" = 0; END"),
                       QStringLiteral("UPDATE OR REPLACE test SET rowid = 1 WHERE rowid = 2")}
        << false << true;
    // A row that REPLACE removes through the index fires no trigger: no count is trusted while
    // the index stays, so the editor writes none.
    QTest::newRow("INSERT OR REPLACE through another program's UNIQUE index")
        << QStringList{QStringLiteral("CREATE UNIQUE INDEX \"вопросы\" ON test (\"вопрос\")"),
                       row(9, QStringLiteral("Вопрос 3"))}
        << false << false;
    QTest::newRow("a UNIQUE constraint's own index")
        << QStringList{QStringLiteral("ALTER TABLE test RENAME TO old"),
                       QStringLiteral("CREATE TABLE test (\"номер\" INTEGER PRIMARY KEY "
                                      "AUTOINCREMENT, \"вопрос\" TEXT UNIQUE, \"ответ1\" TEXT, "
                                      "\"ответ2\" TEXT, \"ответ3\" TEXT, \"ответ4\" TEXT, "
                                      "\"ответ5\" TEXT, \"фото\" TEXT, \"верный\" INTEGER)"),
                       QStringLiteral("INSERT INTO test SELECT * FROM old"),
                       QStringLiteral("DROP TABLE old")}
        << false << false;
}

void QuestionCount::everyOpeningSeesTheRowsACountWouldFind() {
    QFETCH(QStringList, statements);
    QFETCH(bool, keptBefore);
    QFETCH(bool, keptAfter);
    const QString path =
        testsupport::makeBase(folder_, QString::fromUtf8(QTest::currentDataTag()) + ".mdb", 6);
    QList<qint64> ids;
    {
        qb::sqlite::Database db = testsupport::openRaw(path);
        for (const QString& statement : statements)
            db.exec(statement);
        qb::sqlite::Statement scan(db, QStringLiteral("SELECT rowid FROM test ORDER BY rowid"));
        while (scan.step())
            ids << scan.value(0).toLongLong();
    }
    const std::optional<qint64> expectedKept = qint64(ids.size());
    QCOMPARE(kept(path), keptBefore ? expectedKept : std::nullopt);

    const QByteArray file = fileBytes(path);
    const Walk exporter = walk(path, false);
    QCOMPARE(fileBytes(path), file);  // the exporter never writes
    QCOMPARE(exporter.count, ids.size());
    QCOMPARE(exporter.forward, ids);
    QList<qint64> reversed = ids;
    std::reverse(reversed.begin(), reversed.end());
    QCOMPARE(exporter.backward, reversed);
    QCOMPARE(exporter.exported.count("  \r\n"), ids.size());

    const QVariantList count = countTable(path);
    QVERIFY(walk(path, true) == exporter);
    QCOMPARE(kept(path), keptAfter ? expectedKept : std::nullopt);
    QVERIFY(walk(path, false) == exporter);
    if (!keptAfter)
        QCOMPARE(countTable(path), count);  // nothing of it rebuilt, nothing of another's lost
}

// Plain SQL from another program can make the count the base keeps lie in ways no trigger
// sees. A moment after opening the caption shows the rows' own number, and the base keeps it
// again; no step goes by the count. Rows without idle time click before the walk could run.
void QuestionCount::aCountThatLiesIsMendedSoonAfterOpening_data() {
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<bool>("idle");     // idle time runs before the first click
    QTest::addColumn<bool>("indexed");  // another program's index stays: no count is kept

    const QStringList raised = {QStringLiteral("DELETE FROM test WHERE rowid IN (4, 5)"),
                                QStringLiteral("UPDATE test_count SET \"строк\" = 10")};
    QTest::newRow("UPDATE OR REPLACE through the rowid")
        << QStringList{QStringLiteral("UPDATE OR REPLACE test SET rowid = 1 WHERE rowid = 2")}
        << true << false;
    QTest::newRow("INSERT OR REPLACE through another program's UNIQUE index")
        << QStringList{QStringLiteral("CREATE UNIQUE INDEX \"вопросы\" ON test (\"вопрос\")"),
                       QStringLiteral("INSERT OR REPLACE INTO test (\"вопрос\", \"ответ1\", "
                                      "\"ответ2\", \"верный\") VALUES ('Вопрос 3', 'а', 'б', 1)")}
        << true << true;
    QTest::newRow("count lowered")
        << QStringList{QStringLiteral("UPDATE test_count SET \"строк\" = 3")} << true << false;
    QTest::newRow("count raised within the span of the numbers") << raised << true << false;
    QTest::newRow("count of 1, deleting at once")
        << QStringList{QStringLiteral("UPDATE test_count SET \"строк\" = 1")} << false << false;
    QTest::newRow("count raised, deleting at once") << raised << false << false;
}

void QuestionCount::aCountThatLiesIsMendedSoonAfterOpening() {
    QFETCH(QStringList, statements);
    QFETCH(bool, idle);
    QFETCH(bool, indexed);
    testsupport::EditorSession s;
    const QString path = testsupport::makeBase(s.folder, QStringLiteral("c.mdb"), 10);
    QStringList questions;  // in order, as the other program left them
    {
        qb::sqlite::Database other = testsupport::openRaw(path);
        for (const QString& statement : statements)
            other.exec(statement);
        qb::sqlite::Statement rows(other,
                                   QStringLiteral("SELECT \"вопрос\" FROM test ORDER BY rowid"));
        while (rows.step())
            questions << rows.value(0).toString();
    }
    const qsizetype n = questions.size();
    const auto caption = [](qsizetype at, qsizetype of) {
        return QStringLiteral("Вопрос № %1 из %2").arg(at).arg(of);
    };
    s.open(path);
    QCOMPARE(s.question(), questions.at(0));
    // The list, opened before the walk could run, has as many lines as the caption says, and
    // the walk's end leaves the line the teacher went to.
    s.trigger("spisok");
    editor::QuestionListWindow* list = s.window->listWindow();
    const QTableView* view = list->findChild<QTableView*>(QStringLiteral("questions"));
    const QAbstractItemModel* lines = view->model();
    if (idle) {
        testsupport::activate(*list);
        testsupport::pressKey(Qt::Key_End, Qt::ControlModifier);
        const int wentTo = view->currentIndex().row();
        QTRY_COMPARE(s.caption(), caption(1, n));
        QCOMPARE(lines->rowCount(), int(n));
        QCOMPARE(view->currentIndex().row(), std::min(wentTo, int(n) - 1));
    }

    s.click("Command4");
    QCOMPARE(s.caption(), caption(1, n - 1));
    QCOMPARE(s.question(), questions.at(1));
    QCOMPARE(lines->rowCount(), int(n - 1));
    s.click("Command3");
    QCOMPARE(s.caption(), caption(2, n - 1));
    QCOMPARE(s.question(), questions.at(2));
    s.click("Command5");
    QCOMPARE(s.caption(), caption(n, n));
    QCOMPARE(lines->rowCount(), int(n));
    QCOMPARE(s.question(), QString());
    VERIFY_ALL_SHOWN(s.dialogs);
    QVERIFY(s.dialogs.messages().isEmpty());

    s.window->close();
    qb::sqlite::Database db = testsupport::openRaw(path);
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM test")).toLongLong(), n);
    QCOMPARE(qb::questioncount::kept(db), indexed ? std::nullopt : std::optional<qint64>(n));
}

QTEST_MAIN(QuestionCount)
#include "tst_questioncount.moc"
