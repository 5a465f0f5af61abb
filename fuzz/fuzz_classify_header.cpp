#include "questionbase/fileclass.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>
#include <cstring>

// The first eight bytes give the file size the classifier is told; the rest is the head of the
// file. The classifier must never read past the head it was given (the sanitizers watch for
// that: the head is a copy of exactly its own size) and must never let a file that cannot be
// a whole number of pages through as encrypted.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8)
        return 0;
    int64_t fileSize = 0;
    std::memcpy(&fileSize, data, sizeof fileSize);
    fileSize &= 0x0000'00ff'ffff'ffffLL;
    const QByteArray head(reinterpret_cast<const char*>(data + 8),
                          static_cast<qsizetype>(size - 8));
    const qb::FileKind kind = qb::classifyHeader(head, fileSize);
    if (kind == qb::FileKind::Missing)
        std::abort();
    if (kind == qb::FileKind::Encrypted &&
        (fileSize < 1024 || fileSize % 1024 != 0 || head.size() < 1024))
        std::abort();
    if (kind == qb::FileKind::PlainSqlite && !head.startsWith(QByteArray("SQLite format 3\0", 16)))
        std::abort();
    return 0;
}
