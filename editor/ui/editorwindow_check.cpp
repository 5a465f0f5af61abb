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
    BaseCheckWindow::showFor(proverka_, *this, *this);
}

std::optional<BaseCheckResult> Editor::checkOpenBase(const CheckProgress& progress) {
    if (!baza.isOpen() || !voprosy.isOpen())
        return std::nullopt;
    // Only reads, through the connection the window holds: the check sees the base as saved,
    // not what is typed on screen and not yet saved.
    std::optional<BaseCheckResult> result;
    qb::runOrFail(
        [&] {
            result = checkBase(baza.store(), adresok, progress);
            checkedRowsStand_ = result.has_value();
        },
        [&](const qb::Error& error) {
            dialogs_.message(title(), QStringLiteral("Не удалось прочитать базу для "
                                                     "проверки. ") +
                                          error.text());
        });
    return result;
}

bool Editor::goToQuestion(const CheckFinding& finding) {
    if (!saveShownQuestion())
        return false;
    // Positions are those of the check; with questions deleted since then, the row the check saw
    // is not at its position any more, and a position past the end goes to the last one.
    int count = 0;
    qb::skipIfFails([&] { count = int(voprosy.positionCount()); });
    const int target = std::clamp(finding.question, 1, std::max(count, 1));
    qb::runOrFail(
        [&] {
            // The row itself is one lookup; counting to a position reads every row before it.
            if (!checkedRowsStand_ || target != finding.question || !voprosy.moveToRow(finding.row))
                voprosy.moveTo(target);
            tekuschiy = target;
            edituem();
        },
        [&](const qb::Error&) { qb::skipIfFails([&] { edituem(); }); });
    return true;
}

}  // namespace editor
