#include "tests/support/tempbase.h"

#include "questionbase/catalog.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/recordset.h"
#include "questionbase/sqlitestore.h"

namespace testsupport {

TempFolder::TempFolder() {
    dir_.setAutoRemove(true);
}

QString TempFolder::path(const QString& name) const {
    return dir_.filePath(name);
}

QString makeBase(const TempFolder& folder, const QString& name, int questions) {
    const QString path = folder.path(name);
    qb::Catalog::createAt(path);
    qb::Connection connection;
    connection.open(path, qb::kEmptyPasswordMarker);
    qb::Recordset rows;
    rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
    for (int i = 1; i <= questions; ++i) {
        rows.addNew();
        rows.field(QStringLiteral("вопрос")).setValue(QStringLiteral("Вопрос %1").arg(i));
        rows.field(QStringLiteral("ответ1")).setValue(QStringLiteral("Ответ %1.1").arg(i));
        rows.field(QStringLiteral("ответ2")).setValue(QStringLiteral("Ответ %1.2").arg(i));
        rows.field(QStringLiteral("верный")).setValue(1 + i % 2);
        rows.update();
    }
    return path;
}

qb::sqlite::Database openRaw(const QString& path) {
    qb::sqlite::Database db = qb::sqlite::Database::open(path, false);
    db.key(qb::builtInKey());
    return db;
}

}  // namespace testsupport
