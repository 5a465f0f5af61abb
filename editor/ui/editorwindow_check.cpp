// The whole-base check: the menu item, reading the base for it, and going to a finding.

#include "desktop/dialogs.h"
#include "editor/ui/basecheckwindow.h"
#include "editor/ui/editorwindow.h"
#include "questionbase/steps.h"

#include <algorithm>

namespace editor {

void Editor::provbaz() {
    if (!voprosy.isOpen())
        return;
    BaseCheckWindow::showFor(proverka_, *this);
}

std::optional<BaseCheckResult> Editor::checkOpenBase(const CheckProgress& progress) {
    if (!baza.isOpen() || !voprosy.isOpen())
        return std::nullopt;
    // Only reads, through the connection the window holds: the check sees the base as saved,
    // not what is typed on screen and not yet saved.
    std::optional<BaseCheckResult> result;
    qb::runOrFail([&] { result = checkBase(baza.store(), adresok, progress); },
                  [&](const qb::Error& error) {
                      dialogs_.message(title(), QStringLiteral("Не удалось прочитать базу для "
                                                               "проверки. ") +
                                                    error.text());
                  });
    return result;
}

bool Editor::goToQuestion(int position) {
    if (!saveShownQuestion())
        return false;
    // Positions are those of the check; questions added or deleted since then end the walk at
    // the last one.
    int count = 0;
    qb::skipIfFails([&] { count = voprosy.recordCount(); });
    const int target = std::clamp(position, 1, std::max(count, 1));
    qb::runOrFail(
        [&] {
            // Forward walks read rows in batches; going back starts again from the first.
            int steps = target - tekuschiy;
            if (steps < 0) {
                voprosy.moveFirst();
                tekuschiy = 1;
                steps = target - 1;
            }
            for (; steps > 0 && !voprosy.eof(); --steps) {
                voprosy.moveNext();
                ++tekuschiy;
            }
            if (voprosy.eof()) {
                voprosy.movePrevious();
                --tekuschiy;
            }
            edituem();
        },
        [&](const qb::Error&) { qb::skipIfFails([&] { edituem(); }); });
    return true;
}

}  // namespace editor
