#pragma once

#include <QFont>
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

// The font the windows' layout tables were drawn for. Their geometry is fixed, so their text
// must not grow with the desktop's font-size setting; a size in points still follows the
// screen's DPI and scale factor, as the geometry does.
QFont layoutFont();
// Makes it the font of every window and of every kind of control, whatever the desktop theme
// gives menus, buttons or labels.
void useLayoutFont();

// Loads Qt's own Russian texts, so standard buttons read "Да", "Нет", "Отмена".
void installRussianTranslation(QApplication& app);

}  // namespace desktop
