#pragma once

#include <array>
#include <optional>

namespace exchange {

// A single-byte encoding as iconv reads it: the UTF-16 unit of each byte, 0 for NUL and for a
// byte the encoding leaves undefined. Nothing when the system has no conversion for it or it
// is not one byte a character.
std::optional<std::array<char16_t, 256>> singleByteTable(const char* encoding);

// Windows-1251, the code page of the old test program and of the exporter's text files, as
// iconv reads it: the UTF-16 unit of each byte, U+FFFD for a byte the code page leaves
// undefined. Built once; nullptr when the system has no conversion for the code page.
const std::array<char16_t, 256>* windows1251();

// Whether the code page has a byte for a UTF-16 unit, so a text export writes it as itself
// rather than as '?'. Surrogates never fit. Everything fits on a system without the
// conversion, so a check there flags nothing rather than every text.
bool fitsWindows1251(char16_t unit);

}  // namespace exchange
