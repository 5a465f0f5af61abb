// A disk that fills up during a password change, at every write the change makes: the change
// either takes effect whole or leaves the base with its old key, the connection that holds the
// base goes on saving, and the base then opens with the key it should have, whole.

#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/passwordstatement.h"
#include "questionbase/recordset.h"
#include "questionbase/sqlitestore.h"
#include "tests/support/fulldisk.h"
#include "tests/support/tempbase.h"

#include <QFile>
#include <QTest>

#include <limits>
#include <optional>

namespace {

const QString kFirst = QStringLiteral("первый1");
const QString kSecond = QStringLiteral("второй2");
const QString kNone = qb::kEmptyPasswordMarker;

// The store's key when the base opens with `password` for the editor, or nothing.
std::optional<qb::SqliteStore::Key> keyOpening(const QString& path, const QString& password) {
    try {
        qb::Connection connection;
        connection.setMode(qb::kModeShareExclusive);
        connection.open(path, password);
        return dynamic_cast<qb::SqliteStore&>(connection.store()).key();
    } catch (const qb::Error&) {
        return std::nullopt;
    }
}

}  // namespace

class FullDisk : public QObject {
    Q_OBJECT

    testsupport::TempFolder folder_;

private slots:
    void initTestCase() { testsupport::fulldisk::install(); }
    void passwordChangeOnAFillingDiskLosesNothing_data();
    void passwordChangeOnAFillingDiskLosesNothing();
};

void FullDisk::passwordChangeOnAFillingDiskLosesNothing_data() {
    QTest::addColumn<bool>("plain");  // an unencrypted base of another program
    QTest::addColumn<QString>("oldPassword");
    QTest::addColumn<QString>("newPassword");
    QTest::newRow("set") << false << kNone << kFirst;
    QTest::newRow("change") << false << kFirst << kSecond;
    QTest::newRow("remove") << false << kFirst << kNone;
    QTest::newRow("set on a plain base") << true << kNone << kFirst;
}

void FullDisk::passwordChangeOnAFillingDiskLosesNothing() {
    QFETCH(bool, plain);
    QFETCH(QString, oldPassword);
    QFETCH(QString, newPassword);
    using Key = qb::SqliteStore::Key;
    const QString name = QString::fromUtf8(QTest::currentDataTag());
    const QString original = folder_.path(name + QStringLiteral(".mdb"));
    if (plain) {
        qb::sqlite::Database db = qb::sqlite::Database::open(original, true);
        db.exec(QStringLiteral(
            "CREATE TABLE test (\"номер\" INTEGER PRIMARY KEY AUTOINCREMENT, \"вопрос\" TEXT NOT "
            "NULL, \"верный\" INTEGER NOT NULL); INSERT INTO test (\"вопрос\", \"верный\") "
            "VALUES ('Один', 1), ('Два', 2), ('Три', 3)"));
    } else {
        testsupport::makeBase(folder_, name + QStringLiteral(".mdb"), 3);
        if (oldPassword != kNone) {
            qb::Connection connection;
            connection.open(original, kNone);
            connection.changePassword(qb::passwordChange(oldPassword, kNone));
        }
    }
    const Key oldKey = plain ? Key::None : oldPassword == kNone ? Key::BuiltIn : Key::Password;
    const Key newKey = newPassword == kNone ? Key::BuiltIn : Key::Password;

    // Changes a copy of the base on a disk that fills up at the write `failFrom`, then saves a
    // question once there is room again; returns whether the change took effect.
    const auto changeCopy = [&](int failFrom, const QString& path, const QString& saved) {
        QFile::remove(path);
        if (!QFile::copy(original, path))
            qb::fail(qb::Reason::Io, QStringLiteral("no copy"));
        qb::Connection connection;
        connection.setMode(qb::kModeShareExclusive);
        connection.open(path, oldPassword);
        testsupport::fulldisk::fillFrom(failFrom);
        bool changed = true;
        try {
            connection.changePassword(qb::passwordChange(newPassword, oldPassword));
        } catch (const qb::Error& error) {
            if (error.reason() != qb::Reason::Io)
                throw;
            changed = false;
        }
        testsupport::fulldisk::fillFrom(0);
        qb::Recordset rows;
        rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
        rows.field(1).setValue(saved);
        rows.update();
        return changed;
    };
    QVERIFY(changeCopy(std::numeric_limits<int>::max(),
                       folder_.path(name + QStringLiteral("-room.mdb")),
                       QStringLiteral("С местом на диске")));
    const int total = testsupport::fulldisk::writes();

    int failed = 0;
    for (int failFrom = 1; failFrom <= total + 1; ++failFrom) {
        const QString path = folder_.path(QStringLiteral("%1-%2.mdb").arg(name).arg(failFrom));
        const QString saved = QStringLiteral("Сохранено после записи %1").arg(failFrom);
        bool changed = false;
        try {
            changed = changeCopy(failFrom, path, saved);
        } catch (const qb::Error& error) {
            QFAIL(qPrintable(
                QStringLiteral("disk full from write %1: %2").arg(failFrom).arg(error.text())));
        }
        failed += changed ? 0 : 1;
        const Key expected = changed ? newKey : oldKey;
        const QString opensWith = changed ? newPassword : oldPassword;
        QCOMPARE(keyOpening(path, opensWith), std::optional<Key>(expected));
        if (expected == Key::Password)
            QCOMPARE(keyOpening(path, kNone), std::nullopt);
        qb::Connection connection;
        connection.open(path, opensWith);
        QCOMPARE(dynamic_cast<qb::SqliteStore&>(connection.store())
                     .database()
                     .scalar(QStringLiteral("PRAGMA quick_check"))
                     .toString(),
                 QStringLiteral("ok"));
        qb::Recordset rows;
        rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
        QCOMPARE(rows.recordCount(), 3);
        QCOMPARE(rows.field(1).text(), saved);
    }
    qInfo().noquote()
        << QStringLiteral("%1: %2 writes, %3 changes failed").arg(name).arg(total).arg(failed);
    QVERIFY(failed > 0);
}

QTEST_GUILESS_MAIN(FullDisk)
#include "tst_full_disk.moc"
