#include "questionbase/sqlitestore.h"

#include "questionbase/columns.h"
#include "questionbase/questioncount.h"
#include "questionbase/steps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iterator>
#include <limits>

namespace qb {

namespace {

// Part of the file format, not a secret: it keeps bases without a password opaque.
const char kBuiltInKey[] = "x'94620bb22e1cdd9517897216a164baf79570e3c2a0fa9bd7a5344fe3dec858ab'";

constexpr int kReadAheadRows = 256;

// A column of the schema as the CREATE TABLE text states it.
struct SchemaColumn {
    enum Kind { Id, Text, Integer };
    QString name;
    Kind kind;
    bool required = false;
    int size = 0;  // Text: the most UTF-16 code units it holds
};

// One line a column, the names padded to one width: the text every new base has stored. A Text
// size is the constraint `length("name") <= size`, the form SqliteStore::columns() reads back as
// the column's limit.
QString createTable(const QString& table, const QList<SchemaColumn>& columns) {
    qsizetype width = 0;
    for (const SchemaColumn& column : columns)
        width = std::max(width, sqlite::quoted(column.name).size());
    QStringList lines;
    for (const SchemaColumn& column : columns) {
        const QString name = sqlite::quoted(column.name);
        QString line = QStringLiteral("  ") + name.leftJustified(width + 1);
        switch (column.kind) {
            case SchemaColumn::Id:
                line += QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
                break;
            case SchemaColumn::Text:
                line += QStringLiteral("TEXT ") +
                        (column.required ? QStringLiteral("NOT NULL ") : QString()) +
                        QStringLiteral("CHECK (length(%1) <= %2)").arg(name).arg(column.size);
                break;
            case SchemaColumn::Integer:
                // 32 bits, the integer every reader of the file expects.
                line += QStringLiteral("INTEGER ") +
                        (column.required ? QStringLiteral("NOT NULL ") : QString()) +
                        QStringLiteral("CHECK (%1 BETWEEN -2147483648 AND 2147483647)").arg(name);
                break;
        }
        lines << line;
    }
    return QStringLiteral("CREATE TABLE %1 (\n%2);\n")
        .arg(table, lines.join(QStringLiteral(",\n")));
}

// The schema of a new base, from the column table; the required texts are the ones a new
// question fills in.
QString schema() {
    using namespace columns;
    const auto required = [](const QString& name) {
        return std::find(std::begin(kNewQuestionRequired), std::end(kNewQuestionRequired), name) !=
               std::end(kNewQuestionRequired);
    };
    QList<SchemaColumn> questions = {
        {kNumber, SchemaColumn::Id},
        {kQuestion, SchemaColumn::Text, required(kQuestion), kQuestionSize},
    };
    for (int i = 0; i < kOptionCount; ++i)
        questions.append({option(i), SchemaColumn::Text, required(option(i)), kOptionSize});
    questions.append({kPicture, SchemaColumn::Text, required(kPicture), kPictureSize});
    questions.append({kCorrect, SchemaColumn::Integer, true});
    const QList<SchemaColumn> settings = {
        {kSettingsId, SchemaColumn::Id},
        {kDescription, SchemaColumn::Text, false, kDescriptionSize},
        {kTime, SchemaColumn::Integer, false},
        {kTimeTarget, SchemaColumn::Text, false, kTimeTargetSize},
    };
    return u'\n' + createTable(kQuestionsTable, questions) + createTable(kSettingsTable, settings) +
           questioncount::schema() + QStringLiteral("PRAGMA user_version = 1;\n");
}

// Other readers of the file rely on SQLCipher 3's defaults; they are set, not assumed.
void applyCipherSettings(sqlite::Database& db) {
    db.exec(
        QStringLiteral("PRAGMA cipher_page_size = 1024; PRAGMA kdf_iter = 64000; "
                       "PRAGMA cipher_use_hmac = ON;"));
}

QByteArray keyFor(SqliteStore::Key key, const QString& password) {
    return key == SqliteStore::Key::BuiltIn ? builtInKey() : passwordKey(password);
}

QString siblingName(const QString& path, const char* purpose) {
    return path + QStringLiteral(".%1-%2")
                      .arg(QLatin1String(purpose))
                      .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

void removeWithJournal(const QString& path) {
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

bool quickCheckPasses(sqlite::Database& db) {
    return db.scalar(QStringLiteral("PRAGMA quick_check")).toString() == QLatin1String("ok");
}

// Every table's number of rows, by name.
QMap<QString, qint64> rowCounts(sqlite::Database& db) {
    QStringList tables;
    {
        sqlite::Statement names(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = "
                                                   "'table' AND name NOT LIKE 'sqlite\\_%' "
                                                   "ESCAPE '\\'"));
        while (names.step())
            tables << names.value(0).toString();
    }
    QMap<QString, qint64> counts;
    for (const QString& table : tables) {
        counts.insert(
            table, db.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(sqlite::quoted(table)))
                       .toLongLong());
    }
    return counts;
}

// A reader of the file beside the connection that holds it, knowing only this key.
sqlite::Database keyedReader(const QString& path, SqliteStore::Key key, const QString& password) {
    sqlite::Database reader = sqlite::Database::openUnlockedReader(path);
    if (key != SqliteStore::Key::None) {
        reader.key(keyFor(key, password));
        applyCipherSettings(reader);
    }
    return reader;
}

}  // namespace

QByteArray builtInKey() {
    return QByteArray(kBuiltInKey);
}

QByteArray passwordKey(const QString& password) {
    return password.normalized(QString::NormalizationForm_C).toUtf8();
}

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

template <typename Change>
void SqliteStore::outsideHold(Change&& change) {
    // A re-key and the swap of a plain base for its encrypted copy need the connection without
    // a statement in progress, so the hold lapses while they run (tests and tools change
    // passwords through a shared connection; the exporter never does). A failed re-take is
    // not the change's failure: the next read takes the hold or reports the base in use.
    const auto retake = [this] {
        try {
            takeHold();
        } catch (const Error&) {
        }
    };
    holding_.reset();
    try {
        change();
    } catch (...) {
        retake();
        throw;
    }
    retake();
}

sqlite::Database SqliteStore::connect(const QString& path, Key key, const QString& password,
                                      Hold hold) {
    sqlite::Database db = sqlite::Database::open(path, false);
    if (key != Key::None) {
        db.key(keyFor(key, password));
        applyCipherSettings(db);
    }
    if (hold == Hold::Exclusive) {
        // The hold lasts until the connection closes: commits and re-keys keep it, and any
        // other process gets "busy" at once.
        db.exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE; PRAGMA journal_size_limit = 0;"));
        db.exec(QStringLiteral("BEGIN EXCLUSIVE"));
        db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        db.exec(QStringLiteral("COMMIT"));
    } else {
        db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    }
    return db;
}

std::unique_ptr<SqliteStore> SqliteStore::open(const QString& path, bool encrypted,
                                               const std::optional<QString>& password, Hold hold) {
    const auto opened = [&](sqlite::Database db, Key key, const QString& normalized) {
        std::unique_ptr<SqliteStore> store(
            new SqliteStore(path, std::move(db), key, normalized, hold));
        if (hold == Hold::Exclusive)
            store->keepQuestionCount();
        return store;
    };
    if (!encrypted)
        return opened(connect(path, Key::None, {}, hold), Key::None, {});
    try {
        return opened(connect(path, Key::BuiltIn, {}, hold), Key::BuiltIn, {});
    } catch (const Error& error) {
        if (error.reason() != Reason::NotABase)
            throw;
    }
    if (!password || password->isEmpty() || *password == QStringLiteral("_="))
        fail(Reason::Authentication, QStringLiteral("Неверный пароль базы"));
    try {
        return opened(connect(path, Key::Password, *password, hold), Key::Password,
                      password->normalized(QString::NormalizationForm_C));
    } catch (const Error& error) {
        if (error.reason() == Reason::NotABase)
            fail(Reason::Authentication, QStringLiteral("Неверный пароль базы"));
        throw;
    }
}

void SqliteStore::keepQuestionCount() {
    // A base the editor cannot write (a read-only file) opens all the same and is counted row
    // by row.
    skipIfFails([this] {
        if (!tableSql(columns::kQuestionsTable).isEmpty() && !questioncount::kept(db_))
            questioncount::add(db_);
    });
}

void moveIntoPlace(const QString& from, const QString& to) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return;
    }
    const int error = errno;
    if (error == EEXIST)
        fail(Reason::Io, QStringLiteral("Такой файл уже существует"));
    // File systems without hard links (FAT on a memory stick): no atomic "create if absent".
    if (QFileInfo::exists(to) || std::rename(source.constData(), target.constData()) != 0)
        fail(Reason::Io, QStringLiteral("Не удалось создать файл базы"));
}

void SqliteStore::createBase(const QString& path) {
    if (path.isEmpty())
        fail(Reason::Missing, QStringLiteral("Не указан файл базы"));
    if (QFileInfo::exists(path))
        fail(Reason::Io, QStringLiteral("Такой файл уже существует"));
    const QString building = siblingName(path, "new");
    try {
        sqlite::Database db = sqlite::Database::open(building, true);
        db.key(builtInKey());
        applyCipherSettings(db);
        db.exec(QStringLiteral("BEGIN"));
        db.exec(schema());
        db.exec(QStringLiteral("COMMIT"));
        db.close();
        moveIntoPlace(building, path);
    } catch (...) {
        removeWithJournal(building);
        throw;
    }
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

qint64 SqliteStore::rowCount(const QString& table) {
    takeHold();
    if (table.compare(columns::kQuestionsTable, Qt::CaseInsensitive) == 0) {
        if (const std::optional<qint64> kept = questioncount::kept(db_))
            return *kept;
    }
    return db_.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(sqlite::quoted(table)))
        .toLongLong();
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

std::optional<qint64> SqliteStore::rowIdAt(const QString& table, qint64 offset) {
    if (offset < 0)
        return std::nullopt;
    takeHold();
    // SQLite steps over the offset in the table's b-tree without reading the rows.
    auto& statement = cached(QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid LIMIT 1 OFFSET ?")
                                 .arg(sqlite::quoted(table)));
    statement.bind(1, offset);
    std::optional<qint64> found;
    if (statement.step())
        found = statement.value(0).toLongLong();
    statement.reset();
    return found;
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

void SqliteStore::changePassword(const PasswordStatement& statement) {
    forgetReadAhead();
    const bool holdsPassword = key_ == Key::Password;
    if (statement.oldPassword.has_value() != holdsPassword ||
        (holdsPassword && passwordKey(*statement.oldPassword) != passwordKey(password_)))
        fail(Reason::Refused, QStringLiteral("Старый пароль указан неверно"));
    requireSameFile();

    outsideHold([&] {
        if (!statement.newPassword) {
            if (holdsPassword)
                rekeyTo(Key::BuiltIn, {});
        } else if (key_ == Key::None) {
            encryptPlainBase(*statement.newPassword);
        } else {
            rekeyTo(Key::Password, *statement.newPassword);
        }
    });
}

bool SqliteStore::fileOpensWith(const QString& path, Key key, const QString& password) {
    try {
        sqlite::Database reader = keyedReader(path, key, password);
        return quickCheckPasses(reader);
    } catch (const Error&) {
        return false;
    }
}

void SqliteStore::reopen(Key other, const QString& otherPassword) {
    statements_.clear();
    db_.close();
    // The key this store had first: a change that failed left the file with it.
    const std::pair<Key, QString> keys[] = {{key_, password_}, {other, otherPassword}};
    std::optional<Error> failure;
    for (const auto& [key, password] : keys) {
        try {
            sqlite::Database db = connect(path_, key, password, hold_);
            if (!quickCheckPasses(db))
                fail(Reason::Damaged, QStringLiteral("Проверка базы не прошла"));
            db_ = std::move(db);
            rememberFile();
            key_ = key;
            password_ = key == Key::Password ? password.normalized(QString::NormalizationForm_C)
                                             : QString();
            return;
        } catch (const Error& error) {
            failure = error;
        }
    }
    throw *failure;
}

void SqliteStore::rekeyTo(Key key, const QString& password) {
    statements_.clear();
    std::optional<Error> failure;
    try {
        db_.rekey(keyFor(key, password));
    } catch (const Error& error) {
        failure = error;
    }
    // sqlite3_rekey reports success after a write it could not make (a full disk), and the
    // connection then reads with one key and writes with the other: only a reader that knows
    // nothing but the new key can tell what the file holds.
    if (!failure && fileOpensWith(path_, key, password)) {
        key_ = key;
        password_ =
            key == Key::Password ? password.normalized(QString::NormalizationForm_C) : QString();
        return;
    }
    // Whatever the connection believes now, start again from the file with the key it has.
    // The hold lapses between the close and the reopening (well under a millisecond).
    const QString wanted =
        key == Key::Password ? password.normalized(QString::NormalizationForm_C) : QString();
    reopen(key, password);
    if (key_ == key && password_ == wanted)
        return;  // the change reached the file after all
    throw Error(Reason::Io, failure ? failure->text()
                                    : QStringLiteral("Не удалось записать базу с новым ключом"));
}

void SqliteStore::encryptPlainBase(const QString& password) {
    const QString encrypted = siblingName(path_, "key");
    statements_.clear();
    try {
        // The connection was opened without the right to create files; an empty file is a
        // valid new database for the attachment.
        QFile created(encrypted);
        if (!created.open(QIODevice::NewOnly))
            fail(Reason::Io, QStringLiteral("Не удалось создать временный файл"));
        created.close();
        {
            sqlite::Statement attach(db_, QStringLiteral("ATTACH DATABASE ? AS encrypted KEY ?"));
            attach.bind(1, encrypted);
            attach.bind(2, QString::fromUtf8(passwordKey(password)));
            attach.step();
        }
        db_.exec(
            QStringLiteral("PRAGMA encrypted.cipher_page_size = 1024; "
                           "PRAGMA encrypted.kdf_iter = 64000;"));
        db_.scalar(QStringLiteral("SELECT sqlcipher_export('encrypted')"));
        db_.exec(QStringLiteral("DETACH DATABASE encrypted"));
        // The copy takes the base's place only once a reader that knows nothing but the new
        // key finds it whole, with every row of every table: an export cut short by a full
        // disk must never replace the base.
        const auto wholeCopy = [&] {
            if (!fileOpensWith(encrypted, Key::Password, password))
                return false;
            sqlite::Database copy = keyedReader(encrypted, Key::Password, password);
            return rowCounts(copy) == rowCounts(db_);
        };
        if (!wholeCopy())
            fail(Reason::Io, QStringLiteral("Не удалось записать базу с паролем"));
    } catch (const Error& error) {
        removeWithJournal(encrypted);
        // A failed export can leave this connection inside its transaction with the copy still
        // attached: start again from the file, which the export never wrote.
        reopen(Key::None, {});
        throw Error(error.reason() == Reason::Refused ? Reason::Io : error.reason(), error.text());
    }
    // The rename needs our own connection closed, so the hold lapses for the instant between
    // the close and the reopening below (well under a millisecond).
    db_.close();
    const bool replaced = std::rename(QFile::encodeName(encrypted).constData(),
                                      QFile::encodeName(path_).constData()) == 0;
    if (!replaced)
        removeWithJournal(encrypted);
    const Key key = replaced ? Key::Password : Key::None;
    db_ = connect(path_, key, password, hold_);
    rememberFile();
    if (!replaced)
        fail(Reason::Io, QStringLiteral("Не удалось заменить файл базы"));
    key_ = Key::Password;
    password_ = password.normalized(QString::NormalizationForm_C);
}

}  // namespace qb
