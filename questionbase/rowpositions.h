#pragma once

#include "questionbase/store.h"

#include <QString>

#include <optional>
#include <vector>

namespace qb {

// The ids of a table's rows in their order, learnt a slice at a time. Once all are known, the
// row at a position and the position of a row are found in memory (8 bytes a row) instead of
// stepping over the rows before it with LIMIT … OFFSET, which reads the table up to there.
// Positions count from 1.
class RowPositions {
public:
    void forget();
    // Learns up to `limit` more ids from the store; true once every id is known.
    bool learn(Store& store, const QString& table, int limit);
    bool complete() const { return complete_; }
    // The ids learnt so far: the number of rows once complete().
    qint64 count() const { return qint64(ids_.size()); }
    // Of the ids learnt: none outside 1 … count(). Constant time.
    std::optional<qint64> idAt(qint64 position) const;
    // Of the ids learnt: none for an id not among them. Logarithmic time.
    std::optional<qint64> positionOf(qint64 id) const;
    // The store has just added the row `id` (after every other: ids are never reused) or
    // removed it.
    void added(qint64 id);
    void removed(qint64 id);

private:
    std::vector<qint64> ids_;  // ascending
    bool complete_ = false;
};

}  // namespace qb
