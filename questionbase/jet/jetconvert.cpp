#include "questionbase/jet/jetconvert.h"

#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/jet/jetstore.h"
#include "questionbase/passwordstatement.h"
#include "questionbase/sqlitestore.h"

#include <QFile>

namespace qb {

namespace {

// Jet columns matched to ours by name (letter case aside); a Jet column our format lacks is
// dropped, one it lacks in the Jet base stays absent.
QList<std::pair<int, int>> matchColumns(const QList<ColumnInfo>& from,
                                        const QList<ColumnInfo>& to) {
    QList<std::pair<int, int>> pairs;
    for (int i = 0; i < from.size(); ++i) {
        for (int j = 0; j < to.size(); ++j) {
            if (from.at(i).name.compare(to.at(j).name, Qt::CaseInsensitive) == 0) {
                pairs.append({i, j});
                break;
            }
        }
    }
    return pairs;
}

void copyTable(JetStore& jet, const QString& jetTable, Store& target, const QString& table) {
    const QList<ColumnInfo> targetColumns = target.columns(table);
    const auto pairs = matchColumns(jet.columns(jetTable), targetColumns);
    for (qint64 id : jet.rowIds(jetTable)) {
        const RowValues row = jet.readRow(jetTable, id);
        ColumnValues values;
        for (const auto& [from, to] : pairs) {
            const QVariant& value = row.at(from);
            if (value.isNull())
                continue;
            values.append({to, targetColumns.at(to).type == ColumnType::Integer
                                   ? QVariant(value.toInt())
                                   : QVariant(value.toString())});
        }
        target.insertRow(table, values);
    }
}

}  // namespace

void convertJetBase(const QString& jetPath, const QString& password, const QString& newPath) {
    const std::unique_ptr<JetStore> jet = JetStore::open(jetPath, password);
    const QString jetPassword = jet->password();
    if (!jetPassword.isEmpty() && !isAcceptablePassword(jetPassword))
        fail(Reason::Refused,
             QStringLiteral("Пароль базы Jet нельзя перенести в базу нового формата"));
    const QStringList jetTables = jet->tableNames();
    const auto jetTable = [&jetTables](const QString& name) -> QString {
        for (const QString& table : jetTables) {
            if (table.compare(name, Qt::CaseInsensitive) == 0)
                return table;
        }
        return {};
    };
    if (jetTable(QStringLiteral("test")).isEmpty())
        fail(Reason::NotABase, QStringLiteral("В базе Jet нет таблицы test"));

    SqliteStore::createBase(newPath);
    // From here on the file at newPath is ours, and a failure must not leave half a copy.
    try {
        Connection connection;
        connection.setMode(kModeShareExclusive);
        connection.open(newPath, kEmptyPasswordMarker);
        auto& store = dynamic_cast<SqliteStore&>(connection.store());
        store.database().exec(QStringLiteral("BEGIN"));
        for (const QString& table : store.tableNames()) {
            const QString source = jetTable(table);
            if (!source.isEmpty())
                copyTable(*jet, source, store, table);
        }
        store.database().exec(QStringLiteral("COMMIT"));
        if (!jetPassword.isEmpty())
            connection.changePassword({jetPassword, std::nullopt});
        connection.close();
    } catch (...) {
        QFile::remove(newPath);
        QFile::remove(newPath + QStringLiteral("-journal"));
        throw;
    }
}

}  // namespace qb
