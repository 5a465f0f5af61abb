#include "questionbase/fileclass.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <cmath>

namespace qb {

namespace {

constexpr qint64 kPageSize = 1024;

bool startsWith(QByteArrayView head, QByteArrayView signature, qsizetype offset = 0) {
    return head.size() >= offset + signature.size() &&
           head.sliced(offset, signature.size()) == signature;
}

bool isForeign(QByteArrayView head) {
    static const QByteArrayView signatures[] = {
        QByteArrayView("\x89PNG\r\n\x1a\n", 8),
        QByteArrayView("%PDF-"),
        QByteArrayView("GIF87a"),
        QByteArrayView("GIF89a"),
        QByteArrayView("\xff\xd8\xff", 3),
        QByteArrayView("PK\x03\x04", 4),
        QByteArrayView("\x7f"
                       "ELF",
                       4),
        QByteArrayView("{\\rtf"),
        QByteArrayView("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8),
    };
    for (QByteArrayView signature : signatures) {
        if (startsWith(head, signature))
            return true;
    }
    return false;
}

// An encrypted page looks random: close to 8 bits of entropy a byte. Text, images stored
// uncompressed and zero-filled files fall far below.
double entropyBitsPerByte(QByteArrayView bytes) {
    std::array<int, 256> counts{};
    for (char c : bytes)
        ++counts[static_cast<unsigned char>(c)];
    double entropy = 0;
    for (int count : counts) {
        if (count == 0)
            continue;
        const double p = static_cast<double>(count) / static_cast<double>(bytes.size());
        entropy -= p * std::log2(p);
    }
    return entropy;
}

}  // namespace

FileKind classifyHeader(QByteArrayView head, qint64 fileSize) {
    if (startsWith(head, QByteArrayView("SQLite format 3\0", 16)))
        return fileSize >= 512 ? FileKind::PlainSqlite : FileKind::NotABase;
    if (startsWith(head, QByteArrayView("Standard Jet DB"), 4) ||
        startsWith(head, QByteArrayView("Standard ACE DB"), 4))
        return FileKind::Jet;
    if (fileSize < kPageSize || fileSize % kPageSize != 0 || head.size() < kPageSize)
        return FileKind::NotABase;
    if (isForeign(head))
        return FileKind::NotABase;
    if (entropyBitsPerByte(head.first(kPageSize)) < 7.5)
        return FileKind::NotABase;
    return FileKind::Encrypted;
}

FileKind classifyFile(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return FileKind::Missing;
    if (!info.isFile())
        return FileKind::NotABase;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileKind::NotABase;
    const QByteArray head = file.read(kPageSize);
    return classifyHeader(head, file.size());
}

}  // namespace qb
