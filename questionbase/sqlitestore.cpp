// The rows of an open base: the hold on the file, its tables and columns, and reading and
// writing rows.

#include "questionbase/sqlitestore.h"

#include "questionbase/questioncount.h"

#include <QFile>
#include <QRegularExpression>

#include <sqlite3.h>

#include <sys/stat.h>
#include <algorithm>
#include <iterator>
#include <limits>

namespace qb {

namespace {

constexpr int kReadAheadRows = 256;

}  // namespace

SqliteStore::SqliteStore(QString path, sqlite::Database db, Key key, QString password, Hold hold)
    : path_(std::move(path)),
      db_(std::move(db)),
      key_(key),
      password_(std::move(password)),
      hold_(hold) {
    rememberFile();
    takeHold();
}

void SqliteStore::rememberFile() {
    struct stat file {};
    if (::stat(QFile::encodeName(path_).constData(), &file) == 0) {
        device_ = quint64(file.st_dev);
        inode_ = quint64(file.st_ino);
    }
}

void SqliteStore::requireSameFile() {
    struct stat file {};
    if (::stat(QFile::encodeName(path_).constData(), &file) != 0)
        fail(Reason::Io, QStringLiteral("Файл базы удалён"));
    if (quint64(file.st_dev) != device_ || quint64(file.st_ino) != inode_)
        fail(Reason::Io, QStringLiteral("Файл базы заменён другим"));
    // Inside a caller's transaction the pages it added are not in the file yet.
    if (sqlite3_get_autocommit(db_.handle()) == 0)
        return;
    const qint64 pages = db_.scalar(QStringLiteral("PRAGMA page_count")).toLongLong();
    const qint64 pageSize = db_.scalar(QStringLiteral("PRAGMA page_size")).toLongLong();
    if (qint64(file.st_size) < pages * pageSize)
        fail(Reason::Io, QStringLiteral("Файл базы обрезан"));
}

SqliteStore::~SqliteStore() {
    // sqlite3_close_v2 keeps the file and its lock until the last statement is finalised.
    statements_.clear();
    holding_.reset();
    db_.close();
}

void SqliteStore::takeHold() {
    if (hold_ != Hold::Shared || holding_ || !db_.isOpen())
        return;
    auto statement = std::make_unique<sqlite::Statement>(
        db_, QStringLiteral("SELECT count(*) FROM sqlite_master"));
    statement->step();
    holding_ = std::move(statement);
}

sqlite::Statement& SqliteStore::cached(const QString& sql) {
    auto it = statements_.find(sql);
    if (it == statements_.end())
        it = statements_.insert(sql, std::make_shared<sqlite::Statement>(db_, sql));
    sqlite::Statement& statement = **it;
    statement.reset();
    return statement;
}

QStringList SqliteStore::tableNames() {
    takeHold();
    sqlite::Statement statement(db_, QStringLiteral("SELECT name FROM sqlite_master WHERE type = "
                                                    "'table' AND name NOT LIKE 'sqlite\\_%' "
                                                    "ESCAPE '\\' ORDER BY rowid"));
    QStringList names;
    while (statement.step()) {
        const QString name = statement.value(0).toString();
        // The kept count is part of the format, not a table of the test.
        if (name.compare(questioncount::kTable, Qt::CaseInsensitive) != 0)
            names << name;
    }
    return names;
}

QString SqliteStore::tableSql(const QString& table) {
    sqlite::Statement statement(
        db_, QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?"));
    statement.bind(1, table);
    return statement.step() ? statement.value(0).toString() : QString();
}

QList<ColumnInfo> SqliteStore::columns(const QString& table) {
    auto it = columns_.constFind(table);
    if (it != columns_.constEnd())
        return *it;
    takeHold();
    const QString sql = tableSql(table);
    if (sql.isEmpty())
        fail(Reason::NoSuchItem, QStringLiteral("Нет таблицы ") + table);

    QList<ColumnInfo> result;
    sqlite::Statement info(db_, QStringLiteral("PRAGMA table_info(%1)").arg(sqlite::quoted(table)));
    while (info.step()) {
        ColumnInfo column;
        column.name = info.value(1).toString();
        const QString type = info.value(2).toString().toUpper();
        column.type = type.contains(QLatin1String("INT")) ? ColumnType::Integer : ColumnType::Text;
        column.required = info.value(3).toInt() != 0;
        column.autoIncrement = info.value(5).toInt() == 1 && column.type == ColumnType::Integer;
        // The size limits live in the CHECK constraints of the schema.
        const QRegularExpression limit(
            QStringLiteral("length\\(\\s*\"?%1\"?\\s*\\)\\s*<=\\s*(\\d+)")
                .arg(QRegularExpression::escape(column.name)),
            QRegularExpression::CaseInsensitiveOption);
        const auto match = limit.match(sql);
        if (match.hasMatch())
            column.maxLength = match.captured(1).toInt();
        result << column;
    }
    columns_.insert(table, result);
    return result;
}

bool SqliteStore::ReadAhead::covers(const QString& name, qint64 id) const {
    return name == table && id >= from && (toEnd || (!rows.empty() && id <= rows.back().first));
}

void SqliteStore::readAheadFrom(const QString& table, qint64 from, int limit) {
    takeHold();
    readAhead_ = {};
    auto& statement =
        cached(QStringLiteral("SELECT rowid, * FROM %1 WHERE rowid >= ? ORDER BY rowid LIMIT ?")
                   .arg(sqlite::quoted(table)));
    statement.bind(1, from);
    statement.bind(2, limit);
    ReadAhead batch{table, from, false, {}};
    batch.rows.reserve(static_cast<size_t>(limit));
    while (statement.step()) {
        const int count = statement.columnCount();
        RowValues row;
        row.reserve(count - 1);
        for (int i = 1; i < count; ++i)
            row << statement.value(i);
        batch.rows.emplace_back(statement.value(0).toLongLong(), std::move(row));
    }
    statement.reset();
    batch.toEnd = batch.rows.size() < static_cast<size_t>(limit);
    readAhead_ = std::move(batch);
}

namespace {
bool byId(const std::pair<qint64, RowValues>& row, qint64 id) {
    return row.first < id;
}
}  // namespace

std::optional<qint64> SqliteStore::nextRowId(const QString& table, std::optional<qint64> after) {
    if (after && *after == std::numeric_limits<qint64>::max())
        return std::nullopt;
    const qint64 from = after ? *after + 1 : std::numeric_limits<qint64>::min();
    if (!readAhead_.covers(table, from))
        readAheadFrom(table, from, kReadAheadRows);
    const auto& rows = readAhead_.rows;
    const auto it = std::lower_bound(rows.begin(), rows.end(), from, byId);
    if (it == rows.end())
        return std::nullopt;
    return it->first;
}

std::vector<qint64> SqliteStore::nextRowIds(const QString& table, std::optional<qint64> after,
                                            int limit) {
    std::vector<qint64> ids;
    if (limit <= 0 || (after && *after == std::numeric_limits<qint64>::max()))
        return ids;
    takeHold();
    // Only the ids: the rows' texts (and their overflow pages) stay unread.
    auto& statement =
        cached(QStringLiteral("SELECT rowid FROM %1 WHERE rowid >= ? ORDER BY rowid LIMIT ?")
                   .arg(sqlite::quoted(table)));
    statement.bind(1, after ? *after + 1 : std::numeric_limits<qint64>::min());
    statement.bind(2, limit);
    ids.reserve(static_cast<size_t>(limit));
    while (statement.step())
        ids.push_back(statement.value(0).toLongLong());
    statement.reset();
    return ids;
}

std::optional<qint64> SqliteStore::previousRowId(const QString& table,
                                                 std::optional<qint64> before) {
    if (before && *before == std::numeric_limits<qint64>::min())
        return std::nullopt;
    const qint64 upTo = before ? *before - 1 : std::numeric_limits<qint64>::max();
    if (readAhead_.covers(table, upTo)) {
        const auto& rows = readAhead_.rows;
        const auto it = std::upper_bound(rows.begin(), rows.end(), upTo,
                                         [](qint64 id, const auto& row) { return id < row.first; });
        if (it != rows.begin())
            return std::prev(it)->first;
    }
    takeHold();
    auto& statement =
        cached(QStringLiteral("SELECT rowid FROM %1 WHERE rowid <= ? ORDER BY rowid DESC LIMIT 1")
                   .arg(sqlite::quoted(table)));
    statement.bind(1, upTo);
    std::optional<qint64> found;
    if (statement.step())
        found = statement.value(0).toLongLong();
    statement.reset();
    return found;
}

RowValues SqliteStore::readRow(const QString& table, qint64 id) {
    const auto cachedRow = [&]() -> const RowValues* {
        if (!readAhead_.covers(table, id))
            return nullptr;
        const auto& rows = readAhead_.rows;
        const auto it = std::lower_bound(rows.begin(), rows.end(), id, byId);
        return it != rows.end() && it->first == id ? &it->second : nullptr;
    };
    if (const RowValues* row = cachedRow())
        return *row;
    // A walk forward reads the next rows with this one; any other move reads one row.
    const bool forward =
        readAhead_.table == table && !readAhead_.rows.empty() && id > readAhead_.rows.back().first;
    readAheadFrom(table, id, forward || readAhead_.rows.empty() ? kReadAheadRows : 1);
    if (const RowValues* row = cachedRow())
        return *row;
    fail(Reason::Refused, QStringLiteral("Строка удалена"));
}

void SqliteStore::scanRows(const QString& table, const std::function<void(const RowView&)>& visit,
                           std::optional<qint64> after) {
    takeHold();
    class StatementRow final : public RowView {
    public:
        explicit StatementRow(const sqlite::Statement& statement)
            : statement_(statement), idColumn_(statement.columnCount() - 1) {}
        QVariant value(int column) const override { return statement_.value(column); }
        std::optional<QByteArrayView> utf8(int column) const override {
            return statement_.text(column);
        }
        // The rowid is selected after the table's own columns, so their positions hold.
        qint64 id() const override { return statement_.value(idColumn_).toLongLong(); }

    private:
        const sqlite::Statement& statement_;
        int idColumn_;
    };
    // Not cached: a scan that a visitor abandons with an exception must leave no statement
    // stopped on a row behind it.
    sqlite::Statement statement(
        db_, QStringLiteral("SELECT *, rowid FROM %1 WHERE rowid > ? ORDER BY rowid")
                 .arg(sqlite::quoted(table)));
    statement.bind(1, after.value_or(std::numeric_limits<qint64>::min()));
    const StatementRow row(statement);
    while (statement.step())
        visit(row);
}

qint64 SqliteStore::insertRow(const QString& table, const ColumnValues& values) {
    forgetReadAhead();
    requireSameFile();
    const QList<ColumnInfo> cols = columns(table);
    QString sql;
    if (values.isEmpty()) {
        sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(sqlite::quoted(table));
    } else {
        QStringList names;
        QStringList marks;
        for (const auto& [column, value] : values) {
            names << sqlite::quoted(cols.at(column).name);
            marks << QStringLiteral("?");
        }
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(sqlite::quoted(table), names.join(u','), marks.join(u','));
    }
    auto& statement = cached(sql);
    int index = 1;
    for (const auto& [column, value] : values)
        statement.bind(index++, value);
    statement.step();
    statement.reset();
    return db_.lastInsertId();
}

void SqliteStore::updateRow(const QString& table, qint64 id, const ColumnValues& values) {
    forgetReadAhead();
    if (values.isEmpty())
        return;
    requireSameFile();
    const QList<ColumnInfo> cols = columns(table);
    QStringList assignments;
    for (const auto& [column, value] : values)
        assignments << sqlite::quoted(cols.at(column).name) + QStringLiteral(" = ?");
    auto& statement = cached(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                                 .arg(sqlite::quoted(table), assignments.join(u',')));
    int index = 1;
    for (const auto& [column, value] : values)
        statement.bind(index++, value);
    statement.bind(index, id);
    statement.step();
    statement.reset();
    if (db_.changes() != 1)
        fail(Reason::Refused, QStringLiteral("Строка удалена"));
}

void SqliteStore::deleteRow(const QString& table, qint64 id) {
    forgetReadAhead();
    requireSameFile();
    auto& statement =
        cached(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(sqlite::quoted(table)));
    statement.bind(1, id);
    statement.step();
    statement.reset();
    if (db_.changes() != 1)
        fail(Reason::Refused, QStringLiteral("Строка уже удалена"));
}

}  // namespace qb
