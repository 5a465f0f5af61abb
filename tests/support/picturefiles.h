#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

namespace testsupport {

// Writes a real picture of the given size; the format follows the name's ending (jpg, bmp, png).
void writePicture(const QString& path, QSize pixels);

// A grey PNG whose header declares `pixels` (a valid signature, IHDR with its CRC, and a
// compressed run of zeros). Unless `complete`, the image data is a short run of a few kilobytes
// whatever the size declared, as in a decompression bomb.
QByteArray pngDeclaring(QSize pixels, bool complete = false);

// A complete 1 × 1 GIF (a global colour table, one frame, the trailer).
QByteArray tinyGif();

// A GIF header and one frame descriptor declaring a 65535 × 65535 picture.
QByteArray hugeGif();

void writeBytes(const QString& path, const QByteArray& bytes);
QByteArray readBytes(const QString& path);

}  // namespace testsupport
