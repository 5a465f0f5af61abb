#pragma once

// The number of questions, kept in the base itself. Counting the rows of `test` reads every
// page of the table, and each page is decrypted and authenticated: at 100,000 questions that
// was most of what opening a base cost. A one-row table holds the number instead, and triggers
// on `test` keep it right whoever writes the file, the sqlcipher tool included.
//
// Triggers cannot see every removal: a row that REPLACE removes through another program's
// UNIQUE index fires no delete trigger unless that program's connection enables recursive
// triggers, and anyone may write the number itself. So a base whose count differs in any part
// from what a new base has, or whose `test` carries an index (ours never does), is counted row
// by row; and the editor, which holds its base alone, walks the ids after opening and mends a
// count that disagrees with them.

#include "questionbase/sqlite.h"

#include <QString>

#include <optional>

namespace qb::questioncount {

// A table of this name belongs to the format; the recordsets never see it.
inline const QString kTable = QStringLiteral("test_count");

// The statements that give a new, empty base its count.
QString schema();

// The number the base keeps: only when its table and every trigger are exactly what schema()
// makes, `test` has no index, the table has one row, and the number agrees with the ends of
// `test` (none when it is empty, no more than the span of its ids otherwise). Reads a few
// pages at any size.
std::optional<qint64> kept(sqlite::Database& db);

// Records that `test` holds `rows` rows, counted by a caller that holds the base alone: writes
// nothing when the base keeps that number already, or when `test` carries an index (the count
// is not trusted then, so nothing is gained); otherwise sets the number, or rebuilds whatever
// part of the count is missing or changed, in one transaction. Fails, changing nothing, when
// `test` is not keyed by its number or a table of kTable's name holds something else.
void keep(sqlite::Database& db, qint64 rows);

}  // namespace qb::questioncount
