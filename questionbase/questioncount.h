#pragma once

// The number of questions, kept in the base itself. Counting the rows of `test` reads every
// page of the table, and each page is decrypted and authenticated: at 100,000 questions that
// was most of what opening a base cost. A one-row table holds the number instead, and triggers
// on `test` keep it right whoever writes the file, the sqlcipher tool included.
//
// A base without it (made by an earlier build or by another program), or with any part of it
// changed, is counted row by row; the editor, which holds its base alone, rebuilds it.

#include "questionbase/sqlite.h"

#include <QString>

#include <optional>

namespace qb::questioncount {

// A table of this name belongs to the format; the recordsets never see it.
inline const QString kTable = QStringLiteral("test_count");

// The statements that give a new, empty base its count.
QString schema();

// The number the base keeps: only when its table and every trigger are exactly what schema()
// makes, the table has one row, and the number agrees with the ends of `test` (none when it
// is empty, no more than the span of its ids otherwise).
std::optional<qint64> kept(sqlite::Database& db);

// Gives the base its count, rebuilding whatever part of it is missing or changed, in one
// transaction and from a count of the rows. Fails, changing nothing, when `test` is not keyed
// by its number or a table of kTable's name holds something else.
void add(sqlite::Database& db);

}  // namespace qb::questioncount
