#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/passwordstatement.h"
#include "questionbase/recordset.h"
#include "questionbase/sqlite.h"
#include "tests/support/questionrows.h"
#include "tests/support/tempbase.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using testsupport::makeBase;
using testsupport::TempFolder;

namespace {

const QString kSet = QStringLiteral("ALTER Database Password ");

// "opened N" or the error code, for a fresh connection with this password.
QString openWith(const QString& path, const QString& password) {
    qb::Connection connection;
    try {
        connection.open(qb::connectionStringFor(path, password));
        qb::Recordset rows;
        rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
        return QStringLiteral("opened %1").arg(rows.recordCount());
    } catch (const qb::Error& error) {
        return QString::number(error.code(), 16);
    }
}

const QString kAuth = QString::number(qb::kAuthenticationFailed, 16);

}  // namespace

class PasswordTest : public QObject {
    Q_OBJECT
    TempFolder folder_;

private slots:
    void statementsAreParsed_data() {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("newPassword");  // "-" for none
        QTest::addColumn<QString>("oldPassword");
        QTest::newRow("set") << "ALTER Database Password abc_="
                             << "abc"
                             << "-";
        QTest::newRow("change") << "ALTER Database Password новый старый"
                                << "новый"
                                << "старый";
        QTest::newRow("remove") << "ALTER Database Password_=abc"
                                << "-"
                                << "abc";
        QTest::newRow("set, both markers") << "ALTER Database Password _=_="
                                           << "-"
                                           << "-";
        QTest::newRow("keywords in any case") << "alter database password x1_="
                                              << "x1"
                                              << "-";
        QTest::newRow("20 characters") << "ALTER Database Password Пароль-20-символов!!_="
                                       << "Пароль-20-символов!!"
                                       << "-";
    }
    void statementsAreParsed() {
        QFETCH(QString, statement);
        QFETCH(QString, newPassword);
        QFETCH(QString, oldPassword);
        const qb::PasswordStatement parsed = qb::parsePasswordStatement(statement);
        QCOMPARE(parsed.newPassword.value_or(QStringLiteral("-")), newPassword);
        QCOMPARE(parsed.oldPassword.value_or(QStringLiteral("-")), oldPassword);
    }

    void refusedStatements_data() {
        QTest::addColumn<QString>("statement");
        QTest::newRow("blank inside") << kSet + "a b_=";
        QTest::newRow("semicolon") << kSet + "a;b_=";
        QTest::newRow("21 characters") << kSet + QString(21, QChar(u'x')) + "_=";
        QTest::newRow("marker inside") << kSet + "a_=b old";
        QTest::newRow("empty new password") << kSet + " old";
        QTest::newRow("NUL") << kSet + QStringLiteral("a") + QChar(u'\0') + "_=";
        QTest::newRow("three words") << kSet + "a b c";
        QTest::newRow("no old password") << kSet + "abc";
        QTest::newRow("another statement") << QStringLiteral("DROP TABLE test");
        QTest::newRow("no blank") << QStringLiteral("ALTER Database Passwordabc_=");
    }
    void refusedStatements() {
        QFETCH(QString, statement);
        try {
            qb::parsePasswordStatement(statement);
            QFAIL("the statement must be refused");
        } catch (const qb::Error& error) {
            QCOMPARE(error.code(), qb::kGeneralFailure);
        }
    }

    void setChangeAndRemove() {
        const QString path = makeBase(folder_, QStringLiteral("keys.mdb"), 4);
        qb::Connection editor;
        editor.setMode(qb::kModeShareExclusive);
        editor.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));

        editor.execute(kSet + QStringLiteral("тест1_="));
        editor.close();
        QCOMPARE(openWith(path, qb::kEmptyPasswordMarker), kAuth);
        QCOMPARE(openWith(path, QStringLiteral("тест2")), kAuth);
        QCOMPARE(openWith(path, QStringLiteral("тест1")), QStringLiteral("opened 4"));

        editor.open(qb::connectionStringFor(path, QStringLiteral("тест1")));
        editor.execute(kSet + QStringLiteral("x;y тест1").replace(u';', u'$'));
        editor.close();
        QCOMPARE(openWith(path, QStringLiteral("тест1")), kAuth);
        QCOMPARE(openWith(path, QStringLiteral("x$y")), QStringLiteral("opened 4"));

        editor.open(qb::connectionStringFor(path, QStringLiteral("x$y")));
        editor.execute(QStringLiteral("ALTER Database Password_=x$y"));
        editor.close();
        QCOMPARE(openWith(path, qb::kEmptyPasswordMarker), QStringLiteral("opened 4"));
    }

    void theHoldSurvivesARekey() {
        const QString path = makeBase(folder_, QStringLiteral("hold.mdb"), 1);
        qb::Connection editor;
        editor.setMode(qb::kModeShareExclusive);
        editor.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        editor.execute(kSet + QStringLiteral("abc_="));
        qb::Recordset rows;
        rows.openOn(editor, QStringLiteral("SELECT * FROM test"));
        rows.field(1).setValue(QStringLiteral("после смены ключа"));
        rows.update();
        // The same process is shut out as any other: SQLite's locks are per connection here.
        QCOMPARE(openWith(path, QStringLiteral("abc")), QString::number(qb::kGeneralFailure, 16));
        editor.close();
        QCOMPARE(openWith(path, QStringLiteral("abc")), QStringLiteral("opened 1"));
    }

    // Tools change passwords through the exporter's kind of connection too: the change lets the
    // shared hold lapse, and the connection holds again afterwards under the new key.
    void sharedHoldOutlastsAPasswordChange_data() {
        QTest::addColumn<bool>("plain");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("after");
        const QString none = qb::kEmptyPasswordMarker;
        QTest::newRow("set") << false << none << kSet + "new1_="
                             << "new1";
        QTest::newRow("change") << false << "old1" << kSet + "new1 old1"
                                << "new1";
        QTest::newRow("remove") << false << "old1"
                                << "ALTER Database Password_=old1" << none;
        QTest::newRow("plain base encrypted") << true << none << kSet + "new1_="
                                              << "new1";
    }
    void sharedHoldOutlastsAPasswordChange() {
        QFETCH(bool, plain);
        QFETCH(QString, before);
        QFETCH(QString, statement);
        QFETCH(QString, after);
        const QString name =
            QStringLiteral("shared %1.mdb").arg(QString::fromUtf8(QTest::currentDataTag()));
        const QString path =
            plain ? testsupport::makePlainBase(
                        folder_, name,
                        {QStringLiteral("CREATE TABLE test (\"вопрос\" TEXT, \"верный\" INTEGER)"),
                         QStringLiteral("INSERT INTO test VALUES ('Один', 1)")})
                  : makeBase(folder_, name, 1);
        if (before != qb::kEmptyPasswordMarker) {
            qb::Connection setter;
            setter.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
            setter.execute(kSet + before + QStringLiteral("_="));
        }
        qb::Connection tool;
        tool.open(qb::connectionStringFor(path, before));
        tool.execute(statement);

        qb::Connection editor;
        editor.setMode(qb::kModeShareExclusive);
        try {
            editor.open(qb::connectionStringFor(path, after));
            QFAIL("the editor opened a base a shared connection holds");
        } catch (const qb::Error& error) {
            QCOMPARE(error.reason(), qb::Reason::InUse);
        }
        QCOMPARE(openWith(path, after), QStringLiteral("opened 1"));
        qb::Recordset rows;
        rows.openOn(tool, QStringLiteral("SELECT * FROM test"));
        QCOMPARE(rows.recordCount(), 1);
        tool.close();
        editor.open(qb::connectionStringFor(path, after));
        QVERIFY(editor.isOpen());
    }

    void refusedOrWrongStatementKeepsTheKey_data() {
        QTest::addColumn<QString>("statement");
        QTest::newRow("blank") << kSet + "a b old1";
        QTest::newRow("semicolon") << kSet + "a;b old1";
        QTest::newRow("too long") << kSet + QString(21, QChar(u'z')) + " old1";
        QTest::newRow("wrong old password") << kSet + "new1 wrong";
        QTest::newRow("set on a protected base") << kSet + "new1_=";
        QTest::newRow("remove with wrong password")
            << QStringLiteral("ALTER Database Password_=old2");
    }
    void refusedOrWrongStatementKeepsTheKey() {
        QFETCH(QString, statement);
        const QString path = makeBase(folder_, QStringLiteral("refuse.mdb"), 2);
        qb::Connection editor;
        editor.setMode(qb::kModeShareExclusive);
        editor.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        editor.execute(kSet + QStringLiteral("old1_="));
        try {
            editor.execute(statement);
            QFAIL("the statement must fail");
        } catch (const qb::Error& error) {
            QCOMPARE(error.code(), qb::kGeneralFailure);
        }
        editor.close();
        QCOMPARE(openWith(path, QStringLiteral("old1")), QStringLiteral("opened 2"));
        QFile::remove(path);
    }

    void passwordIsNormalisedBeforeKeying() {
        const QString path = makeBase(folder_, QStringLiteral("nfc.mdb"), 1);
        const QString composed = QStringLiteral("ёлка");
        const QString decomposed = composed.normalized(QString::NormalizationForm_D);
        QVERIFY(composed != decomposed);
        qb::Connection editor;
        editor.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        editor.execute(kSet + decomposed + QStringLiteral("_="));
        editor.close();
        QCOMPARE(openWith(path, composed), QStringLiteral("opened 1"));
    }

    void plainBaseGetsAPassword() {
        const QString path = folder_.path(QStringLiteral("plain.mdb"));
        {
            auto db = qb::sqlite::Database::open(path, true);
            db.exec(
                QStringLiteral("CREATE TABLE test (\"номер\" INTEGER PRIMARY KEY AUTOINCREMENT, "
                               "\"вопрос\" TEXT NOT NULL, \"верный\" INTEGER NOT NULL);"
                               "INSERT INTO test (\"вопрос\", \"верный\") VALUES ('Один', 1);"));
        }
        qb::Connection editor;
        editor.setMode(qb::kModeShareExclusive);
        editor.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        editor.execute(kSet + QStringLiteral("plain1_="));
        qb::Recordset rows;
        rows.openOn(editor, QStringLiteral("SELECT * FROM test"));
        QCOMPARE(rows.field(1).text(), QStringLiteral("Один"));
        QCOMPARE(openWith(path, QStringLiteral("plain1")),
                 QString::number(qb::kGeneralFailure, 16));
        editor.close();
        QCOMPARE(openWith(path, qb::kEmptyPasswordMarker), kAuth);
        QCOMPARE(openWith(path, QStringLiteral("plain1")), QStringLiteral("opened 1"));
        QFile raw(path);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QVERIFY(!raw.readAll().startsWith("SQLite format 3"));
    }

    void otherReadersOpenTheFileWithTheSameKey() {
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("sqlcipher"));
        if (tool.isEmpty())
            QSKIP("the sqlcipher command-line tool is not installed");
        const QString path = makeBase(folder_, QStringLiteral("cli.mdb"), 3);
        auto query = [&](const QString& keyPragma) {
            QProcess cli;
            cli.start(tool, {path});
            cli.write((keyPragma + QStringLiteral("\nSELECT count(*) FROM test;\n")).toUtf8());
            cli.closeWriteChannel();
            cli.waitForFinished(10000);
            return QString::fromUtf8(cli.readAllStandardOutput()).trimmed();
        };
        QCOMPARE(query(QStringLiteral(
                     "PRAGMA key = "
                     "\"x'94620bb22e1cdd9517897216a164baf79570e3c2a0fa9bd7a5344fe3dec858ab'\";")),
                 QStringLiteral("3"));
        qb::Connection editor;
        editor.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        editor.execute(kSet + QStringLiteral("Ключ7_="));
        editor.close();
        QCOMPARE(query(QStringLiteral("PRAGMA key = 'Ключ7';")), QStringLiteral("3"));
        QVERIFY(query(QStringLiteral("PRAGMA key = 'Ключ8';")) != QStringLiteral("3"));
    }
};

QTEST_GUILESS_MAIN(PasswordTest)
#include "tst_password.moc"
