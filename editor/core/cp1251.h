#pragma once

#include <QStringView>

namespace editor {

// Whether Windows-1251 has a place for a UTF-16 unit, as iconv maps the code page: what the
// text export writes as itself rather than as '?'. Surrogates never fit.
bool fitsWindows1251(char16_t unit);

}  // namespace editor
