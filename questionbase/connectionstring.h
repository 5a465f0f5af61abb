#pragma once

#include <QString>

#include <optional>

namespace qb {

// Sent in place of a password while none is known; opens exactly the bases without one.
inline const QString kEmptyPasswordMarker = QStringLiteral("_=");

// Both programs give up on a base at the fourth failed opening: three typed passwords after
// the first try with the marker.
inline constexpr int kLastFailedOpen = 4;

inline const QString kProviderPrefix =
    QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=");
inline const QString kPasswordPart = QStringLiteral(";Jet OLEDB:Database Password=");

struct ConnectionString {
    QString dataSource;
    std::optional<QString> password;  // absent when the string has no password part
};

QString connectionStringFor(const QString& path, const QString& password);
QString creationStringFor(const QString& path);

// The data source runs up to the first password part and the password is everything after it,
// so neither a path nor a password can smuggle in another key. Throws Error when the text is
// not a connection string of this form.
ConnectionString parseConnectionString(const QString& text);

}  // namespace qb
