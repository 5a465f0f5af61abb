#pragma once

#include <QImage>
#include <QString>

#include <optional>

namespace editor {

// Reads a picture file for the preview. Nothing when the file is missing, empty, not an image,
// corrupt, cut short, or larger than qb::kMaxPicturePixels: the caller hides the preview then.
// Memory stays bounded by the pixel cap whatever the file declares.
std::optional<QImage> loadPicture(const QString& path);

}  // namespace editor
