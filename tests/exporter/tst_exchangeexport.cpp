#include "desktop/scripted/scripteddialogs.h"
#include "exporter/ui/chtenie.h"
#include "tests/support/picturefiles.h"
#include "tests/support/questionrows.h"
#include "tests/support/useractions.h"

#include <QCheckBox>
#include <QDir>
#include <QTest>
#include <QXmlStreamReader>

using desktop::ScriptedDialogs;
using testsupport::QuestionRow;

namespace {

const QString kTitle = QStringLiteral("Vorta в Leina");
const QString kFailed = QStringLiteral("Произошла ошибка. Все ли верно?");
const QString kReplace = QStringLiteral("Такой файл уже существует. Заменить?");
const QVariant none;

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

class TestExchangeExport : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void writesEachFormat_data();
    void writesEachFormat();
    void nothingToExport();
    void existingFileKeptOnNo();
    void failureKeepsExistingFile();
    void longReportIsCut();

private:
    void openBase(const QList<QuestionRow>& rows);

    std::unique_ptr<testsupport::TempFolder> folder_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<desktop::ScriptedServices> services_;
    std::unique_ptr<exporter::Chtenie> window_;
    QString base_;
};

void TestExchangeExport::init() {
    folder_ = std::make_unique<testsupport::TempFolder>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
    services_ = std::make_unique<desktop::ScriptedServices>();
    services_->folder = folder_->folder();
    window_ = std::make_unique<exporter::Chtenie>(*dialogs_, *services_);
    window_->show();
}

void TestExchangeExport::cleanup() {
    window_.reset();
    services_.reset();
    dialogs_.reset();
    folder_.reset();
}

// A base named "Физика" with a description, the rows, and question 6's picture in img/.
void TestExchangeExport::openBase(const QList<QuestionRow>& rows) {
    base_ = testsupport::makeQuestionBase(*folder_, "Физика.mdb", rows);
    {
        auto raw = testsupport::openRaw(base_);
        raw.exec(
            "INSERT INTO info (\"инфо\", \"время\", \"ВремяНа\") "
            "VALUES ('Тест по физике', 0, 'тест')");
        raw.exec("UPDATE test SET \"фото\" = 'img\\рис.png' WHERE \"вопрос\" LIKE 'С картинкой%'");
        raw.exec("UPDATE test SET \"фото\" = 'нет.jpg' WHERE \"вопрос\" = 'Картинка потеряна'");
    }
    QDir(folder_->folder()).mkdir("img");
    testsupport::writePicture(folder_->path("img/рис.png"), QSize(3, 2));
    dialogs_->expectOpenFile(base_);
    testsupport::triggerAction(*window_, "opba");
    QVERIFY(window_->questions().isOpen());
}

// Each menu item writes its format from the same base, says what it left out or changed, and
// with Check2 leaves every picture out without a word about it.
void TestExchangeExport::writesEachFormat_data() {
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

void TestExchangeExport::writesEachFormat() {
    QFETCH(QString, item);
    QFETCH(bool, check2);
    QFETCH(QString, fileName);
    QFETCH(QString, filter);
    QFETCH(QString, message);
    QFETCH(QByteArray, bytes);

    openBase(mixedQuestions());
    window_->findChild<QCheckBox*>("Check2")->setChecked(check2);
    const QString out = folder_->path("выгрузка");
    dialogs_->expectSaveFile(out).expectMessage(message);
    testsupport::triggerAction(*window_, item);
    VERIFY_ALL_SHOWN(*dialogs_);

    const auto& dialog = dialogs_->shown().at(dialogs_->shown().size() - 2);
    QCOMPARE(dialog.options.fileName, fileName);
    QCOMPARE(dialog.options.filter, filter);
    QCOMPARE(dialog.options.initialFolder, folder_->folder());
    QVERIFY(dialog.options.allowNewName);
    QCOMPARE(dialogs_->shown().last().title, kTitle);

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
    QCOMPARE(picture, check2 ? QByteArray() : testsupport::readBytes(folder_->path("img/рис.png")));
}

// No base, or a base without questions: the items do nothing, as the text export does.
void TestExchangeExport::nothingToExport() {
    for (const char* item : {"moodleXml", "gift", "aiken"})
        testsupport::triggerAction(*window_, item);
    openBase({});
    for (const char* item : {"moodleXml", "gift", "aiken"})
        testsupport::triggerAction(*window_, item);
    VERIFY_ALL_SHOWN(*dialogs_);
    QCOMPARE(dialogs_->shown().size(), 1);  // the base's own open dialog
}

// An existing file is replaced only on Yes, and never when it is the open base itself.
void TestExchangeExport::existingFileKeptOnNo() {
    openBase(mixedQuestions());
    const QString out = folder_->path("old.gift");
    testsupport::writeBytes(out, "keep me");
    dialogs_->expectSaveFile(out).expectYesNo(false, kReplace);
    testsupport::triggerAction(*window_, "gift");
    VERIFY_ALL_SHOWN(*dialogs_);
    QCOMPARE(dialogs_->shown().last().title, "Leina");
    QCOMPARE(testsupport::readBytes(out), QByteArray("keep me"));

    const QByteArray base = testsupport::readBytes(base_);
    dialogs_->expectSaveFile(folder_->path("img/../Физика.mdb"))
        .expectMessage("Нельзя записать вопросы поверх самой базы.");
    testsupport::triggerAction(*window_, "moodleXml");
    VERIFY_ALL_SHOWN(*dialogs_);
    QCOMPARE(testsupport::readBytes(base_), base);
}

// A base whose rows lack `верный` fails on the way: the file that was there stays as it was.
void TestExchangeExport::failureKeepsExistingFile() {
    const QString path = testsupport::makePlainBase(
        *folder_, "nocorrect.mdb",
        {"CREATE TABLE test (\"номер\" INTEGER PRIMARY KEY AUTOINCREMENT, \"вопрос\" TEXT, "
         "\"ответ1\" TEXT, \"ответ2\" TEXT, \"ответ3\" TEXT, \"ответ4\" TEXT, \"ответ5\" TEXT, "
         "\"фото\" TEXT)",
         "INSERT INTO test (\"вопрос\", \"ответ1\", \"ответ2\") VALUES ('Q', 'A', 'B')"});
    dialogs_->expectOpenFile(path);
    testsupport::triggerAction(*window_, "opba");
    const QString out = folder_->path("old.xml");
    testsupport::writeBytes(out, "previous export");
    dialogs_->expectSaveFile(out).expectYesNo(true, kReplace).expectMessage(kFailed);
    testsupport::triggerAction(*window_, "moodleXml");
    VERIFY_ALL_SHOWN(*dialogs_);
    QCOMPARE(testsupport::readBytes(out), QByteArray("previous export"));
    QCOMPARE(QDir(folder_->folder()).entryList({"old.xml*"}, QDir::Files | QDir::Hidden).size(), 1);
}

void TestExchangeExport::longReportIsCut() {
    QList<QuestionRow> rows(25, QuestionRow{{"Вопрос", "a", "b", none, none, none}, 0});
    rows << QuestionRow{{"Вопрос", "a", "b", none, none, none}, 1};
    openBase(rows);
    dialogs_->expectSaveFile(folder_->path("out.txt")).expectMessage();
    testsupport::triggerAction(*window_, "aiken");
    VERIFY_ALL_SHOWN(*dialogs_);
    const QStringList lines = dialogs_->messages().last().split('\n');
    QCOMPARE(lines.first(), "Записано вопросов: 1 из 26.");
    QCOMPARE(lines.size(), 2 + 20 + 1);
    QCOMPARE(lines.at(2),
             "Вопрос № 1: не записан: верный ответ № 0 не указывает на заполненный вариант");
    QCOMPARE(lines.at(21).left(12), "Вопрос № 20:");
    QCOMPARE(lines.last(), "…");
}

QTEST_MAIN(TestExchangeExport)
#include "tst_exchangeexport.moc"
