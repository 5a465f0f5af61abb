#include "editor/core/picturechoice.h"
#include "editor/ui/addimage.h"
#include "editor/ui/picturehost.h"
#include "tests/support/picturefiles.h"
#include "tests/support/tempbase.h"
#include "tests/support/useractions.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

namespace {

// The main window as the picture window sees it: the base's path, the picture field, and the
// files handed back by "Выбрать".
class FakeHost final : public editor::PictureHost {
public:
    QString base;
    QString field;
    QStringList chosen;

    QString baseFilePath() const override { return base; }
    QString pictureFieldText() const override { return field; }
    void pictureChosen(const QString& karti) override { chosen << karti; }
};

// A base folder "tests" holding math.mdb, with an img/ subfolder of pictures and a sibling
// folder "tests2" whose name begins with the base folder's name.
struct Layout {
    testsupport::TempFolder temp;
    QString baseFolder;
    QString img;
    QString sibling;
    FakeHost host;

    Layout() {
        QDir root(temp.folder());
        root.mkpath(QStringLiteral("tests/img"));
        root.mkpath(QStringLiteral("tests2"));
        baseFolder = QDir::toNativeSeparators(root.filePath(QStringLiteral("tests")));
        img = QDir::toNativeSeparators(root.filePath(QStringLiteral("tests/img")));
        sibling = QDir::toNativeSeparators(root.filePath(QStringLiteral("tests2")));
        host.base = baseFolder + QDir::separator() + QStringLiteral("math.mdb");
        testsupport::writeBytes(host.base, "base");
        testsupport::writePicture(in(img, "a.jpg"), QSize(300, 200));
        testsupport::writePicture(in(img, "wide.bmp"), QSize(800, 400));
        testsupport::writePicture(in(img, "tall.jpg"), QSize(400, 800));
        testsupport::writePicture(in(baseFolder, "top.jpg"), QSize(500, 300));
        testsupport::writePicture(in(sibling, "other.jpg"), QSize(30, 20));
        testsupport::writeBytes(in(img, "notes.txt"), "text");
        testsupport::writeBytes(in(baseFolder, "gif"), "GIF89a");
    }
    static QString in(const QString& folder, const char* name) {
        return folder + QDir::separator() + QString::fromUtf8(name);
    }
};

QRectF twips(const editor::PreviewGeometry& g) {
    return QRectF(g.left, g.top, g.width, g.height);
}

// Twips are single-precision results (5500 × 0.6f is not exactly 3300): compare to a hundredth.
bool sameBox(const QRectF& actual, const QRectF& expected) {
    const auto near = [](qreal a, qreal b) { return qAbs(a - b) < 0.01; };
    return near(actual.left(), expected.left()) && near(actual.top(), expected.top()) &&
           near(actual.width(), expected.width()) && near(actual.height(), expected.height());
}

QByteArray describe(const QRectF& box) {
    return QStringLiteral("%1,%2 %3x%4")
        .arg(box.left())
        .arg(box.top())
        .arg(box.width())
        .arg(box.height())
        .toUtf8();
}

#define COMPARE_BOX(actual, expected) \
    QVERIFY2(sameBox(actual, expected), describe(actual).constData())

}  // namespace

class TestPictureWindow : public QObject {
    Q_OBJECT
private slots:
    void init() { QDir::setCurrent(QDir::tempPath()); }

    void windowLayout();
    void loadOpensAtNestedPicture();
    void loadLeavesListsWhenPictureMissing();
    void loadHidesPreviewForNonPicture();
    void loadNeverLooksAtShortNames();
    void clickingFitsAndCentres_data();
    void clickingFitsAndCentres();
    void badFilesHidePreviewAndWindowStaysUsable_data();
    void badFilesHidePreviewAndWindowStaysUsable();
    void folderAndDriveNavigation();
    void chooseHandsPathToHostAndCloses();
    void chooseWithoutSelection();
    void showForRaisesOpenWindow();
    void keyboard_data();
    void keyboard();
};

void TestPictureWindow::windowLayout() {
    FakeHost host;
    host.base = QStringLiteral("/nowhere/math.mdb");
    editor::AddImage window(host);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    QCOMPARE(window.windowTitle(), QStringLiteral("Выберите изображение для вопроса"));
    QCOMPARE(window.size(), QSize(835, 394));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QVERIFY(window.windowFlags().testFlag(Qt::Tool));
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(window.parentWidget() == nullptr);
    QVERIFY(!window.isModal());
    // Announced by a screen reader as a window with its title, not as a bare panel.
    QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(&window);
    QCOMPARE(heard->role(), QAccessible::Dialog);
    QCOMPARE(heard->text(QAccessible::Name), window.windowTitle());

    const struct {
        const char* name;
        QRect pixels;
    } controls[] = {
        {"Drive1", QRect(72, 24, 209, 21)},    {"prev", QRect(168, 296, 65, 49)},
        {"Command1", QRect(32, 328, 129, 33)}, {"Dir1", QRect(8, 72, 185, 231)},
        {"File1", QRect(200, 72, 185, 301)},   {"seeyou", QRect(392, 8, 433, 380)},
        {"Label1", QRect(8, 26, 60, 17)},
    };
    for (const auto& control : controls) {
        auto* widget = window.findChild<QWidget*>(QLatin1String(control.name));
        QVERIFY2(widget, control.name);
        QCOMPARE(widget->geometry(), control.pixels);
        QVERIFY2(!widget->accessibleName().isEmpty(), control.name);
    }
    QCOMPARE(window.findChild<QPushButton*>("Command1")->text(), QStringLiteral("Выбрать"));
    // The drive list is heard as its label and then the drive it shows (on Linux Qt names a
    // combo box by its current item only).
    auto* drives = window.findChild<QComboBox*>("Drive1");
    QAccessibleInterface* drive = QAccessible::queryAccessibleInterface(drives);
    const auto labels = drive->relations(QAccessible::Label);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first().first->text(QAccessible::Name), QStringLiteral("Диск"));
    QCOMPARE(drive->text(QAccessible::Value), drives->currentText());
    QVERIFY(window.findChild<QLabel*>("prev")->isHidden());
    QVERIFY(window.previewShown());
    QVERIFY(window.volumes().contains(QDir::rootPath()));
}

void TestPictureWindow::loadOpensAtNestedPicture() {
    Layout layout;
    layout.host.field = QStringLiteral("img\\a.jpg");
    editor::AddImage window(layout.host);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    QCOMPARE(window.fileFolder(), layout.img);
    QCOMPARE(window.dirFolder(), layout.img);
    QCOMPARE(window.fileNames(), QStringList({"a.jpg", "notes.txt", "tall.jpg", "wide.bmp"}));
    // The load previews the picture but selects nothing in the file list.
    QVERIFY(window.findChild<QListWidget*>("File1")->selectedItems().isEmpty());
    QVERIFY(window.previewShown());
    COMPARE_BOX(twips(window.lastFit()), QRectF(6880, 1425, 4500, 3000));
    auto* seeyou = window.findChild<QLabel*>("seeyou");
    QCOMPARE(seeyou->geometry(), QRect(459, 95, 300, 200));
    QVERIFY(!seeyou->hasScaledContents());
    QVERIFY(!seeyou->pixmap().isNull());
    QCOMPARE(window.findChild<QLabel*>("prev")->size(), QSize(300, 200));
}

void TestPictureWindow::loadLeavesListsWhenPictureMissing() {
    Layout layout;
    layout.host.field = QStringLiteral("img\\gone.jpg");
    editor::AddImage window(layout.host);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    const QString current = QDir::toNativeSeparators(QDir::currentPath());
    QCOMPARE(window.dirFolder(), current);
    QCOMPARE(window.fileFolder(), current);
    QVERIFY(window.previewShown());
    QVERIFY(window.findChild<QLabel*>("seeyou")->pixmap().isNull());
}

void TestPictureWindow::loadHidesPreviewForNonPicture() {
    Layout layout;
    layout.host.field = QStringLiteral("img\\notes.txt");
    editor::AddImage window(layout.host);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    QCOMPARE(window.fileFolder(), layout.img);
    QVERIFY(!window.previewShown());
}

void TestPictureWindow::loadNeverLooksAtShortNames() {
    Layout layout;
    // "gif" exists in the base folder and passes the extension test, but is too short.
    layout.host.field = QStringLiteral("gif");
    editor::AddImage window(layout.host);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    QCOMPARE(window.fileFolder(), QDir::toNativeSeparators(QDir::currentPath()));
    QVERIFY(window.previewShown());

    // A picture in the base folder itself opens the lists there.
    layout.host.field = QStringLiteral("top.jpg");
    editor::AddImage second(layout.host);
    second.setAttribute(Qt::WA_DeleteOnClose, false);
    QCOMPARE(second.fileFolder(), layout.baseFolder);
    COMPARE_BOX(twips(second.lastFit()), QRectF(6380, 1275, 5500, 3300));
}

void TestPictureWindow::clickingFitsAndCentres_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<QRectF>("box");
    QTest::newRow("300x200") << "a.jpg" << false << QRectF(6880, 1425, 4500, 3000);
    QTest::newRow("800x400") << "wide.bmp" << true << QRectF(6380, 1550, 5500, 2750);
    QTest::newRow("400x800") << "tall.jpg" << true << QRectF(7755, 175, 2750, 5500);
}

void TestPictureWindow::clickingFitsAndCentres() {
    QFETCH(QString, name);
    QFETCH(bool, stretch);
    QFETCH(QRectF, box);
    Layout layout;
    editor::AddImage window(layout.host);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.setDirFolder(layout.img);
    QVERIFY(window.selectFile(name));
    QVERIFY(window.previewShown());
    QCOMPARE(window.lastFit().stretch, stretch);
    COMPARE_BOX(twips(window.lastFit()), box);
    auto* seeyou = window.findChild<QLabel*>("seeyou");
    QCOMPARE(seeyou->hasScaledContents(), stretch);
    QCOMPARE(seeyou->geometry(), window.lastFit().pixelRect());
}

void TestPictureWindow::badFilesHidePreviewAndWindowStaysUsable_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("not a picture name") << "readme.txt" << QByteArray("hello");
    QTest::newRow("zero bytes") << "empty.jpg" << QByteArray();
    QTest::newRow("corrupt") << "noise.bmp" << QByteArray(3000, '\x7F');
    QTest::newRow("decompression bomb")
        << "bomb.jpg" << testsupport::pngDeclaring(QSize(30000, 30000));
    QTest::newRow("huge gif") << "huge.gif" << testsupport::hugeGif();
}

void TestPictureWindow::badFilesHidePreviewAndWindowStaysUsable() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    Layout layout;
    testsupport::writeBytes(layout.img + QDir::separator() + name, bytes);
    editor::AddImage window(layout.host);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.setDirFolder(layout.img);

    QVERIFY(window.selectFile(QStringLiteral("a.jpg")));
    QVERIFY(window.previewShown());
    QVERIFY(window.selectFile(name));
    QVERIFY(!window.previewShown());
    QVERIFY(window.findChild<QLabel*>("seeyou")->pixmap().isNull());
    // The next good picture is previewed again.
    QVERIFY(window.selectFile(QStringLiteral("wide.bmp")));
    QVERIFY(window.previewShown());
    COMPARE_BOX(twips(window.lastFit()), QRectF(6380, 1550, 5500, 2750));
}

void TestPictureWindow::folderAndDriveNavigation() {
    Layout layout;
    editor::AddImage window(layout.host);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.setDirFolder(layout.baseFolder);
    QCOMPARE(window.fileFolder(), layout.baseFolder);

    // Opening a subfolder and going back up through "..".
    auto* dir1 = window.findChild<QListWidget*>("Dir1");
    const auto activate = [&](const QString& text) {
        const QList<QListWidgetItem*> items = dir1->findItems(text, Qt::MatchExactly);
        QVERIFY2(items.size() == 1, qPrintable(text));
        emit dir1->itemActivated(items.first());
    };
    activate(QStringLiteral("img"));
    QCOMPARE(window.dirFolder(), layout.img);
    QCOMPARE(window.fileFolder(), layout.img);
    activate(QStringLiteral(".."));
    QCOMPARE(window.dirFolder(), layout.baseFolder);

    // A folder or drive that cannot be read leaves the lists where they were.
    window.setDirFolder(layout.baseFolder + QStringLiteral("/missing"));
    QCOMPARE(window.dirFolder(), layout.baseFolder);
    window.chooseDrive(QStringLiteral("/no/such/volume"));
    QCOMPARE(window.dirFolder(), layout.baseFolder);
    QVERIFY(window.selectFile(QStringLiteral("top.jpg")));
    QVERIFY(window.previewShown());

    window.chooseDrive(QDir::rootPath());
    QCOMPARE(window.dirFolder(), QDir::toNativeSeparators(QDir::rootPath()));
    QCOMPARE(window.findChild<QComboBox*>("Drive1")->currentText(), QDir::rootPath());
}

void TestPictureWindow::chooseHandsPathToHostAndCloses() {
    Layout layout;
    QPointer<editor::AddImage> window = new editor::AddImage(layout.host);
    window->show();
    window->setDirFolder(layout.img);
    QVERIFY(window->selectFile(QStringLiteral("a.jpg")));
    window->findChild<QPushButton*>("Command1")->click();
    QCOMPARE(layout.host.chosen, QStringList(layout.img + QDir::separator() + "a.jpg"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());

    const editor::PictureChoice inside =
        editor::choosePicture(layout.host.chosen.last(), layout.host.base);
    QCOMPARE(inside.outcome, editor::PictureChoice::Outcome::Accepted);
    QCOMPARE(inside.stored, QStringLiteral("img\\a.jpg"));

    // A picture of the sibling folder that shares the base folder's name is refused.
    editor::AddImage* other = new editor::AddImage(layout.host);
    other->setDirFolder(layout.sibling);
    QVERIFY(other->selectFile(QStringLiteral("other.jpg")));
    testsupport::clickButton(*other, QStringLiteral("Command1"));  // "Выбрать"
    QCOMPARE(editor::choosePicture(layout.host.chosen.last(), layout.host.base).outcome,
             editor::PictureChoice::Outcome::OutsideBaseFolder);
}

void TestPictureWindow::chooseWithoutSelection() {
    Layout layout;
    layout.host.field = QStringLiteral("img\\a.jpg");
    auto* window = new editor::AddImage(layout.host);
    testsupport::clickButton(*window, QStringLiteral("Command1"));  // "Выбрать"
    QCOMPARE(layout.host.chosen.size(), 1);
    QCOMPARE(editor::choosePicture(layout.host.chosen.first(), layout.host.base).outcome,
             editor::PictureChoice::Outcome::NotAPicture);

    auto* outside = new editor::AddImage(layout.host);
    outside->setDirFolder(layout.sibling);
    testsupport::clickButton(*outside, QStringLiteral("Command1"));  // "Выбрать"
    QCOMPARE(editor::choosePicture(layout.host.chosen.last(), layout.host.base).outcome,
             editor::PictureChoice::Outcome::OutsideBaseFolder);
}

void TestPictureWindow::showForRaisesOpenWindow() {
    Layout layout;
    layout.host.field = QStringLiteral("img\\a.jpg");
    QPointer<editor::AddImage> slot;
    editor::AddImage* first = editor::AddImage::showFor(slot, layout.host);
    QVERIFY(first->isVisible());
    first->setDirFolder(layout.baseFolder);
    // Shown again while open: the same window, its load steps not run again.
    QCOMPARE(editor::AddImage::showFor(slot, layout.host), first);
    QCOMPARE(first->dirFolder(), layout.baseFolder);

    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(slot.isNull());
    editor::AddImage* second = editor::AddImage::showFor(slot, layout.host);
    QCOMPARE(second->dirFolder(), layout.img);
    second->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestPictureWindow::keyboard_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("chosen");  // "Выбрать" ran: the window handed a.jpg over and closed
    QTest::addColumn<bool>("closed");
    const Qt::KeyboardModifiers none;
    QTest::newRow("Return on Выбрать") << "Command1" << int(Qt::Key_Return) << none << true << true;
    QTest::newRow("keypad Enter on Выбрать")
        << "Command1" << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << true
        << true;
    QTest::newRow("Return in the file list")
        << "File1" << int(Qt::Key_Return) << none << false << false;
    QTest::newRow("Escape in the file list")
        << "File1" << int(Qt::Key_Escape) << none << false << true;
    QTest::newRow("Escape on the drive list")
        << "Drive1" << int(Qt::Key_Escape) << none << false << true;
}

void TestPictureWindow::keyboard() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, chosen);
    QFETCH(bool, closed);
    Layout layout;
    QPointer<editor::AddImage> slot;
    editor::AddImage::showFor(slot, layout.host);
    testsupport::activate(*slot);
    slot->setDirFolder(layout.img);
    QVERIFY(slot->selectFile(QStringLiteral("a.jpg")));
    slot->findChild<QWidget*>(focus)->setFocus();
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);

    testsupport::pressKey(key, modifiers);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(layout.host.chosen,
             chosen ? QStringList(layout.img + QDir::separator() + "a.jpg") : QStringList());
    QCOMPARE(slot.isNull(), closed);
    if (!closed)
        slot->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QTEST_MAIN(TestPictureWindow)
#include "tst_pictureaddimage.moc"
