// The real boxes and dialogs, driven as the user drives them: what is shown while typing, and
// what the program gets back. Also where the open and save dialogs start.

#include "desktop/dialogs.h"
#include "desktop/scripted/scripteddialogs.h"
#include "tests/support/tempbase.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Runs `user` on the modal box once it is up, as the user acting on it.
void whenShown(std::function<void(QWidget*)> user) {
    QTimer::singleShot(0, qApp, [user = std::move(user)] {
        QWidget* box = QApplication::activeModalWidget();
        QVERIFY(box != nullptr);
        user(box);
    });
}

}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void promptsMaskPasswords_data();
    void promptsMaskPasswords();
    void saveDialogAddsTheFormatsExtension_data();
    void saveDialogAddsTheFormatsExtension();
    void dialogsStartFolder_data();
    void dialogsStartFolder();
};

void TestDialogs::promptsMaskPasswords_data() {
    QTest::addColumn<bool>("password");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("answer");
    QTest::newRow("password, OK") << true << true << QStringLiteral("тайна");
    QTest::newRow("password, cancelled") << true << false << QString();
    QTest::newRow("plain prompt, OK") << false << true << QStringLiteral("тайна");
    QTest::newRow("plain prompt, cancelled") << false << false << QString();
}

void TestDialogs::promptsMaskPasswords() {
    QFETCH(bool, password);
    QFETCH(bool, accept);
    QFETCH(QString, answer);
    desktop::QtDialogs dialogs;
    QLineEdit::EchoMode shownAs = QLineEdit::NoEcho;
    QString prompt;
    whenShown([&](QWidget* box) {
        auto* input = qobject_cast<QInputDialog*>(box);
        QVERIFY(input != nullptr);
        prompt = input->labelText();
        auto* edit = input->findChild<QLineEdit*>();
        QVERIFY(edit != nullptr);
        shownAs = edit->echoMode();
        edit->setText(QStringLiteral("тайна"));
        accept ? input->accept() : input->reject();
    });
    const QString got =
        password ? dialogs.password(QStringLiteral("Tambris"), QStringLiteral("Введите пароль"))
                 : dialogs.input(QStringLiteral("Tambris"), QStringLiteral("Введите пароль"));
    QCOMPARE(prompt, QStringLiteral("Введите пароль"));
    QCOMPARE(shownAs, password ? QLineEdit::Password : QLineEdit::Normal);
    QCOMPARE(got, answer);
}

void TestDialogs::saveDialogAddsTheFormatsExtension_data() {
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("chosen");
    const QString base = desktop::kBaseFileFilter;
    const QString text = QStringLiteral("*.txt ( текстовые файлы )|*.txt|");
    QTest::newRow("base, no extension") << true << base << "вопросы"
                                        << "вопросы.mdb";
    QTest::newRow("base, its extension") << true << base << "вопросы.mdb"
                                         << "вопросы.mdb";
    QTest::newRow("base, another extension") << true << base << "вопросы.bak"
                                             << "вопросы.bak";
    QTest::newRow("text") << true << text << "итог"
                          << "итог.txt";
    QTest::newRow("Moodle XML") << true << QStringLiteral("*.xml ( Moodle XML )|*.xml|") << "m"
                                << "m.xml";
    QTest::newRow("GIFT") << true << QStringLiteral("*.gift ( GIFT )|*.gift|") << "g"
                          << "g.gift";
    QTest::newRow("any file: nothing to add") << true << QStringLiteral("все файлы|*.*|") << "итог"
                                              << "итог";
    // Opening takes the name as typed: the file is there or it is not.
    QTest::newRow("open dialog adds nothing") << false << base << "вопросы"
                                              << "вопросы";
}

void TestDialogs::saveDialogAddsTheFormatsExtension() {
    QFETCH(bool, save);
    QFETCH(QString, filter);
    QFETCH(QString, typed);
    QFETCH(QString, chosen);
    testsupport::TempFolder folder;
    QFile existing(folder.path(QStringLiteral("вопросы")));  // an open dialog needs a file
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();

    desktop::QtDialogs dialogs;
    desktop::FileDialogOptions options;
    options.initialFolder = folder.folder();
    options.filter = filter;
    options.fileMustExist = !save;
    whenShown([&](QWidget* box) {
        auto* dialog = qobject_cast<QFileDialog*>(box);
        QVERIFY(dialog != nullptr);
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name != nullptr);
        name->setText(typed);
        QTest::keyClick(name, Qt::Key_Return);
    });
    const std::optional<QString> got = save ? dialogs.saveFile(options) : dialogs.openFile(options);
    QVERIFY(got.has_value());
    QCOMPARE(*got, folder.path(chosen));
}

void TestDialogs::dialogsStartFolder_data() {
    QTest::addColumn<bool>("programWritable");
    QTest::addColumn<bool>("hasDocuments");
    QTest::addColumn<QString>("chosenBefore");  // under the folder, empty for none
    QTest::addColumn<QString>("expected");      // "program", "documents", "home", or a folder
    QTest::newRow("program's folder") << true << true << QString() << "program";
    QTest::newRow("read-only program's folder: Documents")
        << false << true << QString() << "documents";
    QTest::newRow("read-only, no Documents: home") << false << false << QString() << "home";
    QTest::newRow("beside the last file chosen")
        << true << true << QStringLiteral("elsewhere/b.mdb") << "elsewhere";
    QTest::newRow("beside the last file chosen, read-only program's folder")
        << false << true << QStringLiteral("elsewhere/b.mdb") << "elsewhere";
    // A folder chosen ("…/" here) is where the next dialog starts, not the folder above it.
    QTest::newRow("in the folder chosen last")
        << true << true << QStringLiteral("elsewhere/") << "elsewhere";
}

void TestDialogs::dialogsStartFolder() {
    QFETCH(bool, programWritable);
    QFETCH(bool, hasDocuments);
    QFETCH(QString, chosenBefore);
    QFETCH(QString, expected);
    testsupport::TempFolder folder;
    for (const char* name : {"usr/bin", "home/Документы", "elsewhere"})
        QVERIFY(QDir(folder.folder()).mkpath(QString::fromUtf8(name)));
    desktop::ScriptedServices services;
    services.folder = folder.path(QStringLiteral("usr/bin"));
    // The tests run as root, whom the file system lets write anywhere.
    if (!programWritable)
        services.readOnlyFolders << services.folder;
    services.documents = hasDocuments ? folder.path(QStringLiteral("home/Документы"))
                                      : folder.path(QStringLiteral("home/нет"));
    services.home = folder.path(QStringLiteral("home"));
    if (chosenBefore.endsWith(u'/')) {
        desktop::ScriptedDialogs dialogs;
        dialogs.expectOpenFolder(folder.path(chosenBefore.chopped(1)));
        QVERIFY(desktop::chooseFolder(dialogs, services, {}));
        VERIFY_ALL_SHOWN(dialogs);
    } else if (!chosenBefore.isEmpty()) {
        services.chosen(folder.path(chosenBefore));
    }

    const QString start = expected == QLatin1String("program")     ? services.folder
                          : expected == QLatin1String("documents") ? services.documents
                          : expected == QLatin1String("home")      ? services.home
                                                                   : folder.path(expected);
    QCOMPARE(services.dialogFolder(), start);

    // The real check, without the test's help: a program's folder that is gone is not one to
    // write to either.
    if (!programWritable && chosenBefore.isEmpty()) {
        services.readOnlyFolders.clear();
        services.folder = folder.path(QStringLiteral("usr/нет"));
        QCOMPARE(services.dialogFolder(), start);
    }
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
