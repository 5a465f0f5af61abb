#include "questionbase/questioncount.h"

#include "questionbase/columns.h"
#include "questionbase/error.h"

#include <QList>
#include <QStringList>

#include <algorithm>

namespace qb::questioncount {

namespace {

// The number of rows of `test`.
const QString kRows = QStringLiteral("строк");
// SQLite fires no delete trigger for a row that INSERT OR REPLACE (or UPDATE OR REPLACE of the
// number) removes, unless recursive triggers are on. So a BEFORE trigger notes here that the
// statement's number is taken; the AFTER trigger then takes that row off the count, unless the
// delete trigger fired and did so already. An insert or renumbering that ends up ignored leaves
// a stale 1, which only the next BEFORE trigger reads after overwriting it.
const QString kReplacing = QStringLiteral("заменяется");

struct SchemaObject {
    QString type;
    QString name;
    QString sql;  // as sqlite_master stores it: no trailing semicolon
};

QList<SchemaObject> objects() {
    using columns::kQuestionsTable;
    const QString key = sqlite::quoted(columns::kNumber);
    const QString rows = sqlite::quoted(kRows);
    const QString replacing = sqlite::quoted(kReplacing);
    const QString taken =
        QStringLiteral("EXISTS (SELECT 1 FROM %1 WHERE %2 = NEW.%2)").arg(kQuestionsTable, key);
    // The renumbering triggers name no column: `UPDATE OF "номер"` fires only when a statement
    // names that column, not its aliases rowid, oid and _rowid_. Their WHEN keeps a save that
    // leaves the number alone from writing the count's page.
    const auto trigger = [&](const char* suffix, const QString& event, const QString& set,
                             const QString& when = QString()) {
        const QString name = kTable + u'_' + QLatin1String(suffix);
        const QString condition = when.isEmpty() ? QString() : QStringLiteral(" WHEN ") + when;
        return SchemaObject{
            QStringLiteral("trigger"), name,
            QStringLiteral("CREATE TRIGGER %1 %2 ON %3%4 BEGIN UPDATE %5 SET %6; END")
                .arg(name, event, kQuestionsTable, condition, kTable, set)};
    };
    const QString counted = replacing + QStringLiteral(" = 0");
    const QString renumbered = QStringLiteral("NEW.%1 IS NOT OLD.%1").arg(key);
    return {
        {QStringLiteral("table"), kTable,
         QStringLiteral("CREATE TABLE %1 (%2 INTEGER NOT NULL, %3 INTEGER NOT NULL)")
             .arg(kTable, rows, replacing)},
        trigger("insert_before", QStringLiteral("BEFORE INSERT"),
                QStringLiteral("%1 = %2").arg(replacing, taken)),
        trigger("insert", QStringLiteral("AFTER INSERT"),
                QStringLiteral("%1 = %1 + 1 - %2, %3").arg(rows, replacing, counted)),
        trigger("renumber_before", QStringLiteral("BEFORE UPDATE"),
                QStringLiteral("%1 = %2").arg(replacing, taken), renumbered),
        trigger("renumber", QStringLiteral("AFTER UPDATE"),
                QStringLiteral("%1 = %1 - %2, %3").arg(rows, replacing, counted), renumbered),
        trigger("delete", QStringLiteral("AFTER DELETE"),
                QStringLiteral("%1 = %1 - 1, %2").arg(rows, counted)),
    };
}

// The statements that build the count, the first row holding `initialRows`.
QString creation(const QString& initialRows) {
    const QList<SchemaObject> all = objects();
    QStringList statements = {
        all.first().sql, QStringLiteral("INSERT INTO %1 SELECT %2, 0").arg(kTable, initialRows)};
    for (qsizetype i = 1; i < all.size(); ++i)
        statements << all.at(i).sql;
    return statements.join(QStringLiteral(";\n")) + QStringLiteral(";\n");
}

bool keyedByNumber(sqlite::Database& db) {
    sqlite::Statement info(
        db, QStringLiteral("PRAGMA table_info(%1)").arg(sqlite::quoted(columns::kQuestionsTable)));
    while (info.step()) {
        // Only a column declared exactly INTEGER PRIMARY KEY is the row's id.
        if (info.value(1).toString() == columns::kNumber && info.value(5).toInt() == 1 &&
            info.value(2).toString().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Another program's index: a REPLACE through a UNIQUE one removes rows no trigger sees. The
// index of a UNIQUE or PRIMARY KEY constraint (sqlite_autoindex_…) counts as well.
bool indexed(sqlite::Database& db) {
    sqlite::Statement indexes(db, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = "
                                                 "'index' AND tbl_name = ? COLLATE NOCASE"));
    indexes.bind(1, columns::kQuestionsTable);
    return indexes.step() && indexes.value(0).toLongLong() != 0;
}

// The table and every trigger exactly as schema() makes them.
bool shapedAsNew(sqlite::Database& db) {
    const QList<SchemaObject> expected = objects();
    QStringList marks;
    for (qsizetype i = 0; i < expected.size(); ++i)
        marks << QStringLiteral("?");
    sqlite::Statement master(db, QStringLiteral("SELECT type, name, sql FROM sqlite_master "
                                                "WHERE name IN (%1)")
                                     .arg(marks.join(u',')));
    for (qsizetype i = 0; i < expected.size(); ++i)
        master.bind(int(i) + 1, expected.at(i).name);
    qsizetype matching = 0;
    while (master.step()) {
        const auto same = [&](const SchemaObject& object) {
            return object.type == master.value(0).toString() &&
                   object.name == master.value(1).toString() &&
                   object.sql == master.value(2).toString();
        };
        if (std::none_of(expected.begin(), expected.end(), same))
            return false;
        ++matching;
    }
    return matching == expected.size();
}

// Runs `change` in one write transaction, rolled back when it fails.
template <typename Change>
void inTransaction(sqlite::Database& db, Change&& change) {
    db.exec(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        change();
        db.exec(QStringLiteral("COMMIT"));
    } catch (...) {
        try {
            db.exec(QStringLiteral("ROLLBACK"));
        } catch (const Error&) {
            // SQLite rolled the transaction back itself.
        }
        throw;
    }
}

}  // namespace

QString schema() {
    return creation(QStringLiteral("0"));
}

std::optional<qint64> kept(sqlite::Database& db) {
    if (!shapedAsNew(db) || indexed(db))
        return std::nullopt;
    sqlite::Statement counted(
        db, QStringLiteral("SELECT %1, typeof(%1), (SELECT count(*) FROM %2), "
                           "(SELECT min(rowid) FROM %3), (SELECT max(rowid) FROM %3) FROM %2")
                .arg(sqlite::quoted(kRows), kTable, columns::kQuestionsTable));
    if (!counted.step() || counted.value(1).toString() != QLatin1String("integer") ||
        counted.value(2).toLongLong() != 1)
        return std::nullopt;
    const qint64 rows = counted.value(0).toLongLong();
    if (rows < 0)
        return std::nullopt;
    if (counted.value(3).isNull())
        return rows == 0 ? std::optional<qint64>(0) : std::nullopt;
    const auto first = static_cast<quint64>(counted.value(3).toLongLong());
    const auto last = static_cast<quint64>(counted.value(4).toLongLong());
    if (rows == 0 || last - first < static_cast<quint64>(rows - 1))
        return std::nullopt;
    return rows;
}

void keep(sqlite::Database& db, qint64 rows) {
    if (!keyedByNumber(db))
        fail(Reason::Refused, QStringLiteral("Вопросы базы не пронумерованы"));
    if (indexed(db) || kept(db) == rows)
        return;
    inTransaction(db, [&] {
        const QList<SchemaObject> all = objects();
        const QString number = QString::number(rows);
        if (shapedAsNew(db) &&
            db.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(kTable)).toLongLong() == 1) {
            // Only the number is wrong: one page changes.
            db.exec(QStringLiteral("UPDATE %1 SET %2 = %3, %4 = 0")
                        .arg(kTable, sqlite::quoted(kRows), number, sqlite::quoted(kReplacing)));
            return;
        }
        {
            sqlite::Statement existing(
                db,
                QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?"));
            existing.bind(1, kTable);
            if (existing.step() && existing.value(0).toString() != all.first().sql)
                fail(Reason::Refused, QStringLiteral("Таблица %1 базы хранит другое").arg(kTable));
        }
        QStringList drops;
        for (qsizetype i = 1; i < all.size(); ++i)
            drops << QStringLiteral("DROP TRIGGER IF EXISTS %1;").arg(all.at(i).name);
        drops << QStringLiteral("DROP TABLE IF EXISTS %1;").arg(kTable);
        db.exec(drops.join(u'\n'));
        db.exec(creation(number));
    });
}

}  // namespace qb::questioncount
