#include "questionbase/sqlite.h"

#include <sqlite3.h>

namespace qb::sqlite {

Reason reasonFor(int sqliteCode) {
    switch (sqliteCode & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return Reason::InUse;
        case SQLITE_NOTADB:
            return Reason::NotABase;
        case SQLITE_CORRUPT:
            return Reason::Damaged;
        case SQLITE_FULL:
        case SQLITE_IOERR:
        case SQLITE_READONLY:
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
            return Reason::Io;
        default:
            return Reason::Refused;
    }
}

QString quoted(const QString& identifier) {
    QString escaped = identifier;
    escaped.replace(u'"', QStringLiteral("\"\""));
    return u'"' + escaped + u'"';
}

Database::~Database() {
    close();
}

Database::Database(Database&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}

Database& Database::operator=(Database&& other) noexcept {
    if (this != &other) {
        close();
        db_ = std::exchange(other.db_, nullptr);
    }
    return *this;
}

Database Database::open(const QString& path, bool create) {
    sqlite3* db = nullptr;
    const int flags =
        SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    Database result(db);
    if (rc != SQLITE_OK)
        result.raise(rc, QStringLiteral("Не удалось открыть файл базы"));
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 0);
    return result;
}

Database Database::openUnlockedReader(const QString& path) {
    // A URI, percent-encoded whole, so that no character of the path reads as a parameter.
    const QByteArray uri = "file:" + path.toUtf8().toPercentEncoding("/") + "?mode=ro&nolock=1";
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(uri.constData(), &db,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    Database result(db);
    if (rc != SQLITE_OK)
        result.raise(rc, QStringLiteral("Не удалось открыть файл базы"));
    sqlite3_extended_result_codes(db, 1);
    return result;
}

void Database::close() {
    if (db_ != nullptr) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

void Database::key(const QByteArray& key) {
    const int rc = sqlite3_key(db_, key.constData(), static_cast<int>(key.size()));
    if (rc != SQLITE_OK)
        raise(rc, QStringLiteral("Ключ базы не принят"));
}

void Database::rekey(const QByteArray& key) {
    const int rc = sqlite3_rekey(db_, key.constData(), static_cast<int>(key.size()));
    if (rc != SQLITE_OK)
        raise(rc, QStringLiteral("Не удалось сменить ключ базы"));
}

void Database::exec(const QString& sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message);
    const QString text = message ? QString::fromUtf8(message) : QString();
    sqlite3_free(message);
    if (rc != SQLITE_OK)
        raise(rc, text);
}

QVariant Database::scalar(const QString& sql) {
    Statement statement(*this, sql);
    return statement.step() ? statement.value(0) : QVariant();
}

qint64 Database::lastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

int Database::changes() const {
    return sqlite3_changes(db_);
}

void Database::raise(int rc, const QString& what) const {
    raise(db_, rc, what);
}

void Database::raise(sqlite3* db, int rc, const QString& what) {
    QString text = what;
    if (db != nullptr && rc != SQLITE_OK) {
        const QString detail = QString::fromUtf8(sqlite3_errmsg(db));
        if (!detail.isEmpty() && !text.contains(detail))
            text += QStringLiteral(": ") + detail;
    } else if (rc != SQLITE_OK) {
        text += QStringLiteral(": ") + QString::fromUtf8(sqlite3_errstr(rc));
    }
    throw Error(reasonFor(rc), text);
}

Statement::Statement(const Database& db, const QString& sql) : db_(db.handle()) {
    const QByteArray utf8 = sql.toUtf8();
    const int rc =
        sqlite3_prepare_v2(db_, utf8.constData(), static_cast<int>(utf8.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK)
        Database::raise(db_, rc, QStringLiteral("Запрос не принят"));
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

void Statement::bind(int index, const QVariant& value) {
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(stmt_, index);
    } else if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong ||
               value.typeId() == QMetaType::Short || value.typeId() == QMetaType::UInt) {
        rc = sqlite3_bind_int64(stmt_, index, value.toLongLong());
    } else if (value.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = value.toByteArray();
        rc = sqlite3_bind_blob(stmt_, index, bytes.constData(), static_cast<int>(bytes.size()),
                               SQLITE_TRANSIENT);
    } else {
        const QByteArray utf8 = value.toString().toUtf8();
        rc = sqlite3_bind_text(stmt_, index, utf8.constData(), static_cast<int>(utf8.size()),
                               SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK)
        Database::raise(db_, rc, QStringLiteral("Значение не принято"));
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(stmt_);
    Database::raise(db_, rc, QStringLiteral("Ошибка базы"));
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int Statement::columnCount() const {
    return sqlite3_column_count(stmt_);
}

QString Statement::columnName(int column) const {
    return QString::fromUtf8(sqlite3_column_name(stmt_, column));
}

QVariant Statement::value(int column) const {
    switch (sqlite3_column_type(stmt_, column)) {
        case SQLITE_NULL:
            return QVariant();
        case SQLITE_INTEGER: {
            const qint64 v = sqlite3_column_int64(stmt_, column);
            if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
                return QVariant(static_cast<int>(v));
            return QVariant(v);
        }
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(stmt_, column));
        case SQLITE_BLOB: {
            const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
            return QVariant(QByteArray(data, sqlite3_column_bytes(stmt_, column)));
        }
        default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
            return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(stmt_, column)));
        }
    }
}

std::optional<QByteArrayView> Statement::text(int column) const {
    if (sqlite3_column_type(stmt_, column) != SQLITE_TEXT)
        return std::nullopt;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return QByteArrayView(text, sqlite3_column_bytes(stmt_, column));
}

}  // namespace qb::sqlite
