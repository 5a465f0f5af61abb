#include "bench/qbtool/importer.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"
#include "tests/support/tempbase.h"

#include <QFile>
#include <QImage>
#include <QTest>

namespace {

const QByteArray kDrawing =
    "{'draw': 'img/круг.jpg', 'size': [120, 80], 'background': '#ffffff', 'shapes': ["
    "{'ellipse': [10, 10, 100, 60], 'fill': '#ff0000'}, {'line': [[0, 0], [120, 80]]},"
    "{'text': 'А', 'at': [50, 50], 'size': 20}]}";

// Sources are written with ' for " to keep them readable here.
QString writeSource(const testsupport::TempFolder& folder, QByteArray text) {
    text.replace('\'', '"');
    const QString path = folder.path(QStringLiteral("source.jsonl"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        qFatal("cannot write the source");
    return path;
}

}  // namespace

class SampleImportTest : public QObject {
    Q_OBJECT

private slots:
    void questionsSettingsAndPicturesLandInTheBase() {
        testsupport::TempFolder folder;
        const QByteArray source =
            "# a comment, then a blank line\n\n"
            "{'settings': {'description': 'Проба', 'seconds': 120, 'per': 'вопрос'}}"
            "\n" +
            kDrawing + "\n" +
            "{'question': 'Первый\\nвопрос?', 'options': ['да', 'нет'], 'correct': 2, 'picture': "
            "'img/круг.jpg'}"
            "\n"
            "{'question': 'Второй?', 'options': ['а', 'б', 'в', 'г', 'д'], 'correct': 5}"
            "\n";
        const QString base = folder.path(QStringLiteral("проба.mdb"));
        qbtool::importBase(writeSource(folder, source), base, {});

        const QImage picture(folder.path(QStringLiteral("img/круг.jpg")));
        QCOMPARE(picture.size(), QSize(120, 80));
        // The ellipse's fill is drawn, not just the white background.
        QVERIFY(qRed(picture.pixel(30, 40)) > 200 && qGreen(picture.pixel(30, 40)) < 80);

        qb::Connection connection;
        connection.open(qb::connectionStringFor(base, qb::kEmptyPasswordMarker));
        qb::Recordset rows;
        rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
        QCOMPARE(rows.recordCount(), 2);
        QCOMPARE(rows.field(QStringLiteral("вопрос")).value().toString(),
                 QStringLiteral("Первый\r\nвопрос?"));
        QCOMPARE(rows.field(QStringLiteral("ответ2")).value().toString(), QStringLiteral("нет"));
        QCOMPARE(rows.field(QStringLiteral("ответ3")).actualSize(), 0);
        QCOMPARE(rows.field(QStringLiteral("фото")).value().toString(),
                 QStringLiteral("img\\круг.jpg"));
        QCOMPARE(rows.field(QStringLiteral("верный")).value().toInt(), 2);
        rows.moveNext();
        QCOMPARE(rows.field(QStringLiteral("ответ5")).value().toString(), QStringLiteral("д"));
        QCOMPARE(rows.field(QStringLiteral("фото")).actualSize(), 0);
        QCOMPARE(rows.field(QStringLiteral("верный")).value().toInt(), 5);

        qb::Recordset info;
        info.openOn(connection, QStringLiteral("SELECT * FROM info"));
        QCOMPARE(info.recordCount(), 1);
        QCOMPARE(info.field(QStringLiteral("инфо")).value().toString(), QStringLiteral("Проба"));
        QCOMPARE(info.field(QStringLiteral("время")).value().toInt(), 120);
        QCOMPARE(info.field(QStringLiteral("ВремяНа")).value().toString(),
                 QStringLiteral("вопрос"));
    }

    void passwordCopyOpensOnlyWithItsPassword() {
        testsupport::TempFolder folder;
        const QString source =
            writeSource(folder, "{'question': 'Да?', 'options': ['да', 'нет'], 'correct': 1}");
        const QString base = folder.path(QStringLiteral("secret.mdb"));
        qbtool::importBase(source, base, {QStringLiteral("тайна7")});

        qb::Connection connection;
        try {
            connection.open(qb::connectionStringFor(base, qb::kEmptyPasswordMarker));
            QFAIL("the protected base opened without its password");
        } catch (const qb::Error& error) {
            QCOMPARE(error.code(), qb::kAuthenticationFailed);
        }
        connection.open(qb::connectionStringFor(base, QStringLiteral("тайна7")));
        qb::Recordset rows;
        rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
        QCOMPARE(rows.recordCount(), 1);
    }

    void faultySourcesAreRefusedAndLeaveNoBase_data() {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("message");
        const QByteArray ok = "{'question': 'Да?', 'options': ['да', 'нет'], 'correct': 1}";
        QTest::newRow("broken json") << ok + "\n{\"question\": "
                                     << "line 2:";
        QTest::newRow("unknown kind") << ok + "\n{\"answer\": 1}"
                                      << "line 2:";
        QTest::newRow("one option")
            << QByteArray("{'question': 'Да?', 'options': ['да'], 'correct': 1}") << "line 1:";
        QTest::newRow("six options")
            << QByteArray("{'question': 'Да?', 'options': ['1','2','3','4','5','6'], 'correct': 1}")
            << "line 1:";
        QTest::newRow("correct past the options")
            << QByteArray("{'question': 'Да?', 'options': ['да', 'нет'], 'correct': 3}")
            << "line 1:";
        QTest::newRow("correct not whole")
            << QByteArray("{'question': 'Да?', 'options': ['да', 'нет'], 'correct': 1.5}")
            << "line 1:";
        QTest::newRow("empty question")
            << QByteArray("{'question': ' ', 'options': ['да', 'нет'], 'correct': 1}") << "line 1:";
        QTest::newRow("picture not drawn") << ok + "\n" +
                                                  "{'question': 'Да?', 'options': ['да', 'нет'], "
                                                  "'correct': 1, 'picture': 'img/нет.jpg'}"
                                           << "line 2:";
        QTest::newRow("picture outside the folder")
            << QByteArray("{'draw': '../x.jpg', 'size': [10, 10], 'shapes': []}") + "\n" + ok
            << "line 1:";
        QTest::newRow("picture the programs do not show")
            << QByteArray("{'draw': 'x.png', 'size': [10, 10], 'shapes': []}") + "\n" + ok
            << "line 1:";
        QTest::newRow("unknown shape")
            << QByteArray("{'draw': 'x.jpg', 'size': [10, 10], 'shapes': [{'star': 5}]}") + "\n" +
                   ok
            << "line 1:";
        QTest::newRow("bad colour")
            << QByteArray(
                   "{'draw': 'x.jpg', 'size': [10, 10], 'background': 'синий', 'shapes': []}") +
                   "\n" + ok
            << "line 1:";
        QTest::newRow("settings twice")
            << QByteArray("{'settings': {}}") + "\n" + "{'settings': {}}" + "\n" + ok << "line 2:";
        QTest::newRow("time out of range")
            << QByteArray("{'settings': {'seconds': 40000}}") + "\n" + ok << "line 1:";
        QTest::newRow("no questions") << QByteArray("# nothing\n") << "no questions";
        // Passes the source checks; the data layer refuses it while the base is being written.
        QTest::newRow("question longer than the column")
            << ok + "\n" + "{'question': '" + QString(226, u'ж').toUtf8() +
                   "', 'options': ['да', 'нет'], 'correct': 1}"
            << "line 2:";
    }

    void faultySourcesAreRefusedAndLeaveNoBase() {
        QFETCH(QByteArray, source);
        QFETCH(QString, message);
        testsupport::TempFolder folder;
        const QString base = folder.path(QStringLiteral("bad.mdb"));
        try {
            qbtool::importBase(writeSource(folder, source), base, {});
            QFAIL("the source was accepted");
        } catch (const qbtool::ImportError& error) {
            QVERIFY2(QString::fromUtf8(error.what()).contains(message), error.what());
        }
        QVERIFY(!QFile::exists(base));
    }

    void anExistingFileIsNotOverwritten() {
        testsupport::TempFolder folder;
        const QString base = folder.path(QStringLiteral("there.mdb"));
        {
            QFile file(base);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("keep me");
        }
        const QString source =
            writeSource(folder, "{'question': 'Да?', 'options': ['да', 'нет'], 'correct': 1}");
        QVERIFY_THROWS_EXCEPTION(qb::Error, qbtool::importBase(source, base, {}));
        QFile file(base);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep me"));
    }
};

QTEST_MAIN(SampleImportTest)
#include "tst_sampleimport.moc"
