#pragma once

// The editor window as the benchmarks of qbbench drive it; header-only, as steptimer.h.

#include "bench/figures/benchbases.h"
#include "desktop/scripted/scripteddialogs.h"
#include "editor/ui/editorwindow.h"
#include "tests/support/editorprobe.h"

#include <QFileInfo>

#include <memory>

namespace benchbases {

inline const QString kPasswordPrompt = QStringLiteral("Введите пароль");

inline QString describe(const desktop::ScriptedDialogs& dialogs) {
    return dialogs.messages().join(QStringLiteral(" | "));
}

// An editor window that opens the base the way the user opens it, through the open dialog:
// the built-in key first, then the typed password. open() leaves question 1 on screen.
struct OpenEditor {
    desktop::ScriptedDialogs dialogs;
    desktop::ScriptedServices services;
    std::unique_ptr<editor::Editor> window;
    testsupport::EditorProbe probe;

    OpenEditor(const QString& path, bool withPassword)
        : window(std::make_unique<editor::Editor>(dialogs, services)), probe(*window) {
        services.folder = QFileInfo(path).absolutePath();
        window->show();
        settle();
        dialogs.expectOpenFile(path);
        if (withPassword)
            dialogs.expectPassword(password(), kPasswordPrompt);
    }

    void open() { window->optest(); }

    bool opened(int questions) const {
        return probe.voprosy().isOpen() && probe.tekuschiy() == 1 &&
               probe.voprosy().recordCount() == questions && dialogs.pending() == 0 &&
               dialogs.messages().isEmpty();
    }

    // Lets the idle time after opening pass: the walk over the ids of the rows ends.
    void idle() {
        while (!probe.voprosy().positionsKnown())
            settle();
        settle();
    }
};

}  // namespace benchbases
