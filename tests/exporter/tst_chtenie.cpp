#include "desktop/application.h"
#include "desktop/scripted/scripteddialogs.h"
#include "exporter/ui/chtenie.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"
#include "tests/support/exportersession.h"
#include "tests/support/picturefiles.h"
#include "tests/support/questionrows.h"
#include "tests/support/useractions.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStatusBar>
#include <QTest>
#include <QXmlStreamReader>

#include <csignal>
#include <memory>

#include <sys/resource.h>
#include <unistd.h>

using desktop::ScriptedDialogs;
using testsupport::QuestionRow;

namespace {

const QString kTitle = QStringLiteral("Vorta в Leina");
const QString kPrompt = QStringLiteral("Введите пароль");
const QString kForgot = QStringLiteral("Вы забыли пароль к тесту?!");
const QString kFailed = QStringLiteral("Произошла ошибка. Все ли верно?");
const QString kReplace = QStringLiteral("Такой файл уже существует. Заменить?");

const QVariant none;

QList<QuestionRow> twoQuestions() {
    return {QuestionRow{{"Q1", "A", "B", "C", none, none}, 2},
            QuestionRow{{"Вопрос", "да", "нет", none, none, none}, 1}};
}

// twoQuestions() as the text export writes it, without marks.
const QByteArray kTwoQuestionsText(
    "  Q1\r\n  A\r\n  B\r\n  C\r\n  \r\n"
    "  \xC2\xEE\xEF\xF0\xEE\xF1\r\n  \xE4\xE0\r\n  \xED\xE5\xF2\r\n  \r\n");

// "opened" or "<code> <reason>" for the editor's exclusive opening of the base.
QString editorOpening(const QString& path) {
    qb::Connection editor;
    editor.setMode(qb::kModeShareExclusive);
    try {
        editor.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        return QStringLiteral("opened");
    } catch (const qb::Error& error) {
        return QStringLiteral("%1 %2")
            .arg(error.code(), 0, 16)
            .arg(static_cast<int>(error.reason()));
    }
}

const QString kInUse = QStringLiteral("%1 %2")
                           .arg(qb::kGeneralFailure, 0, 16)
                           .arg(static_cast<int>(qb::Reason::InUse));

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<missing>");
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const QString kNotWritten =
    QStringLiteral("Не удалось записать документ Word. Возможно, на диске не хватает места.");
const QString kNoWord = QStringLiteral("Необходимо, чтобы в системе был установлен Microsoft Word");

// The table `test` of a plain base and `count` rows of the longest texts it takes, the first
// with `picture` as its фото.
QStringList longQuestions(int count, const QString& picture = {}) {
    const QString option = QLatin1Char('\'') + QString(120, u'о') + QLatin1Char('\'');
    return {QStringLiteral("CREATE TABLE test (\"номер\" INTEGER PRIMARY KEY AUTOINCREMENT, "
                           "\"вопрос\" TEXT, \"ответ1\" TEXT, \"ответ2\" TEXT, \"ответ3\" TEXT, "
                           "\"ответ4\" TEXT, \"ответ5\" TEXT, \"фото\" TEXT, \"верный\" INTEGER)"),
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < %1) INSERT INTO test (\"вопрос\", \"ответ1\", \"ответ2\", "
                           "\"ответ3\", \"ответ4\", \"ответ5\", \"фото\", \"верный\") "
                           "SELECT '%2', %3, %3, %3, %3, %3, CASE i WHEN 1 THEN '%4' END, 1 FROM n")
                .arg(count)
                .arg(QString(225, u'в'))
                .arg(option)
                .arg(picture)};
}

// A JPEG of noise: it does not compress, so the document is at least its size.
void writeNoiseJpeg(const QString& path, int side) {
    QImage image(side, side, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixel(x, y, random.generate());
    QVERIFY(image.save(path, "JPG", 100));
}

// TMPDIR and the largest file the process may write, as a full disk leaves them, put back when
// the object goes, however the test ends. A write past the limit fails with EFBIG, for root too.
class ConfinedWrites {
public:
    ConfinedWrites(const QByteArray& temporaryFolder, rlim_t fileBytes)
        : hadTemporary_(qEnvironmentVariableIsSet("TMPDIR")), temporary_(qgetenv("TMPDIR")) {
        qputenv("TMPDIR", temporaryFolder);
        getrlimit(RLIMIT_FSIZE, &limit_);
        rlimit confined = limit_;
        confined.rlim_cur = fileBytes;
        setrlimit(RLIMIT_FSIZE, &confined);
        signal_ = std::signal(SIGXFSZ, SIG_IGN);  // else the process ends at the limit
    }
    ~ConfinedWrites() {
        setrlimit(RLIMIT_FSIZE, &limit_);
        std::signal(SIGXFSZ, signal_);
        if (hadTemporary_)
            qputenv("TMPDIR", temporary_);
        else
            qunsetenv("TMPDIR");
    }
    ConfinedWrites(const ConfinedWrites&) = delete;
    ConfinedWrites& operator=(const ConfinedWrites&) = delete;

private:
    bool hadTemporary_;
    QByteArray temporary_;
    rlimit limit_{};
    void (*signal_)(int) = nullptr;
};

// Questions of every kind an export meets, and the picture that question 6 shows.
QList<QuestionRow> mixedQuestions() {
    return {
        QuestionRow{{"Сколько будет 7 × 8?", "54", "56", none, none, none}, 2},
        QuestionRow{{"Пустое место", "a", "", "c", none, none}, 3},
        QuestionRow{{"Вне диапазона", "a", "b", none, none, none}, 6},
        QuestionRow{{"На пустой вариант", "a", "b", none, none, none}, 4},
        QuestionRow{{"Один вариант", "a", "", none, none, none}, 1},
        QuestionRow{{"С картинкой\r\nв две строки", "x{1}", "y", none, none, none}, 1},
        QuestionRow{{"Картинка потеряна", "x", "y", none, none, none}, 2},
        QuestionRow{{"Пробелы", "x", "   ", "y", none, none}, 3},
    };
}

const QStringList kLeftOut{
    "Вопрос № 3: не записан: верный ответ № 6 не указывает на заполненный вариант",
    "Вопрос № 4: не записан: верный ответ № 4 не указывает на заполненный вариант",
    "Вопрос № 5: не записан: меньше двух вариантов ответа"};
const QString kBlankOption = "Вопрос № 8: вариант 2 из одних пробелов не записан";

QString report(const QStringList& remarks) {
    return (QStringList{"Записано вопросов: 5 из 8.", ""} + remarks).join('\n');
}

}  // namespace

class TestChtenie : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controlsAreLaidOut_data();
    void controlsAreLaidOut();
    void windowAtLoad();
    void openDialogAndCancel();
    void baseGivenByTheDesktop_data();
    void baseGivenByTheDesktop();
    void baseWithoutPasswordOpensSilently();
    void rejectedNameKeepsOpenBase_data();
    void rejectedNameKeepsOpenBase();
    void passwordPromptOpensBase();
    void fourthFailureEndsProgram();
    void counterAndPasswordCarryOver();
    void cancelledPromptIsAnEmptyPassword();
    void otherFailuresCountSilently();
    void baseHeldByEditorFailsSilently();
    void closingWindowReleasesBase();
    void exporterHoldsItsBase_data();
    void exporterHoldsItsBase();
    void exportReadsTheBaseAsOpened_data();
    void exportReadsTheBaseAsOpened();
    void failedWordExportSaysWhy_data();
    void failedWordExportSaysWhy();

    void exportDoesNothingWithoutQuestions();
    void exportWritesTextFile();
    void exportCancelledWritesNothing();
    void existingFileKeptOnNo();
    void baseIsNeverReplaced_data();
    void baseIsNeverReplaced();
    void existingFileReplacedOnYes();
    void unreadableTableShowsError();
    void failedExportKeepsExistingFile();

    void otherFormatsWriteEachFormat_data();
    void otherFormatsWriteEachFormat();
    void otherFormatsNeedQuestions();
    void otherFormatsReplaceOnlyOnYes();
    void otherFormatFailureKeepsFile();
    void otherFormatsReportIsCut();

    void keyboard();

private:
    QString base(const QList<QuestionRow>& rows, const QString& password = {});
    void choose(const QString& path);
    QByteArray exportText(exporter::Chtenie& window, ScriptedDialogs& dialogs);
    // What the status bar shows, as a screen reader reads it there: the text of a visible
    // label among its children. "<nothing to hear>" when it has no such label.
    QString statusText() const {
        QAccessibleInterface* bar =
            QAccessible::queryAccessibleInterface(session_->window->statusBar());
        for (int i = 0; bar && i < bar->childCount(); ++i) {
            QAccessibleInterface* child = bar->child(i);
            if (child && child->role() == QAccessible::StaticText && !child->state().invisible)
                return child->text(QAccessible::Name);
        }
        return QStringLiteral("<nothing to hear>");
    }
    void openPhysics(const QList<QuestionRow>& rows);

    std::unique_ptr<testsupport::ExporterSession> session_;
    int bases_ = 0;
    QString physics_;  // the base openPhysics made
};

void TestChtenie::init() {
    session_ = std::make_unique<testsupport::ExporterSession>();
}

void TestChtenie::cleanup() {
    session_.reset();
}

QString TestChtenie::base(const QList<QuestionRow>& rows, const QString& password) {
    return testsupport::makeQuestionBase(
        session_->folder, QStringLiteral("base%1.mdb").arg(++bases_), rows, password);
}

void TestChtenie::choose(const QString& path) {
    session_->dialogs.expectOpenFile(path);
    testsupport::triggerAction(*session_->window, QStringLiteral("opba"));
}

QByteArray TestChtenie::exportText(exporter::Chtenie& window, ScriptedDialogs& dialogs) {
    const QString out = session_->folder.path(QStringLiteral("export%1.txt").arg(++bases_));
    dialogs.expectSaveFile(out);
    testsupport::clickButton(window, QStringLiteral("savtext"));
    return readAll(out);
}

void TestChtenie::controlsAreLaidOut_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("opword") << "opword" << QRect(532, 225, 3255, 615);
    QTest::newRow("savtext") << "savtext" << QRect(4087, 225, 3255, 615);
    QTest::newRow("Label1") << "Label1" << QRect(840, 1260, 2475, 765);
    QTest::newRow("Check1") << "Check1" << QRect(3360, 1350, 255, 375);
    QTest::newRow("Label2") << "Label2" << QRect(840, 2400, 2475, 765);
    QTest::newRow("Check2") << "Check2" << QRect(3360, 2520, 255, 375);
    QTest::newRow("Image1") << "Image1" << QRect(4725, 1215, 2655, 2100);
}

void TestChtenie::controlsAreLaidOut() {
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    auto* control = session_->window->findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), session_->window->centralWidget());
    QCOMPARE(control->geometry(),
             desktop::twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    QVERIFY(!control->accessibleName().isEmpty());
}

void TestChtenie::windowAtLoad() {
    QCOMPARE(session_->window->objectName(), QStringLiteral("chtenie"));
    QCOMPARE(session_->window->windowTitle(), kTitle);
    QCOMPARE(session_->window->centralWidget()->size(), QSize(7875 / 15, 3585 / 15));
    QCOMPARE(session_->window->minimumSize(), session_->window->maximumSize());
    QVERIFY(session_->window->findChild<QStatusBar*>());

    auto* opba = session_->window->findChild<QAction*>(QStringLiteral("opba"));
    QVERIFY(opba);
    QCOMPARE(opba->text(), QStringLiteral("выбрать файл вопросов"));
    QVERIFY(session_->window->menuBar()->actions().contains(opba));
    QVERIFY(!opba->menu());

    QCOMPARE(session_->window->findChild<QPushButton*>(QStringLiteral("opword"))->text(),
             QStringLiteral("импорт в Microsoft Word"));
    QCOMPARE(session_->window->findChild<QPushButton*>(QStringLiteral("savtext"))->text(),
             QStringLiteral("сохранить в Leina"));
    QCOMPARE(session_->window->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
             QStringLiteral("Помечать верный\n   вариант ответа"));
    QCOMPARE(session_->window->findChild<QLabel*>(QStringLiteral("Label2"))->text(),
             QStringLiteral("Не импортировать\n   в Word картинки"));
    QVERIFY(!session_->window->findChild<QCheckBox*>(QStringLiteral("Check1"))->isChecked());
    QVERIFY(!session_->window->findChild<QCheckBox*>(QStringLiteral("Check2"))->isChecked());
    QVERIFY(session_->window->findChild<QCheckBox*>(QStringLiteral("Check1"))->text().isEmpty());

    QVERIFY(session_->window->basePath().isEmpty());
    QCOMPARE(session_->window->password(), qb::kEmptyPasswordMarker);
    QCOMPARE(session_->window->failedOpens(), qint16(0));
    QVERIFY(!session_->window->connection().isOpen());
}

// A base double-clicked in the file manager opens as one chosen with "выбрать файл вопросов".
void TestChtenie::baseGivenByTheDesktop_data() {
    QTest::addColumn<QString>("password");  // of the base; empty for none
    QTest::addColumn<QString>("name");      // empty: no file at all
    QTest::newRow("plain base") << QString() << "дано.mdb";
    QTest::newRow("protected base: its prompt first") << QStringLiteral("secret") << "дано.mdb";
    QTest::newRow("missing file: nothing, not a word") << QString() << QString();
    QTest::newRow("not a base's extension") << QString() << "дано.MDB";
}

void TestChtenie::baseGivenByTheDesktop() {
    QFETCH(QString, password);
    QFETCH(QString, name);
    const QString made = base(twoQuestions(), password);
    QString path = session_->folder.path(QStringLiteral("нет.mdb"));
    if (!name.isEmpty()) {
        path = session_->folder.path(name);
        QVERIFY(QFile::rename(made, path));
    }
    const bool opens = !name.isEmpty() && name.endsWith(QStringLiteral(".mdb"));
    if (!password.isEmpty())
        session_->dialogs.expectPassword(password, kPrompt);
    session_->window->openBase(path);
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(session_->window->connection().isOpen(), opens);
    if (!opens) {
        QCOMPARE(QFileInfo::exists(path), !name.isEmpty());  // nothing made in its place
        return;
    }
    QCOMPARE(session_->window->basePath(), path);
    QCOMPARE(exportText(*session_->window, session_->dialogs), kTwoQuestionsText);
}

void TestChtenie::openDialogAndCancel() {
    session_->dialogs.expectOpenFile(std::nullopt);
    session_->window->findChild<QAction*>(QStringLiteral("opba"))->trigger();
    VERIFY_ALL_SHOWN(session_->dialogs);
    const auto& shown = session_->dialogs.shown().first();
    QCOMPARE(shown.kind, ScriptedDialogs::Kind::OpenFile);
    QCOMPARE(shown.options.filter, QStringLiteral("*.mdb ( базы данных Access )|*.mdb|"));
    QCOMPARE(shown.options.initialFolder, session_->folder.folder());
    QVERIFY(shown.options.title.isEmpty());
    QVERIFY(shown.options.fileName.isEmpty());
    QVERIFY(shown.options.hideReadOnly);
    QVERIFY(shown.options.fileMustExist);
    QVERIFY(session_->window->basePath().isEmpty());
    QCOMPARE(session_->window->failedOpens(), qint16(0));
}

void TestChtenie::baseWithoutPasswordOpensSilently() {
    const QString path = base(twoQuestions());
    choose(path);
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(session_->dialogs.shown().size(), 1);
    QCOMPARE(session_->window->basePath(), path);
    QVERIFY(session_->window->connection().isOpen());
    QVERIFY(session_->window->questions().isOpen());
    QCOMPARE(session_->window->questions().recordCount(), 2);
    QCOMPARE(session_->window->failedOpens(), qint16(0));
}

void TestChtenie::rejectedNameKeepsOpenBase_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("upper-case extension") << "other.MDB";
    QTest::newRow("mixed-case extension") << "other.Mdb";
    QTest::newRow("longer extension") << "other.mdbx";
    QTest::newRow("no extension") << "other";
}

void TestChtenie::rejectedNameKeepsOpenBase() {
    QFETCH(QString, name);
    const QString open = base(twoQuestions());
    choose(open);
    // A real base behind the rejected name: only the name decides.
    const QString rejected = session_->folder.path(name);
    QVERIFY(QFile::copy(base({QuestionRow{{"X", "Y", "Z", none, none, none}, 1}}), rejected));
    choose(rejected);
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(session_->dialogs.shown().size(), 2);
    QCOMPARE(session_->window->basePath(), open);
    QVERIFY(session_->window->questions().isOpen());
    QCOMPARE(session_->window->questions().recordCount(), 2);
    QCOMPARE(session_->window->failedOpens(), qint16(0));
}

void TestChtenie::passwordPromptOpensBase() {
    const QString path = base(twoQuestions(), QStringLiteral("secret"));
    session_->dialogs.expectOpenFile(path).expectPassword(QStringLiteral("secret"), kPrompt);
    testsupport::triggerAction(*session_->window, QStringLiteral("opba"));
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(session_->dialogs.shown().last().title, kTitle);
    QVERIFY(session_->window->questions().isOpen());
    QCOMPARE(session_->window->password(), QStringLiteral("secret"));
    QCOMPARE(session_->window->failedOpens(), qint16(1));
}

void TestChtenie::fourthFailureEndsProgram() {
    const QString path = base(twoQuestions(), QStringLiteral("secret"));
    session_->dialogs.expectOpenFile(path)
        .expectPassword(QStringLiteral("one"), kPrompt)
        .expectPassword(QStringLiteral("two"), kPrompt)
        .expectPassword(QStringLiteral("three"), kPrompt)
        .expectMessage(kForgot);
    QVERIFY(session_->window->isVisible());
    testsupport::triggerAction(*session_->window, QStringLiteral("opba"));
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(session_->dialogs.shown().last().title, kTitle);
    QCOMPARE(session_->window->failedOpens(), qint16(4));
    QVERIFY(!session_->window->isVisible());
    QVERIFY(!session_->window->connection().isOpen());
}

void TestChtenie::counterAndPasswordCarryOver() {
    const QString a = base(twoQuestions(), QStringLiteral("alpha"));
    const QString b = base(twoQuestions(), QStringLiteral("beta"));
    session_->dialogs.expectOpenFile(a)
        .expectPassword(QStringLiteral("wrong"), kPrompt)
        .expectPassword(QStringLiteral("alpha"), kPrompt);
    testsupport::triggerAction(*session_->window, QStringLiteral("opba"));
    QCOMPARE(session_->window->failedOpens(), qint16(2));
    QCOMPARE(session_->window->password(), QStringLiteral("alpha"));
    QVERIFY(session_->window->questions().isOpen());

    // B is tried with A's password first (3), then one prompt; its wrong answer is the fourth.
    session_->dialogs.expectOpenFile(b)
        .expectPassword(QStringLiteral("gamma"), kPrompt)
        .expectMessage(kForgot);
    testsupport::triggerAction(*session_->window, QStringLiteral("opba"));
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(session_->window->failedOpens(), qint16(4));
    QVERIFY(!session_->window->isVisible());
}

void TestChtenie::cancelledPromptIsAnEmptyPassword() {
    const QString protectedBase = base(twoQuestions(), QStringLiteral("secret"));
    session_->dialogs.expectOpenFile(protectedBase)
        .expectPassword(QString(), kPrompt)
        .expectPassword(QStringLiteral("secret"), kPrompt);
    testsupport::triggerAction(*session_->window, QStringLiteral("opba"));
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(session_->window->failedOpens(), qint16(2));
    QVERIFY(session_->window->questions().isOpen());

    // The password in use is kept: a base without one still opens at once afterwards.
    const QString open = base(twoQuestions());
    choose(open);
    VERIFY_ALL_SHOWN(session_->dialogs);
    QVERIFY(session_->window->questions().isOpen());
    QCOMPARE(session_->window->basePath(), open);
    QCOMPARE(session_->window->password(), QStringLiteral("secret"));
    QCOMPARE(session_->window->failedOpens(), qint16(2));
}

void TestChtenie::otherFailuresCountSilently() {
    const QString notABase = session_->folder.path(QStringLiteral("notes.mdb"));
    writeFile(notABase, QByteArray(4096, 'n'));
    const QString noTable =
        testsupport::makePlainBase(session_->folder, QStringLiteral("notable.mdb"),
                                   {QStringLiteral("CREATE TABLE info (x TEXT)")});
    choose(notABase);
    choose(session_->folder.path(QStringLiteral("vanished.mdb")));
    choose(noTable);
    QCOMPARE(session_->window->failedOpens(), qint16(3));
    QVERIFY(session_->dialogs.messages().isEmpty());
    // The connection stays as the failure left it: open, without a recordset.
    QVERIFY(session_->window->connection().isOpen());
    QVERIFY(!session_->window->questions().isOpen());

    session_->dialogs.expectOpenFile(base(twoQuestions(), QStringLiteral("secret")))
        .expectMessage(kForgot);
    testsupport::triggerAction(*session_->window, QStringLiteral("opba"));
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(session_->window->failedOpens(), qint16(4));
    QVERIFY(!session_->window->isVisible());
    QVERIFY(!session_->window->connection().isOpen());
}

void TestChtenie::baseHeldByEditorFailsSilently() {
    const QString path = base(twoQuestions());
    {
        qb::Connection editor;
        editor.setMode(qb::kModeShareExclusive);
        editor.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        choose(path);
        VERIFY_ALL_SHOWN(session_->dialogs);
        QCOMPARE(session_->dialogs.shown().size(), 1);
        QCOMPARE(session_->window->failedOpens(), qint16(1));
        QVERIFY(!session_->window->questions().isOpen());
        // No box, but the status line says why nothing opened.
        QCOMPARE(statusText(), QStringLiteral("База открыта в другой программе"));
    }
    choose(path);
    QVERIFY(session_->window->questions().isOpen());
    QCOMPARE(session_->window->failedOpens(), qint16(1));
    QCOMPARE(statusText(), QString());
}

void TestChtenie::closingWindowReleasesBase() {
    const QString path = base(twoQuestions());
    choose(path);
    QVERIFY(session_->window->connection().isOpen());
    QVERIFY(session_->window->close());
    QVERIFY(!session_->window->questions().isOpen());
    QVERIFY(!session_->window->connection().isOpen());
    qb::Connection editor;
    editor.setMode(qb::kModeShareExclusive);
    editor.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
    QVERIFY(editor.isOpen());
}

void TestChtenie::exporterHoldsItsBase_data() {
    QTest::addColumn<QString>("then");
    QTest::addColumn<QString>("editor");
    QTest::newRow("base open") << "" << kInUse;
    QTest::newRow("a second exporter opens it too") << "second exporter" << kInUse;
    QTest::newRow("another base chosen") << "another base"
                                         << "opened";
}

void TestChtenie::exporterHoldsItsBase() {
    QFETCH(QString, then);
    QFETCH(QString, editor);
    const QString path = base(twoQuestions());
    choose(path);
    QVERIFY(session_->window->questions().isOpen());
    ScriptedDialogs otherDialogs;
    exporter::Chtenie other(otherDialogs, session_->services);
    if (then == QLatin1String("second exporter")) {
        otherDialogs.expectOpenFile(path);
        testsupport::triggerAction(other, QStringLiteral("opba"));
        QVERIFY(other.questions().isOpen());
        QCOMPARE(other.failedOpens(), qint16(0));
        QCOMPARE(exportText(other, otherDialogs), kTwoQuestionsText);
        VERIFY_ALL_SHOWN(otherDialogs);
    } else if (then == QLatin1String("another base")) {
        choose(base(twoQuestions()));
        QVERIFY(session_->window->basePath() != path);
    }
    QCOMPARE(editorOpening(path), editor);
    // The held base still exports whole.
    QCOMPARE(exportText(*session_->window, session_->dialogs), kTwoQuestionsText);
    VERIFY_ALL_SHOWN(session_->dialogs);
}

void TestChtenie::exportReadsTheBaseAsOpened_data() {
    QTest::addColumn<QString>("write");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("change") << "change"
                            << QByteArray("  Q9") +
                                   kTwoQuestionsText.mid(kTwoQuestionsText.indexOf('\r'));
    QTest::newRow("add") << "add" << kTwoQuestionsText + QByteArray("  Q3\r\n  A\r\n  B\r\n  \r\n");
    QTest::newRow("delete") << "delete"
                            << kTwoQuestionsText.mid(kTwoQuestionsText.indexOf("  \xC2"));
}

void TestChtenie::exportReadsTheBaseAsOpened() {
    QFETCH(QString, write);
    QFETCH(QByteArray, written);
    const QString path = base(twoQuestions());
    choose(path);
    // A tool writing through a connection of its own while the exporter has the base open.
    qb::Connection tool;
    tool.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
    qb::Recordset rows;
    rows.openOn(tool, QStringLiteral("SELECT * FROM test"));
    if (write == QLatin1String("add")) {
        rows.addNew();
        rows.field(QStringLiteral("вопрос")).setValue(QStringLiteral("Q3"));
        rows.field(QStringLiteral("ответ1")).setValue(QStringLiteral("A"));
        rows.field(QStringLiteral("ответ2")).setValue(QStringLiteral("B"));
        rows.field(QStringLiteral("верный")).setValue(1);
    } else if (write == QLatin1String("change")) {
        rows.field(QStringLiteral("вопрос")).setValue(QStringLiteral("Q9"));
    }
    // A refused write leaves the row pending (or in place), so it can be tried again.
    const auto attempt = [&] {
        if (write == QLatin1String("delete"))
            rows.deleteCurrent();
        else
            rows.update();
    };
    try {
        attempt();
        QFAIL("a write went through while the exporter held the base");
    } catch (const qb::Error& error) {
        QCOMPARE(error.code(), qb::kGeneralFailure);
        QCOMPARE(error.reason(), qb::Reason::InUse);
    }
    QCOMPARE(exportText(*session_->window, session_->dialogs), kTwoQuestionsText);

    // The refusal came from the hold: once the exporter lets go the write goes through, and is
    // in the file at once: the exporter, opening the base again beside the tool, reads it.
    QVERIFY(session_->window->close());
    attempt();
    choose(path);
    QCOMPARE(exportText(*session_->window, session_->dialogs), written);
    VERIFY_ALL_SHOWN(session_->dialogs);
}

void TestChtenie::failedWordExportSaysWhy_data() {
    QTest::addColumn<QStringList>("base");
    QTest::addColumn<bool>("temporaryFolder");  // else TMPDIR names a path under a regular file
    QTest::addColumn<qint64>("fileBytes");      // the largest file that can be written
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("waited");         // the wait text was on show before the failure
    QTest::addColumn<bool>("wordProcessor");  // the desktop has an application for the document

    const qint64 unlimited = qint64(RLIM_INFINITY);
    // Nothing is built, so the status line never changes.
    QTest::newRow("no word processor on the desktop")
        << longQuestions(2) << true << unlimited << kNoWord << false << false;
    QTest::newRow("no temporary folder")
        << longQuestions(2) << false << unlimited << kNotWritten << false << true;
    // The body is spooled in blocks of a megabyte, the first past a quarter of the questions.
    QTest::newRow("disk full while the questions are typed")
        << longQuestions(1000) << true << qint64(64 * 1024) << kNotWritten << true << true;
    QTest::newRow("disk full while the document is packed")
        << longQuestions(2, QStringLiteral("шум.jpg")) << true << qint64(100 * 1024) << kNotWritten
        << true << true;
    QTest::newRow("base without верный")
        << QStringList{QStringLiteral("CREATE TABLE test (\"номер\" INTEGER PRIMARY KEY, "
                                      "\"вопрос\" TEXT, \"ответ1\" TEXT, \"ответ2\" TEXT, "
                                      "\"ответ3\" TEXT, \"ответ4\" TEXT, \"ответ5\" TEXT, "
                                      "\"фото\" TEXT)"),
                       QStringLiteral(
                           "INSERT INTO test (\"вопрос\", \"ответ1\") VALUES ('Q', 'A')")}
        << true << unlimited << kFailed << true << true;
}

void TestChtenie::failedWordExportSaysWhy() {
    QFETCH(QStringList, base);
    QFETCH(bool, temporaryFolder);
    QFETCH(qint64, fileBytes);
    QFETCH(QString, message);
    QFETCH(bool, waited);
    QFETCH(bool, wordProcessor);

    writeNoiseJpeg(session_->folder.path(QStringLiteral("шум.jpg")), 400);
    QVERIFY(QFileInfo(session_->folder.path(QStringLiteral("шум.jpg"))).size() > 200 * 1024);
    choose(testsupport::makePlainBase(session_->folder, QStringLiteral("base.mdb"), base));
    QVERIFY(session_->window->questions().isOpen());
    const QString temporary = session_->folder.path(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(temporary));
    QStringList statuses;
    connect(session_->window.get(), &exporter::Chtenie::statusChanged, this,
            [&statuses](const QString& text) { statuses << text; });
    session_->services.hasDocumentApplication = wordProcessor;
    session_->dialogs.expectMessage(message);
    {
        ConfinedWrites confined(
            temporaryFolder
                ? QFile::encodeName(temporary)
                : QFile::encodeName(session_->folder.path(QStringLiteral("шум.jpg/tmp"))),
            rlim_t(fileBytes));
        testsupport::clickButton(*session_->window, QStringLiteral("opword"));
    }
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(session_->dialogs.shown().last().title, kTitle);
    QVERIFY(session_->services.openedDocuments.isEmpty());
    QCOMPARE(statusText(), QString());
    QCOMPARE(statuses.filter(QStringLiteral("подождите")).isEmpty(), !waited);
    if (!waited)
        QCOMPARE(statuses, QStringList());
    // Neither the document nor its spooled body is left behind.
    QCOMPARE(QDir(temporary).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());

    if (message != kNotWritten)
        return;
    // With room to write, the same base exports whole.
    testsupport::clickButton(*session_->window, QStringLiteral("opword"));
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(session_->services.openedDocuments.size(), 1);
    QCOMPARE(statusText(), QStringLiteral("Процесс завершен"));
    QDir(QFileInfo(session_->services.openedDocuments.first()).absolutePath()).removeRecursively();
}

void TestChtenie::exportDoesNothingWithoutQuestions() {
    auto* savtext = session_->window->findChild<QPushButton*>(QStringLiteral("savtext"));
    QTest::mouseClick(savtext, Qt::LeftButton);
    choose(base({}));
    QVERIFY(session_->window->questions().isOpen());
    QTest::mouseClick(savtext, Qt::LeftButton);
    QCOMPARE(session_->dialogs.shown().size(), 1);
}

void TestChtenie::exportWritesTextFile() {
    choose(base(twoQuestions()));
    session_->window->findChild<QCheckBox*>(QStringLiteral("Check1"))->setChecked(true);
    const QString out = session_->folder.path(QStringLiteral("вопросы.txt"));
    session_->dialogs.expectSaveFile(out);
    QTest::mouseClick(session_->window->findChild<QPushButton*>(QStringLiteral("savtext")),
                      Qt::LeftButton);
    VERIFY_ALL_SHOWN(session_->dialogs);
    const auto& shown = session_->dialogs.shown().last();
    QCOMPARE(shown.options.title, QStringLiteral("Сохраняем в текстовой файл"));
    QCOMPARE(shown.options.filter, QStringLiteral("*.txt ( текстовые файлы )|*.txt|"));
    QCOMPARE(shown.options.initialFolder, session_->folder.folder());
    QVERIFY(shown.options.hideReadOnly);
    QVERIFY(shown.options.allowNewName);
    QVERIFY(!shown.options.fileMustExist);
    QCOMPARE(readAll(out),
             QByteArray("  Q1\r\n  A\r\n* B\r\n  C\r\n  \r\n"
                        "  \xC2\xEE\xEF\xF0\xEE\xF1\r\n* \xE4\xE0\r\n  \xED\xE5\xF2\r\n  \r\n"));
}

void TestChtenie::exportCancelledWritesNothing() {
    choose(base(twoQuestions()));
    const QStringList before =
        QDir(session_->folder.folder()).entryList(QDir::Files | QDir::Hidden);
    session_->dialogs.expectSaveFile(std::nullopt);
    testsupport::clickButton(*session_->window, QStringLiteral("savtext"));
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(QDir(session_->folder.folder()).entryList(QDir::Files | QDir::Hidden), before);
}

void TestChtenie::existingFileKeptOnNo() {
    choose(base(twoQuestions()));
    const QString out = session_->folder.path(QStringLiteral("old.txt"));
    writeFile(out, "keep me");
    session_->dialogs.expectSaveFile(out).expectYesNo(false, kReplace);
    testsupport::clickButton(*session_->window, QStringLiteral("savtext"));
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(session_->dialogs.shown().last().title, QStringLiteral("Leina"));
    QCOMPARE(readAll(out), QByteArray("keep me"));
}

// Typed over the file dialog's filter, the base's own name would have the export replace it.
// The base is the file opened, by whatever name it goes now; a new file is never taken for it.
void TestChtenie::baseIsNeverReplaced_data() {
    QTest::addColumn<QString>("after");   // what happens to the base once it is open
    QTest::addColumn<QString>("target");  // the file the export is asked to write
    QTest::addColumn<bool>("refused");
    QTest::newRow("the base itself") << ""
                                     << "base" << true;
    QTest::newRow("a hard link to the base") << "link"
                                             << "link" << true;
    QTest::newRow("the renamed base under its new name") << "rename"
                                                         << "new name" << true;
    QTest::newRow("base renamed: a new file") << "rename"
                                              << "other" << false;
    QTest::newRow("base renamed: a new file at its old name") << "rename"
                                                              << "base" << false;
    QTest::newRow("base deleted: a new file") << "delete"
                                              << "other" << false;
}

void TestChtenie::baseIsNeverReplaced() {
    QFETCH(QString, after);
    QFETCH(QString, target);
    QFETCH(bool, refused);
    const QString path = base(twoQuestions());
    choose(path);
    QVERIFY(session_->window->questions().isOpen());
    const QByteArray before = readAll(path);
    const QString renamed = session_->folder.path(QStringLiteral("переименована.mdb"));
    const QString link = session_->folder.path(QStringLiteral("ссылка.txt"));
    if (after == QLatin1String("rename"))
        QVERIFY(QFile::rename(path, renamed));
    else if (after == QLatin1String("delete"))
        QVERIFY(QFile::remove(path));
    else if (after == QLatin1String("link"))
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()),
                 0);
    const QString out = target == QLatin1String("base")       ? path
                        : target == QLatin1String("new name") ? renamed
                        : target == QLatin1String("link")     ? link
                                                          : session_->folder.path("вопросы.txt");

    session_->dialogs.expectSaveFile(out);
    if (refused)
        session_->dialogs.expectMessage(
            QStringLiteral("Нельзя записать вопросы поверх самой базы."));
    testsupport::clickButton(*session_->window, QStringLiteral("savtext"));
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(readAll(out), refused ? before : kTwoQuestionsText);
    // A refusal ends only that export.
    QCOMPARE(exportText(*session_->window, session_->dialogs), kTwoQuestionsText);
}

void TestChtenie::existingFileReplacedOnYes() {
    choose(base({QuestionRow{{"Q", "A", "B", none, none, none}, 1}}));
    const QString out = session_->folder.path(QStringLiteral("old.txt"));
    writeFile(out, QByteArray(1000, 'o'));
    session_->dialogs.expectSaveFile(out).expectYesNo(true, kReplace);
    testsupport::clickButton(*session_->window, QStringLiteral("savtext"));
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(readAll(out), QByteArray("  Q\r\n  A\r\n  B\r\n  \r\n"));
}

void TestChtenie::unreadableTableShowsError() {
    choose(testsupport::makePlainBase(session_->folder, QStringLiteral("notable.mdb"),
                                      {QStringLiteral("CREATE TABLE info (x TEXT)")}));
    QVERIFY(session_->window->connection().isOpen());
    session_->dialogs.expectMessage(kFailed);
    testsupport::clickButton(*session_->window, QStringLiteral("savtext"));
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(session_->dialogs.shown().last().title, kTitle);
}

void TestChtenie::failedExportKeepsExistingFile() {
    // Rows read by position work, `верный` is missing: the export fails on its first line.
    choose(testsupport::makePlainBase(
        session_->folder, QStringLiteral("nocorrect.mdb"),
        {QStringLiteral("CREATE TABLE test (\"номер\" INTEGER PRIMARY KEY AUTOINCREMENT, "
                        "\"вопрос\" TEXT, \"ответ1\" TEXT, \"ответ2\" TEXT, \"ответ3\" TEXT, "
                        "\"ответ4\" TEXT, \"ответ5\" TEXT, \"фото\" TEXT)"),
         QStringLiteral("INSERT INTO test (\"вопрос\", \"ответ1\") VALUES ('Q', 'A')")}));
    QVERIFY(session_->window->questions().isOpen());
    const QString out = session_->folder.path(QStringLiteral("old.txt"));
    writeFile(out, "previous export");
    session_->dialogs.expectSaveFile(out).expectYesNo(true, kReplace).expectMessage(kFailed);
    testsupport::clickButton(*session_->window, QStringLiteral("savtext"));
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(readAll(out), QByteArray("previous export"));
}

// A base named "Физика" with a description, the rows, and question 6's picture in img/.
void TestChtenie::openPhysics(const QList<QuestionRow>& rows) {
    physics_ = testsupport::makeQuestionBase(session_->folder, "Физика.mdb", rows);
    {
        auto raw = testsupport::openRaw(physics_);
        raw.exec(
            "INSERT INTO info (\"инфо\", \"время\", \"ВремяНа\") "
            "VALUES ('Тест по физике', 0, 'тест')");
        raw.exec("UPDATE test SET \"фото\" = 'img\\рис.png' WHERE \"вопрос\" LIKE 'С картинкой%'");
        raw.exec("UPDATE test SET \"фото\" = 'нет.jpg' WHERE \"вопрос\" = 'Картинка потеряна'");
    }
    QDir(session_->folder.folder()).mkdir("img");
    testsupport::writePicture(session_->folder.path("img/рис.png"), QSize(3, 2));
    session_->dialogs.expectOpenFile(physics_);
    testsupport::triggerAction(*session_->window, "opba");
    QVERIFY(session_->window->questions().isOpen());
}

// Each menu item writes its format from the same base, says what it left out or changed, and
// with Check2 leaves every picture out without a word about it.
void TestChtenie::otherFormatsWriteEachFormat_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("check2");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("bytes");  // empty: read back as XML instead

    const QString missing = "Вопрос № 7: записан без картинки: нет файла картинки «нет.jpg»";
    QTest::newRow("moodle xml") << "moodleXml" << false << "Физика.xml"
                                << "*.xml ( Moodle XML )|*.xml|"
                                << report(kLeftOut + QStringList{missing, kBlankOption})
                                << QByteArray();
    QTest::newRow("moodle xml without pictures")
        << "moodleXml" << true << "Физика.xml"
        << "*.xml ( Moodle XML )|*.xml|" << report(kLeftOut + QStringList{kBlankOption})
        << QByteArray();
    QTest::newRow("gift")
        << "gift" << false << "Физика.gift"
        << "*.gift ( GIFT )|*.gift|"
        << report(kLeftOut + QStringList{"Вопрос № 6: записан без картинки: в GIFT картинок нет",
                                         "Вопрос № 7: записан без картинки: в GIFT картинок нет",
                                         kBlankOption})
        << QByteArray(
               "// Вопросы базы «Физика»\n// Тест по физике\n\n"
               "$CATEGORY: $course$/top/Физика\n\n"
               "::Вопрос 1::[plain]Сколько будет 7 × 8?{~54 =56}\n\n"
               "::Вопрос 2::[plain]Пустое место{~a =c}\n\n"
               "::Вопрос 6::[plain]С картинкой\\nв две строки"
               "{=x\\{1\\} ~y}\n\n"
               "::Вопрос 7::[plain]Картинка потеряна{~x =y}\n\n"
               "::Вопрос 8::[plain]Пробелы{~x =y}\n\n");
    QTest::newRow("aiken")
        << "aiken" << false << "Физика.txt"
        << "*.txt ( Aiken )|*.txt|"
        << report(kLeftOut + QStringList{"Вопрос № 6: записан без картинки: в Aiken картинок "
                                         "нет; переносы строк заменены пробелами",
                                         "Вопрос № 7: записан без картинки: в Aiken картинок нет",
                                         kBlankOption})
        << QByteArray(
               "Сколько будет 7 × 8?\nA. 54\nB. 56\nANSWER: B\n\n"
               "Пустое место\nA. a\nB. c\nANSWER: B\n\n"
               "С картинкой в две строки\nA. x{1}\nB. y\nANSWER: A\n\n"
               "Картинка потеряна\nA. x\nB. y\nANSWER: B\n\n"
               "Пробелы\nA. x\nB. y\nANSWER: B\n\n");
}

void TestChtenie::otherFormatsWriteEachFormat() {
    QFETCH(QString, item);
    QFETCH(bool, check2);
    QFETCH(QString, fileName);
    QFETCH(QString, filter);
    QFETCH(QString, message);
    QFETCH(QByteArray, bytes);

    openPhysics(mixedQuestions());
    session_->window->findChild<QCheckBox*>("Check2")->setChecked(check2);
    const QString out = session_->folder.path("выгрузка");
    session_->dialogs.expectSaveFile(out).expectMessage(message);
    testsupport::triggerAction(*session_->window, item);
    VERIFY_ALL_SHOWN(session_->dialogs);

    const auto& dialog = session_->dialogs.shown().at(session_->dialogs.shown().size() - 2);
    QCOMPARE(dialog.options.fileName, fileName);
    QCOMPARE(dialog.options.filter, filter);
    QCOMPARE(dialog.options.initialFolder, session_->folder.folder());
    QVERIFY(dialog.options.allowNewName);
    QCOMPARE(session_->dialogs.shown().last().title, kTitle);

    const QByteArray written = testsupport::readBytes(out);
    if (!bytes.isEmpty()) {
        QCOMPARE(written, bytes);
        return;
    }
    // Moodle XML: well formed, every written question with the right fractions, and the one
    // picture that exists embedded byte for byte.
    QXmlStreamReader xml(written);
    QStringList names;
    QStringList fractions;
    QByteArray picture;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"answer")
            fractions << xml.attributes().value("fraction").toString();
        else if (xml.name() == u"file")
            picture = QByteArray::fromBase64(xml.readElementText().toLatin1());
        else if (xml.name() == u"name") {
            xml.readNextStartElement();
            names << xml.readElementText();
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(names, QStringList({"Вопрос 1", "Вопрос 2", "Вопрос 6", "Вопрос 7", "Вопрос 8"}));
    QCOMPARE(fractions.join(' '), "0 100 0 100 100 0 0 100 0 100");
    QCOMPARE(picture,
             check2 ? QByteArray() : testsupport::readBytes(session_->folder.path("img/рис.png")));
}

// No base, or a base without questions: the items do nothing, as the text export does.
void TestChtenie::otherFormatsNeedQuestions() {
    for (const char* item : {"moodleXml", "gift", "aiken"})
        testsupport::triggerAction(*session_->window, item);
    openPhysics({});
    for (const char* item : {"moodleXml", "gift", "aiken"})
        testsupport::triggerAction(*session_->window, item);
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(session_->dialogs.shown().size(), 1);  // the base's own open dialog
}

void TestChtenie::otherFormatsReplaceOnlyOnYes() {
    openPhysics(mixedQuestions());
    const QString out = session_->folder.path("old.gift");
    testsupport::writeBytes(out, "keep me");
    session_->dialogs.expectSaveFile(out).expectYesNo(false, kReplace);
    testsupport::triggerAction(*session_->window, "gift");
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(session_->dialogs.shown().last().title, "Leina");
    QCOMPARE(testsupport::readBytes(out), QByteArray("keep me"));
}

// A base whose rows lack `верный` fails on the way: the file that was there stays as it was.
void TestChtenie::otherFormatFailureKeepsFile() {
    const QString path = testsupport::makePlainBase(
        session_->folder, "nocorrect.mdb",
        {"CREATE TABLE test (\"номер\" INTEGER PRIMARY KEY AUTOINCREMENT, \"вопрос\" TEXT, "
         "\"ответ1\" TEXT, \"ответ2\" TEXT, \"ответ3\" TEXT, \"ответ4\" TEXT, \"ответ5\" TEXT, "
         "\"фото\" TEXT)",
         "INSERT INTO test (\"вопрос\", \"ответ1\", \"ответ2\") VALUES ('Q', 'A', 'B')"});
    session_->dialogs.expectOpenFile(path);
    testsupport::triggerAction(*session_->window, "opba");
    const QString out = session_->folder.path("old.xml");
    testsupport::writeBytes(out, "previous export");
    session_->dialogs.expectSaveFile(out).expectYesNo(true, kReplace).expectMessage(kFailed);
    testsupport::triggerAction(*session_->window, "moodleXml");
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(testsupport::readBytes(out), QByteArray("previous export"));
    QCOMPARE(
        QDir(session_->folder.folder()).entryList({"old.xml*"}, QDir::Files | QDir::Hidden).size(),
        1);
}

void TestChtenie::otherFormatsReportIsCut() {
    QList<QuestionRow> rows(25, QuestionRow{{"Вопрос", "a", "b", none, none, none}, 0});
    rows << QuestionRow{{"Вопрос", "a", "b", none, none, none}, 1};
    openPhysics(rows);
    session_->dialogs.expectSaveFile(session_->folder.path("out.txt")).expectMessage();
    testsupport::triggerAction(*session_->window, "aiken");
    VERIFY_ALL_SHOWN(session_->dialogs);
    const QStringList lines = session_->dialogs.messages().last().split('\n');
    QCOMPARE(lines.first(), "Записано вопросов: 1 из 26.");
    QCOMPARE(lines.size(), 2 + 20 + 1);
    QCOMPARE(lines.at(2),
             "Вопрос № 1: не записан: верный ответ № 0 не указывает на заполненный вариант");
    QCOMPARE(lines.at(21).left(12), "Вопрос № 20:");
    QCOMPARE(lines.last(), "…");
}

void TestChtenie::keyboard() {
    using testsupport::pressKey;
    choose(base(twoQuestions()));
    testsupport::activate(*session_->window);
    auto* savtext = session_->window->findChild<QPushButton*>(QStringLiteral("savtext"));
    // Enter and keypad Enter press the focused button, as a click does.
    for (const Qt::KeyboardModifiers modifiers : {Qt::NoModifier, Qt::KeypadModifier}) {
        const QString out = session_->folder.path(QStringLiteral("keys%1.txt").arg(int(modifiers)));
        session_->dialogs.expectSaveFile(out);
        savtext->setFocus();
        pressKey(modifiers == Qt::NoModifier ? Qt::Key_Return : Qt::Key_Enter, modifiers);
        VERIFY_ALL_SHOWN(session_->dialogs);
        QCOMPARE(readAll(out), kTwoQuestionsText);
    }

    // F10 puts the keyboard on the menu bar; Enter runs the item, Escape gives the keyboard back.
    pressKey(Qt::Key_F10);
    QVERIFY(session_->window->menuBar()->hasFocus());
    QCOMPARE(session_->window->menuBar()->activeAction()->objectName(), QStringLiteral("opba"));
    session_->dialogs.expectOpenFile(std::nullopt);
    pressKey(Qt::Key_Return);
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(QApplication::focusWidget(), savtext);
    pressKey(Qt::Key_F10);
    pressKey(Qt::Key_Escape);
    QCOMPARE(QApplication::focusWidget(), savtext);
}

QTEST_MAIN(TestChtenie)
#include "tst_chtenie.moc"
