#pragma once

#include <QRect>
#include <QSize>
#include <QString>

namespace editor {

// A name counts as a picture when its upper-cased form ends in BMP, JPG, GIF or JPEG; no dot is
// needed before the ending ("myjpg" passes).
bool isPictureName(const QString& name);

// The preview box of the picture window, in twips of the window's inner area.
inline constexpr float kPreviewLimit = 5500.0f;     // longest side of a fitted preview
inline constexpr float kPreviewAreaLeft = 5880.0f;  // the area fitted previews are centred in
inline constexpr float kPreviewAreaWidth = 6500.0f;
inline constexpr float kPreviewAreaHeight = 5850.0f;

// Where and how the preview shows a picture, in twips, single precision throughout.
struct PreviewGeometry {
    bool stretch = false;  // scaled to width × height; otherwise drawn at its natural size
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
    bool visible = false;

    // The same box in pixels of the window.
    QRect pixelRect() const;
};

// The picture's natural size: its pixels at 15 twips each.
QSizeF naturalTwips(QSize pixels);

// The height-to-width ratio of the measuring box (it has no frame, so this is the picture's
// own ratio), in single precision.
float heightToWidth(QSizeF natural);

// Fits a picture of natural size W × H (twips) and ratio k into the preview box and centres it.
// Both sides under the limit: shown as it is. Otherwise scaled, proportions kept, until the
// longer side is the limit. A picture with one side exactly at the limit and the other below it
// is shown as it is too: the scaling branches leave that case out, and sizing it from whatever
// was previewed before would distort it.
PreviewGeometry fitPreview(QSizeF natural, float k);

// The same for a picture of the given size in pixels.
PreviewGeometry fitPreview(QSize pixels);

}  // namespace editor
