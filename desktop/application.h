#pragma once

#include <QRect>

class QApplication;

namespace desktop {

// Geometry in the windows' layout tables is in twips: 15 to a pixel at 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;

constexpr int pixels(int twips) {
    return twips / kTwipsPerPixel;
}
constexpr QRect twipsRect(int left, int top, int width, int height) {
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

// Loads Qt's own Russian texts, so standard buttons read "Да", "Нет", "Отмена".
void installRussianTranslation(QApplication& app);

}  // namespace desktop
