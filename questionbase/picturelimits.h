#pragma once

#include <QtGlobal>

namespace qb {

// The largest question picture either program decodes (the editor for its preview, the
// exporter to check a picture before embedding it). A 48- or 50-megapixel phone photo fits; a
// few kilobytes of a compressed file can declare an image of billions of pixels, and such a
// file is refused before anything is allocated for it.
inline constexpr qint64 kMaxPicturePixels = 64'000'000;

}  // namespace qb
