#include "questionbase/catalog.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/jet/jetpassword.h"
#include "questionbase/jet/jetstore.h"
#include "questionbase/recordset.h"
#include "tests/support/jetfixtures.h"
#include "tests/support/tempbase.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include <functional>
#include <optional>

using testsupport::jetFixture;

namespace {

// Runs `body` and returns the reason it failed with, or nothing when it succeeded.
std::optional<qb::Reason> failureOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const qb::Error& error) {
        return error.reason();
    }
    return std::nullopt;
}

void openJet(qb::Connection& connection, const QString& file, const QString& password) {
    connection.open(qb::connectionStringFor(jetFixture(file), password));
}

QVariant valueOf(qb::Recordset& rows, const QString& name) {
    return rows.field(name).value();
}

}  // namespace

class TestJetStore : public QObject {
    Q_OBJECT

private slots:
    void questionsReadBackInOrder_data();
    void questionsReadBackInOrder();
    void infoRow_data();
    void infoRow();
    void tablesAndColumns();
    void columnNameLookupFoldsCyrillicCase();
    void emptyBaseHasNoRows();
    void passwords_data();
    void passwords();
    void baseWithoutPasswordOpensWithAnything();
    void passwordHeaderRoundTrips_data();
    void passwordHeaderRoundTrips();
    void shortOrNonsenseHeadersDecodeToNothing();
    void compressedTextDecodesAsLatin1_data();
    void compressedTextDecodesAsLatin1();
    void writesAreRefused();
    void truncatedFilesAreNotABase_data();
    void truncatedFilesAreNotABase();
    void pageAlignedCutsNeverLoseRowsSilently();
    void corruptedFilesNeverCrash();
};

void TestJetStore::questionsReadBackInOrder_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("password");
    for (const testsupport::JetFixtureBase& base : testsupport::jetFixtureBases()) {
        if (base.hasQuestions)
            QTest::newRow(qPrintable(base.file)) << base.file << base.password;
    }
}

void TestJetStore::questionsReadBackInOrder() {
    QFETCH(QString, file);
    QFETCH(QString, password);
    qb::Connection connection;
    openJet(connection, file, password);
    qb::Recordset rows;
    rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
    QCOMPARE(rows.recordCount(), 5);
    QCOMPARE(rows.fieldCount(), 9);

    // The deleted row 3 leaves its gap; the rows come in the order they were added.
    QList<int> numbers;
    for (rows.moveFirst(); !rows.eof(); rows.moveNext())
        numbers << valueOf(rows, QStringLiteral("номер")).toInt();
    QCOMPARE(numbers, (QList<int>{1, 2, 4, 5, 6}));

    rows.moveFirst();
    QCOMPARE(rows.field(1).text(), QStringLiteral("Какая планета ближе всех к Солнцу?"));
    for (int i = 2; i <= 6; ++i)
        QVERIFY(rows.field(i).actualSize() > 0);
    QCOMPARE(rows.field(7).text(), QStringLiteral("planets.jpg"));
    QCOMPARE(valueOf(rows, QStringLiteral("верный")).toInt(), 2);

    rows.moveNext();  // номер 2: absent options and picture
    QCOMPARE(rows.field(1).text(),
             QStringLiteral("Верно ли, что слово \"ёлка\" пишется через «ё»; да или нет?"));
    QCOMPARE(rows.field(2).text(), QStringLiteral("Да"));
    QCOMPARE(rows.field(3).text(), QStringLiteral("Нет"));
    for (int i = 4; i <= 7; ++i) {
        QVERIFY2(rows.field(i).value().isNull(), qPrintable(rows.field(i).name()));
        QCOMPARE(rows.field(i).actualSize(), 0);
        QVERIFY_THROWS_EXCEPTION(qb::Error, rows.field(i).text());
    }

    rows.moveNext();  // номер 4: empty strings, which are not NULL; Latin-1 text
    QCOMPARE(rows.field(2).text(), QStringLiteral("café"));
    QCOMPARE(rows.field(3).text(), QStringLiteral("naïve façade"));
    for (int i = 4; i <= 7; ++i) {
        const QVariant value = rows.field(i).value();
        QVERIFY2(!value.isNull(), qPrintable(rows.field(i).name()));
        QCOMPARE(value.toString(), QString());
        QCOMPARE(rows.field(i).actualSize(), 0);
    }

    rows.moveNext();  // номер 5: the longest texts the columns hold, CR LF inside
    const QString question = rows.field(1).text();
    QCOMPARE(question.size(), 225);
    QVERIFY(question.startsWith(QStringLiteral("Строка 1\r\nСтрока 2: ")));
    QVERIFY(question.endsWith(QStringLiteral("Длинный вопрос?")));
    QCOMPARE(rows.field(2).text().size(), 120);
    QCOMPARE(rows.field(2).actualSize(), 240);
    QCOMPARE(rows.field(4).text(), QStringLiteral("Может быть"));
    QVERIFY(rows.field(5).value().isNull());
    QVERIFY(rows.field(6).value().isNull());
    QCOMPARE(rows.field(7).text(), QStringLiteral("Фото 5.PNG"));
    QCOMPARE(valueOf(rows, QStringLiteral("верный")).toInt(), 3);

    rows.moveNext();  // номер 6: characters Windows-1251 lacks
    QCOMPARE(rows.field(1).text(), QStringLiteral("Формула воды — H₂O? (№ 6…)"));
    QCOMPARE(rows.field(6).text(), QStringLiteral("H₂SO₄"));
    QCOMPARE(rows.field(7).text(), QStringLiteral("C:\\Тесты\\химия\\вода.bmp"));

    rows.moveNext();
    QVERIFY(rows.eof());
    rows.movePrevious();
    QCOMPARE(valueOf(rows, QStringLiteral("номер")).toInt(), 6);
}

void TestJetStore::infoRow_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QVariant>("info");
    QTest::addColumn<QVariant>("time");
    QTest::addColumn<QVariant>("appliesTo");
    const QVariant none;
    QTest::newRow("plain") << "plain.mdb"
                           << QVariant(QStringLiteral("Итоговый тест «Природа и человек», 5 класс"))
                           << QVariant(15) << QVariant(QStringLiteral("весь тест"));
    QTest::newRow("16-bit time") << "time16.mdb"
                                 << QVariant(QStringLiteral(
                                        "Итоговый тест «Природа и человек», 5 класс"))
                                 << QVariant(15) << QVariant(QStringLiteral("весь тест"));
    QTest::newRow("all absent") << "infonull.mdb" << none << none << none;
}

void TestJetStore::infoRow() {
    QFETCH(QString, file);
    QFETCH(QVariant, info);
    QFETCH(QVariant, time);
    QFETCH(QVariant, appliesTo);
    qb::Connection connection;
    openJet(connection, file, QStringLiteral("_="));
    qb::Recordset settings;
    settings.openOn(connection, QStringLiteral("SELECT * FROM info"));
    QCOMPARE(settings.recordCount(), 1);
    QCOMPARE(settings.field(0).value().toInt(), 1);

    const QVariant gotInfo = settings.field(QStringLiteral("инфо")).value();
    QCOMPARE(gotInfo.isNull(), info.isNull());
    QCOMPARE(gotInfo.toString(), info.toString());

    const QVariant gotTime = settings.field(QStringLiteral("время")).value();
    QCOMPARE(gotTime.isNull(), time.isNull());
    if (!time.isNull()) {
        QCOMPARE(gotTime.typeId(), QMetaType::Int);  // a number, whatever its width in Jet
        QCOMPARE(gotTime.toInt(), time.toInt());
    }

    const QVariant gotAppliesTo = settings.field(QStringLiteral("времяна")).value();
    QCOMPARE(gotAppliesTo.isNull(), appliesTo.isNull());
    QCOMPARE(gotAppliesTo.toString(), appliesTo.toString());
}

void TestJetStore::tablesAndColumns() {
    qb::Connection connection;
    openJet(connection, QStringLiteral("plain.mdb"), QStringLiteral("_="));
    qb::Catalog catalog;
    catalog.setActiveConnection(&connection);
    QCOMPARE(connection.store().tableNames(), (QStringList{"test", "info"}));
    QCOMPARE(catalog.table(QStringLiteral("TEST")), QStringLiteral("test"));
    QCOMPARE(catalog.columnNames(QStringLiteral("info")),
             (QStringList{"код", "инфо", "время", "ВремяНа"}));
    QVERIFY(!catalog.hasTable(QStringLiteral("MSysObjects")));
    QVERIFY_THROWS_EXCEPTION(qb::Error, catalog.table(QStringLiteral("nothing")));

    const QList<qb::ColumnInfo> columns = connection.store().columns(QStringLiteral("test"));
    QCOMPARE(columns.size(), 9);
    QVERIFY(columns[0].autoIncrement);
    QCOMPARE(columns[0].type, qb::ColumnType::Integer);
    QCOMPARE(columns[1].maxLength, 225);
    QVERIFY(columns[1].required);
    QCOMPARE(columns[2].maxLength, 120);
    QVERIFY(columns[3].required);
    QVERIFY(!columns[4].required);
    QCOMPARE(columns[8].type, qb::ColumnType::Integer);
    QVERIFY(!columns[8].autoIncrement);

    qb::Connection withoutInfo;
    openJet(withoutInfo, QStringLiteral("noinfo.mdb"), QStringLiteral("_="));
    catalog.setActiveConnection(&withoutInfo);
    QVERIFY(catalog.hasTable(QStringLiteral("test")));
    QVERIFY(!catalog.hasTable(QStringLiteral("info")));
}

void TestJetStore::columnNameLookupFoldsCyrillicCase() {
    qb::Connection connection;
    openJet(connection, QStringLiteral("upper.mdb"), QStringLiteral("_="));
    qb::Recordset rows;
    rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
    // The editor's check: some column, upper-cased, is "ВОПРОС", another "ВЕРНЫЙ".
    QStringList upper;
    for (const QString& name : rows.fieldNames())
        upper << name.toUpper();
    QVERIFY(upper.contains(QStringLiteral("ВОПРОС")));
    QVERIFY(upper.contains(QStringLiteral("ВЕРНЫЙ")));
    const qb::Field question = rows.field(QStringLiteral("вопрос"));
    QCOMPARE(question.name(), QStringLiteral("ВОПРОС"));
    QCOMPARE(question.text(), QStringLiteral("Какая планета ближе всех к Солнцу?"));
}

void TestJetStore::emptyBaseHasNoRows() {
    qb::Connection connection;
    openJet(connection, QStringLiteral("empty.mdb"), QStringLiteral("_="));
    for (const QString& table : {QStringLiteral("test"), QStringLiteral("info")}) {
        qb::Recordset rows;
        rows.openOn(connection, QStringLiteral("SELECT * FROM ") + table);
        QCOMPARE(rows.recordCount(), 0);
        QVERIFY(rows.bof());
        QVERIFY(rows.eof());
    }
}

void TestJetStore::passwords_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("own");
    QTest::addColumn<QStringList>("wrong");
    QTest::newRow("cyrillic") << "secret.mdb"
                              << "тест1" << QStringList{"_=",     "",       "ТЕСТ1", "тест",
                                                        "тест1 ", "тест11", "abc123"};
    QTest::newRow("ascii") << "secret_ascii.mdb"
                           << "abc123" << QStringList{"_=", "ABC123", "abc12", "abc1234", "тест1"};
    QTest::newRow("twenty characters")
        << "secret20.mdb"
        << "Пароль-20-символов!!"
        << QStringList{"_=", "Пароль-20-символов!", "Пароль-20-символов!!!",
                       "пароль-20-символов!!"};
}

void TestJetStore::passwords() {
    QFETCH(QString, file);
    QFETCH(QString, own);
    QFETCH(QStringList, wrong);
    for (const QString& password : wrong) {
        qb::Connection connection;
        try {
            openJet(connection, file, password);
            QFAIL(qPrintable(QStringLiteral("opened with ") + password));
        } catch (const qb::Error& error) {
            QCOMPARE(error.reason(), qb::Reason::Authentication);
            QCOMPARE(error.code(), qb::kAuthenticationFailed);
        }
        QVERIFY(!connection.isOpen());
    }
    // A connection string without a password part sends no password at all.
    QCOMPARE(failureOf([&] {
                 qb::Connection connection;
                 connection.open(qb::creationStringFor(jetFixture(file)));
             }),
             qb::Reason::Authentication);

    qb::Connection connection;
    openJet(connection, file, own);
    QVERIFY(connection.isOpen());
    qb::Recordset rows;
    rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
    QCOMPARE(rows.recordCount(), 5);
}

void TestJetStore::baseWithoutPasswordOpensWithAnything() {
    for (const QString& password : {QStringLiteral("_="), QStringLiteral("тест1"), QString()}) {
        qb::Connection connection;
        openJet(connection, QStringLiteral("plain.mdb"), password);
        QVERIFY(connection.isOpen());
    }
    qb::Connection connection;
    connection.open(qb::creationStringFor(jetFixture(QStringLiteral("plain.mdb"))));
    QVERIFY(connection.isOpen());
}

void TestJetStore::passwordHeaderRoundTrips_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<double>("created");
    QTest::newRow("none") << QString() << 38143.546524;
    QTest::newRow("one character") << "x" << 38143.5;
    QTest::newRow("twenty") << "Пароль-20-символов!!" << 45000.99;
    QTest::newRow("before 1899") << "abc" << -700.25;
}

void TestJetStore::passwordHeaderRoundTrips() {
    QFETCH(QString, password);
    QFETCH(double, created);
    QFile file(jetFixture(QStringLiteral("plain.mdb")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray header = file.read(qb::jet::kJetHeaderSize);
    const QByteArray encoded = qb::jet::encodeJet4Password(header, password, created);
    QCOMPARE(encoded.size(), header.size());
    QCOMPARE(qb::jet::decodeJet4Password(encoded), std::optional<QString>(password));
    // Only the scrambled part of the header may change.
    QCOMPARE(encoded.first(0x18), header.first(0x18));
}

void TestJetStore::shortOrNonsenseHeadersDecodeToNothing() {
    QFile file(jetFixture(QStringLiteral("secret.mdb")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray header = file.read(qb::jet::kJetHeaderSize);
    QCOMPARE(qb::jet::decodeJet4Password(header), std::optional<QString>(QStringLiteral("тест1")));
    QCOMPARE(qb::jet::decodeJet4Password(header.first(header.size() - 1)), std::nullopt);
    QCOMPARE(qb::jet::decodeJet4Password(QByteArray()), std::nullopt);
    // Creation dates that cannot yield the int32 mask: no number, or out of range.
    for (double created : {std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(), 3.0e9, -3.0e9}) {
        const QByteArray odd = qb::jet::encodeJet4Password(header, QStringLiteral("a"), created);
        QCOMPARE(qb::jet::decodeJet4Password(odd), std::nullopt);
    }
    // Random headers either decode or are refused; they never read past the buffer.
    QRandomGenerator random(11);
    for (int i = 0; i < 2000; ++i) {
        QByteArray noise(qb::jet::kJetHeaderSize, '\0');
        random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        const auto decoded = qb::jet::decodeJet4Password(noise);
        QVERIFY(!decoded || decoded->size() <= 20);
    }
}

void TestJetStore::compressedTextDecodesAsLatin1_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("text");
    QTest::newRow("compressed Latin-1") << QByteArray(
                                               "\xff\xfe"
                                               "caf\xe9",
                                               6)
                                        << "café";
    QTest::newRow("compressed 0x80-0x9f stay C1, not Windows-1252")
        << QByteArray("\xff\xfe\x80\x9f", 4) << QStringLiteral("\u0080\u009f");
    QTest::newRow("switch to UTF-16 and back") << QByteArray(
                                                      "\xff\xfe"
                                                      "a\x00\x16\x04\x00"
                                                      "b",
                                                      8)
                                               << QStringLiteral("aЖb");
    QTest::newRow("uncompressed") << QByteArray("\x16\x04\x3c\x20", 4) << QStringLiteral("Ж‼");
    QTest::newRow("empty compressed") << QByteArray("\xff\xfe", 2) << QString();
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("lone trailing byte in a UTF-16 run") << QByteArray(
                                                               "\xff\xfe"
                                                               "a\x00\x16",
                                                               5)
                                                        << QStringLiteral("a");
    QTest::newRow("odd uncompressed length")
        << QByteArray("\x16\x04\x20", 3) << QStringLiteral("Ж");
}

void TestJetStore::compressedTextDecodesAsLatin1() {
    QFETCH(QByteArray, stored);
    QFETCH(QString, text);
    QCOMPARE(qb::jet::decodeText(stored), text);
}

void TestJetStore::writesAreRefused() {
    testsupport::TempFolder folder;
    const QString path = folder.path(QStringLiteral("plain.mdb"));
    QVERIFY(QFile::copy(jetFixture(QStringLiteral("plain.mdb")), path));
    const QByteArray before = testsupport::fileChecksum(path);

    qb::Connection connection;
    connection.setMode(qb::kModeShareExclusive);
    connection.open(qb::connectionStringFor(path, QStringLiteral("_=")));
    qb::Recordset rows;
    rows.openOn(connection, QStringLiteral("SELECT * FROM test"));

    rows.field(QStringLiteral("вопрос")).setValue(QStringLiteral("Новый текст"));
    QCOMPARE(failureOf([&] { rows.update(); }), qb::Reason::Refused);
    rows.cancelUpdate();
    QCOMPARE(rows.field(1).text(), QStringLiteral("Какая планета ближе всех к Солнцу?"));

    rows.addNew();
    rows.field(QStringLiteral("вопрос")).setValue(QStringLiteral("Ещё вопрос"));
    QCOMPARE(failureOf([&] { rows.update(); }), qb::Reason::Refused);
    rows.cancelUpdate();
    QCOMPARE(failureOf([&] { rows.deleteCurrent(); }), qb::Reason::Refused);
    QCOMPARE(rows.recordCount(), 5);

    try {
        connection.execute(QStringLiteral("ALTER Database Password новый _="));
        QFAIL("password set on a Jet base");
    } catch (const qb::Error& error) {
        QCOMPARE(error.code(), qb::kGeneralFailure);
    }
    connection.close();
    QCOMPARE(testsupport::fileChecksum(path), before);
}

void TestJetStore::truncatedFilesAreNotABase_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("size");
    const qint64 page = 4096;
    const qint64 plainSize = 139264;
    QTest::newRow("header only") << "plain.mdb" << qint64(0x98);
    QTest::newRow("one page") << "plain.mdb" << page;
    QTest::newRow("three pages") << "plain.mdb" << 3 * page;
    QTest::newRow("half a page short") << "plain.mdb" << plainSize - page / 2;
    QTest::newRow("one byte short") << "plain.mdb" << plainSize - 1;
    QTest::newRow("half the pages") << "plain.mdb" << plainSize / 2;
    QTest::newRow("protected, half") << "secret.mdb" << plainSize / 2;
    QTest::newRow("one byte extra") << "plain.mdb" << plainSize + 1;
}

void TestJetStore::truncatedFilesAreNotABase() {
    QFETCH(QString, file);
    QFETCH(qint64, size);
    QFile source(jetFixture(file));
    QVERIFY(source.open(QIODevice::ReadOnly));
    QByteArray bytes = source.readAll();
    bytes.resize(size, '\0');
    testsupport::TempFolder folder;
    const QString path = folder.path(QStringLiteral("cut.mdb"));
    testsupport::writeFile(path, bytes);
    const QString password =
        file == QLatin1String("secret.mdb") ? QStringLiteral("тест1") : QStringLiteral("_=");
    QCOMPARE(failureOf([&] {
                 qb::Connection connection;
                 connection.open(qb::connectionStringFor(path, password));
             }),
             qb::Reason::NotABase);
}

// A cut at a page boundary passes the size check. Unused pages at the end may go without loss;
// every other cut must be refused rather than read as a base with rows missing.
void TestJetStore::pageAlignedCutsNeverLoseRowsSilently() {
    QFile source(jetFixture(QStringLiteral("plain.mdb")));
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QByteArray original = source.readAll();
    testsupport::TempFolder folder;
    const QString path = folder.path(QStringLiteral("cut.mdb"));
    const qsizetype page = 4096;
    int refused = 0;
    for (qsizetype pages = 4; pages < original.size() / page; ++pages) {
        testsupport::writeFile(path, original.first(pages * page));
        qb::Connection connection;
        const auto reason = failureOf(
            [&] { connection.open(qb::connectionStringFor(path, QStringLiteral("_="))); });
        if (reason) {
            QCOMPARE(*reason, qb::Reason::NotABase);
            ++refused;
            continue;
        }
        qb::Catalog catalog;
        catalog.setActiveConnection(&connection);
        QVERIFY2(
            catalog.hasTable(QStringLiteral("test")) && catalog.hasTable(QStringLiteral("info")),
            qPrintable(QStringLiteral("%1 pages").arg(pages)));
        qb::Recordset rows;
        rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
        QCOMPARE(rows.recordCount(), 5);
        qb::Recordset settings;
        settings.openOn(connection, QStringLiteral("SELECT * FROM info"));
        QCOMPARE(settings.recordCount(), 1);
    }
    QVERIFY(refused > 0);
}

void TestJetStore::corruptedFilesNeverCrash() {
    QFile source(jetFixture(QStringLiteral("plain.mdb")));
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QByteArray original = source.readAll();
    testsupport::TempFolder folder;
    const QString path = folder.path(QStringLiteral("flipped.mdb"));
    QRandomGenerator random(20240611);
    int opened = 0;
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = original;
        // Hit the pages that matter most often: the header, the catalog and the table pages.
        const int flips = 1 + int(random.bounded(16));
        for (int i = 0; i < flips; ++i) {
            const qsizetype at = round % 2 == 0 ? random.bounded(qint64(bytes.size()))
                                                : random.bounded(qint64(16 * 4096));
            bytes[at] = char(bytes[at] ^ char(1 + random.bounded(255)));
        }
        testsupport::writeFile(path, bytes);
        const auto reason = failureOf([&] {
            qb::Connection connection;
            connection.open(qb::connectionStringFor(path, QStringLiteral("_=")));
            for (const QString& table : {QStringLiteral("test"), QStringLiteral("info")}) {
                qb::Recordset rows;
                rows.openOn(connection, QStringLiteral("SELECT * FROM ") + table);
                for (; !rows.eof(); rows.moveNext()) {
                    for (int i = 0; i < rows.fieldCount(); ++i)
                        rows.field(i).actualSize();
                }
            }
        });
        if (!reason) {
            ++opened;
            continue;
        }
        ++refused;
        // A flipped header byte may change the stored password, a flipped catalog byte a
        // table's name; anything else is damage.
        QVERIFY2(*reason == qb::Reason::NotABase || *reason == qb::Reason::Authentication ||
                     *reason == qb::Reason::NoSuchItem,
                 qPrintable(QStringLiteral("round %1, reason %2").arg(round).arg(int(*reason))));
    }
    qInfo("corrupted copies: %d read, %d refused", opened, refused);
    QVERIFY(refused > 0);
}

QTEST_GUILESS_MAIN(TestJetStore)
#include "tst_jetstore.moc"
