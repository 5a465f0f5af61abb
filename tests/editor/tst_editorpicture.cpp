// The picture field of the main window: "найти" opens the picture window, and the choice made
// there reaches ulik, the base, and the next opening of the window.

#include "editor/core/picturechoice.h"
#include "editor/ui/addimage.h"
#include "tests/support/editorsession.h"
#include "tests/support/picturefiles.h"
#include "tests/support/useractions.h"

#include <QDir>
#include <QLineEdit>
#include <QTest>

#include <memory>

using testsupport::EditorSession;

class EditorPictureTest : public QObject {
    Q_OBJECT

    std::unique_ptr<EditorSession> s_;
    QString base_;

    void openBase() {
        s_->open(base_);
        QCOMPARE(s_->caption(), QStringLiteral("Вопрос № 1 из 2"));
    }

private slots:
    void init() {
        s_ = std::make_unique<EditorSession>();
        base_ = testsupport::makeBase(s_->folder, QStringLiteral("тест.mdb"), 2);
        QVERIFY(QDir(s_->folder.folder()).mkdir(QStringLiteral("img")));
        testsupport::writePicture(s_->folder.path(QStringLiteral("img/рис1.jpg")), QSize(300, 200));
        testsupport::writePicture(s_->folder.path(QStringLiteral("img/рис2.jpg")), QSize(800, 400));
    }
    void cleanup() {
        VERIFY_ALL_SHOWN(s_->dialogs);
        s_.reset();
    }

    void findDoesNothingWithoutABase() {
        s_->click("Command1");
        QVERIFY(s_->window->pictureWindow() == nullptr);
    }

    void findOpensOneWindowAndRaisesIt() {
        openBase();
        s_->click("Command1");
        QPointer<editor::AddImage> first = s_->window->pictureWindow();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        s_->click("Command1");
        QCOMPARE(s_->window->pictureWindow(), first.data());
        s_->window->close();
        QTRY_VERIFY(!first);  // closing the main window closes its picture window too
    }

    void chosenPictureTravelsToTheBaseAndBack() {
        openBase();
        s_->click("Command1");
        editor::AddImage* picker = s_->window->pictureWindow();
        const QString img = QDir(s_->folder.folder()).filePath(QStringLiteral("img"));
        picker->setDirFolder(img);
        QVERIFY(picker->selectFile(QStringLiteral("рис2.jpg")));
        QVERIFY(picker->previewShown());
        QCOMPARE(picker->lastFit().width, 5500.0);
        QVERIFY(picker->selectFile(QStringLiteral("рис1.jpg")));
        testsupport::clickButton(*picker, QStringLiteral("Command1"));  // "Выбрать"
        QCOMPARE(s_->probe.ulik()->text(), QStringLiteral("img\\рис1.jpg"));
        QTRY_VERIFY(s_->window->pictureWindow() == nullptr);

        s_->probe.Text2()->setText(QStringLiteral("1"));
        s_->click("Command7");
        QCOMPARE(s_->rowsAfterClosing().at(0).at(7).toString(), QStringLiteral("img\\рис1.jpg"));

        s_->window->show();
        openBase();
        QCOMPARE(s_->probe.ulik()->text(), QStringLiteral("img\\рис1.jpg"));
        s_->click("Command1");
        picker = s_->window->pictureWindow();
        QCOMPARE(QDir(picker->fileFolder()).canonicalPath(), QDir(img).canonicalPath());
        QVERIFY(picker->previewShown());
        QCOMPARE(picker->lastFit().width, 4500.0);
        QCOMPARE(picker->lastFit().left, 6880.0);
    }

    void pictureOutsideTheBaseFolderIsRefused() {
        openBase();
        s_->probe.ulik()->setText(QStringLiteral("прежняя.jpg"));
        testsupport::TempFolder elsewhere;
        s_->dialogs.expectMessage(editor::kOutsideBaseFolderMessage);
        // Handed over the way the picture window hands a file over.
        s_->window->pictureChosen(QDir(elsewhere.folder()).filePath(QStringLiteral("a.jpg")));
        QCOMPARE(s_->probe.ulik()->text(), QStringLiteral("прежняя.jpg"));
        QCOMPARE(s_->probe.karti(), QDir(elsewhere.folder()).filePath(QStringLiteral("a.jpg")));
    }

    void fileThatIsNotAPictureChangesNothing() {
        openBase();
        s_->probe.ulik()->setText(QStringLiteral("прежняя.jpg"));
        // Handed over the way the picture window hands a file over.
        s_->window->pictureChosen(QDir(s_->folder.folder()).filePath(QStringLiteral("notes.txt")));
        QCOMPARE(s_->probe.ulik()->text(), QStringLiteral("прежняя.jpg"));
    }
};

QTEST_MAIN(EditorPictureTest)
#include "tst_editorpicture.moc"
