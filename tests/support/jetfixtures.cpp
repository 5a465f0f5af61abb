#include "tests/support/jetfixtures.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

namespace testsupport {

QList<JetFixtureBase> jetFixtureBases() {
    return {
        {QStringLiteral("plain.mdb"), QStringLiteral("_="), true},
        {QStringLiteral("upper.mdb"), QStringLiteral("_="), true},
        {QStringLiteral("noinfo.mdb"), QStringLiteral("_="), true},
        {QStringLiteral("infonull.mdb"), QStringLiteral("_="), true},
        {QStringLiteral("time16.mdb"), QStringLiteral("_="), true},
        {QStringLiteral("empty.mdb"), QStringLiteral("_="), false},
        {QStringLiteral("secret.mdb"), QStringLiteral("тест1"), true},
        {QStringLiteral("secret_ascii.mdb"), QStringLiteral("abc123"), true},
        {QStringLiteral("secret20.mdb"), QStringLiteral("Пароль-20-символов!!"), true},
    };
}

QString jetFixture(const QString& name) {
    const QString path = QDir(qEnvironmentVariable("TAMBRIS_JET_FIXTURES")).filePath(name);
    if (!QFile::exists(path))
        qFatal("Jet fixture missing: %s (is TAMBRIS_JET_FIXTURES set?)", qPrintable(path));
    return path;
}

QByteArray fileChecksum(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

}  // namespace testsupport
