#include "editor/core/cp1251.h"

#include <iconv.h>

#include <bitset>

namespace editor {

namespace {

// Built once from iconv's own mapping of the 256 bytes, so the check and the export agree on
// every unit; a system without the conversion lets everything pass rather than flag every text.
std::bitset<0x10000> codePageUnits() {
    std::bitset<0x10000> units;
    const iconv_t converter = iconv_open("UTF-16LE", "CP1251");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        units.set();
        return units;
    }
    for (int byte = 0; byte < 0x100; ++byte) {
        char in = static_cast<char>(byte);
        unsigned char unit[4] = {};
        char* inPointer = &in;
        size_t inLeft = 1;
        char* outPointer = reinterpret_cast<char*>(unit);
        size_t outLeft = sizeof unit;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) != size_t(-1) &&
            outLeft == sizeof unit - 2)
            units.set(unit[0] | (unit[1] << 8));
    }
    iconv_close(converter);
    return units;
}

}  // namespace

bool fitsWindows1251(char16_t unit) {
    static const std::bitset<0x10000> units = codePageUnits();
    return units.test(unit);
}

}  // namespace editor
