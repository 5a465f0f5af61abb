#pragma once

#include "questionbase/passwordstatement.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <QByteArrayView>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace qb {

enum class ColumnType { Integer, Text };

struct ColumnInfo {
    QString name;  // as stored
    ColumnType type = ColumnType::Text;
    int maxLength = 0;  // in UTF-16 code units; 0 when the format sets no limit
    bool required = false;
    bool autoIncrement = false;
};

// Where the column named `name` stands among `columns`, letter case aside, as the old provider
// found columns by name; -1 when there is none.
inline int columnPosition(const QList<ColumnInfo>& columns, const QString& name) {
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

using RowValues = QList<QVariant>;                     // in column order; null = absent
using ColumnValues = QList<std::pair<int, QVariant>>;  // column position, new value

// One row as the store holds it, columns in order, valid only while it is being handed over:
// readers of a whole table take the values without a copy of each row.
class RowView {
public:
    virtual QVariant value(int column) const = 0;
    // The stored UTF-8 bytes, for a value the store holds as UTF-8 text.
    virtual std::optional<QByteArrayView> utf8(int column) const = 0;
    // The row's id, as the neighbour and jump calls name rows.
    virtual qint64 id() const = 0;

protected:
    ~RowView() = default;
};

// One open base file, whatever its format. Recordsets and catalogs work through it, so the
// windows never learn which engine holds the file.
class Store {
public:
    virtual ~Store() = default;

    // Table names compare without regard to letter case, as the old provider did.
    virtual QStringList tableNames() = 0;
    virtual QList<ColumnInfo> columns(const QString& table) = 0;

    // Exact. The cursors never count rows themselves: a store that keeps the number answers
    // at once in a base of any size.
    virtual qint64 rowCount(const QString& table) = 0;
    // The neighbours of a row in insertion order: the first row when `after` is absent, the
    // last when `before` is; nothing past either end.
    virtual std::optional<qint64> nextRowId(const QString& table, std::optional<qint64> after) = 0;
    virtual std::optional<qint64> previousRowId(const QString& table,
                                                std::optional<qint64> before) = 0;
    // Up to `limit` ids of the rows after `after` (from the first when it is absent), in
    // insertion order. A walk over every id takes them a slice at a time and reads nothing
    // else of the rows.
    virtual std::vector<qint64> nextRowIds(const QString& table, std::optional<qint64> after,
                                           int limit) = 0;
    virtual RowValues readRow(const QString& table, qint64 id) = 0;
    // Hands every row to `visit` in insertion order, in one pass over the table; with `after`,
    // the rows after that one only, so a scan that a visitor stopped (by throwing) is taken up
    // again where it stopped without reading the rows before.
    virtual void scanRows(const QString& table, const std::function<void(const RowView&)>& visit,
                          std::optional<qint64> after = std::nullopt) = 0;

    virtual qint64 insertRow(const QString& table, const ColumnValues& values) = 0;
    virtual void updateRow(const QString& table, qint64 id, const ColumnValues& values) = 0;
    virtual void deleteRow(const QString& table, qint64 id) = 0;

    virtual void changePassword(const PasswordStatement& statement) = 0;

    // A walk over every id of `table` found `rows` rows. A store that keeps the number for
    // itself and holds its base alone mends a kept number that disagrees; others do nothing.
    virtual void rowsCounted(const QString& /*table*/, qint64 /*rows*/) {}
};

}  // namespace qb
