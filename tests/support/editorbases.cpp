#include "tests/support/editorbases.h"

#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/recordset.h"
#include "questionbase/sqlite.h"

namespace testsupport {

void makePlainBase(const QString& path, const QStringList& statements) {
    qb::sqlite::Database db = qb::sqlite::Database::open(path, true);
    for (const QString& statement : statements)
        db.exec(statement);
    db.close();
}

void protectBase(const QString& path, const QString& password) {
    qb::Connection connection;
    connection.open(path, qb::kEmptyPasswordMarker);
    connection.execute(QStringLiteral("ALTER Database Password ") + password +
                       QStringLiteral("_="));
}

QList<QVariantList> readRows(const QString& path, const QString& table, const QString& password) {
    qb::Connection connection;
    connection.open(path, password);
    qb::Recordset rows;
    rows.openOn(connection, QStringLiteral("SELECT * FROM ") + table);
    QList<QVariantList> result;
    while (!rows.eof()) {
        QVariantList values;
        for (int i = 0; i < rows.fieldCount(); ++i)
            values << rows.field(i).value();
        result << values;
        rows.moveNext();
    }
    return result;
}

}  // namespace testsupport
