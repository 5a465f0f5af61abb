#pragma once

#include <QString>
#include <QStringList>

namespace qb {

class Connection;

// The schema side of a base: creating a new one and looking tables and columns up.
class Catalog {
public:
    // Creates a new, empty base with both tables and all their columns at `path`. Fails (and
    // leaves nothing behind) if a file is already there or the file cannot be written.
    static void createAt(const QString& path);
    // The same for the path of a creation string. A new base has no password, so a string
    // that carries a password part is refused: it is either not a creation string or its path
    // holds the password part's text, and then the path it names is not the one meant. The
    // programs create with createAt, which has no such limit.
    static void create(const QString& connectionString);

    void setActiveConnection(Connection* connection) { connection_ = connection; }

    // The table's name as stored; letter case does not matter. Throws kItemNotFound when the
    // base has no such table.
    QString table(const QString& name) const;
    bool hasTable(const QString& name) const;
    // The columns of a table, in column order, as stored.
    QStringList columnNames(const QString& table) const;

private:
    Connection& connection() const;
    Connection* connection_ = nullptr;
};

}  // namespace qb
