// Passwords and question texts a user can type or paste: each is accepted whole or refused
// cleanly, and a refusal leaves the base and the row as they were.

#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"
#include "questionbase/sqlitestore.h"
#include "questionbase/steps.h"
#include "tests/support/tempbase.h"

#include <QtTest>

namespace {

const QString kStatement = QStringLiteral("ALTER Database Password");

qb::SqliteStore::Key keyInForce(const QString& path, const QString& password) {
    qb::Connection connection;
    connection.open(qb::connectionStringFor(path, password));
    return dynamic_cast<qb::SqliteStore&>(connection.store()).key();
}

QString astral(int count) {
    QString text;
    for (int i = 0; i < count; ++i)
        text += QString::fromUcs4(U"\U0001D11E", 1);  // two UTF-16 code units each
    return text;
}

}  // namespace

class HostileText : public QObject {
    Q_OBJECT

private slots:
    void passwords_data();
    void passwords();
    void markerIsNeverStoredAsPassword();
    void textLimits_data();
    void textLimits();
};

void HostileText::passwords_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("semicolon") << QStringLiteral("a;b") << false;
    QTest::newRow("blank") << QStringLiteral("a b") << false;
    QTest::newRow("tab") << QStringLiteral("a\tb") << false;
    QTest::newRow("marker inside") << QStringLiteral("a_=b") << false;
    QTest::newRow("21 characters") << QStringLiteral("абвгдежзийклмнопрсту") + u'ф' << false;
    QTest::newRow("NUL") << QStringLiteral("ab") + QChar(u'\0') + u'c' << false;
    QTest::newRow("line break") << QStringLiteral("a\r\nb") << false;
    QTest::newRow("20 characters") << QStringLiteral("абвгдежзийклмнопрст") + u'у' << true;
    QTest::newRow("equals") << QStringLiteral("a=b") << true;
    QTest::newRow("quotes") << QStringLiteral("'a\"b'") << true;
    QTest::newRow("underscore, equals apart") << QStringLiteral("_a=") << true;
    QTest::newRow("right to left") << QStringLiteral("שלום") << true;
}

// On a base without a password (set) and on one with a password (change): a refused password
// is a general failure and the key in force stays; an accepted one opens the base afterwards.
void HostileText::passwords() {
    QFETCH(QString, password);
    QFETCH(bool, accepted);
    testsupport::TempFolder folder;
    const QString open = testsupport::makeBase(folder, QStringLiteral("без пароля.mdb"), 2);
    const QString locked = testsupport::makeBase(folder, QStringLiteral("с паролем.mdb"), 2);
    const QString old = QStringLiteral("старый");
    {
        qb::Connection connection;
        connection.open(qb::connectionStringFor(locked, qb::kEmptyPasswordMarker));
        connection.execute(kStatement + u' ' + old + qb::kEmptyPasswordMarker);
    }

    struct Case {
        QString path, current, statement;
    };
    const Case cases[] = {
        {open, qb::kEmptyPasswordMarker, kStatement + u' ' + password + qb::kEmptyPasswordMarker},
        {locked, old, kStatement + u' ' + password + u' ' + old},
    };
    for (const Case& c : cases) {
        const auto keyBefore = keyInForce(c.path, c.current);
        bool refused = false;
        {
            qb::Connection connection;
            connection.setMode(qb::kModeShareExclusive);
            connection.open(qb::connectionStringFor(c.path, c.current));
            try {
                connection.execute(c.statement);
            } catch (const qb::Error& error) {
                refused = true;
                QCOMPARE(error.code(), qb::kGeneralFailure);
                QCOMPARE(error.reason(), qb::Reason::Refused);
            }
        }
        QCOMPARE(!refused, accepted);
        if (accepted) {
            QCOMPARE(keyInForce(c.path, password), qb::SqliteStore::Key::Password);
            QVERIFY_THROWS_EXCEPTION(qb::Error, keyInForce(c.path, qb::kEmptyPasswordMarker));
        } else {
            QCOMPARE(keyInForce(c.path, c.current), keyBefore);
        }
    }
}

// "_=" in place of the new password reads as "no password": the statement may be taken as a
// no-op or refused, but the marker itself never becomes a key.
void HostileText::markerIsNeverStoredAsPassword() {
    testsupport::TempFolder folder;
    const QString path = testsupport::makeBase(folder, QStringLiteral("маркер.mdb"), 1);
    for (const QString& statement :
         {kStatement + QStringLiteral(" _=_="), kStatement + QStringLiteral(" _= _="),
          kStatement + QStringLiteral("_=_=")}) {
        qb::Connection connection;
        connection.setMode(qb::kModeShareExclusive);
        connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        qb::skipIfFails([&] { connection.execute(statement); });
        connection.close();
        QCOMPARE(keyInForce(path, qb::kEmptyPasswordMarker), qb::SqliteStore::Key::BuiltIn);
    }
}

void HostileText::textLimits_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");

    const struct {
        const char* table;
        const char* column;
        int limit;
    } columns[] = {{"test", "вопрос", 225}, {"test", "ответ1", 120}, {"test", "ответ5", 120},
                   {"test", "фото", 120},   {"info", "инфо", 150},   {"info", "ВремяНа", 20}};
    for (const auto& c : columns) {
        const QString table = QString::fromUtf8(c.table);
        const QString column = QString::fromUtf8(c.column);
        const int odd = c.limit % 2;
        QTest::addRow("%s at its limit", c.column)
            << table << column << QString(c.limit, u'ы') << true;
        QTest::addRow("%s one over", c.column)
            << table << column << QString(c.limit + 1, u'ы') << false;
        QTest::addRow("%s astral at the limit", c.column)
            << table << column << astral(c.limit / 2) + QString(odd, u'x') << true;
        QTest::addRow("%s astral one unit over", c.column)
            << table << column << astral(c.limit / 2) + QString(odd + 1, u'x') << false;
        QTest::addRow("%s NUL", c.column)
            << table << column << QStringLiteral("до") + QChar(u'\0') + QStringLiteral("после")
            << false;
    }
    QTest::newRow("вопрос right to left")
        << QStringLiteral("test") << QStringLiteral("вопрос")
        << QStringLiteral("מה השעה? \u202Eобратно\u202C ما هذا") << true;
    QTest::newRow("вопрос CR LF and tab") << QStringLiteral("test") << QStringLiteral("вопрос")
                                          << QStringLiteral("а\r\nб\tв") << true;
    QTest::newRow("верный numeric text")
        << QStringLiteral("test") << QStringLiteral("верный") << QStringLiteral("4") << true;
    QTest::newRow("верный not a number")
        << QStringLiteral("test") << QStringLiteral("верный") << QStringLiteral("четыре") << false;
    QTest::newRow("верный over 32 bits") << QStringLiteral("test") << QStringLiteral("верный")
                                         << QStringLiteral("2147483648") << false;
}

// The whole save: every other field gets a new value, then the one under test; after update
// and reopening, a refused value has left the field's old value (not a cut one) and the others
// are stored.
void HostileText::textLimits() {
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QString, text);
    QFETCH(bool, accepted);

    testsupport::TempFolder folder;
    const QString path = testsupport::makeBase(folder, QStringLiteral("тексты.mdb"), 1);
    const QString other =
        table == QLatin1String("test") ? QStringLiteral("ответ2") : QStringLiteral("время");
    QVariant oldValue;
    {
        qb::Connection connection;
        connection.setMode(qb::kModeShareExclusive);
        connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        qb::Recordset rows;
        rows.openOn(connection, QStringLiteral("SELECT * FROM ") + table);
        if (rows.recordCount() == 0) {
            rows.addNew();
            rows.field(column).setValue(column == QLatin1String("ВремяНа")
                                            ? QStringLiteral("тест")
                                            : QStringLiteral("прежнее"));
            rows.update();
        }
        rows.moveFirst();
        if (rows.field(column).value().isNull()) {
            rows.field(column).setValue(QStringLiteral("прежнее"));
            rows.update();
        }
        oldValue = rows.field(column).value();
        rows.field(other).setValue(QStringLiteral("7"));
        bool refused = false;
        try {
            rows.field(column).setValue(text);
        } catch (const qb::Error& error) {
            refused = true;
            QCOMPARE(error.code(), qb::kGeneralFailure);
            QCOMPARE(error.reason(), qb::Reason::Refused);
        }
        QCOMPARE(!refused, accepted);
        QCOMPARE(rows.field(column).value().toString(), accepted ? text : oldValue.toString());
        rows.update();
    }
    qb::Connection connection;
    connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
    qb::Recordset rows;
    rows.openOn(connection, QStringLiteral("SELECT * FROM ") + table);
    rows.moveFirst();
    QCOMPARE(rows.field(column).value().toString(), accepted ? text : oldValue.toString());
    QCOMPARE(rows.field(other).value().toString(), QStringLiteral("7"));
}

QTEST_GUILESS_MAIN(HostileText)
#include "tst_hostile_text.moc"
