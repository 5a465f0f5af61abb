#pragma once

#include <QIcon>
#include <QString>

namespace packaging {

// The window icon of the program `name` ("tambris", "vorta-v-leina"): every size rendered from
// its SVG in packaging/icons, the pictures the desktop's menu shows for it.
QIcon programIcon(const QString& name);

}  // namespace packaging
