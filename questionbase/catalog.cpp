#include "questionbase/catalog.h"

#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/sqlitestore.h"

namespace qb {

void Catalog::createAt(const QString& path) {
    if (path.isEmpty())
        fail(Reason::Missing, QStringLiteral("Не указан файл базы"));
    SqliteStore::createBase(path);
}

void Catalog::create(const QString& connectionString) {
    const ConnectionString parsed = parseConnectionString(connectionString);
    if (parsed.password)
        fail(Reason::Refused, QStringLiteral("Строка создания базы не может содержать пароль"));
    createAt(parsed.dataSource);
}

Connection& Catalog::connection() const {
    if (connection_ == nullptr || !connection_->isOpen())
        fail(Reason::Refused, QStringLiteral("Каталог не связан с открытой базой"));
    return *connection_;
}

QString Catalog::table(const QString& name) const {
    for (const QString& table : connection().store().tableNames()) {
        if (table.compare(name, Qt::CaseInsensitive) == 0)
            return table;
    }
    fail(Reason::NoSuchItem, QStringLiteral("Нет таблицы ") + name);
}

bool Catalog::hasTable(const QString& name) const {
    try {
        table(name);
        return true;
    } catch (const Error& error) {
        if (error.reason() == Reason::NoSuchItem)
            return false;
        throw;
    }
}

QStringList Catalog::columnNames(const QString& name) const {
    QStringList names;
    for (const ColumnInfo& column : connection().store().columns(table(name)))
        names << column.name;
    return names;
}

}  // namespace qb
