#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace testsupport {

// A plain (unencrypted) base with exactly the tables the statements create, for schemas our own
// creation never writes: other letter case, missing columns, missing tables.
void makePlainBase(const QString& path, const QStringList& statements);

// Gives an existing base of ours a password through the data layer's password statement.
void protectBase(const QString& path, const QString& password);

// Every row of a table, each as its values in column order (null for absent).
QList<QVariantList> readRows(const QString& path, const QString& table,
                             const QString& password = QStringLiteral("_="));

}  // namespace testsupport
