#include "questionbase/catalog.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"
#include "questionbase/sqlite.h"
#include "tests/support/tempbase.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

using testsupport::makeBase;
using testsupport::TempFolder;

namespace {

// The same program, started again as a second process: opens the base and prints the outcome.
int openAsChild(const QString& path, bool exclusive) {
    qb::Connection connection;
    if (exclusive)
        connection.setMode(qb::kModeShareExclusive);
    try {
        connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        qb::Recordset rows;
        rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
        std::printf("opened %d\n", rows.recordCount());
        return 0;
    } catch (const qb::Error& error) {
        std::printf("failed %08X %d\n", error.code(), static_cast<int>(error.reason()));
        return 1;
    }
}

QString openInChild(const QString& path, bool exclusive = true) {
    QProcess child;
    child.start(
        QCoreApplication::applicationFilePath(),
        {exclusive ? QStringLiteral("--open-exclusive") : QStringLiteral("--open-shared"), path});
    if (!child.waitForFinished(10000)) {
        child.kill();
        return QStringLiteral("hung");
    }
    return QString::fromUtf8(child.readAllStandardOutput()).trimmed();
}

QString failureOf(const QString& path, const QString& password = qb::kEmptyPasswordMarker) {
    qb::Connection connection;
    connection.setMode(qb::kModeShareExclusive);
    try {
        connection.open(qb::connectionStringFor(path, password));
        qb::Recordset rows;
        rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
        for (; !rows.eof(); rows.moveNext())
            rows.field(1).value();
    } catch (const qb::Error& error) {
        return QStringLiteral("%1 %2")
            .arg(error.code(), 8, 16)
            .arg(static_cast<int>(error.reason()));
    }
    return QStringLiteral("opened");
}

QString expected(quint32 code, qb::Reason reason) {
    return QStringLiteral("%1 %2").arg(code, 8, 16).arg(static_cast<int>(reason));
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

class ConnectionTest : public QObject {
    Q_OBJECT
    TempFolder folder_;

private slots:
    void outcomesAreTold_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");  // empty: no file at all
        QTest::addColumn<QString>("outcome");
        const QString notABase = expected(qb::kGeneralFailure, qb::Reason::NotABase);
        QTest::newRow("missing") << "missing.mdb" << QByteArray()
                                 << expected(qb::kGeneralFailure, qb::Reason::Missing);
        QTest::newRow("empty file") << "empty.mdb" << QByteArray("", 0) << notABase;
        QTest::newRow("text renamed") << "text.mdb" << QByteArray(4096, 'a') << notABase;
        QTest::newRow("png renamed")
            << "png.mdb" << QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(2040, '\x11')
            << notABase;
        QTest::newRow("odd size") << "odd.mdb" << QByteArray(1500, '\x5a') << notABase;
    }
    void outcomesAreTold() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, outcome);
        const QString path = folder_.path(name);
        if (!content.isNull())
            writeFile(path, content);
        QCOMPARE(failureOf(path), outcome);
    }

    void damagedPageIsNotAWrongPassword() {
        const QString path = makeBase(folder_, QStringLiteral("damaged.mdb"), 200);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.size() > 8 * 1024);
        // Every page but the first: the first carries the key check, where damage and a wrong
        // key look alike.
        for (qint64 page = 1; page < file.size() / 1024; ++page) {
            file.seek(page * 1024 + 100);
            file.write("garbage!garbage!");
        }
        file.close();
        const QString outcome = failureOf(path);
        QVERIFY2(outcome == expected(qb::kGeneralFailure, qb::Reason::Damaged) ||
                     outcome == expected(qb::kGeneralFailure, qb::Reason::NotABase),
                 qPrintable(outcome));
    }

    void baseWithoutPasswordOpensWithAnyPassword_data() {
        QTest::addColumn<QString>("password");
        QTest::newRow("marker") << qb::kEmptyPasswordMarker;
        QTest::newRow("some password") << QStringLiteral("что-то");
        QTest::newRow("empty") << QString();
    }
    void baseWithoutPasswordOpensWithAnyPassword() {
        QFETCH(QString, password);
        const QString path = makeBase(folder_, QStringLiteral("open.mdb"), 1);
        QCOMPARE(failureOf(path, password), QStringLiteral("opened"));
        QFile::remove(path);
    }

    void plainSqliteBaseHasNoPassword() {
        const QString path = folder_.path(QStringLiteral("plain.mdb"));
        {
            auto db = qb::sqlite::Database::open(path, true);
            db.exec(
                QStringLiteral("CREATE TABLE test (\"номер\" INTEGER PRIMARY KEY, "
                               "\"вопрос\" TEXT, \"верный\" INTEGER);"
                               "INSERT INTO test VALUES (1, 'Простой', 1);"));
        }
        QCOMPARE(failureOf(path), QStringLiteral("opened"));
        QCOMPARE(failureOf(path, QStringLiteral("любой")), QStringLiteral("opened"));
    }

    // A statement keeps the connection, not the Database object: moving the object away and
    // destroying what is left of it leaves the statement whole, its errors included.
    void statementOutlivesAMoveOfItsDatabase() {
        auto original = std::make_unique<qb::sqlite::Database>(
            qb::sqlite::Database::open(folder_.path(QStringLiteral("moved.mdb")), true));
        qb::sqlite::Statement statement(*original, QStringLiteral("SELECT abs(?)"));
        const qb::sqlite::Database moved = std::move(*original);
        original.reset();
        statement.bind(1, -5);
        QVERIFY(statement.step());
        QCOMPARE(statement.value(0).toInt(), 5);
        statement.reset();
        statement.bind(1, std::numeric_limits<qint64>::min());
        try {
            statement.step();
            QFAIL("abs() of the smallest integer must fail");
        } catch (const qb::Error& error) {
            QVERIFY2(error.text().contains(QStringLiteral("integer overflow")),
                     qPrintable(error.text()));
        }
    }

    void pathsWithAwkwardCharacters_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("blanks and cyrillic") << QStringLiteral("база с пробелами.mdb");
        QTest::newRow("semicolon and equals") << QStringLiteral("a;Jet=b.mdb");
        QTest::newRow("quotes") << QStringLiteral("\"кавычки\" 'и'.mdb");
    }
    void pathsWithAwkwardCharacters() {
        QFETCH(QString, name);
        const QString path = makeBase(folder_, name, 2);
        QCOMPARE(failureOf(path), QStringLiteral("opened"));
    }

    void connectionStringIsSplitAtThePasswordPart() {
        const auto parsed = qb::parseConnectionString(qb::connectionStringFor(
            QStringLiteral("/tmp/a;b.mdb"), QStringLiteral("x;Data Source=y")));
        QCOMPARE(parsed.dataSource, QStringLiteral("/tmp/a;b.mdb"));
        QCOMPARE(parsed.password, std::optional<QString>(QStringLiteral("x;Data Source=y")));
        const auto creation =
            qb::parseConnectionString(qb::creationStringFor(QStringLiteral("/t/n.mdb")));
        QCOMPARE(creation.dataSource, QStringLiteral("/t/n.mdb"));
        QVERIFY(!creation.password.has_value());
        QVERIFY_THROWS_EXCEPTION(qb::Error,
                                 qb::parseConnectionString(QStringLiteral("Data Source=x")));
    }

    void exclusiveHoldShutsOutOtherProcesses() {
        const QString path = makeBase(folder_, QStringLiteral("held.mdb"), 3);
        QCOMPARE(openInChild(path), QStringLiteral("opened 3"));
        {
            qb::Connection holder;
            holder.setMode(qb::kModeShareExclusive);
            holder.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
            qb::Recordset rows;
            rows.openOn(holder, QStringLiteral("SELECT * FROM test"));
            rows.field(1).setValue(QStringLiteral("Изменён"));
            rows.update();  // the hold survives commits

            const QString inUse = QStringLiteral("failed %1 %2")
                                      .arg(qb::kGeneralFailure, 8, 16, QLatin1Char('0'))
                                      .arg(static_cast<int>(qb::Reason::InUse))
                                      .toUpper()
                                      .replace(QStringLiteral("FAILED"), QStringLiteral("failed"));
            QElapsedTimer timer;
            timer.start();
            QCOMPARE(openInChild(path, true), inUse);
            QCOMPARE(openInChild(path, false), inUse);
            QVERIFY2(timer.elapsed() < 8000, "a held base must fail at once, not wait");
        }
        QCOMPARE(openInChild(path), QStringLiteral("opened 3"));
    }

    void createRefusesAnExistingFileAndLeavesNothingOnFailure() {
        const QString path = makeBase(folder_, QStringLiteral("exists.mdb"), 1);
        const QByteArray before = [&] {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        QVERIFY_THROWS_EXCEPTION(qb::Error, qb::Catalog::create(qb::creationStringFor(path)));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);

        const QString nowhere = folder_.path(QStringLiteral("no such folder/new.mdb"));
        QVERIFY_THROWS_EXCEPTION(qb::Error, qb::Catalog::create(qb::creationStringFor(nowhere)));
        QVERIFY(!QFile::exists(nowhere));
        QCOMPARE(QDir(folder_.folder()).entryList({QStringLiteral("*.mdb.new-*")}, QDir::Files),
                 QStringList());

        // Cut at the password part, this creation string would name "cut" instead.
        const QString ambiguous =
            folder_.path(QStringLiteral("cut;Jet OLEDB:Database Password=y/new.mdb"));
        QVERIFY_THROWS_EXCEPTION(qb::Error, qb::Catalog::create(qb::creationStringFor(ambiguous)));
        QVERIFY(!QFile::exists(folder_.path(QStringLiteral("cut"))));
    }

    void newBaseHasTheFullSchema() {
        const QString path = folder_.path(QStringLiteral("schema.mdb"));
        qb::Catalog::create(qb::creationStringFor(path));
        qb::Connection connection;
        connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        qb::Catalog catalog;
        catalog.setActiveConnection(&connection);
        QCOMPARE(catalog.columnNames(QStringLiteral("TEST")),
                 QStringList({"номер", "вопрос", "ответ1", "ответ2", "ответ3", "ответ4", "ответ5",
                              "фото", "верный"}));
        QCOMPARE(catalog.columnNames(QStringLiteral("info")),
                 QStringList({"код", "инфо", "время", "ВремяНа"}));
        QVERIFY(!catalog.hasTable(QStringLiteral("other")));
        try {
            catalog.table(QStringLiteral("other"));
            QFAIL("an absent table must fail");
        } catch (const qb::Error& error) {
            QCOMPARE(error.code(), qb::kItemNotFound);
        }
        qb::Recordset rows;
        rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
        QCOMPARE(rows.recordCount(), 0);
    }
};

int main(int argc, char* argv[]) {
    if (argc == 3 && std::strncmp(argv[1], "--open-", 7) == 0) {
        QCoreApplication app(argc, argv);
        return openAsChild(QString::fromLocal8Bit(argv[2]),
                           std::strcmp(argv[1], "--open-exclusive") == 0);
    }
    QCoreApplication app(argc, argv);
    ConnectionTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_connection.moc"
