#pragma once

#include "printing/core/pagelayout.h"

namespace printing::pages {

// Writes the pages as a .docx at `path`: each page after the first begins with a page break,
// a question holds together with its picture and options, a sheet page is a picture of the
// sheet drawn at the PDF's resolution and anchored to the page's corner. A picture file is
// embedded once however often it stands. Throws qb::Error when the file cannot be written.
void writeDocx(const Layout& layout, const PrintSet& set, const SheetDrawer& sheet,
               const QString& title, const QString& path);

}  // namespace printing::pages
