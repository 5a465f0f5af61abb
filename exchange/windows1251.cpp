#include "exchange/windows1251.h"

#include <QChar>

#include <iconv.h>
#include <bitset>
#include <optional>

namespace exchange {

std::optional<std::array<char16_t, 256>> singleByteTable(const char* encoding) {
    const iconv_t converter = iconv_open("UTF-16LE", encoding);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::array<char16_t, 256> table{};
    for (int byte = 1; byte < 256; ++byte) {
        char in = static_cast<char>(byte);
        unsigned char unit[4] = {};
        char* inPointer = &in;
        size_t inLeft = 1;
        char* outPointer = reinterpret_cast<char*>(unit);
        size_t outLeft = sizeof unit;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        // A byte the encoding leaves undefined does not convert, or not to one unit.
        if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) != size_t(-1) &&
            outLeft == sizeof unit - 2)
            table[byte] = char16_t(unit[0] | (unit[1] << 8));
    }
    iconv_close(converter);
    return table;
}

const std::array<char16_t, 256>* windows1251() {
    static const std::optional<std::array<char16_t, 256>> table =
        []() -> std::optional<std::array<char16_t, 256>> {
        std::optional<std::array<char16_t, 256>> result = singleByteTable("CP1251");
        if (result) {
            for (int byte = 1; byte < 256; ++byte) {
                if ((*result)[byte] == 0)
                    (*result)[byte] = QChar::ReplacementCharacter;
            }
        }
        return result;
    }();
    return table ? &*table : nullptr;
}

bool fitsWindows1251(char16_t unit) {
    static const std::bitset<0x10000> units = [] {
        std::bitset<0x10000> fitting;
        const auto* table = windows1251();
        if (!table)
            return fitting.set();
        for (const char16_t u : *table) {
            if (u != QChar::ReplacementCharacter)
                fitting.set(u);
        }
        return fitting;
    }();
    return units.test(unit);
}

}  // namespace exchange
