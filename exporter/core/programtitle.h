#pragma once

#include <QString>

namespace exporter {

// The exporter's name: its window and message boxes, the application name, and the
// application a Word document it writes names as its author.
inline const QString kProgramTitle = QStringLiteral("Vorta в Leina");

}  // namespace exporter
