#pragma once

#include "questionbase/store.h"

#include <QHash>

#include <memory>
#include <optional>
#include <vector>

namespace qb {

// A base made by the old Windows programs: a Jet 4.0 file, read through libmdb. These files
// are small, so every user table is read into memory when the base opens and the file is not
// touched again. Writing is refused: Jet has no journal we could trust to keep the file whole.
class JetStore final : public Store {
public:
    // `password` is what the connection string carried (absent: no password part). A base
    // with a password opens only with exactly that password; one without opens with any.
    static std::unique_ptr<JetStore> open(const QString& path,
                                          const std::optional<QString>& password);

    // The password the file holds, empty when it has none.
    const QString& password() const { return password_; }

    QStringList tableNames() override;
    QList<ColumnInfo> columns(const QString& table) override;
    // Row ids in insertion order, for the conversion that copies every row.
    std::vector<qint64> rowIds(const QString& table);
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

    struct Table {
        QString name;
        QList<ColumnInfo> columns;
        std::vector<RowValues> rows;  // ordered by the AutoNumber column; id = position + 1
    };

private:
    JetStore(QString password, std::vector<Table> tables)
        : password_(std::move(password)), tables_(std::move(tables)) {}
    const Table& table(const QString& name) const;

    QString password_;
    std::vector<Table> tables_;
};

namespace jet {

// Text as Jet 4.0 stores it in a row: UTF-16LE, or "Unicode compressed" (FF FE, then runs of
// one byte a character, U+0001 to U+00FF, and runs of UTF-16LE, each 00 byte switching).
QString decodeText(QByteArrayView bytes);

}  // namespace jet

}  // namespace qb
