#pragma once

#include <QByteArrayView>
#include <QString>

namespace qb {

enum class FileKind {
    Missing,      // nothing at the path
    NotABase,     // empty, foreign or plainly not a database
    PlainSqlite,  // an unencrypted SQLite base: it has no password
    Jet,          // a Jet/Access file made by the old Windows programs
    Encrypted,    // presumably one of our encrypted bases
};

// Classifies from the file's size and its first bytes (up to one page of 1024).
FileKind classifyHeader(QByteArrayView head, qint64 fileSize);

// Reads the head of the file. Must run before any SQLite connection to the file exists in the
// process: closing any descriptor of a file drops every POSIX lock the process holds on it.
FileKind classifyFile(const QString& path);

}  // namespace qb
