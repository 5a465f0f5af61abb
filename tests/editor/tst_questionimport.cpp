// "сервис" > "импорт вопросов": a new base from what the exporter and other programs write.

#include "editor/core/importfolder.h"
#include "editor/core/questionimport.h"
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
#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

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

// A JPEG of its own for every seed: its pixels spell the seed. With `noise`, a large picture
// that no compression makes smaller.
QByteArray jpegOf(int seed, bool noise = false) {
    QImage image(noise ? QSize(800, 800) : QSize(16, 16), QImage::Format_RGB32);
    QRandomGenerator random(quint32(seed) + 1);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool bit = (seed >> ((y * 16 + x) % 31)) & 1;
            image.setPixel(x, y, noise ? random.generate() : (bit ? 0xffffffu : 0xff000000u));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", noise ? 100 : 90);
    return bytes;
}

// Everything in a folder, hidden entries included.
QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
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
    void picturesArriveOnceUnderNamesTheyFit_data();
    void picturesArriveOnceUnderNamesTheyFit();
    void stoppedOrKilledImportLeavesNothing();
    void plannedRowsKeepEveryCharacter();
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

// Every question keeps its picture, each distinct picture is one file in "img" whose name the
// picture column and the file system hold whole, and many pictures of one name take no longer
// than as many names.
void TestQuestionImport::picturesArriveOnceUnderNamesTheyFit_data() {
    QTest::addColumn<bool>("word");          // the exporter's Word document, else Moodle XML
    QTest::addColumn<QStringList>("names");  // the picture's name in each question
    QTest::addColumn<int>("distinct");       // question i shows picture i % distinct
    QTest::addColumn<QString>("firstStored");

    // 300 copies of a picture of more than a megabyte are more than a document may unpack.
    QTest::newRow("one picture in every question of a Word document")
        << true << QStringList(300, "общая.jpg") << 1 << "img\\image1.jpeg";
    const QString emoji = QString(103, u'а') + "😀😀😀😀😀";
    QTest::newRow("an emoji at the column's limit")
        << false << QStringList{emoji + ".jpg", emoji + ".jpg", "b.jpg"} << 3
        << "img\\" + QString(103, u'а') + "😀😀😀😀.jpg";
    QTest::newRow("a name longer than a file name may be")
        << false << QStringList{QString(150, u'字') + ".jpg", "b.jpg"} << 2
        << "img\\" + QString(83, u'字') + ".jpg";
    // Moodle names every pasted picture "image.png".
    QTest::newRow("many pictures of one name")
        << false << QStringList(2000, "image.jpg") << 2000 << "img\\image.jpg";
}

void TestQuestionImport::picturesArriveOnceUnderNamesTheyFit() {
    QFETCH(bool, word);
    QFETCH(QStringList, names);
    QFETCH(int, distinct);
    QFETCH(QString, firstStored);
    testsupport::EditorSession session;
    QList<QByteArray> pictures;
    for (int i = 0; i < distinct; ++i)
        pictures << jpegOf(i, word);
    const QString source = session.folder.path(word ? "source.docx" : "source.xml");
    if (word) {
        QList<QuestionRow> rows;
        for (qsizetype i = 0; i < names.size(); ++i)
            rows << QuestionRow{{QString("Вопрос %1?").arg(i), "да", "нет", none, none, none}, 1};
        const QString original = testsupport::makeQuestionBase(session.folder, "orig.mdb", rows);
        testsupport::openRaw(original).exec("UPDATE test SET \"фото\" = 'img\\" + names.first() +
                                            "'");
        QDir(session.folder.folder()).mkdir("img");
        testsupport::writeBytes(session.folder.path("img/" + names.first()), pictures.first());
        exportAs(Via::Word, original, source);
    } else {
        QList<exchange::Question> questions;
        for (qsizetype i = 0; i < names.size(); ++i) {
            questions << exchange::Question{
                QString("Вопрос %1").arg(i),
                QString("Что это %1?").arg(i),
                {"да", "нет"},
                0,
                exchange::Picture{names.at(i), pictures.at(i % distinct)}};
        }
        testsupport::writeBytes(source,
                                exchange::writeAll(exchange::Format::MoodleXml, {}, questions));
    }
    QDir(session.folder.folder()).mkdir("new");
    const QString imported = session.folder.path("new/imported.mdb");

    session.dialogs.expectOpenFile(source).expectSaveFile(imported);
    QElapsedTimer clock;
    clock.start();
    session.trigger("importq");
    const qint64 elapsed = clock.elapsed();
    VERIFY_ALL_SHOWN(session.dialogs);
    QCOMPARE(session.caption(), QString("Вопрос № 1 из %1").arg(names.size()));
    // Each new name was once found by trying every number from 2 up: seconds for this many.
    QVERIFY2(elapsed < 3000, qPrintable(QString::number(elapsed)));

    session.path = imported;
    const QList<QVariantList> rows = session.rowsAfterClosing();
    QCOMPARE(rows.size(), names.size());
    QCOMPARE(rows.first()[7].toString(), firstStored);
    QSet<QString> stored;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QString path = rows[i][7].toString();
        QVERIFY2(path.size() <= 120 && path.isValidUtf16(), qPrintable(path));
        QCOMPARE(pictureOf(imported, path), pictures.at(i % distinct));
        stored << path;
    }
    QCOMPARE(stored.size(), distinct);
    QCOMPARE(entriesOf(session.folder.path("new/img")).size(), distinct);
}

// "Остановить" in the progress box, or a kill that leaves its folder behind: no base, no
// picture in "img", and the next import clears what a dead import (of this version or an
// earlier one) left, but not what one still running holds.
void TestQuestionImport::stoppedOrKilledImportLeavesNothing() {
    testsupport::EditorSession session;
    const QString original = makeOriginal(session.folder);
    const QString source = session.folder.path("source.xml");
    exportAs(Via::MoodleXml, original, source);
    const QString target = session.folder.path("new");
    QDir(session.folder.folder()).mkdir("new");
    const editor::ImportPlan plan = editor::planImport(exchange::readSource(source));
    QCOMPARE(plan.rows.size(), 5);

    const auto running = std::make_unique<editor::ImportFolder>(QDir(target));
    const QStringList held = entriesOf(target);
    QCOMPARE(held.size(), 1);
    const QString dead = target + "/.tambris-import-00000000deadbeef";
    QVERIFY(QDir().mkpath(dead + "/img"));
    testsupport::writeBytes(dead + "/base.mdb-journal", "journal");
    testsupport::writeBytes(dead + "/рис1.jpg", "picture");

    // Stopped while the file is read, whatever its kind: nothing is written yet.
    for (const Via via : {Via::MoodleXml, Via::Gift}) {
        const QString read = session.folder.path(via == Via::Gift ? "stop.gift" : "stop.xml");
        exportAs(via, original, read);
        QVERIFY_THROWS_EXCEPTION(
            editor::ImportStopped,
            editor::planImportFile(read, [](int done, int) { return done == 0; }));
    }
    // Stopped in either half: once the pictures are written, and while the rows go in.
    for (const int stopAt : {2, 4}) {
        QVERIFY_THROWS_EXCEPTION(
            editor::ImportStopped,
            editor::createImportedBase(target + "/imported.mdb", plan,
                                       [&](int done, int) { return done < stopAt; }));
        QCOMPARE(entriesOf(target), held);
    }

    // Half-built bases of earlier versions: gone unless a process still holds one locked.
    const QString earlier = target + "/old.mdb.import-0123456789abcdef";
    testsupport::writeBytes(earlier, "base");
    testsupport::writeBytes(earlier + "-journal", "journal");
    const QString earlierHeld = "held.mdb.import-fedcba9876543210";
    testsupport::writeBytes(target + "/" + earlierHeld, "base");
    const int heldFd = ::open(QFile::encodeName(target + "/" + earlierHeld), O_RDWR);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    QCOMPARE(::fcntl(heldFd, F_OFD_SETLK, &lock), 0);
    const QString notOurs = "notes.import-0123456789abcdef.txt";
    testsupport::writeBytes(target + "/" + notOurs, "notes");

    session.dialogs.expectOpenFile(source).expectSaveFile(target + "/imported.mdb");
    session.trigger("importq");
    VERIFY_ALL_SHOWN(session.dialogs);
    QCOMPARE(session.caption(), "Вопрос № 1 из 5");
    QStringList expected = held + QStringList{"img", "imported.mdb", earlierHeld, notOurs};
    expected.sort();
    QCOMPARE(entriesOf(target), expected);
    ::close(heldFd);
}

// The plan keeps a row a byte a character when Windows-1251 has every character of it, and
// as UTF-8 otherwise; either way the base gets exactly the row that was planned, across the
// blocks a large plan fills.
void TestQuestionImport::plannedRowsKeepEveryCharacter() {
    // The first six are all Windows-1251 has of them.
    const QStringList pieces{"Вопрос", "ёЁ№€«»", "a\r\nb", " ",    "\u00A0", "—",
                             "é",      "😀",      "\uFFFD", "中文", "ΩΣ",     "\u0098"};
    QRandomGenerator random(7);
    bool narrow = false;
    const auto field = [&](int length) {
        QString text;
        while (text.size() < length)
            text += pieces.at(random.bounded(narrow ? 6 : int(pieces.size())));
        return text;
    };
    QList<editor::ImportPlan::Row> rows{
        {"Столица Франции?", {"Лион", "Париж"}, 2, -1},
        {"Смайлик", {"😀", "нет"}, 1, 0},
        {"Кириллица и é", {"да", "нет", "Ё"}, 3, -1},
    };
    // Wide rows of up to 825 characters fill more than one block of a mebibyte.
    for (int i = 0; i < 4000; ++i) {
        narrow = i % 2;
        editor::ImportPlan::Row row{field(1 + random.bounded(225)), {}, 1, i % 3 - 1};
        for (int k = 0, n = 2 + random.bounded(4); k < n; ++k)
            row.options << field(random.bounded(120));
        row.correct = 1 + random.bounded(int(row.options.size()));
        rows << row;
    }
    editor::ImportPlan::Rows planned;
    for (const editor::ImportPlan::Row& row : std::as_const(rows))
        planned.append(row);
    QCOMPARE(planned.size(), rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const editor::ImportPlan::Row row = planned.at(i);
        QCOMPARE(row.text, rows[i].text);
        QCOMPARE(row.options, rows[i].options);
        QCOMPARE(row.correct, rows[i].correct);
        QCOMPARE(row.picture, rows[i].picture);
    }
}

QTEST_MAIN(TestQuestionImport)
#include "tst_questionimport.moc"
