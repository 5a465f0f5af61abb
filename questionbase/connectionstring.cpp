#include "questionbase/connectionstring.h"

#include "questionbase/error.h"

namespace qb {

QString connectionStringFor(const QString& path, const QString& password) {
    return kProviderPrefix + path + kPasswordPart + password;
}

QString creationStringFor(const QString& path) {
    return kProviderPrefix + path;
}

ConnectionString parseConnectionString(const QString& text) {
    if (!text.startsWith(kProviderPrefix, Qt::CaseInsensitive))
        fail(Reason::Refused, QStringLiteral("Неизвестный поставщик данных в строке подключения"));
    const QString rest = text.mid(kProviderPrefix.size());
    ConnectionString result;
    const qsizetype passwordAt = rest.indexOf(kPasswordPart, 0, Qt::CaseInsensitive);
    if (passwordAt < 0) {
        result.dataSource = rest;
    } else {
        result.dataSource = rest.left(passwordAt);
        result.password = rest.mid(passwordAt + kPasswordPart.size());
    }
    if (result.dataSource.isEmpty())
        fail(Reason::Missing, QStringLiteral("В строке подключения не указан файл"));
    return result;
}

}  // namespace qb
