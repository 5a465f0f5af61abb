#include "printing/core/printpages.h"

#include "printing/core/pagedocx.h"
#include "printing/core/pagelayout.h"
#include "printing/core/pagepdf.h"
#include "questionbase/error.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <future>

#include <cstdio>

namespace printing {

namespace {

QString shown(const QString& path) {
    return QFileInfo(path).fileName();
}

}  // namespace

void writePrint(const PrintSet& set, const PrintChoices& choices, const PrintParts& parts,
                const SheetDrawer& sheet, const QString& docxPath, const QString& pdfPath) {
    const pages::Layout layout = pages::layOut(set, choices, parts, sheet);

    // The .docx goes to a name of its own beside the target and takes the target's name once
    // both files are whole.
    QTemporaryFile docx;
    if (!docxPath.isEmpty()) {
        const QFileInfo target(docxPath);
        docx.setFileTemplate(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                             QStringLiteral(".XXXXXX"));
        if (!docx.open())
            qb::fail(qb::Reason::Io,
                     QStringLiteral("Не удалось записать файл %1").arg(shown(docxPath)));
        docx.close();
    }
    // The two documents are written at once, each on a core of its own: they share the layout
    // and only read it, and each painter draws on a device of its own. The future waits for
    // the .docx however the PDF ends, and hands on the .docx's own failure.
    std::future<void> docxWritten;
    if (!docxPath.isEmpty()) {
        docxWritten = std::async(std::launch::async, [&] {
            pages::writeDocx(layout, set, sheet, set.title, docx.fileName());
        });
    }
    if (!pdfPath.isEmpty()) {
        QSaveFile pdf(pdfPath);
        if (!pdf.open(QIODevice::WriteOnly))
            qb::fail(qb::Reason::Io,
                     QStringLiteral("Не удалось записать файл %1").arg(shown(pdfPath)));
        pages::writePdf(layout, set, sheet, set.title, &pdf);
        if (!pdf.commit())
            qb::fail(qb::Reason::Io,
                     QStringLiteral("Не удалось записать файл %1").arg(shown(pdfPath)));
    }
    if (docxWritten.valid())
        docxWritten.get();
    if (!docxPath.isEmpty()) {
        if (std::rename(QFile::encodeName(docx.fileName()).constData(),
                        QFile::encodeName(docxPath).constData()) != 0)
            qb::fail(qb::Reason::Io,
                     QStringLiteral("Не удалось записать файл %1").arg(shown(docxPath)));
        docx.setAutoRemove(false);
        // A temporary file is its owner's alone; the document is as any other new file.
        QFile::setPermissions(
            docxPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
}

}  // namespace printing
