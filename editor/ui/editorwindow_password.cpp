// Setting, changing and removing the open base's password.

#include "editor/ui/editorwindow.h"

namespace editor {

void Editor::zadpar() {}

void Editor::chpas() {}

void Editor::delpas() {}

}  // namespace editor
