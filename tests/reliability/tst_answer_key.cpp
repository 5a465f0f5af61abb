// The file of a base holds none of its texts in any encoding a student's tools would try:
// with a password and with the built-in key alike.

#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/recordset.h"
#include "questionbase/sqlite.h"
#include "tests/support/tempbase.h"

#include <QFile>
#include <QtTest>

#include <iconv.h>

namespace {

const QStringList kTexts = {QStringLiteral("Столица Австралии — Канберра"),
                            QStringLiteral("Канберра"),
                            QStringLiteral("Сидней"),
                            QStringLiteral("Мельбурн"),
                            QStringLiteral("карты\\австралия.jpg"),
                            QStringLiteral("Secret answer B")};

QByteArray windows1251(const QString& text) {
    QByteArray utf8 = text.toUtf8();
    QByteArray out(utf8.size() * 2 + 4, '\0');
    iconv_t cd = iconv_open("WINDOWS-1251", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    char* in = utf8.data();
    size_t inLeft = static_cast<size_t>(utf8.size());
    char* o = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    out.truncate(out.size() - static_cast<qsizetype>(outLeft));
    return out;
}

QList<QByteArray> encodings(const QString& text) {
    QByteArray utf16(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return {text.toUtf8(), utf16, windows1251(text)};
}

// Texts found in the raw bytes of the file, with the encoding they were found in.
QStringList foundTexts(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<file not readable>")};
    const QByteArray bytes = file.readAll();
    QStringList found;
    const char* names[] = {"UTF-8", "UTF-16LE", "Windows-1251"};
    for (const QString& text : kTexts) {
        const QList<QByteArray> forms = encodings(text);
        for (int i = 0; i < forms.size(); ++i) {
            if (!forms[i].isEmpty() && bytes.contains(forms[i]))
                found << QStringLiteral("%1 (%2)").arg(text, QLatin1String(names[i]));
        }
    }
    return found;
}

void fill(const QString& path, const QString& password) {
    qb::Connection connection;
    connection.setMode(qb::kModeShareExclusive);
    connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
    qb::Recordset rows;
    rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
    rows.moveFirst();
    const QStringList columns = {QStringLiteral("вопрос"), QStringLiteral("ответ1"),
                                 QStringLiteral("ответ2"), QStringLiteral("ответ3"),
                                 QStringLiteral("фото"),   QStringLiteral("ответ4")};
    for (int i = 0; i < columns.size(); ++i)
        rows.field(columns[i]).setValue(kTexts[i]);
    rows.update();
    if (password != qb::kEmptyPasswordMarker)
        connection.execute(QStringLiteral("ALTER Database Password ") + password +
                           qb::kEmptyPasswordMarker);
}

}  // namespace

class AnswerKey : public QObject {
    Q_OBJECT

private slots:
    void searchFindsTextsInAPlainFile();
    void encryptedFileHoldsNoText_data();
    void encryptedFileHoldsNoText();
};

// The search itself works: an unencrypted SQLite file with the same texts gives every one of
// them away in UTF-8 and in UTF-16.
void AnswerKey::searchFindsTextsInAPlainFile() {
    testsupport::TempFolder folder;
    const QString path = folder.path(QStringLiteral("открытая.db"));
    {
        qb::sqlite::Database db = qb::sqlite::Database::open(path, true);
        db.exec(QStringLiteral("CREATE TABLE t (a TEXT, b BLOB)"));
        for (const QString& text : kTexts) {
            qb::sqlite::Statement insert(db, QStringLiteral("INSERT INTO t VALUES (?, ?)"));
            insert.bind(1, text);
            insert.bind(2,
                        QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2));
            insert.step();
        }
    }
    QCOMPARE(foundTexts(path).size(), 2 * kTexts.size() + 1);  // + the ASCII text in Windows-1251
}

void AnswerKey::encryptedFileHoldsNoText_data() {
    QTest::addColumn<QString>("password");
    QTest::newRow("password") << QStringLiteral("ключ2024");
    QTest::newRow("built-in key") << qb::kEmptyPasswordMarker;
}

void AnswerKey::encryptedFileHoldsNoText() {
    QFETCH(QString, password);
    testsupport::TempFolder folder;
    const QString path = testsupport::makeBase(folder, QStringLiteral("контрольная.mdb"), 30);
    fill(path, password);
    QCOMPARE(foundTexts(path), QStringList());
    // The saved texts are really in there, behind the key.
    qb::Connection connection;
    connection.open(qb::connectionStringFor(path, password));
    qb::Recordset rows;
    rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
    rows.moveFirst();
    QCOMPARE(rows.field(QStringLiteral("вопрос")).value().toString(), kTexts[0]);
    QVERIFY(!QFile::exists(path + QStringLiteral("-journal")) ||
            foundTexts(path + QStringLiteral("-journal")).isEmpty());
}

QTEST_GUILESS_MAIN(AnswerKey)
#include "tst_answer_key.moc"
