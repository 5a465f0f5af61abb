#pragma once

#include <QFont>
#include <QRect>

#include <functional>

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

// What both programs set up before their window: the name boxes and the taskbar show, the
// desktop entry `desktopName` the taskbar groups the window under (with its name and icon),
// Qt's Russian texts and the layout font.
void setUpApplication(QApplication& app, const QString& title, const QString& desktopName);

// Hands the base the desktop gave as the one argument (a double-click on a file in the file
// manager) to `open`, as an absolute path, once the event loop runs: its prompts are then the
// window's boxes, and a window closed by too many wrong passwords ends the program. Nothing
// without an argument.
void openFileArgument(QObject& window, std::function<void(const QString&)> open);

// Loads Qt's own Russian texts, so standard buttons read "Да", "Нет", "Отмена".
void installRussianTranslation(QApplication& app);

}  // namespace desktop
