#include "editor/core/picturefit.h"

#include <QtMath>

namespace editor {

namespace {
constexpr int kTwipsPerPixel = 15;  // at 96 dots per inch
}  // namespace

bool isPictureName(const QString& name) {
    const QString upper = name.toUpper();
    return upper.endsWith(QLatin1String("BMP")) || upper.endsWith(QLatin1String("JPG")) ||
           upper.endsWith(QLatin1String("GIF")) || upper.endsWith(QLatin1String("JPEG"));
}

QRect PreviewGeometry::pixelRect() const {
    const auto px = [](float twips) { return qRound(double(twips) / kTwipsPerPixel); };
    return QRect(px(left), px(top), px(width), px(height));
}

QSizeF naturalTwips(QSize pixels) {
    return QSizeF(pixels.width() * kTwipsPerPixel, pixels.height() * kTwipsPerPixel);
}

float heightToWidth(QSizeF natural) {
    return static_cast<float>(natural.height()) / static_cast<float>(natural.width());
}

namespace {

// Every intermediate result is stored as a single-precision number before it is used again.
float single(double value) {
    return static_cast<float>(value);
}

void centre(PreviewGeometry& g) {
    g.left = single((double(kPreviewAreaWidth) - g.width) / 2 + kPreviewAreaLeft);
    g.top = single((double(kPreviewAreaHeight) - g.height) / 2);
    g.visible = true;
}

}  // namespace

PreviewGeometry fitPreview(QSizeF natural, float k) {
    const float w = single(natural.width());
    const float h = single(natural.height());
    const float limit = kPreviewLimit;
    PreviewGeometry g;
    g.stretch = true;

    const bool bothUnder = w < limit && h < limit;
    const bool oneAtLimitOtherUnder = (w == limit && h < limit) || (h == limit && w < limit);
    if (bothUnder || oneAtLimitOtherUnder) {
        g.stretch = false;
        g.height = h;
        g.width = w;
        centre(g);
        return g;
    }

    if (w >= limit && h >= limit) {
        if (k > 1) {
            g.width = limit;
            g.height = single(double(k) * limit);
        } else if (k < 1) {
            g.height = single(double(k) * limit);
            g.width = limit;
        } else {
            g.width = limit;
            g.height = limit;
        }
        if (g.height > limit) {
            g.width = single(double(limit) / k);
            g.height = limit;
        }
        centre(g);
        return g;
    }

    if (w > limit && h < limit) {
        g.width = limit;
        g.height = single(double(k) * limit);
    }
    if (h > limit && w < limit) {
        g.height = limit;
        g.width = single(double(limit) / k);
    }
    centre(g);
    return g;
}

PreviewGeometry fitPreview(QSize pixels) {
    const QSizeF natural = naturalTwips(pixels);
    return fitPreview(natural, heightToWidth(natural));
}

}  // namespace editor
