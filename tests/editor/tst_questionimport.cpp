// "сервис" > "импорт вопросов": a new base from what the exporter and other programs write.

#include "editor/ui/editorwindow.h"
#include "exporter/core/docxwriter.h"
#include "exporter/core/exchangeexport.h"
#include "exporter/core/textexport.h"
#include "exporter/core/wordexport.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/recordset.h"
#include "tests/support/editorbases.h"
#include "tests/support/editorsession.h"
#include "tests/support/fulldisk.h"
#include "tests/support/picturefiles.h"
#include "tests/support/questionrows.h"

#include <QBuffer>
#include <QDir>
#include <QTest>

using testsupport::QuestionRow;

namespace {

enum class Via { MoodleXml, Gift, Aiken, Text, Word };

const QVariant none;

// Questions with Cyrillic, line breaks, GIFT's special characters, every option count and two
// pictures; every text fits Windows-1251, so the text export carries them too.
QString makeOriginal(const testsupport::TempFolder& folder) {
    const QString base = testsupport::makeQuestionBase(
        folder, "orig.mdb",
        {QuestionRow{{"Столица Франции?", "Лион", "Париж", "Ницца", none, none}, 2},
         QuestionRow{{"Сколько будет\r\nдва плюс два?", "3", "4", none, none, none}, 2},
         QuestionRow{{"Пять вариантов: {a} = ~b #c :d \\", "а", "б", "в", "г", "д"}, 5},
         QuestionRow{{"Кто написал «Онегина»?", "Пушкин", "Лермонтов", "Гоголь", "Чехов", none}, 1},
         QuestionRow{{"Три\r\nстроки\r\nвопроса", "да\r\nнет?", "нет", none, none, none}, 1}});
    auto raw = testsupport::openRaw(base);
    raw.exec("UPDATE test SET \"фото\" = 'img\\рис1.jpg' WHERE \"номер\" = 1");
    raw.exec("UPDATE test SET \"фото\" = 'img\\рис2.bmp' WHERE \"номер\" = 3");
    QDir(folder.folder()).mkdir("img");
    testsupport::writePicture(folder.path("img/рис1.jpg"), QSize(30, 20));
    testsupport::writePicture(folder.path("img/рис2.bmp"), QSize(8, 8));
    return base;
}

// The base written by the exporter in that form, with the right options marked.
void exportAs(Via via, const QString& base, const QString& out) {
    qb::Connection connection;
    connection.open(qb::connectionStringFor(base, qb::kEmptyPasswordMarker));
    qb::Recordset questions;
    questions.openOn(connection, QStringLiteral("SELECT * FROM test"));
    if (via == Via::Word) {
        exporter::DocxWriter writer(out);
        exporter::WordExportOptions options;
        options.basePath = base;
        options.markCorrect = true;
        options.fileExists = [](const QString& path) { return QFile::exists(path); };
        exporter::typeQuestions(questions, writer, options);
        writer.finish();
        return;
    }
    QFile file(out);
    QVERIFY(file.open(QIODevice::WriteOnly));
    if (via == Via::Text) {
        exporter::writeQuestionsText(questions, true, file);
        return;
    }
    exporter::ExchangeExportOptions options;
    options.format = via == Via::MoodleXml ? exchange::Format::MoodleXml
                     : via == Via::Gift    ? exchange::Format::Gift
                                           : exchange::Format::Aiken;
    options.basePath = base;
    exporter::writeExchange(questions, options, file);
}

// The file at the picture path of a row, read from beside its base.
QByteArray pictureOf(const QString& base, const QVariant& stored) {
    if (stored.isNull())
        return {};
    return testsupport::readBytes(QFileInfo(base).absolutePath() + "/" +
                                  stored.toString().replace('\\', '/'));
}

}  // namespace

Q_DECLARE_METATYPE(Via)

class TestQuestionImport : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void reportsWhatItLeavesOut_data();
    void reportsWhatItLeavesOut();
    void failedImportLeavesNothing();
};

// Exported by the exporter and imported again: the same questions, options, right answers and
// pictures, in a base that opens at its first question.
void TestQuestionImport::roundTrip_data() {
    QTest::addColumn<Via>("via");
    QTest::addColumn<bool>("pictures");
    QTest::addColumn<bool>("lineBreaks");
    QTest::newRow("moodle xml") << Via::MoodleXml << true << true;
    QTest::newRow("gift") << Via::Gift << false << true;
    QTest::newRow("aiken") << Via::Aiken << false << false;
    QTest::newRow("exporter text") << Via::Text << false << true;
    QTest::newRow("word") << Via::Word << true << true;
}

void TestQuestionImport::roundTrip() {
    QFETCH(Via, via);
    QFETCH(bool, pictures);
    QFETCH(bool, lineBreaks);
    testsupport::EditorSession session;
    const QString original = makeOriginal(session.folder);
    const QString source = session.folder.path("source");
    exportAs(via, original, source);
    QDir(session.folder.folder()).mkdir("new");
    const QString imported = session.folder.path("new/imported.mdb");

    session.dialogs.expectOpenFile(source).expectSaveFile(imported);
    session.trigger("importq");
    VERIFY_ALL_SHOWN(session.dialogs);
    QCOMPARE(session.dialogs.shown().first().title, "Откуда взять вопросы");
    QCOMPARE(session.caption(), "Вопрос № 1 из 5");

    session.path = imported;
    const QList<QVariantList> rows = session.rowsAfterClosing();
    const QList<QVariantList> expected = testsupport::readRows(original, "test");
    QCOMPARE(rows.size(), expected.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        for (int column = 1; column <= 6; ++column) {
            QString want = expected[i][column].toString();
            if (!lineBreaks)
                want.replace("\r\n", " ");
            QCOMPARE(rows[i][column].toString(), want);
        }
        QCOMPARE(rows[i][8], expected[i][8]);
        QCOMPARE(pictureOf(imported, rows[i][7]),
                 pictures ? pictureOf(original, expected[i][7]) : QByteArray());
    }
    if (via != Via::Text)
        return;
    // The new base's text export is the file it came from, byte for byte.
    const QString again = session.folder.path("again.txt");
    exportAs(Via::Text, imported, again);
    QCOMPARE(testsupport::readBytes(again), testsupport::readBytes(source));
}

// What a base cannot hold is left out with its place and reason; a source with nothing to take
// makes no base at all.
void TestQuestionImport::reportsWhatItLeavesOut_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("imported");  // -1: no base is made

    QTest::newRow("every reason")
        << ("Шесть?{=1 ~2 ~3 ~4 ~5 ~6}\n\nНет?{~а ~б}\n\nДва?{=а =б ~в}\n\nВерно.{T}\n\n" +
            QString(226, u'в').toUtf8() + "{=а ~б}\n\nДлинный{=" + QString(121, u'о').toUtf8() +
            " ~б}\n\nХороший?{=да ~нет}\n")
        << "Импортировано вопросов: 1 из 7.\n\n"
           "строка 1: больше пяти вариантов ответа (6)\n"
           "строка 3: нет верного ответа\n"
           "строка 5: несколько верных ответов\n"
           "строка 7: вопрос «верно или неверно», а не выбор ответа\n"
           "строка 9: вопрос длиннее 225 знаков (226)\n"
           "строка 11: вариант 1 длиннее 120 знаков (121)"
        << 1;
    QTest::newRow("nothing to take") << QByteArray("Верно.{T}\n")
                                     << "Ни один вопрос из файла нельзя взять в базу:\n"
                                        "строка 1: вопрос «верно или неверно», а не выбор ответа"
                                     << -1;
    QTest::newRow("not a source") << QByteArray("просто текст\n")
                                  << "Не удалось взять вопросы из файла.\nНе удалось узнать, как "
                                     "записаны вопросы: это не Moodle XML, не GIFT, не Aiken, не "
                                     "текст и не документ Word в том виде, в каком их выгружает "
                                     "Leina"
                                  << -1;
}

void TestQuestionImport::reportsWhatItLeavesOut() {
    QFETCH(QByteArray, source);
    QFETCH(QString, message);
    QFETCH(int, imported);
    testsupport::EditorSession session;
    const QString path = session.folder.path("source.gift");
    testsupport::writeBytes(path, source);
    const QString base = session.folder.path("new.mdb");
    session.dialogs.expectOpenFile(path);
    if (imported >= 0)
        session.dialogs.expectSaveFile(base);
    session.dialogs.expectMessage(message);
    session.trigger("importq");
    VERIFY_ALL_SHOWN(session.dialogs);
    QCOMPARE(session.dialogs.shown().last().title, "Tambris");
    QCOMPARE(QFile::exists(base), imported >= 0);
    if (imported >= 0)
        QCOMPARE(session.caption(), QStringLiteral("Вопрос № 1 из %1").arg(imported));
}

// A base that cannot be written leaves neither the base, nor its building file, nor the
// pictures and their folder behind.
void TestQuestionImport::failedImportLeavesNothing() {
    testsupport::EditorSession session;
    const QString original = makeOriginal(session.folder);
    const QString source = session.folder.path("source.xml");
    exportAs(Via::MoodleXml, original, source);
    QDir(session.folder.folder()).mkdir("new");
    const QString imported = session.folder.path("new/imported.mdb");

    testsupport::fulldisk::install();
    testsupport::fulldisk::fillFrom(3);
    session.dialogs.expectOpenFile(source).expectSaveFile(imported).expectMessage();
    session.trigger("importq");
    testsupport::fulldisk::fillFrom(0);
    VERIFY_ALL_SHOWN(session.dialogs);
    QVERIFY2(session.dialogs.messages().last().startsWith("Не удалось создать базу.\n"),
             qPrintable(session.dialogs.messages().last()));
    QCOMPARE(QDir(session.folder.path("new"))
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
    QVERIFY(session.caption().isEmpty());

    // With room on the disk the same import goes through.
    session.dialogs.expectOpenFile(source).expectSaveFile(imported);
    session.trigger("importq");
    VERIFY_ALL_SHOWN(session.dialogs);
    QCOMPARE(session.caption(), "Вопрос № 1 из 5");
}

QTEST_MAIN(TestQuestionImport)
#include "tst_questionimport.moc"
