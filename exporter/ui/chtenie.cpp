#include "exporter/ui/chtenie.h"

namespace exporter {

Chtenie::Chtenie(desktop::Dialogs& dialogs, desktop::Services& services, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), services_(services) {
    setObjectName(QStringLiteral("chtenie"));
    setWindowTitle(QStringLiteral("Vorta в Leina"));
}

}  // namespace exporter
