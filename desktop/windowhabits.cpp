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
    const QSize size = window.size() + (by.size() - anchor.size());
    const QRect candidates[] = {
        QRect(QPoint(by.right() + 1, by.top()), size),
        QRect(QPoint(by.left() - size.width(), by.top()), size),
        QRect(QPoint(by.left(), by.bottom() + 1), size),
    };
    for (QRect place : candidates) {
        if (place.bottom() > free.bottom())
            place.moveBottom(free.bottom());
        if (place.top() < free.top())
            place.moveTop(free.top());
        if (free.contains(place) && !place.intersects(by)) {
            window.move(place.topLeft());
            return;
        }
    }
}

void announceTextChange(QWidget& control) {
    QAccessibleEvent changed(&control, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void drawFocusClearly(QWidget& window) {
    // Only the focused state is restyled, so every control keeps the style's look otherwise.
    window.setStyleSheet(window.styleSheet() +
                         QStringLiteral("QPlainTextEdit:focus, QLineEdit:focus {"
                                        " border: 2px solid palette(highlight); }"
                                        "QPushButton:focus {"
                                        " border: 2px solid palette(highlight);"
                                        " border-radius: 3px;"
                                        " background-color: palette(button); }"));
}

}  // namespace desktop
