// The Word export end to end: the calls it makes on a session, and the document the exporter
// window gets from opword.

#include "desktop/scripted/scripteddialogs.h"
#include "desktop/services.h"
#include "exporter/core/wordexport.h"
#include "exporter/core/wordsession.h"
#include "exporter/ui/opword.h"
#include "questionbase/catalog.h"
#include "questionbase/columns.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/recordset.h"
#include "tests/support/docxpackage.h"
#include "tests/support/questionrows.h"
#include "tests/support/tempbase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using exporter::RecordingWordSession;

using testsupport::OpenBase;

namespace {

// вопрос, ответ1…ответ5, фото and верный of one row; an empty string is stored as empty text.
struct Row {
    QStringList fields;  // up to 7: question, five options, picture
    int correct = 1;
};

QString makeRows(const testsupport::TempFolder& folder, const QList<Row>& rows) {
    const QString path = folder.path(QStringLiteral("база.mdb"));
    qb::Catalog::create(qb::creationStringFor(path));
    qb::Connection connection;
    connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
    qb::Recordset recordset;
    recordset.openOn(connection, QStringLiteral("SELECT * FROM test"));
    for (const Row& row : rows) {
        recordset.addNew();
        for (int position = 1; position <= 7; ++position)
            recordset.field(position).setValue(
                QString(row.fields.value(position - 1) + QStringLiteral("")));
        recordset.field(QStringLiteral("верный")).setValue(row.correct);
        recordset.update();
    }
    return path;
}

void writeJpeg(const QString& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QVERIFY(image.save(path, "JPG"));
}

// Writes a file of the made-up desktop below `root`.
void writeText(const QString& root, const QString& relative, const QByteArray& text) {
    const QString path = root + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QByteArray desktopEntry(const QByteArray& name, const QByteArray& types) {
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=true %U\nMimeType=" + types +
           "\n";
}

const QStringList kOpening = {QStringLiteral("Caption Вопросы"),
                              QStringLiteral("StatusBar Пожалуйста, подождите..."),
                              QStringLiteral("ParagraphFormat 0 0 100001")};

}  // namespace

class WordExportTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void desktopApplicationForTheDocument_data();
    void desktopApplicationForTheDocument();
    void callSequence_data();
    void callSequence();
    void pictures_data();
    void pictures();
    void noBaseOrNoQuestionsBuildsNothing();
    void exportedDocument();
    void withoutDocumentApplicationTheMessage();
    void recordsetNotOpenShowsNothing();
    void rendersInLibreOffice();
    void largeBaseTiming();

private:
    QTemporaryDir desktop_;
};

// The desktop the real services ask: a word processor for templates, an archive manager for
// zip archives, and a viewer the user chose for spreadsheets though it declares none. It must be
// in place before anything asks the desktop, which reads it once.
void WordExportTest::initTestCase() {
    QVERIFY(desktop_.isValid());
    const QString data = desktop_.filePath(QStringLiteral("data"));
    const QString config = desktop_.filePath(QStringLiteral("config"));
    writeText(data, QStringLiteral("applications/writer.desktop"),
              desktopEntry("Writer",
                           "application/vnd.openxmlformats-officedocument.wordprocessingml."
                           "template;"));
    writeText(data, QStringLiteral("applications/archiver.desktop"),
              desktopEntry("Archiver", "application/zip;"));
    writeText(data, QStringLiteral("applications/viewer.desktop"), desktopEntry("Viewer", ""));
    // What update-desktop-database makes of the entries above.
    writeText(data, QStringLiteral("applications/mimeinfo.cache"),
              "[MIME Cache]\n"
              "application/vnd.openxmlformats-officedocument.wordprocessingml.template="
              "writer.desktop;\n"
              "application/zip=archiver.desktop;\n");
    writeText(config, QStringLiteral("mimeapps.list"),
              "[Default Applications]\n"
              "application/vnd.oasis.opendocument.spreadsheet=viewer.desktop\n");
    // The system's types and what each is a kind of (a .docx is a zip archive).
    QVERIFY(QFile::link(QStringLiteral("/usr/share/mime"), data + QStringLiteral("/mime")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(desktop_.filePath(QStringLiteral("home"))));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(data));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(config));
}

void WordExportTest::desktopApplicationForTheDocument_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("application");
    QTest::newRow("the export's template: the word processor") << "Вопросы.dotx" << true;
    QTest::newRow("a document only an archive manager takes, as a zip") << "письмо.docx" << false;
    QTest::newRow("a zip archive: the archive manager") << "архив.zip" << true;
    QTest::newRow("chosen by the user for the type") << "таблица.ods" << true;
    QTest::newRow("a type nothing takes") << "рисунок.svg" << false;
}

void WordExportTest::desktopApplicationForTheDocument() {
    QFETCH(QString, fileName);
    QFETCH(bool, application);
    desktop::Services services;
    QCOMPARE(services.hasApplicationFor(desktop_.filePath(fileName)), application);
}

void WordExportTest::callSequence_data() {
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<bool>("mark");
    QTest::addColumn<QStringList>("calls");

    const QList<Row> capital = {
        {{QStringLiteral("Столица?"), QStringLiteral("Москва"), QStringLiteral("Париж")}, 2}};
    const QStringList question = {QStringLiteral("Grow"), QStringLiteral("Grow")};
    QTest::newRow("marks off: three spaces everywhere")
        << capital << false
        << QStringList{question + QStringList{QStringLiteral("TypeText 16 [   Столица?]"),
                                              QStringLiteral("TypeParagraph"),
                                              QStringLiteral("Shrink"), QStringLiteral("Shrink"),
                                              QStringLiteral("TypeText 12 [   Москва]"),
                                              QStringLiteral("TypeParagraph"),
                                              QStringLiteral("TypeText 12 [   Париж]"),
                                              QStringLiteral("TypeParagraph"),
                                              QStringLiteral("TypeParagraph")}};
    QTest::newRow("marks on: asterisk without a space")
        << capital << true
        << QStringList{
               question +
               QStringList{QStringLiteral("TypeText 16 [   Столица?]"),
                           QStringLiteral("TypeParagraph"), QStringLiteral("Shrink"),
                           QStringLiteral("Shrink"), QStringLiteral("TypeText 12 [   Москва]"),
                           QStringLiteral("TypeParagraph"), QStringLiteral("TypeText 12 [*Париж]"),
                           QStringLiteral("TypeParagraph"), QStringLiteral("TypeParagraph")}};
    QTest::newRow("empty question text keeps its font steps")
        << QList<Row>{{{QString(), QStringLiteral("Да"), QStringLiteral("Нет")}, 1}} << true
        << QStringList{question + QStringList{QStringLiteral("Shrink"), QStringLiteral("Shrink"),
                                              QStringLiteral("TypeText 12 [*Да]"),
                                              QStringLiteral("TypeParagraph"),
                                              QStringLiteral("TypeText 12 [   Нет]"),
                                              QStringLiteral("TypeParagraph"),
                                              QStringLiteral("TypeParagraph")}};
    QTest::newRow("empty options give no paragraph, later ones keep their mark")
        << QList<Row>{{{QStringLiteral("В"), QString(), QStringLiteral("два"), QString(), QString(),
                        QStringLiteral("пять")},
                       5}}
        << true
        << QStringList{
               question +
               QStringList{QStringLiteral("TypeText 16 [   В]"), QStringLiteral("TypeParagraph"),
                           QStringLiteral("Shrink"), QStringLiteral("Shrink"),
                           QStringLiteral("TypeText 12 [   два]"), QStringLiteral("TypeParagraph"),
                           QStringLiteral("TypeText 12 [*пять]"), QStringLiteral("TypeParagraph"),
                           QStringLiteral("TypeParagraph")}};
    QTest::newRow("верный 0 marks the question")
        << QList<Row>{{{QStringLiteral("В"), QStringLiteral("а"), QStringLiteral("б")}, 0}} << true
        << QStringList{
               question +
               QStringList{QStringLiteral("TypeText 16 [*В]"), QStringLiteral("TypeParagraph"),
                           QStringLiteral("Shrink"), QStringLiteral("Shrink"),
                           QStringLiteral("TypeText 12 [   а]"), QStringLiteral("TypeParagraph"),
                           QStringLiteral("TypeText 12 [   б]"), QStringLiteral("TypeParagraph"),
                           QStringLiteral("TypeParagraph")}};
    QStringList two;
    for (const QString& n : {QStringLiteral("1"), QStringLiteral("2")}) {
        two += question + QStringList{QStringLiteral("TypeText 16 [   В") + n + QLatin1Char(']'),
                                      QStringLiteral("TypeParagraph"),
                                      QStringLiteral("Shrink"),
                                      QStringLiteral("Shrink"),
                                      QStringLiteral("TypeText 12 [   о") + n + QLatin1Char(']'),
                                      QStringLiteral("TypeParagraph"),
                                      QStringLiteral("TypeText 12 [*п") + n + QLatin1Char(']'),
                                      QStringLiteral("TypeParagraph"),
                                      QStringLiteral("TypeParagraph")};
    }
    QTest::newRow("questions in row order, each back at the base size")
        << QList<Row>{{{QStringLiteral("В1"), QStringLiteral("о1"), QStringLiteral("п1")}, 2},
                      {{QStringLiteral("В2"), QStringLiteral("о2"), QStringLiteral("п2")}, 2}}
        << true << two;
}

void WordExportTest::callSequence() {
    QFETCH(QList<Row>, rows);
    QFETCH(bool, mark);
    QFETCH(QStringList, calls);

    testsupport::TempFolder folder;
    const QString base = makeRows(folder, rows);
    OpenBase open(base);

    RecordingWordSession session;
    exporter::WordExportOptions options;
    options.basePath = base;
    options.markCorrect = mark;
    options.fileExists = [](const QString&) { return true; };
    exporter::typeQuestions(open.questions, session, options);

    QCOMPARE(session.calls(),
             kOpening + calls + QStringList{QStringLiteral("StatusBar Процесс завершен")});
    QCOMPARE(session.fontSize(), exporter::kBaseFontSize);
}

void WordExportTest::pictures_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("onDisk");  // relative to the base's folder, empty for none
    QTest::addColumn<bool>("leaveOut");
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<QStringList>("tail");  // calls after the options

    const QString end = QStringLiteral("TypeParagraph");
    QTest::newRow("picture beside the base")
        << QStringLiteral("рис.jpg") << QStringLiteral("рис.jpg") << false << false
        << QStringList{QStringLiteral("Picture @/рис.jpg"), end, end};
    QTest::newRow("backslash path below the base")
        << QStringLiteral("картинки\\рис.jpg") << QStringLiteral("картинки/рис.jpg") << false
        << false << QStringList{QStringLiteral("Picture @/картинки/рис.jpg"), end, end};
    QTest::newRow("Check2 leaves it out") << QStringLiteral("рис.jpg") << QStringLiteral("рис.jpg")
                                          << true << false << QStringList{end};
    QTest::newRow("missing file adds nothing")
        << QStringLiteral("нет.jpg") << QString() << false << false << QStringList{end};
    QTest::newRow("refused picture adds no paragraph")
        << QStringLiteral("рис.jpg") << QStringLiteral("рис.jpg") << false << true
        << QStringList{QStringLiteral("RefusedPicture @/рис.jpg"), end};
}

void WordExportTest::pictures() {
    QFETCH(QString, stored);
    QFETCH(QString, onDisk);
    QFETCH(bool, leaveOut);
    QFETCH(bool, refuse);
    QFETCH(QStringList, tail);

    testsupport::TempFolder folder;
    const QString base = makeRows(folder, {{{QStringLiteral("В"), QStringLiteral("о"), QString(),
                                             QString(), QString(), QString(), stored},
                                            1}});
    if (!onDisk.isEmpty())
        writeJpeg(folder.path(onDisk), 4, 3);
    OpenBase open(base);

    RecordingWordSession session;
    const QString folderPath = QFileInfo(base).absolutePath();
    if (refuse)
        session.refusedPictures << QDir::toNativeSeparators(folderPath + QLatin1Char('/') + onDisk);
    exporter::WordExportOptions options;
    options.basePath = base;
    options.leavePicturesOut = leaveOut;
    options.fileExists = [](const QString& path) { return QFileInfo(path).isFile(); };
    exporter::typeQuestions(open.questions, session, options);

    const QStringList calls = session.calls();
    const int afterOptions = int(calls.indexOf(QStringLiteral("TypeText 12 [   о]"))) + 2;
    QStringList expected;
    for (const QString& call : tail)
        expected << QString(call).replace(QLatin1Char('@'), QDir::toNativeSeparators(folderPath));
    expected << QStringLiteral("StatusBar Процесс завершен");
    QCOMPARE(calls.mid(afterOptions), expected);
}

void WordExportTest::noBaseOrNoQuestionsBuildsNothing() {
    testsupport::TempFolder folder;
    desktop::ScriptedDialogs dialogs;
    desktop::ScriptedServices services;
    QStringList statuses;
    const auto status = [&statuses](const QString& text) { statuses << text; };

    qb::Connection closed;
    qb::Recordset none;
    exporter::WordExportContext noBase{closed, none,    QString(), true,
                                       false,  dialogs, services,  status};
    exporter::opword(noBase);
    QVERIFY(services.openedDocuments.isEmpty());
    QVERIFY(statuses.isEmpty());

    const QString base = testsupport::makeBase(folder, QStringLiteral("пусто.mdb"), 0);
    OpenBase open(base);
    exporter::WordExportContext empty{open.connection, open.questions, base,     true,
                                      false,           dialogs,        services, status};
    exporter::opword(empty);
    QVERIFY(services.openedDocuments.isEmpty());
    QVERIFY(statuses.isEmpty());
    QVERIFY(dialogs.shown().isEmpty());
}

void WordExportTest::exportedDocument() {
    testsupport::TempFolder folder;
    const QString base = makeRows(
        folder, {{{QStringLiteral("Сколько?"), QStringLiteral("один"), QStringLiteral("два"),
                   QString(), QString(), QString(), QStringLiteral("рис.jpg")},
                  2},
                 {{QStringLiteral("Второй"), QStringLiteral("да"), QStringLiteral("нет")}, 1}});
    writeJpeg(folder.path(QStringLiteral("рис.jpg")), 300, 200);
    OpenBase open(base);
    desktop::ScriptedDialogs dialogs;
    desktop::ScriptedServices services;
    QStringList statuses;
    const auto status = [&statuses](const QString& text) { statuses << text; };
    exporter::WordExportContext context{open.connection, open.questions, base,     true,
                                        false,           dialogs,        services, status};

    exporter::opword(context);
    QCOMPARE(services.openedDocuments.size(), 1);
    const QString path = services.openedDocuments.first();
    // A template, which the word processor opens as a new, untitled document: "Save" then asks
    // where to put it instead of writing into the temporary folder.
    QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("Вопросы.dotx"));
    QCOMPARE(statuses.value(statuses.size() - 1), QStringLiteral("Процесс завершен"));
    QVERIFY(dialogs.shown().isEmpty());

    const auto parts = testsupport::unzipAll(path);
    QString error;
    const auto paragraphs =
        testsupport::readParagraphs(parts.value(QStringLiteral("word/document.xml")), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QStringList texts;
    QList<int> sizes;
    for (const auto& p : paragraphs) {
        texts << p.text;
        sizes << p.markHalfPoints;
    }
    QCOMPARE(texts,
             (QStringList{QStringLiteral("   Сколько?"), QStringLiteral("   один"),
                          QStringLiteral("*два"), QString(), QString(), QStringLiteral("   Второй"),
                          QStringLiteral("*да"), QStringLiteral("   нет"), QString(), QString()}));
    QCOMPARE(sizes, (QList<int>{32, 24, 24, 24, 24, 32, 24, 24, 24, 24}));
    QCOMPARE(paragraphs.at(3).runs.size(), 1);
    QVERIFY(paragraphs.at(3).runs.first().picture);
    QCOMPARE(paragraphs.at(3).runs.first().extentCx, 2857500);
    QVERIFY(
        parts.value(QStringLiteral("docProps/core.xml")).contains("<dc:title>Вопросы</dc:title>"));
    const QByteArray types = parts.value(QStringLiteral("[Content_Types].xml"));
    QVERIFY(types.contains(
        R"(<Override PartName="/word/document.xml" ContentType="application/)"
        R"(vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml"/>)"));
    QVERIFY(!types.contains("document.main+xml"));

    // A second export gets a folder of its own, so an open document is never overwritten.
    exporter::opword(context);
    QCOMPARE(services.openedDocuments.size(), 2);
    QVERIFY(QFileInfo(services.openedDocuments.at(1)).absolutePath() !=
            QFileInfo(path).absolutePath());
    for (const QString& document : services.openedDocuments)
        QDir(QFileInfo(document).absolutePath()).removeRecursively();
}

void WordExportTest::withoutDocumentApplicationTheMessage() {
    testsupport::TempFolder folder;
    const QString base = testsupport::makeBase(folder, QStringLiteral("база.mdb"), 2);
    OpenBase open(base);
    desktop::ScriptedDialogs dialogs;
    dialogs.expectMessage(
        QStringLiteral("Необходимо, чтобы в системе был установлен Microsoft Word"));
    desktop::ScriptedServices services;
    services.hasDocumentApplication = false;
    exporter::WordExportContext context{open.connection, open.questions, base,     false,
                                        false,           dialogs,        services, nullptr};

    exporter::opword(context);
    VERIFY_ALL_SHOWN(dialogs);
    QCOMPARE(dialogs.shown().first().title, QStringLiteral("Vorta в Leina"));
    QVERIFY(services.openedDocuments.isEmpty());
}

void WordExportTest::recordsetNotOpenShowsNothing() {
    testsupport::TempFolder folder;
    const QString base = testsupport::makeBase(folder, QStringLiteral("база.mdb"), 2);
    qb::Connection connection;
    connection.open(qb::connectionStringFor(base, qb::kEmptyPasswordMarker));
    qb::Recordset notOpen;
    desktop::ScriptedDialogs dialogs;
    desktop::ScriptedServices services;
    exporter::WordExportContext context{connection, notOpen, base,     false,
                                        false,      dialogs, services, nullptr};

    exporter::opword(context);
    QVERIFY(dialogs.shown().isEmpty());
    QVERIFY(services.openedDocuments.isEmpty());
}

void WordExportTest::rendersInLibreOffice() {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        QSKIP("LibreOffice is not installed");

    testsupport::TempFolder folder;
    const QString base =
        makeRows(folder, {{{QStringLiteral("Какой цвет у неба?"), QStringLiteral("зелёный"),
                            QStringLiteral("голубой"), QStringLiteral("красный"), QString(),
                            QString(), QStringLiteral("небо.jpg")},
                           2}});
    writeJpeg(folder.path(QStringLiteral("небо.jpg")), 300, 200);
    OpenBase open(base);
    desktop::ScriptedDialogs dialogs;
    desktop::ScriptedServices services;
    exporter::WordExportContext context{open.connection, open.questions, base,     true,
                                        false,           dialogs,        services, nullptr};
    exporter::opword(context);
    QCOMPARE(services.openedDocuments.size(), 1);
    const QString document = services.openedDocuments.first();

    // The office suite may not decode a non-ASCII argument under the test's locale.
    const QString copy = folder.path(QStringLiteral("questions.dotx"));
    QVERIFY(QFile::copy(document, copy));
    QProcess convert;
    convert.setWorkingDirectory(folder.folder());
    convert.start(soffice,
                  {QStringLiteral("-env:UserInstallation=file://") +
                       folder.path(QStringLiteral("lo-profile")),
                   QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                   QStringLiteral("pdf"), QStringLiteral("--outdir"), folder.folder(), copy});
    QVERIFY(convert.waitForFinished(180000));
    const QString pdf = folder.path(QStringLiteral("questions.pdf"));
    QVERIFY2(QFileInfo(pdf).size() > 0, convert.readAllStandardError().constData());
    if (qEnvironmentVariableIsSet("WORD_EXPORT_KEEP_PDF"))
        QFile::copy(pdf, qEnvironmentVariable("WORD_EXPORT_KEEP_PDF"));
    QDir(QFileInfo(document).absolutePath()).removeRecursively();
}

// Timing of a big export, for a base named in WORD_EXPORT_BASE (for instance one made by
// `qbtool generate --questions 10000 --pictures img F`).
void WordExportTest::largeBaseTiming() {
    const QString base = qEnvironmentVariable("WORD_EXPORT_BASE");
    if (base.isEmpty())
        QSKIP("WORD_EXPORT_BASE is not set");
    OpenBase open(base);
    desktop::ScriptedDialogs dialogs;
    desktop::ScriptedServices services;
    QStringList statuses;
    const auto status = [&statuses](const QString& text) { statuses << text; };
    exporter::WordExportContext context{open.connection, open.questions, base,     true,
                                        false,           dialogs,        services, status};
    QElapsedTimer timer;
    timer.start();
    exporter::opword(context);
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(services.openedDocuments.size(), 1);
    const QString document = services.openedDocuments.first();
    const auto paragraphs = testsupport::readParagraphs(
        testsupport::unzipAll(document).value(QStringLiteral("word/document.xml")));
    qInfo("%d questions: %lld ms, %lld bytes, %lld paragraphs", open.questions.recordCount(),
          elapsed, QFileInfo(document).size(), qint64(paragraphs.size()));
    QVERIFY(paragraphs.size() >= 4 * open.questions.recordCount());
    QDir(QFileInfo(document).absolutePath()).removeRecursively();
}

QTEST_MAIN(WordExportTest)
#include "tst_wordexport.moc"
