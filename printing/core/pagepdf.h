#pragma once

#include "printing/core/pagelayout.h"

class QIODevice;

namespace printing::pages {

// Draws the pages into a PDF at the layout's resolution, written to `device`; the same picture
// is drawn from one image wherever it stands, so the PDF holds it once. Throws qb::Error when
// the PDF cannot be started.
void writePdf(const Layout& layout, const PrintSet& set, const SheetDrawer& sheet,
              const QString& title, QIODevice* device);

}  // namespace printing::pages
