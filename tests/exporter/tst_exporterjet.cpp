// Bases made by the old Windows programs, in the exporter: opened like ours (password prompts
// included), and exported to text byte for byte as the same questions in our format.

#include "desktop/scripted/scripteddialogs.h"
#include "exporter/core/exchangeexport.h"
#include "exporter/core/textexport.h"
#include "exporter/ui/chtenie.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/jet/jetconvert.h"
#include "questionbase/recordset.h"
#include "tests/support/jetfixtures.h"
#include "tests/support/tempbase.h"
#include "tests/support/useractions.h"

#include <QBuffer>
#include <QCheckBox>
#include <QFile>
#include <QTest>

Q_DECLARE_METATYPE(exchange::Format)

namespace {

QByteArray textExport(const QString& path, const QString& password, bool marks) {
    qb::Connection connection;
    connection.open(qb::connectionStringFor(path, password));
    qb::Recordset questions;
    questions.openOn(connection, QStringLiteral("SELECT * FROM test"));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    exporter::writeQuestionsText(questions, marks, buffer);
    return buffer.data();
}

// The export to another format, with the report's text after the file's bytes.
QByteArray exchangeExport(const QString& path, const QString& password, exchange::Format format) {
    qb::Connection connection;
    connection.open(qb::connectionStringFor(path, password));
    qb::Recordset questions;
    questions.openOn(connection, QStringLiteral("SELECT * FROM test"));
    exporter::ExchangeExportOptions options;
    options.format = format;
    options.basePath = path;
    options.description = exporter::testDescription(connection);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const auto report = exporter::writeExchange(questions, options, buffer);
    return buffer.data() + "\n----\n" + exporter::reportText(report).toUtf8();
}

}  // namespace

class ExporterJetTest : public QObject {
    Q_OBJECT
    testsupport::TempFolder folder_;

private slots:
    void textExportMatchesTheConvertedBase_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("marks");
        QTest::newRow("plain, marks") << "plain.mdb"
                                      << "_=" << true;
        QTest::newRow("plain, no marks") << "plain.mdb"
                                         << "_=" << false;
        QTest::newRow("upper-case column") << "upper.mdb"
                                           << "_=" << true;
        QTest::newRow("protected") << "secret.mdb"
                                   << "тест1" << true;
        QTest::newRow("20-character password") << "secret20.mdb"
                                               << "Пароль-20-символов!!" << true;
    }
    void textExportMatchesTheConvertedBase() {
        QFETCH(QString, fixture);
        QFETCH(QString, password);
        QFETCH(bool, marks);
        const QString jet = testsupport::jetFixture(fixture);
        const QString ours = folder_.path(QStringLiteral("%1-%2.mdb").arg(fixture).arg(marks));
        qb::convertJetBase(jet, password, ours);
        const QByteArray fromJet = textExport(jet, password, marks);
        QCOMPARE(fromJet, textExport(ours, password, marks));
        // Five questions, each closed by its separator line.
        QCOMPARE(fromJet.count("\r\n  \r\n"), 5);
        // Latin-1 "café": é has no place in Windows-1251; read as Windows-1251 it would be "й".
        QVERIFY(fromJet.contains(QByteArray("caf?")));
        QCOMPARE(fromJet.contains("* "), marks);
    }

    // The other formats read an old base as they read its converted copy, settings included.
    void exchangeExportMatchesTheConvertedBase_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<exchange::Format>("format");
        QTest::addColumn<QByteArray>("description");
        const QByteArray info = "Итоговый тест «Природа и человек», 5 класс";
        QTest::newRow("moodle xml") << "plain.mdb" << exchange::Format::MoodleXml << info;
        QTest::newRow("gift") << "plain.mdb" << exchange::Format::Gift << info;
        QTest::newRow("aiken, no info table")
            << "noinfo.mdb" << exchange::Format::Aiken << QByteArray();
        QTest::newRow("gift, empty info row")
            << "infonull.mdb" << exchange::Format::Gift << QByteArray();
    }
    void exchangeExportMatchesTheConvertedBase() {
        QFETCH(QString, fixture);
        QFETCH(exchange::Format, format);
        QFETCH(QByteArray, description);
        const QString jet = testsupport::jetFixture(fixture);
        const QString ours = folder_.path(fixture);
        if (!QFile::exists(ours))
            qb::convertJetBase(jet, QStringLiteral("_="), ours);
        const QByteArray fromJet = exchangeExport(jet, QStringLiteral("_="), format);
        QCOMPARE(fromJet, exchangeExport(ours, QStringLiteral("_="), format));
        QVERIFY(fromJet.contains("café"));
        QVERIFY(fromJet.contains("H₂O"));
        QCOMPARE(fromJet.contains("Итоговый тест"), !description.isEmpty());
        if (format != exchange::Format::MoodleXml)
            return;
        QVERIFY(fromJet.contains(description));
        QCOMPARE(fromJet.count("<question type=\"multichoice\">"), 5);
    }

    void exporterAsksForTheJetPassword() {
        const QString copy = folder_.path(QStringLiteral("secret.mdb"));
        QVERIFY(QFile::copy(testsupport::jetFixture(QStringLiteral("secret.mdb")), copy));
        desktop::ScriptedDialogs dialogs;
        desktop::ScriptedServices services;
        services.folder = folder_.folder();
        exporter::Chtenie window(dialogs, services);
        dialogs.expectOpenFile(copy).expectPassword(QStringLiteral("тест1"),
                                                    QStringLiteral("Введите пароль"));
        testsupport::triggerAction(window, QStringLiteral("opba"));
        QVERIFY(window.questions().isOpen());
        QCOMPARE(window.failedOpens(), qint16(1));

        const QString out = folder_.path(QStringLiteral("secret.txt"));
        dialogs.expectSaveFile(out);
        testsupport::clickButton(window, QStringLiteral("savtext"));
        QFile text(out);
        QVERIFY(text.open(QIODevice::ReadOnly));
        QCOMPARE(text.readAll(), textExport(copy, QStringLiteral("тест1"), false));
        VERIFY_ALL_SHOWN(dialogs);
    }
};

QTEST_MAIN(ExporterJetTest)
#include "tst_exporterjet.moc"
