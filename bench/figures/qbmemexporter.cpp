// Peak memory of one state of the exporter, in a process of its own and linked as the exporter
// is:
//   qbmem-exporter word BASE [PASSWORD]        a Word export with pictures
//   qbmem-exporter grade BASE FOLDER [TIMES]   the scans in FOLDER, TIMES over, read one page
//                                              at a time and graded against BASE
// Prints one JSON object with the peak (VmHWM) and current (VmRSS) resident set in KiB.

#include "bench/figures/benchbases.h"
#include "desktop/scripted/scripteddialogs.h"
#include "exporter/ui/chtenie.h"
#include "grading/core/gradebook.h"
#include "grading/core/pagesource.h"
#include "questionbase/columns.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace {

int wordExportState(const QString& path, const QString& password) {
    desktop::ScriptedDialogs dialogs;
    desktop::ScriptedServices services;
    services.folder = QFileInfo(path).absolutePath();
    exporter::Chtenie window(dialogs, services);
    window.show();
    benchbases::settle();
    dialogs.expectOpenFile(path);
    if (!password.isEmpty())
        dialogs.expectPassword(password);
    window.opba();
    if (!window.questions().isOpen()) {
        std::fputs("qbmem-exporter: the exporter did not open the base\n", stderr);
        return 1;
    }
    window.findChild<QCheckBox*>(QStringLiteral("Check1"))->setChecked(true);
    window.findChild<QCheckBox*>(QStringLiteral("Check2"))->setChecked(false);
    benchbases::settle();
    const benchbases::Memory before = benchbases::memory();
    window.opword();
    const benchbases::Memory after = benchbases::memory();
    if (services.openedDocuments.size() != 1) {
        std::fputs("qbmem-exporter: the Word export made no document\n", stderr);
        return 1;
    }
    QDir(QFileInfo(services.openedDocuments.first()).absolutePath()).removeRecursively();
    benchbases::printMemory("word_export", before, after, window.questions().recordCount());
    return 0;
}
// However many pages, one is decoded at a time: the peak must not grow with TIMES.
int gradeState(const QString& basePath, const QString& folder, int times) {
    const benchbases::Memory before = benchbases::memory();
    try {
        benchbases::OpenBase base(basePath);
        qb::Recordset& questions = base.questions;
        grading::Gradebook book;
        grading::PageSource pages(QStringList(times, folder));
        grading::SourcePage page;
        while (pages.next(page)) {
            for (grading::FormRead& form :
                 grading::readPage(page.image, page.file, page.index).forms)
                book.add(std::move(form));
        }
        page = {};
        const grading::GradeReport report = grading::grade(book, questions, {}, {});
        benchbases::printMemory("grade", before, benchbases::memory(), book.sheetCount());
    } catch (const qb::Error& error) {
        std::fprintf(stderr, "qbmem-exporter: %s\n", qPrintable(error.text()));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    benchbases::quietOffscreen();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (args.size() < 3 || (mode != QLatin1String("word") && mode != QLatin1String("grade"))) {
        std::fputs("usage: qbmem-exporter word BASE [PASSWORD] | grade BASE FOLDER [TIMES]\n",
                   stderr);
        return 2;
    }
    if (mode == QLatin1String("grade"))
        return gradeState(args[2], args.value(3), std::max(1, args.value(4).toInt()));
    return wordExportState(args[2], args.value(3));
}
