// The pages of the files and folders a teacher chooses to grade: images, PDFs of several
// pages, multi-page TIFFs, in the order she expects, and a page that says why for a file that
// cannot be read.

#include "grading/core/pagesource.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <array>

namespace {

// An image whose upper left quarter is black or white on the other colour: a page read the
// wrong way round, or a page of the file other than the one meant, shows it.
QImage marked(QSize size, bool dark, QImage::Format format = QImage::Format_RGB32) {
    QImage image(size, format);
    image.fill(dark ? Qt::white : Qt::black);
    QPainter painter(&image);
    painter.fillRect(QRect(QPoint(0, 0), size / 2), dark ? Qt::black : Qt::white);
    return image;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A PDF of 5 × 7 inch pages, each marked as `dark` says: 1000 × 1400 pixels at 200 dpi.
void writePdf(const QString& path, const QList<bool>& dark) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QSizeF(360, 504), QPageSize::Point));
    writer.setPageMargins(QMarginsF());
    writer.setResolution(72);
    QPainter painter(&writer);
    for (qsizetype i = 0; i < dark.size(); ++i) {
        if (i > 0)
            writer.newPage();
        painter.drawImage(QRect(0, 0, 360, 504), marked(QSize(36, 50), dark[i]));
    }
}

// An uncompressed grayscale TIFF with one image per page, as scanners write a stack of sheets.
QByteArray multiPageTiff(const QList<QImage>& pages) {
    QByteArray tiff("II*\0\0\0\0\0", 8);
    const auto put16 = [&](quint16 v) { tiff.append(reinterpret_cast<const char*>(&v), 2); };
    const auto put32 = [&](quint32 v) { tiff.append(reinterpret_cast<const char*>(&v), 4); };
    qsizetype link = 4;  // where the offset of the next directory goes
    for (const QImage& page : pages) {
        const QImage gray = page.convertToFormat(QImage::Format_Grayscale8);
        const quint32 pixels = quint32(tiff.size());
        for (int y = 0; y < gray.height(); ++y)
            tiff.append(reinterpret_cast<const char*>(gray.constScanLine(y)), gray.width());
        if (tiff.size() % 2)
            tiff.append('\0');
        qToLittleEndian(quint32(tiff.size()), tiff.data() + link);
        const quint32 w = quint32(gray.width());
        const quint32 h = quint32(gray.height());
        // Width, height, 8 bits, no compression, black is zero, the strip, one sample, the
        // rows of the strip, its bytes: type 3 is SHORT, 4 LONG.
        const QList<std::array<quint32, 3>> tags{{256, 4, w}, {257, 4, h}, {258, 3, 8},
                                                 {259, 3, 1}, {262, 3, 1}, {273, 4, pixels},
                                                 {277, 3, 1}, {278, 4, h}, {279, 4, w * h}};
        put16(quint16(tags.size()));
        for (const auto& [tag, type, value] : tags) {
            put16(quint16(tag));
            put16(quint16(type));
            put32(1);
            put32(value);
        }
        link = tiff.size();
        put32(0);
    }
    return tiff;
}

// "name#index WxH ■" (the upper left quarter dark) or "□", or "name#index: problem".
QString describe(const grading::SourcePage& page) {
    const QString head =
        QStringLiteral("%1#%2").arg(QFileInfo(page.file).fileName()).arg(page.index);
    if (page.image.isNull())
        return head + QStringLiteral(": ") + page.problem;
    if (page.image.format() != QImage::Format_Grayscale8)
        return head + QStringLiteral(" not grayscale");
    const QSize size = page.image.size();
    const int probe = qGray(page.image.pixel(size.width() / 4, size.height() / 4));
    const QChar shade = probe < 64 ? u'■' : probe > 192 ? u'□' : u'?';
    return head + QStringLiteral(" %1x%2 %3").arg(size.width()).arg(size.height()).arg(shade);
}

}  // namespace

class PageSourceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void givesEveryPage_data();
    void givesEveryPage();

private:
    QTemporaryDir dir_;
};

void PageSourceTest::initTestCase() {
    QVERIFY(dir_.isValid());
    QDir root(dir_.path());
    QVERIFY(root.mkpath(QStringLiteral("папка/вложенная")));
    const auto at = [&](const QString& name) { return root.filePath(name); };
    QVERIFY(marked({20, 10}, true).save(at(QStringLiteral("папка/2.png"))));
    QVERIFY(marked({30, 10}, false).save(at(QStringLiteral("папка/10.png"))));
    QVERIFY(marked({40, 10}, true).save(at(QStringLiteral("папка/Лист.JPG")), "JPEG"));
    QVERIFY(marked({50, 10}, true).save(at(QStringLiteral("папка/вложенная/1.png"))));
    writeFile(at(QStringLiteral("папка/заметки.txt")), "не скан");
    writePdf(at(QStringLiteral("папка/скан 3.pdf")), {true, false});
    QVERIFY(marked({25, 15}, false).save(at(QStringLiteral("один.tif")), "TIFF"));
    QVERIFY(marked({6000, 1500}, true).save(at(QStringLiteral("фото.jpg")), "JPEG"));
    writeFile(at(QStringLiteral("стопка.tiff")),
              multiPageTiff({marked({16, 8}, true), marked({8, 16}, false), marked({6, 6}, true)}));
    // Transparent where the pen did not go: paper, not ink.
    QImage clear(12, 12, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    QVERIFY(clear.save(at(QStringLiteral("прозрачный.png"))));
    writeFile(at(QStringLiteral("битый.png")), QByteArray("\x89PNG\r\n\x1a\nобрыв", 14));
    writeFile(at(QStringLiteral("битый.pdf")), "%PDF-1.4\nобрыв");
    writeFile(at(QStringLiteral("текст.png")), "просто текст");
}

void PageSourceTest::givesEveryPage_data() {
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QStringList>("pages");

    QTest::newRow("a folder: scans only, in the order of their numbers")
        << QStringList{"папка"}
        << QStringList{"2.png#0 20x10 ■", "10.png#0 30x10 □", "Лист.JPG#0 40x10 ■",
                       "скан 3.pdf#0 1000x1400 ■", "скан 3.pdf#1 1000x1400 □"};
    QTest::newRow("files in the order chosen")
        << QStringList{"стопка.tiff", "папка/скан 3.pdf", "один.tif", "прозрачный.png", "фото.jpg"}
        << QStringList{"стопка.tiff#0 16x8 ■",     "стопка.tiff#1 8x16 □",
                       "стопка.tiff#2 6x6 ■",      "скан 3.pdf#0 1000x1400 ■",
                       "скан 3.pdf#1 1000x1400 □", "один.tif#0 25x15 □",
                       "прозрачный.png#0 12x12 □", "фото.jpg#0 4700x1175 ■"};
    QTest::newRow("unreadable files among readable ones")
        << QStringList{"битый.png", "нет.png",   "папка/2.png",
                       "битый.pdf", "текст.png", "папка/заметки.txt"}
        << QStringList{"битый.png#0: файл не прочитан: он повреждён",
                       "нет.png#0: файл не найден",
                       "2.png#0 20x10 ■",
                       "битый.pdf#0: файл не прочитан: PDF повреждён",
                       "текст.png#0: файл не прочитан: это не изображение и не PDF",
                       "заметки.txt#0: файл не прочитан: это не изображение и не PDF"};
}

void PageSourceTest::givesEveryPage() {
    QFETCH(QStringList, paths);
    QFETCH(QStringList, pages);
    for (QString& path : paths)
        path = QDir(dir_.path()).filePath(path);
    grading::PageSource source(paths);
    QStringList read;
    grading::SourcePage page;
    while (source.next(page))
        read << describe(page);
    QCOMPARE(read, pages);
    QStringList files;
    for (const QString& file : source.files())
        files << QFileInfo(file).fileName();
    QStringList expected;
    for (const QString& line : pages)
        if (!expected.contains(line.section(u'#', 0, 0)))
            expected << line.section(u'#', 0, 0);
    QCOMPARE(files, expected);
}

QTEST_MAIN(PageSourceTest)
#include "tst_pagesource.moc"
