// The picture field of the main window: "найти" opens the picture window, and the choice made
// there reaches ulik, the base, and the next opening of the window.

#include "desktop/scripted/scripteddialogs.h"
#include "editor/core/picturechoice.h"
#include "editor/ui/addimage.h"
#include "editor/ui/editorwindow.h"
#include "tests/support/editorbases.h"
#include "tests/support/tempbase.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <memory>

using editor::Editor;

class EditorPictureTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TempFolder> folder_;
    std::unique_ptr<desktop::ScriptedDialogs> dialogs_;
    desktop::ScriptedServices services_;
    std::unique_ptr<Editor> window_;
    QString base_;

    void savePicture(const QString& relative, QSize size) {
        const QString path = QDir(folder_->folder()).filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QVERIFY(image.save(path, "JPG"));
    }

    void openBase() {
        dialogs_->expectOpenFile(base_);
        window_->optest();
        QCOMPARE(window_->nomerok->text(), QStringLiteral("Вопрос № 1 из 2"));
    }

private slots:
    void init() {
        folder_ = std::make_unique<testsupport::TempFolder>();
        dialogs_ = std::make_unique<desktop::ScriptedDialogs>();
        services_.folder = folder_->folder();
        window_ = std::make_unique<Editor>(*dialogs_, services_);
        window_->show();
        base_ = testsupport::makeBase(*folder_, QStringLiteral("тест.mdb"), 2);
        savePicture(QStringLiteral("img/рис1.jpg"), QSize(300, 200));
        savePicture(QStringLiteral("img/рис2.jpg"), QSize(800, 400));
    }
    void cleanup() {
        VERIFY_ALL_SHOWN(*dialogs_);
        window_.reset();
    }

    void findDoesNothingWithoutABase() {
        window_->Command1_Click();
        QVERIFY(window_->pictureWindow() == nullptr);
    }

    void findOpensOneWindowAndRaisesIt() {
        openBase();
        window_->Command1_Click();
        QPointer<editor::AddImage> first = window_->pictureWindow();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        window_->Command1_Click();
        QCOMPARE(window_->pictureWindow(), first.data());
        window_->close();
        QTRY_VERIFY(!first);  // closing the main window closes its picture window too
    }

    void chosenPictureTravelsToTheBaseAndBack() {
        openBase();
        window_->Command1_Click();
        editor::AddImage* picker = window_->pictureWindow();
        picker->setDirFolder(QDir(folder_->folder()).filePath(QStringLiteral("img")));
        QVERIFY(picker->selectFile(QStringLiteral("рис2.jpg")));
        QVERIFY(picker->previewShown());
        QCOMPARE(picker->lastFit().width, 5500.0);
        QVERIFY(picker->selectFile(QStringLiteral("рис1.jpg")));
        picker->choose();
        QCOMPARE(window_->ulik->text(), QStringLiteral("img\\рис1.jpg"));
        QTRY_VERIFY(window_->pictureWindow() == nullptr);

        window_->Text2->setText(QStringLiteral("1"));
        window_->Command7_Click();
        window_->close();
        QCOMPARE(testsupport::readRows(base_, QStringLiteral("test")).at(0).at(7).toString(),
                 QStringLiteral("img\\рис1.jpg"));

        window_->show();
        openBase();
        QCOMPARE(window_->ulik->text(), QStringLiteral("img\\рис1.jpg"));
        window_->Command1_Click();
        picker = window_->pictureWindow();
        QCOMPARE(QDir(picker->fileFolder()).canonicalPath(),
                 QDir(QDir(folder_->folder()).filePath(QStringLiteral("img"))).canonicalPath());
        QVERIFY(picker->previewShown());
        QCOMPARE(picker->lastFit().width, 4500.0);
        QCOMPARE(picker->lastFit().left, 6880.0);
    }

    void pictureOutsideTheBaseFolderIsRefused() {
        openBase();
        window_->ulik->setText(QStringLiteral("прежняя.jpg"));
        testsupport::TempFolder elsewhere;
        dialogs_->expectMessage(editor::kOutsideBaseFolderMessage);
        window_->pictureChosen(QDir(elsewhere.folder()).filePath(QStringLiteral("a.jpg")));
        QCOMPARE(window_->ulik->text(), QStringLiteral("прежняя.jpg"));
        QCOMPARE(window_->karti, QDir(elsewhere.folder()).filePath(QStringLiteral("a.jpg")));
    }

    void fileThatIsNotAPictureChangesNothing() {
        openBase();
        window_->ulik->setText(QStringLiteral("прежняя.jpg"));
        window_->pictureChosen(QDir(folder_->folder()).filePath(QStringLiteral("notes.txt")));
        QCOMPARE(window_->ulik->text(), QStringLiteral("прежняя.jpg"));
    }
};

QTEST_MAIN(EditorPictureTest)
#include "tst_editorpicture.moc"
