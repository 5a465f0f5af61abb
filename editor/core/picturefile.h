#pragma once

#include <QImage>
#include <QString>

#include <optional>

namespace editor {

// The largest picture the editor decodes. A few kilobytes of a compressed file can declare an
// image of billions of pixels; such a file is refused before anything is allocated for it.
inline constexpr qint64 kMaxPicturePixels = 40'000'000;

// Reads a picture file for the preview. Nothing when the file is missing, empty, not an image,
// corrupt, cut short, or larger than kMaxPicturePixels: the caller hides the preview then.
// Memory stays bounded by the pixel cap whatever the file declares.
std::optional<QImage> loadPicture(const QString& path);

}  // namespace editor
