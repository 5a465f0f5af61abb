#include "editor/core/picturefile.h"

#include "questionbase/picturelimits.h"

#include <QFile>
#include <QImageReader>

namespace editor {

namespace {

// Four bytes a pixel for the largest accepted picture, in megabytes, with a little room for
// the decoders' own buffers.
constexpr int kAllocationLimitMb = int(qb::kMaxPicturePixels * 4 / (1024 * 1024)) + 16;

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

quint32 littleEndian(const QByteArray& data, qsizetype at, int bytes) {
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | quint8(data.at(at + i));
    return value;
}

// The BMP decoder also shows a file that ends early, with the missing rows left blank. An
// uncompressed bitmap must hold every row its header declares; compressed ones are left to the
// decoder.
bool bmpIsComplete(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(54);
    if (header.size() < 26)
        return false;
    const quint32 dataOffset = littleEndian(header, 10, 4);
    const quint32 infoSize = littleEndian(header, 14, 4);
    qint64 width = 0;
    qint64 height = 0;
    quint32 bitsPerPixel = 0;
    if (infoSize == 12) {
        width = littleEndian(header, 18, 2);
        height = littleEndian(header, 20, 2);
        bitsPerPixel = littleEndian(header, 24, 2);
    } else if (infoSize >= 40 && header.size() >= 34) {
        width = qint32(littleEndian(header, 18, 4));
        height = qAbs(qint64(qint32(littleEndian(header, 22, 4))));
        bitsPerPixel = littleEndian(header, 28, 2);
        const quint32 compression = littleEndian(header, 30, 4);
        const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
        if (!uncompressed)
            return true;
    } else {
        return true;
    }
    const qint64 rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    return file.size() >= qint64(dataOffset) + rowBytes * height;
}

// The GIF decoder likewise shows a frame whose data ends early. The first frame, the one the
// preview shows, is complete when its chain of data blocks reaches its terminating empty block.
bool gifIsComplete(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    qsizetype at = 13;
    if (data.size() < at)
        return false;
    const auto skipTable = [&](quint8 flags) {
        if (flags & 0x80)
            at += 3 * (qsizetype(1) << ((flags & 0x07) + 1));
    };
    const auto skipSubBlocks = [&]() {
        while (at < data.size()) {
            const quint8 length = quint8(data.at(at++));
            if (length == 0)
                return true;
            at += length;
        }
        return false;
    };
    skipTable(quint8(data.at(10)));
    while (at < data.size()) {
        const quint8 introducer = quint8(data.at(at++));
        if (introducer == 0x21) {
            ++at;
            if (!skipSubBlocks())
                return false;
        } else if (introducer == 0x2C) {
            if (at + 9 >= data.size())
                return false;
            const quint8 flags = quint8(data.at(at + 8));
            at += 9;
            skipTable(flags);
            ++at;  // the LZW code size
            return skipSubBlocks();
        } else {
            return false;
        }
    }
    return false;
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
        if (declared.isEmpty() ||
            qint64(declared.width()) * declared.height() > qb::kMaxPicturePixels)
            return std::nullopt;
    }
    if (reader.format() == "jpeg" && !jpegIsComplete(path))
        return std::nullopt;
    if (reader.format() == "bmp" && !bmpIsComplete(path))
        return std::nullopt;
    if (reader.format() == "gif" && !gifIsComplete(path))
        return std::nullopt;

    QImage image = reader.read();
    if (image.isNull() || qint64(image.width()) * image.height() > qb::kMaxPicturePixels)
        return std::nullopt;
    return image;
}

}  // namespace editor
