#pragma once

// A thin RAII layer over SQLCipher's C API: a Database owns its handle, a Statement finalizes
// itself, and every failure becomes a qb::Error with the right reason.
//
// A Statement keeps the connection's handle, not the Database object: a Database can be moved
// or closed while its statements live (sqlite3_close_v2 keeps a connection until its last
// statement is finalized), and no statement is left pointing at a moved-from object.

#include "questionbase/error.h"

#include <QByteArrayView>
#include <QString>
#include <QVariant>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace qb::sqlite {

class Database {
public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;

    // Opens (or creates) the file; no page is read until the first statement.
    static Database open(const QString& path, bool create);
    // Opens the file only to read it, taking no locks, beside a connection that holds it.
    static Database openUnlockedReader(const QString& path);

    bool isOpen() const { return db_ != nullptr; }
    sqlite3* handle() const { return db_; }
    void close();

    // The key must be set before the first statement; raw keys are given as "x'hex'".
    void key(const QByteArray& key);
    void rekey(const QByteArray& key);
    void exec(const QString& sql);
    // Runs a statement of one row, one column.
    QVariant scalar(const QString& sql);
    qint64 lastInsertId() const;
    int changes() const;

    [[noreturn]] void raise(int rc, const QString& what) const;
    // The same for a handle; a null one (a closed connection) adds SQLite's text for the code.
    [[noreturn]] static void raise(sqlite3* db, int rc, const QString& what);

private:
    explicit Database(sqlite3* db) : db_(db) {}
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement(const Database& db, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, const QVariant& value);  // 1-based
    bool step();                                  // true while a row is available
    void reset();
    int columnCount() const;
    QString columnName(int column) const;
    QVariant value(int column) const;
    // The value's UTF-8 bytes, valid until the next step, when it is stored as text.
    std::optional<QByteArrayView> text(int column) const;

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

Reason reasonFor(int sqliteCode);
QString quoted(const QString& identifier);

}  // namespace qb::sqlite
