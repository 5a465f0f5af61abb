// The test settings panel: filling it from the first row of `info` and storing it back.

#include "editor/ui/editorwindow.h"
#include "editor/ui/limitedtextedit.h"
#include "editor/ui/settingspanel.h"

namespace editor {

void Editor::infossi() {}

void Editor::Command6_Click() {}

void Editor::hideSettings() {
    infosik->hide();
}

}  // namespace editor
