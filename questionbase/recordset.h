#pragma once

#include "questionbase/rowpositions.h"
#include "questionbase/store.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

namespace qb {

class Connection;
class Recordset;

// The values the old provider used for these settings; only a keyset cursor exists here.
inline constexpr int kCursorKeyset = 1;
inline constexpr int kLockOptimistic = 3;
inline constexpr int kCursorServer = 2;

// One column of the recordset's current row.
class Field {
public:
    QString name() const;
    // Null for an absent value. Throws when there is no current row.
    QVariant value() const;
    // The value as text; reading an absent value as text fails.
    QString text() const;
    // Text for text columns; a number or numeric text for integer columns. A value the column
    // cannot hold is refused and the row keeps what it had.
    void setValue(const QVariant& value);
    // Stored length in bytes: 0 for an absent value or empty text.
    int actualSize() const;
    // The most characters (UTF-16 code units) a text column holds; 0 when it sets no limit.
    int definedSize() const;
    // The column's position in the recordset's rows.
    int position() const { return column_; }
    // An integer column: its values have an actual size however they read as text.
    bool holdsNumbers() const;

private:
    friend class Recordset;
    Field(Recordset* recordset, int column) : recordset_(recordset), column_(column) {}
    Recordset* recordset_;
    int column_;
};

// A keyset cursor over one table. Opening asks the store for the number of rows and the first
// id; every move asks for the neighbouring id, and a row is read by id when it becomes
// current. Nothing of that grows with the size of the base: the holds keep other writers away
// while it is open, so the ids it walks are the ones it would have listed.
//
// The number the store gives at opening may be one the base kept for itself, and other
// programs can make that lie. The ordered ids of the rows (the positions) settle it: a caller
// with idle time learns them a slice at a time after opening, and any step that needs an exact
// position or count, or changes the rows, learns the rest first. Once they are known,
// recordCount() is their number, and the store hears it so that it can mend what it keeps.
class Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    void setActiveConnection(Connection* connection) { connection_ = connection; }
    void setSource(const QString& source) { source_ = source; }
    void setCursorType(int type) { cursorType_ = type; }
    void setLockType(int type) { lockType_ = type; }
    void setCursorLocation(int location) { cursorLocation_ = location; }
    // The settings both programs use: keyset, optimistic, server side.
    void openOn(Connection& connection, const QString& source);

    void open();
    int state() const;
    bool isOpen() const { return open_; }
    void close();

    bool bof() const;
    bool eof() const;
    int recordCount() const;

    void moveFirst();
    void moveNext();
    void movePrevious();
    void moveLast();
    // To the row at `position` from 1, found among the positions, or past the last row when
    // there is none.
    void moveTo(qint64 position);
    // To the row `id` when it is still there; false, not moving, when it is gone.
    bool moveToRow(qint64 id);

    // Starts a new row; it is stored by update() or by moving off it.
    void addNew();
    // Commits the current row's changes (or the new row), each in its own transaction.
    void update();
    // Drops uncommitted changes and a new row that was not stored yet.
    void cancelUpdate();
    // Deletes the current row. The position stays on the deleted slot until the next move.
    void deleteCurrent();
    // Hands every row, from the first, to `visit` in one pass over the table, then stands
    // after the last row, as a walk with moveNext would: for readers of the whole table.
    void forEachRow(const std::function<void(const RowView&)>& visit);

    int fieldCount() const;
    Field field(int position);
    Field field(const QString& name);  // letter case does not matter
    QStringList fieldNames() const;
    const QString& table() const { return table_; }
    qint64 currentId() const;

    // ---- positions: the ordered ids of the stored rows, counted from 1 ----
    // Learns up to `limit` more ids; true once every position is known (then recordCount() is
    // exact until the recordset closes).
    bool learnPositions(int limit);
    bool positionsKnown() const { return positions_.complete(); }
    // The exact number of stored rows (a new row not yet stored is not among them).
    qint64 positionCount();
    // The id of the stored row at `position`; none outside 1 … positionCount(). Learns the
    // positions only up to `position`.
    std::optional<qint64> idAt(qint64 position);
    // The position of the stored row `id`; none when there is no such row.
    std::optional<qint64> positionOf(qint64 id);
    // The current row's position: a stored row's, positionCount() + 1 for a new row not yet
    // stored, none before the first row, past the last and on the slot of a deleted one.
    std::optional<qint64> currentPosition();
    // Whether a stored row other than the current one exists: two neighbour lookups, whatever
    // any count says.
    bool hasOtherRow();

private:
    friend class Field;
    friend class Connection;

    void requireOpen() const;
    void requireRow() const;
    enum class Place { BeforeFirst, OnRow, AfterLast };

    void leaveRow();
    // The positions of every row; each call of the position API above but idAt starts with it,
    // so that learning them costs once and only where asked for.
    void learnAllPositions();
    // On the row `id`, or at `otherwise` when there is none.
    void placeOn(std::optional<qint64> id, Place otherwise);
    const RowValues& currentValues() const;
    QVariant valueAt(int column) const;
    void setValueAt(int column, const QVariant& value);
    QVariant checkedValue(int column, const QVariant& value) const;

    Connection* connection_ = nullptr;
    QString source_;
    int cursorType_ = kCursorKeyset;
    int lockType_ = kLockOptimistic;
    int cursorLocation_ = kCursorServer;

    bool open_ = false;
    QString table_;
    QList<ColumnInfo> columns_;
    qint64 count_ = 0;
    Place place_ = Place::BeforeFirst;
    qint64 id_ = 0;  // the current row; the deleted one while onDeletedSlot_
    bool onDeletedSlot_ = false;
    bool adding_ = false;
    ColumnValues pending_;
    mutable std::optional<RowValues> current_;
    RowPositions positions_;
};

}  // namespace qb
