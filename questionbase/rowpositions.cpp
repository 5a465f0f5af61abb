#include "questionbase/rowpositions.h"

#include <algorithm>

namespace qb {

void RowPositions::forget() {
    ids_ = {};
    complete_ = false;
}

bool RowPositions::learn(Store& store, const QString& table, int limit) {
    if (complete_)
        return true;
    const std::optional<qint64> after =
        ids_.empty() ? std::nullopt : std::optional<qint64>(ids_.back());
    const std::vector<qint64> more = store.nextRowIds(table, after, limit);
    ids_.insert(ids_.end(), more.begin(), more.end());
    complete_ = more.size() < static_cast<size_t>(limit);
    return complete_;
}

std::optional<qint64> RowPositions::idAt(qint64 position) const {
    if (position < 1 || position > count())
        return std::nullopt;
    return ids_[static_cast<size_t>(position - 1)];
}

std::optional<qint64> RowPositions::positionOf(qint64 id) const {
    const auto it = std::lower_bound(ids_.begin(), ids_.end(), id);
    if (it == ids_.end() || *it != id)
        return std::nullopt;
    return qint64(it - ids_.begin()) + 1;
}

void RowPositions::added(qint64 id) {
    // A walk still under way reaches an id beyond the last it learnt by itself.
    if (!complete_ && (ids_.empty() || id > ids_.back()))
        return;
    ids_.insert(std::upper_bound(ids_.begin(), ids_.end(), id), id);
}

void RowPositions::removed(qint64 id) {
    const auto it = std::lower_bound(ids_.begin(), ids_.end(), id);
    if (it != ids_.end() && *it == id)
        ids_.erase(it);
}

}  // namespace qb
