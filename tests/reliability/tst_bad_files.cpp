// Files that are not healthy bases, met at the data layer: each gives its failure code and
// reason promptly, never a crash or a hang.

#include "editor/ui/limitedtextedit.h"
#include "questionbase/catalog.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"
#include "questionbase/sqlite.h"
#include "questionbase/sqlitestore.h"
#include "tests/support/editorsession.h"
#include "tests/support/jetfixtures.h"
#include "tests/support/tempbase.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <sys/statvfs.h>
#include <unistd.h>

Q_DECLARE_METATYPE(qb::Reason)

namespace {

// How far a base got: opened, every row read and SQLite's own check passed, or the first
// failure on the way.
struct Outcome {
    QString stage;  // "open", "read" or "ok"
    quint32 code = 0;
    qb::Reason reason = qb::Reason::Refused;
    qint64 ms = 0;
};

Outcome openAndReadAll(const QString& path, const QString& password = qb::kEmptyPasswordMarker) {
    Outcome outcome;
    QElapsedTimer timer;
    timer.start();
    outcome.stage = QStringLiteral("open");
    try {
        qb::Connection connection;
        connection.setMode(qb::kModeShareExclusive);
        connection.open(qb::connectionStringFor(path, password));
        outcome.stage = QStringLiteral("read");
        qb::Recordset rows;
        rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
        if (rows.recordCount() > 0) {
            for (rows.moveFirst(); !rows.eof(); rows.moveNext()) {
                for (int i = 0; i < rows.fieldCount(); ++i)
                    rows.field(i).value();
            }
        }
        if (auto* store = dynamic_cast<qb::SqliteStore*>(&connection.store())) {
            const QString check =
                store->database().scalar(QStringLiteral("PRAGMA quick_check")).toString();
            if (check != QLatin1String("ok"))
                qb::fail(qb::Reason::Damaged, check);
        }
        outcome.stage = QStringLiteral("ok");
    } catch (const qb::Error& error) {
        outcome.code = error.code();
        outcome.reason = error.reason();
    }
    outcome.ms = timer.elapsed();
    return outcome;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray randomBytes(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

QByteArray pngBytes() {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

}  // namespace

class BadFiles : public QObject {
    Q_OBJECT

private slots:
    void foreignBytes_data();
    void foreignBytes();
    void damagedBase_data();
    void damagedBase();
    void missingRequiredColumns_data();
    void missingRequiredColumns();
    void oldJetFile();
    void baseHeldByAnotherProcess_data();
    void baseHeldByAnotherProcess();
    void readOnlyFolderOpensButSavesFail();
    void baseTamperedWhileOpen_data();
    void baseTamperedWhileOpen();
    void hostilePathNames_data();
    void hostilePathNames();

private:
    testsupport::TempFolder folder_;
};

void BadFiles::foreignBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<quint32>("code");
    QTest::addColumn<qb::Reason>("reason");

    const auto general = qb::kGeneralFailure;
    QTest::newRow("empty") << QByteArray() << general << qb::Reason::NotABase;
    QTest::newRow("random, 1500 bytes") << randomBytes(1500) << general << qb::Reason::NotABase;
    QTest::newRow("random, 100 bytes") << randomBytes(100) << general << qb::Reason::NotABase;
    // Whole pages of random bytes cannot be told from a base under another password.
    QTest::newRow("random, 4 pages")
        << randomBytes(4096) << qb::kAuthenticationFailed << qb::Reason::Authentication;
    const QByteArray text =
        QStringLiteral("Это просто текст, а не база вопросов.\r\n").repeated(40).toUtf8();
    QTest::newRow("text") << text << general << qb::Reason::NotABase;
    QTest::newRow("text of whole pages") << text.left(2048) << general << qb::Reason::NotABase;
    QTest::newRow("png") << pngBytes() << general << qb::Reason::NotABase;
    QByteArray pagedPng = pngBytes();
    pagedPng.append(randomBytes(1024 * 4 - pagedPng.size() % 1024));
    pagedPng.resize(pagedPng.size() - pagedPng.size() % 1024);
    QTest::newRow("png padded to pages") << pagedPng << general << qb::Reason::NotABase;
    QTest::newRow("zeros") << QByteArray(8192, '\0') << general << qb::Reason::NotABase;
    QTest::newRow("sqlite header only")
        << QByteArray("SQLite format 3\0", 16) << general << qb::Reason::NotABase;
}

void BadFiles::foreignBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(quint32, code);
    QFETCH(qb::Reason, reason);
    const QString path =
        folder_.path(QStringLiteral("чужой файл %1.mdb").arg(QTest::currentDataTag()));
    writeFile(path, bytes);
    const Outcome outcome = openAndReadAll(path);
    QCOMPARE(outcome.stage, QStringLiteral("open"));
    QCOMPARE(outcome.code, code);
    QCOMPARE(outcome.reason, reason);
    QVERIFY2(outcome.ms < 3000, qPrintable(QString::number(outcome.ms)));
    QCOMPARE(readFile(path), bytes);  // a failed open leaves the file as it was
}

void BadFiles::damagedBase_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("stage");
    QTest::addColumn<quint32>("code");
    QTest::addColumn<qb::Reason>("reason");

    for (const QString& password : {qb::kEmptyPasswordMarker, QStringLiteral("пароль")}) {
        const char* key = password == qb::kEmptyPasswordMarker ? "built-in key" : "password";
        QTest::addRow("%s, cut inside a page", key)
            << password << "cut-odd"
            << "open" << qb::kGeneralFailure << qb::Reason::NotABase;
        QTest::addRow("%s, last pages cut", key)
            << password << "cut-pages"
            << "open" << qb::kGeneralFailure << qb::Reason::Damaged;
        // A page that fails its check reads exactly like a page under another key.
        QTest::addRow("%s, byte flipped in page 1", key)
            << password << "flip-first"
            << "open" << qb::kAuthenticationFailed << qb::Reason::Authentication;
        QTest::addRow("%s, byte flipped in the last page", key)
            << password << "flip-last"
            << "read" << qb::kGeneralFailure << qb::Reason::Damaged;
    }
}

void BadFiles::damagedBase() {
    QFETCH(QString, password);
    QFETCH(QString, damage);
    QFETCH(QString, stage);
    QFETCH(quint32, code);
    QFETCH(qb::Reason, reason);

    testsupport::TempFolder folder;
    const QString path = testsupport::makeBase(folder, QStringLiteral("повреждённая.mdb"), 60);
    if (password != qb::kEmptyPasswordMarker) {
        qb::Connection connection;
        connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        connection.execute(QStringLiteral("ALTER Database Password ") + password +
                           QStringLiteral("_="));
    }
    QCOMPARE(openAndReadAll(path, password).stage, QStringLiteral("ok"));

    QByteArray bytes = readFile(path);
    QVERIFY(bytes.size() >= 4 * 1024);
    if (damage == QLatin1String("cut-odd"))
        bytes.truncate(bytes.size() - 700);
    else if (damage == QLatin1String("cut-pages"))
        bytes.truncate(bytes.size() / 2 / 1024 * 1024);
    else if (damage == QLatin1String("flip-first"))
        bytes[500] = static_cast<char>(bytes[500] ^ 0x10);
    else
        bytes[bytes.size() - 600] = static_cast<char>(bytes[bytes.size() - 600] ^ 0x01);
    writeFile(path, bytes);

    const Outcome outcome = openAndReadAll(path, password);
    QCOMPARE(outcome.stage, stage);
    QCOMPARE(QString::number(outcome.code, 16), QString::number(code, 16));
    QCOMPARE(outcome.reason, reason);
    QVERIFY2(outcome.ms < 3000, qPrintable(QString::number(outcome.ms)));
}

void BadFiles::missingRequiredColumns_data() {
    QTest::addColumn<QString>("schema");
    QTest::addColumn<QString>("missing");
    QTest::newRow("no вопрос") << QStringLiteral(
                                      "CREATE TABLE test (\"номер\" INTEGER PRIMARY KEY, \"текст\" "
                                      "TEXT, \"верный\" INTEGER)")
                               << QStringLiteral("вопрос");
    QTest::newRow("no верный") << QStringLiteral(
                                      "CREATE TABLE test (\"номер\" INTEGER PRIMARY KEY, "
                                      "\"вопрос\" TEXT, \"ответ1\" TEXT)")
                               << QStringLiteral("верный");
}

// The editor decides from the column names; the data layer must open such a base, list its
// columns and refuse the missing one by name with the "no such item" code.
void BadFiles::missingRequiredColumns() {
    QFETCH(QString, schema);
    QFETCH(QString, missing);
    const QString path = folder_.path(QStringLiteral("без %1.mdb").arg(missing));
    {
        qb::sqlite::Database db = qb::sqlite::Database::open(path, true);
        db.exec(schema);
        db.exec(QStringLiteral("INSERT INTO test VALUES (1, 'а', 2)"));
    }
    qb::Connection connection;
    connection.setMode(qb::kModeShareExclusive);
    connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
    qb::Recordset rows;
    rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
    QCOMPARE(rows.recordCount(), 1);
    QVERIFY(!rows.fieldNames().join(u' ').toUpper().contains(missing.toUpper()));
    try {
        rows.field(missing).value();
        QFAIL("a missing column was read");
    } catch (const qb::Error& error) {
        QCOMPARE(error.code(), qb::kItemNotFound);
        QCOMPARE(error.reason(), qb::Reason::NoSuchItem);
    }
}

void BadFiles::oldJetFile() {
    const QString fixture = testsupport::jetFixture(QStringLiteral("plain.mdb"));
    const QString path = folder_.path(QStringLiteral("старая база.mdb"));
    QVERIFY(QFile::copy(fixture, path));
    const QByteArray before = readFile(path);
    const Outcome outcome = openAndReadAll(path);
    // Either a reader for the old format takes it, or it is "not a base"; never anything else.
    if (outcome.stage != QLatin1String("ok")) {
        QCOMPARE(outcome.stage, QStringLiteral("open"));
        QCOMPARE(outcome.code, qb::kGeneralFailure);
        QCOMPARE(outcome.reason, qb::Reason::NotABase);
    }
    QCOMPARE(readFile(path), before);
}

void BadFiles::baseHeldByAnotherProcess_data() {
    QTest::addColumn<QStringList>("holderMode");  // extra arguments of the holding child
    QTest::addColumn<bool>("sharedOpens");        // a second exporter may open it
    QTest::newRow("by the editor") << QStringList() << false;
    QTest::newRow("by an exporter") << QStringList{QStringLiteral("shared")} << true;
}

void BadFiles::baseHeldByAnotherProcess() {
    QFETCH(QStringList, holderMode);
    QFETCH(bool, sharedOpens);
    const QString path = testsupport::makeBase(
        folder_, QStringLiteral("занятая %1.mdb").arg(QString::fromUtf8(QTest::currentDataTag())),
        3);
    QProcess holder;
    holder.start(QStringLiteral(HOLD_DRIVER),
                 QStringList{path, qb::kEmptyPasswordMarker} + holderMode);
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("HOLDING"));

    for (int mode : {qb::kModeShareExclusive, 0}) {
        QElapsedTimer timer;
        timer.start();
        qb::Connection connection;
        connection.setMode(mode);
        try {
            connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
            qb::Recordset rows;
            rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
            if (mode == 0 && sharedOpens) {
                QCOMPARE(rows.recordCount(), 3);
                continue;
            }
            QFAIL(qPrintable(QStringLiteral("mode %1 opened a held base").arg(mode)));
        } catch (const qb::Error& error) {
            QCOMPARE(error.code(), qb::kGeneralFailure);
            QCOMPARE(error.reason(), qb::Reason::InUse);
        }
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    }
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(5000));
    QCOMPARE(holder.exitCode(), 0);
    QCOMPARE(openAndReadAll(path).stage, QStringLiteral("ok"));
}

// The journal cannot be created beside the base: the base opens, a save reports its failure
// and the file keeps what it had. Root ignores permissions, so then the save runs in a child
// that gives up root for "nobody" first. That child cannot count on reaching the build tree
// (a clone in a home folder of mode 0700), so it runs a copy of the driver from a folder
// under /tmp that everyone may enter; the driver links only system libraries.
void BadFiles::readOnlyFolderOpensButSavesFail() {
    const bool asRoot = ::geteuid() == 0;
    QTemporaryDir root((asRoot ? QStringLiteral("/tmp") : QDir::tempPath()) +
                       QStringLiteral("/tambris-bad-files-XXXXXX"));
    QVERIFY2(root.isValid(), qPrintable(root.errorString()));
    const QString dir = root.filePath(QStringLiteral("только чтение"));
    QVERIFY(QDir().mkpath(dir));
    const QString path = dir + QStringLiteral("/база.mdb");
    qb::Catalog::create(qb::creationStringFor(path));
    {
        qb::Connection connection;
        connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        qb::Recordset rows;
        rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
        rows.addNew();
        rows.field(QStringLiteral("вопрос")).setValue(QStringLiteral("Прежний вопрос"));
        rows.field(QStringLiteral("ответ1")).setValue(QString());
        rows.field(QStringLiteral("ответ2")).setValue(QString());
        rows.field(QStringLiteral("верный")).setValue(1);
        rows.update();
    }
    const QByteArray before = readFile(path);

    QProcess saver;
    QString driver = QStringLiteral(HOLD_DRIVER);
    if (asRoot) {
        struct statvfs tmp {};
        if (::statvfs("/tmp", &tmp) == 0 && (tmp.f_flag & ST_NOEXEC) != 0)
            QSKIP("/tmp is mounted noexec: no folder to run the driver from as \"nobody\"");
        constexpr uid_t kNobody = 65534;
        const auto reachable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                               QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(root.path(), reachable));
        driver = root.filePath(QStringLiteral("hold_driver"));
        QVERIFY(QFile::copy(QStringLiteral(HOLD_DRIVER), driver));
        QVERIFY(QFile::setPermissions(driver, reachable));
        saver.setWorkingDirectory(root.path());
        // The file itself stays writable for the child; only the folder refuses new files.
        QVERIFY(::chown(QFile::encodeName(path).constData(), kNobody, kNobody) == 0);
        saver.setChildProcessModifier([] {
            if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
                ::_exit(3);
        });
    }
    QVERIFY(QFile::setPermissions(
        dir, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    saver.start(driver, {path, qb::kEmptyPasswordMarker, QStringLiteral("save")});
    QVERIFY2(saver.waitForFinished(10000), qPrintable(saver.errorString()));
    const QString output = QString::fromUtf8(saver.readAllStandardOutput());
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(saver.exitCode(), 0);
    QCOMPARE(output.split(u'\n').value(0), QStringLiteral("OPENED"));
    QCOMPARE(output.split(u'\n').value(1), QStringLiteral("SAVE-FAILED %1 %2")
                                               .arg(qb::kGeneralFailure, 0, 16)
                                               .arg(static_cast<int>(qb::Reason::Io)));
    QCOMPARE(readFile(path), before);
}

void BadFiles::baseTamperedWhileOpen_data() {
    QTest::addColumn<QString>("tampering");
    QTest::newRow("removed") << QStringLiteral("rm");
    QTest::newRow("replaced by another base") << QStringLiteral("mv");
    QTest::newRow("cut to nothing") << QStringLiteral("truncate");
}

// A base removed, replaced or cut short while the editor holds it, after a first save: every
// later save, step and new question is refused with the refused-commit message and the typed
// text stays, instead of going into the orphaned file, or into the new one, without a word.
void BadFiles::baseTamperedWhileOpen() {
    QFETCH(QString, tampering);
    testsupport::EditorSession s(3);
    s.probe.Text1()->setPlainText(QStringLiteral("Первая правка"));
    s.click(QStringLiteral("Command7"));
    QVERIFY(s.dialogs.messages().isEmpty());
    const QString other = testsupport::makeBase(s.folder, QStringLiteral("другая.mdb"), 1);
    if (tampering == QLatin1String("rm"))
        QVERIFY(QFile::remove(s.path));
    else if (tampering == QLatin1String("mv"))
        QVERIFY(std::rename(QFile::encodeName(other).constData(),
                            QFile::encodeName(s.path).constData()) == 0);
    else
        QVERIFY(QFile(s.path).resize(0));
    const QByteArray tampered = readFile(s.path);

    s.probe.Text1()->setPlainText(QStringLiteral("Вторая правка"));
    s.dialogs.expectMessage().expectMessage().expectMessage();
    s.click(QStringLiteral("Command7"));
    s.click(QStringLiteral("Command3"));
    s.click(QStringLiteral("Command5"));
    VERIFY_ALL_SHOWN(s.dialogs);
    for (const QString& message : s.dialogs.messages()) {
        QVERIFY2(message.startsWith(QStringLiteral("Не удалось записать вопрос")) &&
                     message.contains(QStringLiteral("файл базы удалён")),
                 qPrintable(message));
    }
    QCOMPARE(s.question(), QStringLiteral("Вторая правка"));
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 1 из 3"));
    s.window->close();
    QCOMPARE(QFile::exists(s.path), tampering != QLatin1String("rm"));
    QCOMPARE(readFile(s.path), tampered);
}

void BadFiles::hostilePathNames_data() {
    QTest::addColumn<QString>("folderName");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("password");
    QTest::newRow("blanks") << QStringLiteral("мои тесты") << QStringLiteral("база вопросов.mdb")
                            << QStringLiteral("_=");
    QTest::newRow("semicolon and equals")
        << QStringLiteral("a;b=c") << QStringLiteral("x;Data Source=y;Password=z.mdb")
        << QStringLiteral("пароль");
    QTest::newRow("quotes") << QStringLiteral("'кавычки\"") << QStringLiteral("«база» \"1\".mdb")
                            << QStringLiteral("a\"b'c");
    QTest::newRow("password part in the password")
        << QStringLiteral("папка") << QStringLiteral("б.mdb") << QStringLiteral("Password=y");
}

void BadFiles::hostilePathNames() {
    QFETCH(QString, folderName);
    QFETCH(QString, fileName);
    QFETCH(QString, password);
    testsupport::TempFolder folder;
    QVERIFY(QDir(folder.folder()).mkdir(folderName));
    const QString path = folder.folder() + u'/' + folderName + u'/' + fileName;
    qb::Catalog::create(qb::creationStringFor(path));
    QVERIFY(QFile::exists(path));
    {
        qb::Connection connection;
        connection.setMode(qb::kModeShareExclusive);
        connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        QCOMPARE(connection.path(), path);
        if (password != qb::kEmptyPasswordMarker)
            connection.execute(QStringLiteral("ALTER Database Password ") + password +
                               QStringLiteral("_="));
    }
    QCOMPARE(openAndReadAll(path, password).stage, QStringLiteral("ok"));
    if (password != qb::kEmptyPasswordMarker) {
        const Outcome wrong = openAndReadAll(path, qb::kEmptyPasswordMarker);
        QCOMPARE(wrong.code, qb::kAuthenticationFailed);
    }
    // Nothing was created beside it under a name cut at a ';'.
    QCOMPARE(QDir(folder.folder() + u'/' + folderName).entryList(QDir::Files),
             QStringList{fileName});
}

QTEST_MAIN(BadFiles)
#include "tst_bad_files.moc"
