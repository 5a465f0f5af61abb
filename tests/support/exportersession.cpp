#include "tests/support/exportersession.h"

namespace testsupport {

ExporterSession::ExporterSession(std::source_location made)
    : dialogs(made), window(std::make_unique<exporter::Chtenie>(dialogs, services)) {
    services.folder = folder.folder();
    window->show();
}

}  // namespace testsupport
