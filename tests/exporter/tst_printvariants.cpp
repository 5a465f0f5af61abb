#include "desktop/scripted/scripteddialogs.h"
#include "exporter/ui/chtenie.h"
#include "exporter/ui/variantsdialog.h"
#include "tests/support/exportersession.h"
#include "tests/support/questionrows.h"
#include "tests/support/useractions.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>

#include <memory>

using desktop::ScriptedDialogs;
using testsupport::QuestionRow;

namespace {

const QVariant none;

QList<QuestionRow> sixQuestions() {
    return {QuestionRow{{"Столица Франции?", "Париж", "Лион", "Марсель", none, none}, 1},
            QuestionRow{{"2 + 2 = ?", "3", "4", "5", "22", none}, 2},
            QuestionRow{{"Пустой", "", "", none, none, none}, 1},
            QuestionRow{{"Цвет неба?", "синий", "зелёный", "все перечисленные", none, none}, 1},
            QuestionRow{{"Самая длинная река?", "Нил", "Амазонка", "Волга", "Янцзы", "Обь"}, 1},
            QuestionRow{{"Сколько лап у кошки?", "4", "3", none, none, none}, 1}};
}

// The text of a PDF as a reader that is not ours extracts it.
QString pdfText(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<pdftotext failed on %1>").arg(path);
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

class TestPrintVariants : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void nothingWithoutABase();
    void dialogIsHeard();
    void variantsComeOutAsDocxAndPdf_data();
    void variantsComeOutAsDocxAndPdf();
    void sameSeedSameVariants();

private:
    // Opens the base, then "печать" → "варианты для печати…": the dialog it shows.
    exporter::VariantsDialog* openDialog(const QList<QuestionRow>& rows);
    // Types into a field of the dialog as a user does, replacing what it holds.
    static void type(QWidget* field, const QString& text);
    // Fills the dialog and clicks "Создать", answering the save dialog with `name`.
    // `report` is the message expected after the files are written; empty matches any.
    void create(exporter::VariantsDialog* dialog, const QString& seed, int variants,
                bool keySeparate, const QString& name, const QString& report = {});

    std::unique_ptr<testsupport::ExporterSession> session_;
};

void TestPrintVariants::init() {
    session_ = std::make_unique<testsupport::ExporterSession>();
}

void TestPrintVariants::cleanup() {
    session_.reset();
}

exporter::VariantsDialog* TestPrintVariants::openDialog(const QList<QuestionRow>& rows) {
    const QString path =
        testsupport::makeQuestionBase(session_->folder, QStringLiteral("физика.mdb"), rows);
    session_->dialogs.expectOpenFile(path);
    testsupport::triggerAction(*session_->window, QStringLiteral("opba"));
    testsupport::triggerAction(*session_->window, QStringLiteral("variantsForPrint"));
    return session_->window->findChild<exporter::VariantsDialog*>();
}

void TestPrintVariants::type(QWidget* field, const QString& text) {
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
}

void TestPrintVariants::create(exporter::VariantsDialog* dialog, const QString& seed, int variants,
                               bool keySeparate, const QString& name, const QString& report) {
    type(dialog->findChild<QLineEdit*>(QStringLiteral("seed")), seed);
    type(dialog->findChild<QSpinBox*>(QStringLiteral("variants")), QString::number(variants));
    auto* apart = dialog->findChild<QCheckBox*>(QStringLiteral("keySeparate"));
    if (apart->isChecked() != keySeparate)
        QTest::mouseClick(apart, Qt::LeftButton, {}, QPoint(4, apart->height() / 2));
    session_->dialogs.expectSaveFile(session_->folder.path(name)).expectMessage(report);
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("create")), Qt::LeftButton);
}

void TestPrintVariants::nothingWithoutABase() {
    testsupport::triggerAction(*session_->window, QStringLiteral("variantsForPrint"));
    QVERIFY(!session_->window->findChild<exporter::VariantsDialog*>());
    VERIFY_ALL_SHOWN(session_->dialogs);
}

// A screen reader names every control by what it sets, by its own name or its label's.
void TestPrintVariants::dialogIsHeard() {
    exporter::VariantsDialog* dialog = openDialog(sixQuestions());
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Варианты для печати"));
    QStringList heard;
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(dialog);
    QList<QAccessibleInterface*> pending{window};
    while (!pending.isEmpty()) {
        QAccessibleInterface* node = pending.takeFirst();
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            if (child->role() != QAccessible::StaticText)
                heard << child->text(QAccessible::Name);
            // A combo box is named by the label it is labelled by.
            for (const auto& [label, relation] : child->relations(QAccessible::Label))
                heard << label->text(QAccessible::Name);
            pending << child;
        }
    }
    for (const char* name :
         {"Вариантов", "Вопросов в варианте", "Перемешать вопросы", "Перемешать варианты ответов",
          "Число для перемешивания", "Заголовок", "Бумага", "Варианты", "Бланки ответов",
          "Ключ ответов", "Ключ отдельным файлом", "Создать", "Отмена"})
        QVERIFY2(heard.contains(QString::fromUtf8(name)), qPrintable(heard.join(u'|')));
    // "Отмена" writes nothing and asks nothing.
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cancel")), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    VERIFY_ALL_SHOWN(session_->dialogs);
    QCOMPARE(
        QDir(session_->folder.folder()).entryList({QStringLiteral("*.pdf")}, QDir::Files).size(),
        0);
}

void TestPrintVariants::variantsComeOutAsDocxAndPdf_data() {
    QTest::addColumn<bool>("keySeparate");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("key with the variants") << false << QStringList{"тест.docx", "тест.pdf"};
    QTest::newRow("key in files of its own")
        << true << QStringList{"тест.docx", "тест.pdf", "тест — ключ.docx", "тест — ключ.pdf"};
}

// Three variants of the five printable questions: each numbered and lettered in the PDF, the
// question left out named, the key where it was asked for.
void TestPrintVariants::variantsComeOutAsDocxAndPdf() {
    QFETCH(bool, keySeparate);
    QFETCH(QStringList, files);
    exporter::VariantsDialog* dialog = openDialog(sixQuestions());
    QVERIFY(dialog);
    create(dialog, QStringLiteral("2024"), 3, keySeparate, QStringLiteral("тест.docx"),
           QStringLiteral("Вопрос № 3: меньше двух вариантов ответа"));
    VERIFY_ALL_SHOWN(session_->dialogs);
    for (const QString& file : files)
        QVERIFY2(QFile::exists(session_->folder.path(file)), qPrintable(file));
    QCOMPARE(
        QDir(session_->folder.folder()).entryList({QStringLiteral("тест*")}, QDir::Files).size(),
        files.size());

    const QString text = pdfText(session_->folder.path(QStringLiteral("тест.pdf")));
    for (int variant = 1; variant <= 3; ++variant)
        QVERIFY2(text.contains(QStringLiteral("Вариант %1").arg(variant)), qPrintable(text));
    for (const char* question : {"Столица Франции?", "2 + 2 = ?", "Цвет неба?",
                                 "Самая длинная река?", "Сколько лап у кошки?"})
        QCOMPARE(text.count(QString::fromUtf8(question)), 3);
    QVERIFY(!text.contains(QStringLiteral("Пустой")));
    QVERIFY(text.contains(QRegularExpression(QStringLiteral("(^|\\s)5\\."))));
    QVERIFY(text.contains(QStringLiteral("Д)")));
    const QString keyFile =
        keySeparate ? QStringLiteral("тест — ключ.pdf") : QStringLiteral("тест.pdf");
    QVERIFY(pdfText(session_->folder.path(keyFile)).contains(QStringLiteral("Ключ ответов")));
    if (keySeparate)
        QVERIFY(!text.contains(QStringLiteral("Ключ ответов")));
}

// The number shown in the dialog makes the same set again; another number makes another.
void TestPrintVariants::sameSeedSameVariants() {
    const QList<QuestionRow> rows = sixQuestions();
    QStringList texts;
    const QStringList seeds{"77", "77", "78"};
    for (int i = 0; i < seeds.size(); ++i) {
        cleanup();
        init();
        exporter::VariantsDialog* dialog = openDialog(rows);
        QVERIFY(dialog);
        create(dialog, seeds.at(i), 4, false, QStringLiteral("набор.docx"));
        VERIFY_ALL_SHOWN(session_->dialogs);
        texts << pdfText(session_->folder.path(QStringLiteral("набор.pdf")));
        QVERIFY(texts.last().contains(QStringLiteral("Вариант 4")));
    }
    QCOMPARE(texts.at(0), texts.at(1));
    QVERIFY(texts.at(1) != texts.at(2));
}

QTEST_MAIN(TestPrintVariants)
#include "tst_printvariants.moc"
