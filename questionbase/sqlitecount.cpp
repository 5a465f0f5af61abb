// The number of rows: the count the base keeps for `test`, a count of the rows otherwise, and
// the mending of a kept count that a walk over the ids found wrong.

#include "questionbase/columns.h"
#include "questionbase/questioncount.h"
#include "questionbase/sqlitestore.h"
#include "questionbase/steps.h"

namespace qb {

qint64 SqliteStore::rowCount(const QString& table) {
    takeHold();
    if (table.compare(columns::kQuestionsTable, Qt::CaseInsensitive) == 0) {
        if (const std::optional<qint64> kept = questioncount::kept(db_))
            return *kept;
    }
    return db_.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(sqlite::quoted(table)))
        .toLongLong();
}

void SqliteStore::rowsCounted(const QString& table, qint64 rows) {
    // Only the editor's hold keeps every other writer away between its walk and this write;
    // a shared reader (the exporter) never writes.
    if (hold_ != Hold::Exclusive ||
        table.compare(columns::kQuestionsTable, Qt::CaseInsensitive) != 0)
        return;
    // A base the editor cannot write (a read-only file) keeps what it has and is counted row
    // by row at its next opening.
    skipIfFails([&] {
        requireSameFile();
        questioncount::keep(db_, rows);
    });
}

}  // namespace qb
