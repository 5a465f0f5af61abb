// The .docx the Word export writes: its package, its paragraphs and sizes, and its pictures.

#include "exporter/core/docxwriter.h"
#include "exporter/core/imageinfo.h"
#include "exporter/core/wordsession.h"
#include "questionbase/error.h"
#include "tests/support/docxpackage.h"
#include "tests/support/picturefiles.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using exporter::DocxWriter;

namespace {

// A picture of one colour as Qt writes it in `format`.
QByteArray imageBytes(int width, int height, Qt::GlobalColor colour, const char* format,
                      QImage::Format pixels = QImage::Format_RGB32) {
    QImage image(width, height, pixels);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray jpegBytes(int width, int height) {
    return imageBytes(width, height, Qt::darkYellow, "JPG");
}

// Grey, so Qt writes a photo-sized JPEG in a fraction of a second.
QByteArray largeJpegBytes(int width, int height) {
    return imageBytes(width, height, Qt::gray, "JPG", QImage::Format_Grayscale8);
}

// The JPEG with its scan asking for Huffman tables the file never defines: the header reads
// and the markers and the end are all in place, only decoding finds the fault.
QByteArray withUndefinedHuffmanTables(QByteArray jpeg) {
    const qsizetype scan = jpeg.indexOf("\xFF\xDA");
    const int components = quint8(jpeg[scan + 4]);
    for (int i = 0; i < components; ++i)
        jpeg[scan + 6 + 2 * i] = char(0x33);
    return jpeg;
}

// The JPEG with its APP0/APP1 segments replaced by `segment` (marker and length included).
QByteArray withHeaderSegment(const QByteArray& jpeg, const QByteArray& segment) {
    qsizetype at = 2;
    while (quint8(jpeg[at]) == 0xFF &&
           (quint8(jpeg[at + 1]) == 0xE0 || quint8(jpeg[at + 1]) == 0xE1))
        at += 2 + ((quint8(jpeg[at + 2]) << 8) | quint8(jpeg[at + 3]));
    return jpeg.left(2) + segment + jpeg.mid(at);
}

QByteArray be16(int v) {
    return QByteArray(1, char(v >> 8)) + char(v & 0xFF);
}
QByteArray be32(quint32 v) {
    return be16(int(v >> 16)) + be16(int(v & 0xFFFF));
}

QByteArray jfif(int units, int x, int y) {
    QByteArray body = QByteArray("JFIF\0", 5) + char(1) + char(1) + char(units) + be16(x) +
                      be16(y) + char(0) + char(0);
    return QByteArray("\xFF\xE0") + be16(int(body.size()) + 2) + body;
}

// Exif with IFD0 XResolution, YResolution and ResolutionUnit, big-endian; `ifd` and `xAt`
// replace the true offsets of IFD0 and of XResolution's value.
QByteArray exif(quint32 x, quint32 y, int unit, quint32 ifd = 8, quint32 xAt = 0) {
    QByteArray tiff = QByteArray("MM\0*", 4) + be32(ifd) + be16(3);
    const quint32 rationals = 8 + 2 + 3 * 12 + 4;
    tiff += be16(0x011A) + be16(5) + be32(1) + be32(xAt != 0 ? xAt : rationals);
    tiff += be16(0x011B) + be16(5) + be32(1) + be32(rationals + 8);
    tiff += be16(0x0128) + be16(3) + be32(1) + be16(unit) + be16(0);
    tiff += be32(0) + be32(x) + be32(1) + be32(y) + be32(1);
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    return QByteArray("\xFF\xE1") + be16(int(body.size()) + 2) + body;
}

QByteArray bmpBytes(int width, int height, int pixelsPerMetre) {
    QByteArray bytes = imageBytes(width, height, Qt::red, "BMP");
    for (int offset : {38, 42})
        for (int i = 0; i < 4; ++i)
            bytes[offset + i] = char((pixelsPerMetre >> (8 * i)) & 0xFF);
    return bytes;
}

QByteArray gifBytes(int width, int height) {
    // Qt writes no GIF: a one-colour picture by hand (LZW minimum code size 2, clear + end).
    QByteArray gif = QByteArray("GIF89a");
    gif += char(width & 0xFF);
    gif += char(width >> 8);
    gif += char(height & 0xFF);
    gif += char(height >> 8);
    gif += QByteArray("\x80\x00\x00", 3) + QByteArray("\xFF\x00\x00\x00\x00\x00", 6);
    gif += QByteArray(",\0\0\0\0", 5);
    gif += char(width & 0xFF);
    gif += char(width >> 8);
    gif += char(height & 0xFF);
    gif += char(height >> 8);
    gif += QByteArray("\x00\x02\x02\x44\x01\x00;", 7);
    return gif;
}

QString save(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return file.fileName();
}

// Names of the children of the first element called `parent`, in document order.
QStringList childOrder(const QByteArray& xmlText, const QString& parent) {
    QXmlStreamReader xml(xmlText);
    QStringList names;
    int depth = -1;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (depth == -1 && xml.qualifiedName() == parent)
                depth = 0;
            else if (depth >= 0 && ++depth == 1)
                names << xml.qualifiedName().toString();
        } else if (xml.isEndElement() && depth >= 0) {
            if (depth == 0)
                break;
            --depth;
        }
    }
    return names;
}

}  // namespace

class DocxWriterTest : public QObject {
    Q_OBJECT
private slots:
    void fontSteps_data();
    void fontSteps();
    void packageParts();
    void paragraphsAndSizes();
    void textIsKeptAsTyped();
    void pictureExtent_data();
    void pictureExtent();
    void samePictureTwiceIsStoredOnce();
    void refusedPictures_data();
    void refusedPictures();
    void documentCutShortStaysReadable();
    void unwritablePathThrows();
};

void DocxWriterTest::fontSteps_data() {
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("grown");
    QTest::addColumn<double>("shrunk");
    QTest::newRow("12") << 12.0 << 14.0 << 11.0;
    QTest::newRow("14") << 14.0 << 16.0 << 12.0;
    QTest::newRow("16") << 16.0 << 18.0 << 14.0;
    QTest::newRow("between listed sizes") << 13.0 << 14.0 << 12.0;
    QTest::newRow("28 to 36") << 28.0 << 36.0 << 26.0;
    QTest::newRow("72") << 72.0 << 80.0 << 48.0;
    QTest::newRow("above the list, by ten") << 80.0 << 90.0 << 72.0;
    QTest::newRow("8") << 8.0 << 9.0 << 7.0;
    QTest::newRow("below the list, by one") << 5.0 << 6.0 << 4.0;
    QTest::newRow("smallest") << 1.0 << 2.0 << 1.0;
    QTest::newRow("largest") << 1638.0 << 1638.0 << 1630.0;
}

void DocxWriterTest::fontSteps() {
    QFETCH(double, from);
    QFETCH(double, grown);
    QFETCH(double, shrunk);
    QCOMPARE(exporter::grownFontSize(from), grown);
    QCOMPARE(exporter::shrunkFontSize(from), shrunk);
}

void DocxWriterTest::packageParts() {
    QTemporaryDir dir;
    const QString picture = save(dir, QStringLiteral("p.jpg"), jpegBytes(30, 20));
    const QString path = dir.filePath(QStringLiteral("Вопросы.docx"));
    {
        DocxWriter writer(path);
        writer.setCaption(QStringLiteral("Вопросы"));
        writer.setParagraphFormat({});
        writer.typeText(QStringLiteral("Текст"));
        QVERIFY(writer.addInlinePicture(picture));
        writer.typeParagraph();
        writer.finish();
    }
    const auto parts = testsupport::unzipAll(path);
    for (const char* name : {"[Content_Types].xml", "_rels/.rels", "word/document.xml",
                             "word/_rels/document.xml.rels", "word/styles.xml", "word/settings.xml",
                             "docProps/core.xml", "docProps/app.xml", "word/media/image1.jpeg"})
        QVERIFY2(parts.contains(QString::fromLatin1(name)), name);
    QCOMPARE(parts.value(QStringLiteral("word/media/image1.jpeg")),
             testsupport::unzipAll(path).value(QStringLiteral("word/media/image1.jpeg")));
    QFile original(picture);
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(parts.value(QStringLiteral("word/media/image1.jpeg")), original.readAll());

    const QByteArray types = parts.value(QStringLiteral("[Content_Types].xml"));
    QVERIFY(types.contains(R"(<Default Extension="jpeg" ContentType="image/jpeg"/>)"));
    // A .docx is a document; only a .dotx is a template.
    QVERIFY(types.contains(
        R"(<Override PartName="/word/document.xml" ContentType="application/)"
        R"(vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>)"));
    QVERIFY(!types.contains("image/gif"));
    const QByteArray rels = parts.value(QStringLiteral("word/_rels/document.xml.rels"));
    QVERIFY(rels.contains(R"(Target="media/image1.jpeg")"));
    QVERIFY(!rels.contains("TargetMode"));  // embedded, not linked
    QVERIFY(
        parts.value(QStringLiteral("docProps/core.xml")).contains("<dc:title>Вопросы</dc:title>"));

    const QByteArray styles = parts.value(QStringLiteral("word/styles.xml"));
    QVERIFY(styles.contains(R"(w:ascii="Times New Roman")"));
    QVERIFY(styles.contains(R"(<w:sz w:val="24"/>)"));
    QVERIFY(!styles.contains("suppressAutoHyphens"));
    QCOMPARE(childOrder(styles, QStringLiteral("w:pPr")),
             (QStringList{QStringLiteral("w:keepNext"), QStringLiteral("w:keepLines"),
                          QStringLiteral("w:pageBreakBefore"), QStringLiteral("w:widowControl"),
                          QStringLiteral("w:suppressLineNumbers"), QStringLiteral("w:spacing")}));
    QVERIFY(styles.contains(R"(<w:spacing w:before="0" w:after="0"/>)"));
    QVERIFY(styles.contains(R"(<w:keepNext w:val="0"/>)"));
    QVERIFY(styles.contains(R"(<w:widowControl/>)"));

    const QByteArray document = parts.value(QStringLiteral("word/document.xml"));
    QCOMPARE(childOrder(document, QStringLiteral("wp:inline")),
             (QStringList{QStringLiteral("wp:extent"), QStringLiteral("wp:effectExtent"),
                          QStringLiteral("wp:docPr"), QStringLiteral("wp:cNvGraphicFramePr"),
                          QStringLiteral("a:graphic")}));
    for (const char* ns : {"xmlns:w=", "xmlns:r=", "xmlns:wp=", "xmlns:a=", "xmlns:pic="})
        QVERIFY2(document.contains(ns), ns);
    QString error;
    testsupport::readParagraphs(document, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void DocxWriterTest::paragraphsAndSizes() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("d.docx"));
    {
        DocxWriter writer(path);
        writer.fontGrow();
        writer.fontGrow();
        writer.typeText(QStringLiteral("   Вопрос"));
        writer.typeParagraph();
        writer.fontShrink();
        writer.fontShrink();
        writer.typeText(QStringLiteral("*Верный"));
        writer.typeParagraph();
        writer.typeParagraph();
        // Grown in the middle of a paragraph: two runs of their own sizes.
        writer.typeText(QStringLiteral("мал"));
        writer.fontGrow();
        writer.typeText(QStringLiteral("ВЕЛИК"));
    }  // finished by the destructor
    const auto paragraphs = testsupport::readParagraphs(
        testsupport::unzipAll(path).value(QStringLiteral("word/document.xml")));
    QCOMPARE(paragraphs.size(), 4);
    QCOMPARE(paragraphs.at(0).text, QStringLiteral("   Вопрос"));
    QCOMPARE(paragraphs.at(0).markHalfPoints, 32);
    QCOMPARE(paragraphs.at(0).runs.first().halfPoints, 32);
    QCOMPARE(paragraphs.at(0).runs.first().halfPointsCs, 32);
    QCOMPARE(paragraphs.at(1).text, QStringLiteral("*Верный"));
    QCOMPARE(paragraphs.at(1).runs.first().halfPoints, 24);
    QCOMPARE(paragraphs.at(1).markHalfPoints, 24);
    QVERIFY(paragraphs.at(2).text.isEmpty());
    QCOMPARE(paragraphs.at(2).markHalfPoints, 24);
    QCOMPARE(paragraphs.at(3).runs.size(), 2);
    QCOMPARE(paragraphs.at(3).runs.at(0).halfPoints, 24);
    QCOMPARE(paragraphs.at(3).runs.at(1).halfPoints, 28);
    QCOMPARE(paragraphs.at(3).markHalfPoints, 28);
}

void DocxWriterTest::textIsKeptAsTyped() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("d.docx"));
    {
        DocxWriter writer(path);
        writer.typeText(QStringLiteral("   строка 1\r\nстрока 2\tпосле табуляции <&> \x01конец"));
        writer.typeParagraph();
    }
    QString error;
    const auto paragraphs = testsupport::readParagraphs(
        testsupport::unzipAll(path).value(QStringLiteral("word/document.xml")), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(paragraphs.size(), 3);
    QCOMPARE(paragraphs.at(0).text, QStringLiteral("   строка 1"));
    QVERIFY(paragraphs.at(0).runs.first().preserved);
    QCOMPARE(paragraphs.at(1).text, QStringLiteral("строка 2\tпосле табуляции <&> конец"));
}

void DocxWriterTest::pictureExtent_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("part");
    QTest::addColumn<qint64>("cx");
    QTest::addColumn<qint64>("cy");

    const QByteArray jpeg = jpegBytes(300, 200);
    QTest::newRow("JPEG at 96 dpi")
        << withHeaderSegment(jpeg, jfif(1, 96, 96)) << "a.jpg"
        << "word/media/image1.jpeg" << qint64(2857500) << qint64(1905000);
    QTest::newRow("JPEG at 150 dpi")
        << withHeaderSegment(jpeg, jfif(1, 150, 150)) << "a.jpg"
        << "word/media/image1.jpeg" << qint64(1828800) << qint64(1219200);
    QTest::newRow("JPEG in dots per cm")
        << withHeaderSegment(jpeg, jfif(2, 118, 59)) << "a.jpg"
        << "word/media/image1.jpeg" << qint64(914400 * 300 / 299.72 + 0.5)
        << qint64(914400 * 200 / 149.86 + 0.5);
    QTest::newRow("JPEG aspect only: 96")
        << withHeaderSegment(jpeg, jfif(0, 1, 1)) << "a.jpg"
        << "word/media/image1.jpeg" << qint64(2857500) << qint64(1905000);
    QTest::newRow("JPEG without JFIF or Exif: 96")
        << withHeaderSegment(jpeg, QByteArray()) << "a.jpg"
        << "word/media/image1.jpeg" << qint64(2857500) << qint64(1905000);
    QTest::newRow("JPEG with Exif at 72 dpi")
        << withHeaderSegment(jpeg, exif(72, 72, 2)) << "a.jpg"
        << "word/media/image1.jpeg" << qint64(3810000) << qint64(2540000);
    // Offsets near 4 GiB wrapped round in 32-bit bounds checks and read far past the file.
    for (const quint32 ifd : {0xFFFFFFFFu, 0xFFFFFFFEu}) {
        QTest::newRow(qPrintable(QStringLiteral("JPEG with Exif IFD0 at %1: 96").arg(ifd, 0, 16)))
            << withHeaderSegment(jpeg, exif(72, 72, 2, ifd)) << "a.jpg"
            << "word/media/image1.jpeg" << qint64(2857500) << qint64(1905000);
    }
    QTest::newRow("JPEG with Exif XResolution at fffffff9: Y only, 96")
        << withHeaderSegment(jpeg, exif(72, 72, 2, 8, 0xFFFFFFF9u)) << "a.jpg"
        << "word/media/image1.jpeg" << qint64(2857500) << qint64(1905000);
    QTest::newRow("BMP at 3780 per metre")
        << bmpBytes(300, 200, 3780) << "a.bmp"
        << "word/media/image1.bmp" << qint64(300 * 914400 / 96.012 + 0.5)
        << qint64(200 * 914400 / 96.012 + 0.5);
    QTest::newRow("BMP without resolution: 96")
        << bmpBytes(300, 200, 0) << "a.bmp"
        << "word/media/image1.bmp" << qint64(2857500) << qint64(1905000);
    QTest::newRow("GIF: 96") << gifBytes(300, 200) << "a.gif"
                             << "word/media/image1.gif" << qint64(2857500) << qint64(1905000);
    // Pictures beyond what Qt allocates whole (about 33 megapixels) up to the pixel cap.
    QTest::newRow("JPEG of 6000 × 6000")
        << withHeaderSegment(largeJpegBytes(6000, 6000), jfif(1, 96, 96)) << "a.jpg"
        << "word/media/image1.jpeg" << qint64(57150000) << qint64(57150000);
    QTest::newRow("PNG of 6000 × 6000")
        << testsupport::pngDeclaring(QSize(6000, 6000), true) << "a.png"
        << "word/media/image1.png" << qint64(57150000) << qint64(57150000);
    QTest::newRow("GIF of 8000 × 8000, the most pixels taken")
        << gifBytes(8000, 8000) << "a.gif"
        << "word/media/image1.gif" << qint64(76200000) << qint64(76200000);
}

void DocxWriterTest::pictureExtent() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QString, part);
    QFETCH(qint64, cx);
    QFETCH(qint64, cy);

    QTemporaryDir dir;
    const QString picture = save(dir, name, bytes);
    const QString path = dir.filePath(QStringLiteral("d.docx"));
    {
        DocxWriter writer(path);
        QVERIFY(writer.addInlinePicture(picture));
        writer.typeParagraph();
    }
    const auto parts = testsupport::unzipAll(path);
    QCOMPARE(parts.value(part), bytes);
    const auto paragraphs =
        testsupport::readParagraphs(parts.value(QStringLiteral("word/document.xml")));
    const auto& run = paragraphs.first().runs.first();
    QVERIFY(run.picture);
    QCOMPARE(run.extentCx, cx);
    QCOMPARE(run.extentCy, cy);
    QCOMPARE(run.extCx, cx);
    QCOMPARE(run.extCy, cy);
    const QString extension = QFileInfo(part).suffix();
    QVERIFY(parts.value(QStringLiteral("[Content_Types].xml"))
                .contains(QStringLiteral(R"(<Default Extension="%1" ContentType="image/%1"/>)")
                              .arg(extension)
                              .toUtf8()));
}

void DocxWriterTest::samePictureTwiceIsStoredOnce() {
    QTemporaryDir dir;
    const QString first = save(dir, QStringLiteral("a.jpg"), jpegBytes(10, 10));
    const QString second = save(dir, QStringLiteral("b.gif"), gifBytes(5, 5));
    const QString path = dir.filePath(QStringLiteral("d.docx"));
    {
        DocxWriter writer(path);
        for (const QString& picture : {first, second, first}) {
            QVERIFY(writer.addInlinePicture(picture));
            writer.typeParagraph();
        }
    }
    const auto parts = testsupport::unzipAll(path);
    QStringList media;
    for (const QString& name : parts.keys())
        if (name.startsWith(QStringLiteral("word/media/")))
            media << name;
    QCOMPARE(media, (QStringList{QStringLiteral("word/media/image1.jpeg"),
                                 QStringLiteral("word/media/image2.gif")}));
    const auto paragraphs =
        testsupport::readParagraphs(parts.value(QStringLiteral("word/document.xml")));
    QList<int> ids;
    QStringList embeds;
    for (int i = 0; i < 3; ++i) {
        ids << paragraphs.at(i).runs.first().docPrId;
        embeds << paragraphs.at(i).runs.first().embed;
    }
    QCOMPARE(QSet<int>(ids.begin(), ids.end()).size(), 3);
    QVERIFY(!ids.contains(0));
    QCOMPARE(embeds.at(0), embeds.at(2));
    QVERIFY(embeds.at(0) != embeds.at(1));
}

void DocxWriterTest::refusedPictures_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray jpeg = jpegBytes(300, 200);
    QTest::newRow("truncated JPEG") << jpeg.left(jpeg.size() * 2 / 3);
    QTest::newRow("JPEG header only") << jpeg.left(200);
    QTest::newRow("text named as a picture") << QByteArray("это не картинка");
    QTest::newRow("empty file") << QByteArray();
    const QByteArray bmp = bmpBytes(50, 50, 0);
    QTest::newRow("truncated BMP") << bmp.left(bmp.size() - 100);
    QByteArray bomb = gifBytes(1, 1);
    bomb[6] = bomb[8] = char(0xFF);
    bomb[7] = bomb[9] = char(0xFF);
    bomb[18 + 5] = bomb[18 + 7] = char(0xFF);
    bomb[18 + 6] = bomb[18 + 8] = char(0xFF);
    QTest::newRow("GIF declaring 65535 × 65535") << bomb;
    QTest::newRow("GIF without trailer") << gifBytes(4, 4).chopped(1);
    QTest::newRow("GIF declaring 8001 × 8000, past the pixel cap") << gifBytes(8001, 8000);
    QTest::newRow("JPEG with undefined Huffman tables") << withUndefinedHuffmanTables(jpeg);
    const QByteArray large = largeJpegBytes(6000, 6000);
    QTest::newRow("truncated JPEG of 6000 × 6000") << large.left(large.size() * 2 / 3);
    QTest::newRow("JPEG of 6000 × 6000 with undefined Huffman tables")
        << withUndefinedHuffmanTables(large);
}

void DocxWriterTest::refusedPictures() {
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString picture = save(dir, QStringLiteral("p.jpg"), bytes);
    QVERIFY(!exporter::readImageInfo(picture).has_value());
    const QString path = dir.filePath(QStringLiteral("d.docx"));
    {
        DocxWriter writer(path);
        QVERIFY(!writer.addInlinePicture(picture));
        QVERIFY(!writer.addInlinePicture(picture));
        writer.typeText(QStringLiteral("после"));
    }
    const auto parts = testsupport::unzipAll(path);
    QVERIFY(!parts.value(QStringLiteral("word/document.xml")).contains("w:drawing"));
    QVERIFY(!parts.value(QStringLiteral("word/_rels/document.xml.rels")).contains("image"));
    QCOMPARE(
        testsupport::readParagraphs(parts.value(QStringLiteral("word/document.xml"))).first().text,
        QStringLiteral("после"));
}

void DocxWriterTest::documentCutShortStaysReadable() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("d.docx"));
    {
        DocxWriter writer(path);
        writer.fontGrow();
        writer.typeText(QStringLiteral("начато"));
        // The export stops here; the writer goes away without an explicit finish().
    }
    QString error;
    const auto paragraphs = testsupport::readParagraphs(
        testsupport::unzipAll(path).value(QStringLiteral("word/document.xml")), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(paragraphs.size(), 1);
    QCOMPARE(paragraphs.first().text, QStringLiteral("начато"));
    QCOMPARE(paragraphs.first().markHalfPoints, 28);
}

void DocxWriterTest::unwritablePathThrows() {
    QTemporaryDir dir;
    DocxWriter writer(dir.filePath(QStringLiteral("нет/такой/папки/d.docx")));
    writer.typeText(QStringLiteral("x"));
    try {
        writer.finish();
        QFAIL("a document that cannot be written must fail");
    } catch (const qb::Error& error) {
        QCOMPARE(error.reason(), qb::Reason::Io);
    }
}

QTEST_GUILESS_MAIN(DocxWriterTest)
#include "tst_docxwriter.moc"
