#pragma once

#include "printing/core/printtypes.h"

#include <QString>

#include <functional>

class QPainter;

namespace printing {

// Draws the answer sheet of a variant: the painter's unit is one millimetre, its origin the
// page's top-left corner. Returns false when the variant gets no sheet.
using SheetDrawer = std::function<bool(QPainter&, const Variant&)>;

struct PrintParts {
    bool variants = true;
    bool sheets = true;
    bool key = true;
};

// Lays the parts out on pages once and writes the same pages into a .docx at `docxPath` and a
// PDF at `pdfPath`; an empty path leaves that file out. A file is replaced only once it was
// written whole.
// Throws qb::Error when a file cannot be written.
void writePrint(const PrintSet& set, const PrintChoices& choices, const PrintParts& parts,
                const SheetDrawer& sheet, const QString& docxPath, const QString& pdfPath);

}  // namespace printing
