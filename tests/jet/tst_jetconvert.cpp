#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/jet/jetconvert.h"
#include "questionbase/jet/jetpassword.h"
#include "questionbase/recordset.h"
#include "tests/support/jetfixtures.h"
#include "tests/support/tempbase.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <functional>
#include <optional>

using testsupport::jetFixture;

namespace {

std::optional<qb::Reason> failureOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const qb::Error& error) {
        return error.reason();
    }
    return std::nullopt;
}

// Every row of a table as (column name, value) lists, in recordset order.
QList<QVariantMap> rowsOf(qb::Connection& connection, const QString& table) {
    QList<QVariantMap> result;
    qb::Recordset rows;
    rows.openOn(connection, QStringLiteral("SELECT * FROM ") + table);
    for (; !rows.eof(); rows.moveNext()) {
        QVariantMap row;
        for (int i = 0; i < rows.fieldCount(); ++i) {
            // Column names compare without regard to case, as the programs look them up.
            const QVariant value = rows.field(i).value();
            row.insert(rows.field(i).name().toLower(),
                       value.isNull() ? QVariant() : QVariant(value.toString()));
        }
        result << row;
    }
    return result;
}

void openBase(qb::Connection& connection, const QString& path, const QString& password) {
    connection.open(qb::connectionStringFor(path, password));
}

}  // namespace

class TestJetConvert : public QObject {
    Q_OBJECT

private slots:
    void copyHoldsEveryRowAndThePassword_data();
    void copyHoldsEveryRowAndThePassword();
    void copyKeepsNumberingForNewRows();
    void wrongPasswordConvertsNothing();
    void existingFileIsNeverReplaced();
    void passwordOurFormatCannotHoldIsRefused();
};

void TestJetConvert::copyHoldsEveryRowAndThePassword_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("password");
    for (const testsupport::JetFixtureBase& base : testsupport::jetFixtureBases())
        QTest::newRow(qPrintable(base.file)) << base.file << base.password;
}

void TestJetConvert::copyHoldsEveryRowAndThePassword() {
    QFETCH(QString, file);
    QFETCH(QString, password);
    testsupport::TempFolder folder;
    const QString original = folder.path(file);
    QVERIFY(QFile::copy(jetFixture(file), original));
    const QByteArray before = testsupport::fileChecksum(original);
    const QString copy = folder.path(QStringLiteral("copy.mdb"));

    qb::convertJetBase(original, password, copy);
    QCOMPARE(testsupport::fileChecksum(original), before);
    QVERIFY(QDir(folder.folder()).entryList(QDir::Files).size() == 2);  // no leftovers

    qb::Connection jet;
    openBase(jet, original, password);
    qb::Connection converted;
    converted.setMode(qb::kModeShareExclusive);
    openBase(converted, copy, password);
    QCOMPARE(rowsOf(converted, QStringLiteral("test")), rowsOf(jet, QStringLiteral("test")));
    if (file == QLatin1String("noinfo.mdb"))
        QCOMPARE(rowsOf(converted, QStringLiteral("info")).size(), 0);
    else
        QCOMPARE(rowsOf(converted, QStringLiteral("info")), rowsOf(jet, QStringLiteral("info")));
    converted.close();

    const bool protectedBase = password != QLatin1String("_=");
    for (const QString& wrong : {QStringLiteral("_="), QStringLiteral("неверный")}) {
        if (wrong == password)
            continue;
        const auto reason = failureOf([&] {
            qb::Connection connection;
            openBase(connection, copy, wrong);
        });
        if (protectedBase)
            QCOMPARE(reason, std::optional(qb::Reason::Authentication));
        else
            QCOMPARE(reason, std::nullopt);
    }
}

void TestJetConvert::copyKeepsNumberingForNewRows() {
    testsupport::TempFolder folder;
    const QString copy = folder.path(QStringLiteral("copy.mdb"));
    qb::convertJetBase(jetFixture(QStringLiteral("plain.mdb")), QStringLiteral("_="), copy);
    qb::Connection connection;
    openBase(connection, copy, QStringLiteral("_="));
    qb::Recordset rows;
    rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
    rows.addNew();
    rows.field(QStringLiteral("вопрос")).setValue(QStringLiteral("Новый"));
    rows.field(QStringLiteral("ответ1")).setValue(QStringLiteral("а"));
    rows.field(QStringLiteral("ответ2")).setValue(QStringLiteral("б"));
    rows.field(QStringLiteral("верный")).setValue(1);
    rows.update();
    QList<int> numbers;
    for (rows.moveFirst(); !rows.eof(); rows.moveNext())
        numbers << rows.field(QStringLiteral("номер")).value().toInt();
    QCOMPARE(numbers, (QList<int>{1, 2, 4, 5, 6, 7}));
}

void TestJetConvert::wrongPasswordConvertsNothing() {
    testsupport::TempFolder folder;
    const QString copy = folder.path(QStringLiteral("copy.mdb"));
    for (const QString& wrong : {QStringLiteral("_="), QStringLiteral("ТЕСТ1")}) {
        try {
            qb::convertJetBase(jetFixture(QStringLiteral("secret.mdb")), wrong, copy);
            QFAIL("converted with a wrong password");
        } catch (const qb::Error& error) {
            QCOMPARE(error.code(), qb::kAuthenticationFailed);
        }
        QVERIFY(!QFile::exists(copy));
    }
}

void TestJetConvert::existingFileIsNeverReplaced() {
    testsupport::TempFolder folder;
    const QString copy = folder.path(QStringLiteral("copy.mdb"));
    testsupport::writeFile(copy, QByteArray("не трогать"));
    QVERIFY(failureOf([&] {
                qb::convertJetBase(jetFixture(QStringLiteral("plain.mdb")), QStringLiteral("_="),
                                   copy);
            }).has_value());
    QFile kept(copy);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("не трогать"));
}

// Jet allows blanks and ';' in a password, our format does not: rather than a copy without
// protection there is no copy.
void TestJetConvert::passwordOurFormatCannotHoldIsRefused() {
    testsupport::TempFolder folder;
    QFile source(jetFixture(QStringLiteral("plain.mdb")));
    QVERIFY(source.open(QIODevice::ReadOnly));
    QByteArray bytes = source.readAll();
    const QString password = QStringLiteral("два слова");
    const QByteArray header =
        qb::jet::encodeJet4Password(bytes.first(qb::jet::kJetHeaderSize), password, 38143.5);
    bytes.replace(0, header.size(), header);
    const QString original = folder.path(QStringLiteral("blank.mdb"));
    testsupport::writeFile(original, bytes);
    {
        qb::Connection jet;
        openBase(jet, original, password);  // Jet itself takes it
        QVERIFY(jet.isOpen());
    }
    const QString copy = folder.path(QStringLiteral("copy.mdb"));
    try {
        qb::convertJetBase(original, password, copy);
        QFAIL("converted a password our format cannot hold");
    } catch (const qb::Error& error) {
        QCOMPARE(error.code(), qb::kGeneralFailure);
    }
    QVERIFY(!QFile::exists(copy));
}

QTEST_GUILESS_MAIN(TestJetConvert)
#include "tst_jetconvert.moc"
