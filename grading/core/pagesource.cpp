#include "grading/core/pagesource.h"

#include <poppler-qt6.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <optional>

namespace grading {

namespace {

// Scans come as these; the rest of what Qt reads (icons, animations) is not looked at in a
// folder, though a file chosen by name is tried whatever it is called.
const QStringList kImageSuffixes{QStringLiteral("png"),  QStringLiteral("jpg"),
                                 QStringLiteral("jpeg"), QStringLiteral("tif"),
                                 QStringLiteral("tiff"), QStringLiteral("bmp")};
const QString kPdfSuffix = QStringLiteral("pdf");
// The longest side a page is decoded at: A4 at 400 dpi.
constexpr int kLargestSide = 4700;

bool gradableSuffix(const QString& suffix) {
    const QString lower = suffix.toLower();
    return lower == kPdfSuffix || kImageSuffixes.contains(lower);
}

bool isPdf(const QString& path) {
    if (QFileInfo(path).suffix().compare(kPdfSuffix, Qt::CaseInsensitive) == 0)
        return true;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-";
}

// Names in the order a person numbers scans: "2.png" before "10.png", letter case aside.
bool naturalLess(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype iEnd = i;
            qsizetype jEnd = j;
            while (iEnd < a.size() && a[iEnd].isDigit())
                ++iEnd;
            while (jEnd < b.size() && b[jEnd].isDigit())
                ++jEnd;
            // Leading zeros aside, the longer run of digits is the larger number.
            QStringView x = QStringView(a).sliced(i, iEnd - i);
            QStringView y = QStringView(b).sliced(j, jEnd - j);
            while (x.size() > 1 && x.front() == u'0')
                x = x.sliced(1);
            while (y.size() > 1 && y.front() == u'0')
                y = y.sliced(1);
            if (x.size() != y.size())
                return x.size() < y.size();
            if (const int c = x.compare(y); c != 0)
                return c < 0;
            i = iEnd;
            j = jEnd;
            continue;
        }
        const QChar x = a[i].toCaseFolded();
        const QChar y = b[j].toCaseFolded();
        if (x != y)
            return x < y;
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return a.size() - i < b.size() - j;
    return a < b;
}

QStringList folderFiles(const QString& folder) {
    QStringList files;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Readable | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries)
        if (gradableSuffix(entry.suffix()))
            files << entry.filePath();
    std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return naturalLess(QFileInfo(a).fileName(), QFileInfo(b).fileName());
    });
    return files;
}

// A scan with transparency would turn black where it is clear: it is laid on white paper.
// Qt's own conversion to gray takes almost as long as decoding a PNG (25 ms an A4 page at
// 200 dpi); qGray()'s weights in unsigned arithmetic, which the compiler vectorises, take 8.
QImage grayscale(QImage image) {
    if (image.isNull() || image.format() == QImage::Format_Grayscale8)
        return image;
    if (image.hasAlphaChannel()) {
        QImage paper(image.size(), QImage::Format_RGB32);
        paper.fill(Qt::white);
        QPainter painter(&paper);
        painter.drawImage(0, 0, image);
        painter.end();
        image = std::move(paper);
    }
    if (image.format() != QImage::Format_RGB32)
        return image.convertToFormat(QImage::Format_Grayscale8);
    QImage gray(image.size(), QImage::Format_Grayscale8);
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const auto* __restrict from = reinterpret_cast<const quint32*>(image.constScanLine(y));
        uchar* __restrict to = gray.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const quint32 p = from[x];
            to[x] =
                uchar((((p >> 16) & 0xFF) * 11u + ((p >> 8) & 0xFF) * 16u + (p & 0xFF) * 5u) >> 5);
        }
    }
    return gray;
}

QString readerProblem(const QImageReader& reader) {
    switch (reader.error()) {
        case QImageReader::FileNotFoundError:
            return QStringLiteral("файл не найден");
        case QImageReader::UnsupportedFormatError:
            return QStringLiteral("файл не прочитан: это не изображение и не PDF");
        case QImageReader::InvalidDataError:
            return QStringLiteral("файл не прочитан: он повреждён");
        default:
            return QStringLiteral("файл не прочитан");
    }
}

}  // namespace

struct PageSource::State {
    QStringList files;
    qsizetype file = -1;  // the file being read; -1 before the first
    int index = 0;        // the next page's index within it
    // The open file: one of them, or neither once it gave its last page.
    std::unique_ptr<QImageReader> image;
    std::unique_ptr<Poppler::Document> pdf;
    bool done = true;  // the current file has no more pages

    bool open(SourcePage& page);
    bool nextImage(SourcePage& page);
    bool nextPdfPage(SourcePage& page);
};

PageSource::PageSource(const QStringList& paths) : state_(std::make_unique<State>()) {
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir())
            state_->files << folderFiles(path);
        else
            state_->files << path;
    }
}

PageSource::~PageSource() = default;

QStringList PageSource::files() const {
    return state_->files;
}

bool PageSource::next(SourcePage& page) {
    State& s = *state_;
    for (;;) {
        if (!s.done) {
            if (s.pdf ? s.nextPdfPage(page) : s.nextImage(page))
                return true;
        }
        s.image.reset();
        s.pdf.reset();
        s.done = true;
        if (++s.file >= s.files.size())
            return false;
        s.index = 0;
        if (s.open(page))
            return true;
    }
}

// Opens the next file; a file that gives no page at all gives one page saying why.
bool PageSource::State::open(SourcePage& page) {
    const QString& path = files[file];
    page = SourcePage{path, 0, {}, {}};
    if (!QFileInfo::exists(path)) {
        page.problem = QStringLiteral("файл не найден");
        return true;
    }
    if (isPdf(path)) {
        pdf = Poppler::Document::load(path);
        if (!pdf) {
            page.problem = QStringLiteral("файл не прочитан: PDF повреждён");
            return true;
        }
        if (pdf->isLocked()) {
            pdf.reset();
            page.problem = QStringLiteral("файл не прочитан: PDF защищён паролем");
            return true;
        }
        if (pdf->numPages() < 1) {
            pdf.reset();
            page.problem = QStringLiteral("файл не прочитан: в PDF нет страниц");
            return true;
        }
        pdf->setRenderHint(Poppler::Document::Antialiasing);
        pdf->setRenderHint(Poppler::Document::TextAntialiasing);
        done = false;
        return nextPdfPage(page);
    }
    image = std::make_unique<QImageReader>(path);
    // A phone's photo stands the way its EXIF says it was held.
    image->setAutoTransform(true);
    // The TIFF reader counts its pages only from the start of the file, and cannot step to
    // the next page unless it has.
    if (image->format() == "tiff")
        image->imageCount();
    done = false;
    if (nextImage(page))
        return true;
    page = SourcePage{path, 0, {}, readerProblem(*image)};
    return true;
}

bool PageSource::State::nextImage(SourcePage& page) {
    // A multi-page TIFF gives its pages one by one; the first read needs no jump.
    if (index > 0 && (!image->jumpToNextImage() || image->currentImageNumber() < index)) {
        done = true;
        return false;
    }
    // A phone's 48-megapixel photo is read at what a 400 dpi scan of the sheet would give: the
    // reader needs no more, and the full size alone would take 190 MB.
    const QSize size = image->size();
    image->setScaledSize(size.isValid() && std::max(size.width(), size.height()) > kLargestSide
                             ? size.scaled(kLargestSide, kLargestSide, Qt::KeepAspectRatio)
                             : QSize());
    QImage read;
    if (!image->read(&read)) {
        done = true;
        if (index == 0)
            return false;
        // Later pages of a file that cannot be reached are not pages: nothing more to say,
        // unless the reader knows there was one.
        if (image->imageCount() <= index)
            return false;
        page = SourcePage{files[file], index++, {}, QStringLiteral("страница не прочитана")};
        return true;
    }
    page = SourcePage{files[file], index++, grayscale(std::move(read)), {}};
    return true;
}

bool PageSource::State::nextPdfPage(SourcePage& page) {
    if (index >= pdf->numPages()) {
        done = true;
        return false;
    }
    page = SourcePage{files[file], index, {}, {}};
    const std::unique_ptr<Poppler::Page> pdfPage = pdf->page(index);
    ++index;
    if (pdfPage)
        page.image = grayscale(pdfPage->renderToImage(kPdfDpi, kPdfDpi));
    if (page.image.isNull())
        page.problem = QStringLiteral("страница не прочитана");
    return true;
}

// Both cases: the file dialog matches them as written, and cameras name their files "IMG_0001.JPG".
QStringList gradableFilePatterns() {
    QStringList patterns;
    for (const QString& suffix : kImageSuffixes)
        patterns << QStringLiteral("*.") + suffix;
    patterns << QStringLiteral("*.") + kPdfSuffix;
    for (qsizetype i = 0, n = patterns.size(); i < n; ++i)
        patterns << patterns.at(i).toUpper();
    return patterns;
}

}  // namespace grading
