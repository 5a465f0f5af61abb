#include "exporter/core/imageinfo.h"

#include "questionbase/picturelimits.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <cmath>

namespace exporter {

namespace {

constexpr double kDefaultDpi = 96;
constexpr double kMetresPerInch = 0.0254;
constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024;
// Decoded whole up to here: 64 MB at four bytes a pixel, half of Qt's allocation limit.
constexpr qint64 kWholeDecodePixels = 16'000'000;

quint16 be16(const QByteArray& d, qsizetype at) {
    return quint16((quint8(d[at]) << 8) | quint8(d[at + 1]));
}
quint32 be32(const QByteArray& d, qsizetype at) {
    return (quint32(be16(d, at)) << 16) | be16(d, at + 2);
}
quint16 le16(const QByteArray& d, qsizetype at) {
    return quint16(quint8(d[at]) | (quint8(d[at + 1]) << 8));
}
quint32 le32(const QByteArray& d, qsizetype at) {
    return quint32(le16(d, at)) | (quint32(le16(d, at + 2)) << 16);
}

// A resolution outside what any scanner or screen writes is a broken header, not a statement.
double plausible(double dpi) {
    return dpi >= 1 && dpi <= 100000 ? dpi : 0;
}

// The Exif block's IFD0 XResolution / YResolution / ResolutionUnit.
StatedResolution exifResolution(const QByteArray& tiff) {
    if (tiff.size() < 8)
        return {};
    const bool little = tiff.startsWith("II");
    if (!little && !tiff.startsWith("MM"))
        return {};
    auto u16 = [&](qsizetype at) { return little ? le16(tiff, at) : be16(tiff, at); };
    auto u32 = [&](qsizetype at) { return little ? le32(tiff, at) : be32(tiff, at); };
    // Offsets are 32-bit and come from the file: they are compared in 64 bits, where adding
    // to them cannot wrap round to a small number.
    const qint64 ifd = u32(4);
    if (ifd + 2 > tiff.size())
        return {};
    const int entries = u16(ifd);
    double x = 0, y = 0;
    int unit = 2;  // inches unless the file says otherwise
    for (int i = 0; i < entries; ++i) {
        const qsizetype entry = ifd + 2 + qsizetype(i) * 12;
        if (entry + 12 > tiff.size())
            break;
        const quint16 tag = u16(entry);
        if (tag == 0x0128) {
            unit = u16(entry + 8);
        } else if (tag == 0x011A || tag == 0x011B) {
            const qint64 at = u32(entry + 8);
            if (at + 8 > tiff.size())
                continue;
            const quint32 den = u32(at + 4);
            const double value = den == 0 ? 0 : double(u32(at)) / den;
            (tag == 0x011A ? x : y) = value;
        }
    }
    if (unit == 3)
        return {plausible(x * 2.54), plausible(y * 2.54)};
    if (unit == 2)
        return {plausible(x), plausible(y)};
    return {};
}

// Where the main image's scan data starts, or -1; walks the marker segments from SOI.
qsizetype jpegScanStart(const QByteArray& data) {
    qsizetype at = 2;
    while (at + 4 <= data.size()) {
        if (quint8(data[at]) != 0xFF)
            return -1;
        const quint8 marker = quint8(data[at + 1]);
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0xDA)
            return at;
        at += 2 + be16(data, at + 2);
    }
    return -1;
}

bool isComplete(ImageInfo::Format format, const QByteArray& data) {
    switch (format) {
        case ImageInfo::Format::Jpeg: {
            const qsizetype scan = jpegScanStart(data);
            return scan > 0 && data.lastIndexOf("\xFF\xD9") > scan;
        }
        case ImageInfo::Format::Gif:
            return data.endsWith(char(0x3B));
        case ImageInfo::Format::Png:
            return data.lastIndexOf("IEND") >= data.size() - 12;
        case ImageInfo::Format::Bmp: {
            if (data.size() < 54)
                return false;
            const quint32 offset = le32(data, 10);
            const quint32 header = le32(data, 14);
            if (header < 40)
                return offset < quint32(data.size());
            const qint64 width = qint32(le32(data, 18));
            const qint64 height = std::abs(qint64(qint32(le32(data, 22))));
            const int bits = le16(data, 28);
            const quint32 compression = le32(data, 30);
            if (compression != 0 && compression != 3)  // packed data: the decoder judges it
                return offset < quint32(data.size());
            const qint64 stride = ((width * bits + 31) / 32) * 4;
            return qint64(offset) + stride * height <= data.size();
        }
    }
    return false;
}

std::optional<ImageInfo::Format> sniff(const QByteArray& head) {
    if (head.startsWith("\xFF\xD8\xFF"))
        return ImageInfo::Format::Jpeg;
    if (head.startsWith("BM"))
        return ImageInfo::Format::Bmp;
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return ImageInfo::Format::Gif;
    if (head.startsWith("\x89PNG\r\n\x1a\n"))
        return ImageInfo::Format::Png;
    return std::nullopt;
}

const char* qtFormat(ImageInfo::Format format) {
    switch (format) {
        case ImageInfo::Format::Bmp:
            return "bmp";
        case ImageInfo::Format::Jpeg:
            return "jpeg";
        case ImageInfo::Format::Gif:
            return "gif";
        case ImageInfo::Format::Png:
            return "png";
    }
    return "";
}

// A header can promise a picture whose data does not decode, so the data is tried before the
// file is embedded, but never by allocating a large picture whole: the document needs only the
// file's bytes, and Qt's allocation limit (128 MB in Qt 6.4) refuses a whole decode from about
// 33 megapixels on, which would leave sound photos out. A large JPEG is decoded at an eighth of
// its size, which libjpeg does as it reads the scan, in a sixty-fourth of the memory. Qt's BMP
// and GIF readers, and its PNG reader for most kinds of PNG, decode whole whatever size is asked
// for, so a large picture of those is taken on its header and the completeness check.
bool decodes(QImageReader& reader, ImageInfo::Format format, QSize size) {
    if (qint64(size.width()) * size.height() <= kWholeDecodePixels)
        return !reader.read().isNull();
    if (format != ImageInfo::Format::Jpeg)
        return true;
    reader.setScaledSize(QSize((size.width() + 7) / 8, (size.height() + 7) / 8));
    return !reader.read().isNull();
}

qint64 toEmu(int pixels, double dpi) {
    return std::llround(double(pixels) * 914400.0 / (dpi > 0 ? dpi : kDefaultDpi));
}

}  // namespace

QString ImageInfo::extension() const {
    return QString::fromLatin1(qtFormat(format));
}

QString ImageInfo::contentType() const {
    return QStringLiteral("image/") + extension();
}

qint64 ImageInfo::widthEmu() const {
    return toEmu(width, dpiX);
}

qint64 ImageInfo::heightEmu() const {
    return toEmu(height, dpiY);
}

StatedResolution jpegResolution(const QByteArray& data) {
    StatedResolution exif;
    qsizetype at = 2;
    while (at + 4 <= data.size() && quint8(data[at]) == 0xFF) {
        const quint8 marker = quint8(data[at + 1]);
        if (marker == 0xDA || marker == 0xD9)
            break;
        const int length = be16(data, at + 2);
        if (length < 2)
            break;
        const QByteArray segment = data.mid(at + 4, length - 2);
        if (marker == 0xE0 && segment.startsWith(QByteArray("JFIF\0", 5)) && segment.size() >= 12) {
            const int units = quint8(segment[7]);
            const double x = be16(segment, 8), y = be16(segment, 10);
            // Units 0 give only the aspect ratio, no resolution.
            if (units == 1)
                return {plausible(x), plausible(y)};
            if (units == 2)
                return {plausible(x * 2.54), plausible(y * 2.54)};
        } else if (marker == 0xE1 && segment.startsWith(QByteArray("Exif\0\0", 6))) {
            exif = exifResolution(segment.mid(6));
        }
        at += 2 + length;
    }
    return exif;
}

StatedResolution bmpResolution(const QByteArray& data) {
    // BITMAPCOREHEADER (12 bytes) carries no resolution.
    if (data.size() < 46 || le32(data, 14) < 40)
        return {};
    const double x = qint32(le32(data, 38)) * kMetresPerInch;
    const double y = qint32(le32(data, 42)) * kMetresPerInch;
    return {plausible(x), plausible(y)};
}

StatedResolution pngResolution(const QByteArray& data) {
    qsizetype at = 8;
    while (at + 12 <= data.size()) {
        const quint32 length = be32(data, at);
        const QByteArray type = data.mid(at + 4, 4);
        if (type == "pHYs" && length >= 9 && at + 17 <= data.size()) {
            if (quint8(data[at + 16]) != 1)
                return {};
            return {plausible(be32(data, at + 8) * kMetresPerInch),
                    plausible(be32(data, at + 12) * kMetresPerInch)};
        }
        if (type == "IDAT" || type == "IEND")
            break;
        at += 12 + qsizetype(length);
    }
    return {};
}

std::optional<ImageInfo> readImageInfo(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileBytes)
        return std::nullopt;
    const QByteArray data = file.readAll();
    const auto format = sniff(data.left(16));
    if (!format || !isComplete(*format, data))
        return std::nullopt;

    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, qtFormat(*format));
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() ||
        qint64(size.width()) * size.height() > qb::kMaxPicturePixels)
        return std::nullopt;
    if (!decodes(reader, *format, size))
        return std::nullopt;

    ImageInfo info;
    info.format = *format;
    info.width = size.width();
    info.height = size.height();
    StatedResolution stated;
    if (*format == ImageInfo::Format::Jpeg)
        stated = jpegResolution(data);
    else if (*format == ImageInfo::Format::Bmp)
        stated = bmpResolution(data);
    else if (*format == ImageInfo::Format::Png)
        stated = pngResolution(data);
    if (stated.x > 0 && stated.y > 0) {
        info.dpiX = stated.x;
        info.dpiY = stated.y;
    }
    return info;
}

}  // namespace exporter
