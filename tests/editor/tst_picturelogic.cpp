#include "editor/core/picturechoice.h"
#include "editor/core/picturefile.h"
#include "editor/core/picturefit.h"
#include "tests/support/picturefiles.h"
#include "tests/support/tempbase.h"

#include <QDir>
#include <QtTest>

using editor::PictureChoice;
using Outcome = editor::PictureChoice::Outcome;

Q_DECLARE_METATYPE(Outcome)

class TestPictureLogic : public QObject {
    Q_OBJECT
private slots:
    void extensionTest_data();
    void extensionTest();
    void fitting_data();
    void fitting();
    void fittingFromPixels();
    void choice_data();
    void choice();
    void fullPathUsesNativeSeparators();
    void loading_data();
    void loading();
    void loadingKeepsNaturalSize();
};

void TestPictureLogic::extensionTest_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("picture");
    QTest::newRow("no dot") << "myjpg" << true;
    QTest::newRow("jpe") << "a.jpe" << false;
    QTest::newRow("mixed-case jpeg") << "Фото.JpEg" << true;
    QTest::newRow("bmp") << "a.bmp" << true;
    QTest::newRow("bare gif") << "gif" << true;
    QTest::newRow("png") << "a.png" << false;
    QTest::newRow("shorter than any ending") << "pg" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("ending not last") << "a.jpg.txt" << false;
    QTest::newRow("full path") << "/home/t/img/a.GIF" << true;
}

void TestPictureLogic::extensionTest() {
    QFETCH(QString, name);
    QFETCH(bool, picture);
    QCOMPARE(editor::isPictureName(name), picture);
}

void TestPictureLogic::fitting_data() {
    QTest::addColumn<QSizeF>("natural");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<QRectF>("box");
    // Pixel sizes × 15 twips.
    QTest::newRow("300x200 unscaled")
        << QSizeF(4500, 3000) << false << QRectF(6880, 1425, 4500, 3000);
    QTest::newRow("800x400 wide, both over")
        << QSizeF(12000, 6000) << true << QRectF(6380, 1550, 5500, 2750);
    QTest::newRow("400x800 tall, corrected")
        << QSizeF(6000, 12000) << true << QRectF(7755, 175, 2750, 5500);
    QTest::newRow("500x300 one side over")
        << QSizeF(7500, 4500) << true << QRectF(6380, 1275, 5500, 3300);
    QTest::newRow("tall, one side over")
        << QSizeF(3000, 7500) << true << QRectF(8030, 175, 2200, 5500);
    QTest::newRow("square over") << QSizeF(9000, 9000) << true << QRectF(6380, 175, 5500, 5500);
    QTest::newRow("square at limit") << QSizeF(5500, 5500) << true << QRectF(6380, 175, 5500, 5500);
    QTest::newRow("width at limit, height under")
        << QSizeF(5500, 3000) << false << QRectF(6380, 1425, 5500, 3000);
    QTest::newRow("height at limit, width under")
        << QSizeF(2000, 5500) << false << QRectF(8130, 175, 2000, 5500);
    QTest::newRow("width at limit, height over")
        << QSizeF(5500, 11000) << true << QRectF(7755, 175, 2750, 5500);
    QTest::newRow("one pixel") << QSizeF(15, 15) << false << QRectF(9122.5, 2917.5, 15, 15);
}

void TestPictureLogic::fitting() {
    QFETCH(QSizeF, natural);
    QFETCH(bool, stretch);
    QFETCH(QRectF, box);
    const float k = float(natural.height()) / float(natural.width());
    const editor::PreviewGeometry g = editor::fitPreview(natural, k);
    QCOMPARE(g.stretch, stretch);
    QVERIFY(g.visible);
    QCOMPARE(g.left, float(box.left()));
    QCOMPARE(g.top, float(box.top()));
    QCOMPARE(g.width, float(box.width()));
    QCOMPARE(g.height, float(box.height()));
}

void TestPictureLogic::fittingFromPixels() {
    // 600 × 400 pixels: k = 2/3 is not exact in single precision, and the height is the
    // single-precision product, not the exact one.
    const editor::PreviewGeometry g = editor::fitPreview(QSize(600, 400));
    const float k = 6000.0f / 9000.0f;
    QCOMPARE(g.width, 5500.0f);
    QCOMPARE(g.height, float(double(k) * 5500));
    QCOMPARE(g.top, float((5850.0 - g.height) / 2));
    QCOMPARE(g.pixelRect(), QRect(425, 73, 367, 244));

    QCOMPARE(editor::naturalTwips(QSize(300, 200)), QSizeF(4500, 3000));
    const editor::PreviewGeometry small = editor::fitPreview(QSize(300, 200));
    QCOMPARE(small.pixelRect(), QRect(459, 95, 300, 200));
}

void TestPictureLogic::choice_data() {
    const QString base = QDir::toNativeSeparators(QStringLiteral("/srv/Tests/math.mdb"));
    const auto native = [](const char* path) {
        return QDir::toNativeSeparators(QString::fromUtf8(path));
    };
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QString>("stored");
    QTest::newRow("base folder") << base << native("/srv/Tests/a.JPG") << Outcome::Accepted
                                 << "a.JPG";
    QTest::newRow("subfolder") << base << native("/srv/Tests/img/a.jpg") << Outcome::Accepted
                               << "img\\a.jpg";
    QTest::newRow("nested subfolder") << base << native("/srv/Tests/img/2024/рис1.jpeg")
                                      << Outcome::Accepted << "img\\2024\\рис1.jpeg";
    QTest::newRow("sibling sharing the prefix")
        << base << native("/srv/Tests2/a.jpg") << Outcome::OutsideBaseFolder << "";
    QTest::newRow("other folder") << base << native("/srv/Other/a.jpg")
                                  << Outcome::OutsideBaseFolder << "";
    QTest::newRow("letter case counts")
        << base << native("/srv/tests/a.jpg") << Outcome::OutsideBaseFolder << "";
    QTest::newRow("outside and not a picture")
        << base << native("/srv/Other/notes.txt") << Outcome::OutsideBaseFolder << "";
    QTest::newRow("not a picture")
        << base << native("/srv/Tests/notes.txt") << Outcome::NotAPicture << "";
    QTest::newRow("nothing selected")
        << base << native("/srv/Tests/") << Outcome::NotAPicture << "";
    QTest::newRow("base without folder") << "math.mdb"
                                         << "a.jpg" << Outcome::Failed << "";
    // The picture column holds 120 characters; a longer path would be stored cut.
    const QString name120 = QString(112, u'к') + QStringLiteral(".jpg");
    QTest::newRow("path of 120 fits")
        << base << QDir::toNativeSeparators(QStringLiteral("/srv/Tests/img/") + name120)
        << Outcome::Accepted << QStringLiteral("img\\") + name120;
    QTest::newRow("path of 121 refused")
        << base << QDir::toNativeSeparators(QStringLiteral("/srv/Tests/img/ж") + name120)
        << Outcome::NameTooLong << QString();
}

void TestPictureLogic::choice() {
    QFETCH(QString, base);
    QFETCH(QString, chosen);
    QFETCH(Outcome, outcome);
    QFETCH(QString, stored);
    const PictureChoice result = editor::choosePicture(chosen, base, 120);
    QCOMPARE(result.outcome, outcome);
    QCOMPARE(result.stored, stored);
}

void TestPictureLogic::fullPathUsesNativeSeparators() {
    const QString base = QDir::toNativeSeparators(QStringLiteral("/srv/Tests/math.mdb"));
    QCOMPARE(editor::pictureFullPath(base, QStringLiteral("img\\sub\\a.jpg")),
             QDir::toNativeSeparators(QStringLiteral("/srv/Tests/img/sub/a.jpg")));
    QCOMPARE(editor::pictureFullPath(base, QStringLiteral("a.jpg")),
             QDir::toNativeSeparators(QStringLiteral("/srv/Tests/a.jpg")));
    QCOMPARE(editor::baseFolder(base), QDir::toNativeSeparators(QStringLiteral("/srv/Tests")));
    // Stored and native forms convert back and forth.
    const QString stored = QStringLiteral("img\\a b\\c.gif");
    QCOMPARE(editor::toStoredSeparators(editor::toNativeSeparators(stored)), stored);
}

void TestPictureLogic::loading_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("loads");

    testsupport::TempFolder folder;
    const QString jpgPath = folder.path(QStringLiteral("good.jpg"));
    const QString bmpPath = folder.path(QStringLiteral("good.bmp"));
    testsupport::writePicture(jpgPath, QSize(120, 80));
    testsupport::writePicture(bmpPath, QSize(120, 80));
    const QByteArray jpg = testsupport::readBytes(jpgPath);
    const QByteArray bmp = testsupport::readBytes(bmpPath);

    QTest::newRow("jpeg") << "a.jpg" << jpg << true;
    QTest::newRow("jpeg with bytes after its end") << "a.jpg" << jpg + QByteArray(64, 'x') << true;
    QTest::newRow("bmp") << "a.bmp" << bmp << true;
    QTest::newRow("png") << "a.png" << testsupport::pngDeclaring(QSize(120, 80), true) << true;
    QTest::newRow("jpeg content under a bmp name") << "a.bmp" << jpg << true;
    QTest::newRow("zero bytes") << "a.jpg" << QByteArray() << false;
    QTest::newRow("corrupt") << "a.jpg" << QByteArray(2000, '\x5A') << false;
    QTest::newRow("jpeg signature, then garbage")
        << "a.jpg" << QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(500, '\x13') << false;
    QTest::newRow("jpeg cut in its header") << "a.jpg" << jpg.left(jpg.size() / 2) << false;
    QTest::newRow("jpeg cut in its image data") << "a.jpg" << jpg.left(jpg.size() - 40) << false;
    QTest::newRow("truncated bmp") << "a.bmp" << bmp.left(bmp.size() / 2) << false;
    const QByteArray gif = testsupport::tinyGif();
    QTest::newRow("gif") << "a.gif" << gif << true;
    QTest::newRow("gif cut before its frame ends") << "a.gif" << gif.left(gif.size() - 2) << false;
    QTest::newRow("gif cut in its colour table") << "a.gif" << gif.left(16) << false;
    QTest::newRow("png cut in its image data")
        << "a.png" << testsupport::pngDeclaring(QSize(120, 80), true).chopped(20) << false;
    QTest::newRow("png bomb 30000x30000")
        << "bomb.jpg" << testsupport::pngDeclaring(QSize(30000, 30000)) << false;
    QTest::newRow("gif bomb 65535x65535") << "bomb.gif" << testsupport::hugeGif() << false;
    QTest::newRow("just over the cap")
        << "big.jpg" << testsupport::pngDeclaring(QSize(8000, 5001)) << false;
}

void TestPictureLogic::loading() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, loads);
    testsupport::TempFolder folder;
    const QString path = folder.path(name);
    testsupport::writeBytes(path, bytes);
    const std::optional<QImage> image = editor::loadPicture(path);
    QCOMPARE(image.has_value(), loads);
    if (loads)
        QCOMPARE(image->size(),
                 name.endsWith(QLatin1String(".gif")) ? QSize(1, 1) : QSize(120, 80));
}

void TestPictureLogic::loadingKeepsNaturalSize() {
    testsupport::TempFolder folder;
    QVERIFY(!editor::loadPicture(folder.path(QStringLiteral("missing.jpg"))).has_value());
    // A picture of exactly the cap is still accepted.
    const QString path = folder.path(QStringLiteral("cap.png"));
    testsupport::writeBytes(path, testsupport::pngDeclaring(QSize(8000, 5000), true));
    const std::optional<QImage> image = editor::loadPicture(path);
    QVERIFY(image.has_value());
    QCOMPARE(image->size(), QSize(8000, 5000));
}

QTEST_GUILESS_MAIN(TestPictureLogic)
#include "tst_picturelogic.moc"
