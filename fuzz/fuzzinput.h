#pragma once

// Turns the fuzzer's bytes into the inputs the parsers take. Text is read as UTF-16 code units,
// so lone surrogates, NUL and every control character reach the parsers as a user could type
// or paste them.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace fuzz {

inline QString utf16Text(const uint8_t* data, size_t size) {
    QString text(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    if (size >= 2)
        std::memcpy(text.data(), data, (size / 2) * 2);
    return text;
}

// Text for parsers whose interesting inputs are mostly ASCII: the first byte picks UTF-8 (easy
// for the mutator to reach keywords) or raw UTF-16.
inline QString text(const uint8_t* data, size_t size) {
    if (size == 0)
        return {};
    if (data[0] & 1)
        return utf16Text(data + 1, size - 1);
    return QString::fromUtf8(reinterpret_cast<const char*>(data + 1),
                             static_cast<qsizetype>(size - 1));
}

}  // namespace fuzz
