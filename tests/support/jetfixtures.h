#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace testsupport {

// Every Jet fixture with the password that opens it ("_=" for none) and whether it holds the
// five questions of plain.mdb.
struct JetFixtureBase {
    QString file;
    QString password;
    bool hasQuestions;
};
QList<JetFixtureBase> jetFixtureBases();

// A Jet base from the project's copy of the old program's bases (tests/data/jet).
QString jetFixture(const QString& name);

// SHA-256 of the whole file, to show a file was left as it was.
QByteArray fileChecksum(const QString& path);

// Writes `bytes` to `path` (replacing it), for damaged copies of fixtures.
void writeFile(const QString& path, const QByteArray& bytes);

}  // namespace testsupport
