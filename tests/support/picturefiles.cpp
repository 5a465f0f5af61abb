#include "tests/support/picturefiles.h"

#include <QFile>
#include <QImage>
#include <QtEndian>

namespace testsupport {

namespace {

quint32 crc32(const QByteArray& data) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : data) {
        crc ^= static_cast<quint8>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray bigEndian32(quint32 value) {
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray pngChunk(const char* type, const QByteArray& payload) {
    const QByteArray typed = QByteArray(type) + payload;
    return bigEndian32(quint32(payload.size())) + typed + bigEndian32(crc32(typed));
}

QByteArray littleEndian16(quint16 value) {
    return QByteArray(1, char(value & 0xFF)) + QByteArray(1, char(value >> 8));
}

}  // namespace

void writePicture(const QString& path, QSize pixels) {
    QImage image(pixels, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    if (!image.save(path))
        qFatal("cannot write test picture %s", qPrintable(path));
}

QByteArray pngDeclaring(QSize pixels, bool complete) {
    QByteArray header;
    header += bigEndian32(quint32(pixels.width()));
    header += bigEndian32(quint32(pixels.height()));
    header +=
        QByteArray("\x08\x00\x00\x00\x00", 5);  // 8-bit grey, deflate, no filter, no interlace
    // qCompress prefixes the zlib stream with its own 4-byte length.
    // Each row is a filter byte and one byte a pixel.
    const qsizetype raw = complete ? qsizetype(pixels.width() + 1) * pixels.height() : 1 << 20;
    const QByteArray zeros = qCompress(QByteArray(raw, '\0'), 9).mid(4);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", zeros) +
           pngChunk("IEND", {});
}

QByteArray tinyGif() {
    return QByteArray(
        "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00"
        ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
        35);
}

QByteArray hugeGif() {
    QByteArray gif("GIF89a");
    gif += littleEndian16(0xFFFF) + littleEndian16(0xFFFF);
    gif += QByteArray("\x00\x00\x00", 3);
    gif += ',';
    gif += littleEndian16(0) + littleEndian16(0) + littleEndian16(0xFFFF) + littleEndian16(0xFFFF);
    gif += QByteArray("\x00\x02\x02\x4C\x01\x00;", 7);
    return gif;
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

}  // namespace testsupport
