#pragma once

// What opening, creating and re-keying a base file share; used by the SqliteStore sources only.

#include "questionbase/sqlite.h"
#include "questionbase/sqlitestore.h"

#include <QString>

namespace qb::sqlitefile {

// Other readers of the file rely on SQLCipher 3's defaults; they are set, not assumed.
void applyCipherSettings(sqlite::Database& db);
QByteArray keyFor(SqliteStore::Key key, const QString& password);
// A name beside `path` for a file being built, unlikely to be taken.
QString siblingName(const QString& path, const char* purpose);
void removeWithJournal(const QString& path);

}  // namespace qb::sqlitefile
