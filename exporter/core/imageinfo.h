#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace exporter {

// What a document needs to know to embed a picture file as it is.
struct ImageInfo {
    enum class Format { Bmp, Jpeg, Gif, Png };
    Format format = Format::Jpeg;
    int width = 0;   // pixels
    int height = 0;  // pixels
    // The resolution the file states itself; 96 where it states none.
    double dpiX = 96;
    double dpiY = 96;

    QString extension() const;    // "jpeg", "bmp", "gif", "png"
    QString contentType() const;  // "image/jpeg", …
    // The size a word processor gives the picture of its own accord, in EMU (914400 per inch).
    qint64 widthEmu() const;
    qint64 heightEmu() const;
};

// Reads the file's format, size and resolution from its own header. std::nullopt when it is not
// a BMP, JPEG, GIF or PNG picture, is damaged or cut short, or has more pixels than
// qb::kMaxPicturePixels (then it is not decoded). To be sure of the data, a picture of up to 16
// megapixels is decoded once, a larger JPEG at an eighth of its size, other larger pictures not.
std::optional<ImageInfo> readImageInfo(const QString& path);

// The resolution stated in a picture's header (JFIF density, else Exif resolution; BMP pixels
// per metre; PNG pHYs). Zero when the header states none.
struct StatedResolution {
    double x = 0;
    double y = 0;
};
StatedResolution jpegResolution(const QByteArray& data);
StatedResolution bmpResolution(const QByteArray& data);
StatedResolution pngResolution(const QByteArray& data);

}  // namespace exporter
