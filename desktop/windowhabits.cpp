#include "desktop/windowhabits.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace desktop {

void placeBeside(QWidget& window, const QWidget& anchor) {
    const QScreen* screen = anchor.screen();
    if (screen == nullptr)
        return;
    const QRect free = screen->availableGeometry();
    const QRect by = anchor.frameGeometry();
    // Before its first show a window has no frame yet: its frame is taken to be the anchor's.
    const QSize frame = by.size() - anchor.size();
    QSize size = window.size() + frame;
    const auto top = [&](int height) {
        return std::clamp(by.top(), free.top(), std::max(free.top(), free.bottom() + 1 - height));
    };
    const int roomRight = free.right() - by.right();
    const int roomLeft = by.left() - free.left();
    if (roomRight >= size.width()) {
        window.move(by.right() + 1, top(size.height()));
        return;
    }
    if (roomLeft >= size.width()) {
        window.move(by.left() - size.width(), top(size.height()));
        return;
    }
    if (free.bottom() - by.bottom() >= size.height()) {
        window.move(std::clamp(by.left(), free.left(), free.right() + 1 - size.width()),
                    by.bottom() + 1);
        return;
    }
    // No side has room for the whole window: it takes the wider side, narrowed to the room
    // there while it stays usable, and otherwise stands against that edge of the screen, over
    // the anchor as little as it can be.
    const bool right = roomRight >= roomLeft;
    const int room = right ? roomRight : roomLeft;
    const int narrowest = std::max(window.minimumSizeHint().width(), 320) + frame.width();
    if (room >= narrowest) {
        window.resize(room - frame.width(), window.height());
        size = window.size() + frame;
    }
    window.move(right ? free.right() + 1 - size.width() : free.left(), top(size.height()));
}

void announceTextChange(QWidget& control) {
    QAccessibleEvent changed(&control, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void drawFocusClearly(QWidget& window) {
    // Only the focused state is restyled, so every control keeps the style's look otherwise.
    // The form lays its multi-line boxes edge to edge across its whole width, each overlapping
    // the next, so a frame shows only in part: a tint of the whole box says where the keyboard
    // is.
    window.setStyleSheet(window.styleSheet() +
                         QStringLiteral("QPlainTextEdit:focus, QLineEdit:focus {"
                                        " border: 2px solid palette(highlight);"
                                        " background-color: #eaf2fc; }"
                                        "QPushButton:focus {"
                                        " border: 2px solid palette(highlight);"
                                        " border-radius: 3px;"
                                        " background-color: palette(button); }"));
}

}  // namespace desktop
