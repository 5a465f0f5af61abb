#pragma once

#include "printing/core/answersheet.h"
#include "printing/core/printpages.h"
#include "printing/core/printtypes.h"

#include <QString>
#include <QStringList>

namespace qb {
class Recordset;
}

namespace printing {

// The files one print writes: the .docx and the PDF of the same pages side by side, and the
// key's pair when it goes in files of its own.
struct PrintFiles {
    QString docx;
    QString pdf;
    QString keyDocx;  // empty when the key stays with the variants
    QString keyPdf;
    QStringList all() const;
};

// The files for the name the user chose (with or without ".docx"/".pdf").
PrintFiles printFiles(const QString& chosen, const PrintChoices& choices);

// What the answer sheet of `variant` shows.
SheetContent sheetContent(const PrintSet& set, const Variant& variant);

// Plans the variants from the base and writes every file. Returns what the teacher is told:
// the questions left out and why, the pictures missing, the sheets that could not be made.
// Throws qb::Error when the base cannot be read or a file cannot be written.
QStringList printVariants(qb::Recordset& questions, const QString& basePath,
                          const PrintChoices& choices, const PrintFiles& files);

// The message after a print: empty when nothing needs saying.
QString printReportText(const QStringList& remarks);

}  // namespace printing
