#pragma once

#include "questionbase/sqlite.h"
#include "questionbase/store.h"

#include <QHash>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace qb {

// Puts the finished file `from` at `to` unless something is already there; atomic where the
// file system has hard links. Throws qb::Error.
void moveIntoPlace(const QString& from, const QString& to);

// Bases of our own format: SQLite files encrypted page by page with SQLCipher.
class SqliteStore final : public Store {
public:
    enum class Hold { Shared, Exclusive };
    enum class Key { None, BuiltIn, Password };

    // `password` is what the connection string carried (absent: no password part).
    static std::unique_ptr<SqliteStore> open(const QString& path, bool encrypted,
                                             const std::optional<QString>& password, Hold hold);
    // A new base with the full schema, keyed with the built-in key. Either the whole file
    // appears at `path` or nothing does; an existing file is never replaced.
    static void createBase(const QString& path);

    ~SqliteStore() override;

    Key key() const { return key_; }
    sqlite::Database& database() { return db_; }

    QStringList tableNames() override;
    QList<ColumnInfo> columns(const QString& table) override;
    qint64 rowCount(const QString& table) override;
    std::optional<qint64> nextRowId(const QString& table, std::optional<qint64> after) override;
    std::optional<qint64> previousRowId(const QString& table,
                                        std::optional<qint64> before) override;
    std::vector<qint64> nextRowIds(const QString& table, std::optional<qint64> after,
                                   int limit) override;
    RowValues readRow(const QString& table, qint64 id) override;
    void scanRows(const QString& table, const std::function<void(const RowView&)>& visit,
                  std::optional<qint64> after = std::nullopt) override;
    qint64 insertRow(const QString& table, const ColumnValues& values) override;
    void updateRow(const QString& table, qint64 id, const ColumnValues& values) override;
    void deleteRow(const QString& table, qint64 id) override;
    void changePassword(const PasswordStatement& statement) override;
    void rowsCounted(const QString& table, qint64 rows) override;

private:
    SqliteStore(QString path, sqlite::Database db, Key key, QString password, Hold hold);
    static sqlite::Database connect(const QString& path, Key key, const QString& password,
                                    Hold hold);
    // Idempotent: a read after a password change whose re-take failed takes the hold again,
    // or reports the base as in use.
    void takeHold();
    // Runs `change` with the shared hold lapsed and takes it again afterwards, whether or not
    // the change succeeded.
    template <typename Change>
    void outsideHold(Change&& change);
    void rekeyTo(Key key, const QString& password);
    // Whether a fresh reader, without locks and knowing only this key, finds the file whole.
    static bool fileOpensWith(const QString& path, Key key, const QString& password);
    // Closes the connection and opens the file again with the key it has: this store's own
    // key, or else `other`.
    void reopen(Key other, const QString& otherPassword);
    // The file the connection holds, as it was when it was opened.
    void rememberFile();
    // Before a write: the path must still name the file the connection holds, whole. A file
    // removed, replaced or cut short under an open connection would take every later save into
    // an orphan, or into a file SQLite no longer knows, without a word.
    void requireSameFile();
    void encryptPlainBase(const QString& password);
    sqlite::Statement& cached(const QString& sql);
    QString tableSql(const QString& table);

    QString path_;
    sqlite::Database db_;
    Key key_;
    QString password_;  // NFC, when key_ is Password
    Hold hold_;
    quint64 device_ = 0;
    quint64 inode_ = 0;
    // The shared hold: a statement stopped on its row keeps the connection's read transaction
    // and its SHARED lock, so the editor's exclusive opening fails as "in use", other shared
    // connections still read, and no other connection can change what this one reads. Unlike
    // BEGIN it leaves transaction control to the statements: a row write still commits on its
    // own (SQLite keeps the SHARED lock through the commit while a read is in progress), and
    // callers may still wrap writes in their own BEGIN and COMMIT.
    std::unique_ptr<sqlite::Statement> holding_;

    // Rows read ahead of a forward walk, in id order: every row of `table` whose id lies from
    // `from` to the last one here (or, when the read reached the end of the table, beyond) is
    // here. A full export runs one statement per batch of rows instead of one per row, and the
    // next id of a walk comes from the batch.
    struct ReadAhead {
        QString table;
        qint64 from = 0;
        bool toEnd = false;
        std::vector<std::pair<qint64, RowValues>> rows;

        bool covers(const QString& name, qint64 id) const;
    };
    void readAheadFrom(const QString& table, qint64 from, int limit);
    void forgetReadAhead() { readAhead_ = {}; }

    QHash<QString, QList<ColumnInfo>> columns_;
    ReadAhead readAhead_;
    QHash<QString, std::shared_ptr<sqlite::Statement>> statements_;
};

// The key material for a password: its UTF-8 bytes after NFC normalisation.
QByteArray passwordKey(const QString& password);
QByteArray builtInKey();

}  // namespace qb
