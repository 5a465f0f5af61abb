#include "editor/core/picturefile.h"

#include <QFile>
#include <QImageReader>

namespace editor {

namespace {

// Four bytes a pixel for the largest accepted picture, in megabytes, with a little room for
// the decoders' own buffers.
constexpr int kAllocationLimitMb = int(kMaxPicturePixels * 4 / (1024 * 1024)) + 16;

// The JPEG decoder fills a file that ends early with grey and calls it a success. A complete
// file has its end-of-image marker after the last start-of-scan marker; neither pair of bytes
// can occur inside the compressed data, which stuffs every 0xFF.
bool jpegIsComplete(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    const qsizetype lastScan = data.lastIndexOf(QByteArrayView("\xFF\xDA", 2));
    if (lastScan < 0)
        return false;
    return data.indexOf(QByteArrayView("\xFF\xD9", 2), lastScan + 2) >= 0;
}

}  // namespace

std::optional<QImage> loadPicture(const QString& path) {
    QImageReader::setAllocationLimit(kAllocationLimitMb);
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        return std::nullopt;

    const QSize declared = reader.size();
    if (declared.isValid()) {
        if (declared.isEmpty() || qint64(declared.width()) * declared.height() > kMaxPicturePixels)
            return std::nullopt;
    }
    if (reader.format() == "jpeg" && !jpegIsComplete(path))
        return std::nullopt;

    QImage image = reader.read();
    if (image.isNull() || qint64(image.width()) * image.height() > kMaxPicturePixels)
        return std::nullopt;
    return image;
}

}  // namespace editor
