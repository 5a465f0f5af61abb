#pragma once

#include "desktop/scripted/scripteddialogs.h"
#include "exporter/ui/chtenie.h"
#include "tests/support/tempbase.h"

#include <memory>
#include <source_location>

namespace testsupport {

// The exporter's window over a temporary folder (the program's folder too), with scripted
// dialogs and services, shown with no base open.
struct ExporterSession {
    // An unexpected box no VERIFY_ALL_SHOWN reports is told at the line that made the session.
    explicit ExporterSession(std::source_location made = std::source_location::current());

    TempFolder folder;
    desktop::ScriptedDialogs dialogs;
    desktop::ScriptedServices services;
    std::unique_ptr<exporter::Chtenie> window;
};

}  // namespace testsupport
