// The number of rows: the count the base keeps for `test`, or a count of the rows.

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

void SqliteStore::keepQuestionCount() {
    // A base the editor cannot write (a read-only file) opens all the same and is counted row
    // by row.
    skipIfFails([this] {
        if (!tableSql(columns::kQuestionsTable).isEmpty() && !questioncount::kept(db_))
            questioncount::keep(db_, db_.scalar(QStringLiteral("SELECT count(*) FROM %1")
                                                    .arg(sqlite::quoted(columns::kQuestionsTable)))
                                         .toLongLong());
    });
}

}  // namespace qb
