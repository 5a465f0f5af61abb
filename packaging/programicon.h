#pragma once

#include <QIcon>
#include <QString>

namespace packaging {

// The window icon of the program `name` ("tambris", "vorta-v-leina"): every size rendered from
// its SVG in packaging/icons, the pictures the desktop's menu shows for it.
QIcon programIcon(const QString& name);
// The icon the desktop's theme has installed for it, the one its menu entry shows; the rendered
// one stands in when none is installed, as when the program runs from its build folder.
QIcon windowIcon(const QString& name);

}  // namespace packaging
