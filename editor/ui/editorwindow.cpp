#include "editor/ui/editorwindow.h"

namespace editor {

Editor::Editor(desktop::Dialogs& dialogs, desktop::Services& services, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), services_(services) {
    setObjectName(QStringLiteral("Editor"));
    setWindowTitle(QStringLiteral("Tambris"));
}

}  // namespace editor
