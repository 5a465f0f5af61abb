// Peak memory of one program state, measured in a process of its own so that nothing else the
// benchmarks did inflates the figure:
//   qbmem editor BASE [PASSWORD]       the editor with the base open and question 1 on screen
//   qbmem editor-list BASE [PASSWORD]  the same with the list of questions open and scrolled
//                                      to its last line (Ctrl+End)
//   qbmem word BASE [PASSWORD]         the exporter through a Word export with pictures
//   qbmem import SOURCE                the import of a question file into a new base, read
//                                      and planned, then written into a temporary folder
//   qbmem grade BASE FOLDER [TIMES]    the scans in FOLDER, TIMES over, read one page at a
//                                      time and graded against BASE
// Prints one JSON object with the peak (VmHWM) and current (VmRSS) resident set in KiB.

#include "bench/figures/benchbases.h"
#include "desktop/scripted/scripteddialogs.h"
#include "editor/core/questionimport.h"
#include "editor/ui/editorwindow.h"
#include "editor/ui/questionlistwindow.h"
#include "exporter/ui/chtenie.h"
#include "grading/core/gradebook.h"
#include "grading/core/pagesource.h"
#include "language/language.h"
#include "questionbase/columns.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"
#include "tests/support/editorprobe.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void print(const char* what, const benchbases::Memory& before, const benchbases::Memory& after,
           qint64 questions) {
    std::printf(
        "{\"what\": \"%s\", \"questions\": %lld, \"peak_kib_before\": %lld, "
        "\"peak_kib\": %lld, \"rss_kib\": %lld}\n",
        what, static_cast<long long>(questions), static_cast<long long>(before.peakKiB),
        static_cast<long long>(after.peakKiB), static_cast<long long>(after.currentKiB));
}

// Ctrl+End in the list: the view reads the last lines and keeps what it read.
bool listScrolledToEnd(editor::Editor& window) {
    window.spisok();
    benchbases::settle();
    editor::QuestionListWindow* list = window.listWindow();
    auto* view = list ? list->findChild<QTableView*>(QStringLiteral("questions")) : nullptr;
    if (view == nullptr)
        return false;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(view, &press);
    benchbases::settle();
    return view->currentIndex().row() == view->model()->rowCount() - 1;
}

int editorState(const QString& path, const QString& password, bool withList) {
    desktop::ScriptedDialogs dialogs;
    desktop::ScriptedServices services;
    services.folder = QFileInfo(path).absolutePath();
    editor::Editor window(dialogs, services);
    window.show();
    benchbases::settle();
    const benchbases::Memory before = benchbases::memory();
    dialogs.expectOpenFile(path);
    if (!password.isEmpty())
        dialogs.expectPassword(password);
    window.optest();
    benchbases::settle();
    const testsupport::EditorProbe probe(window);
    if (!probe.voprosy().isOpen() || probe.tekuschiy() != 1) {
        std::fputs("qbmem: the editor did not open the base\n", stderr);
        return 1;
    }
    if (withList && !listScrolledToEnd(window)) {
        std::fputs("qbmem: the list did not scroll to its last line\n", stderr);
        return 1;
    }
    // The spelling's dictionary arrives a moment later in every session; it is counted.
    language::Language::shared().available();
    benchbases::settle();
    print(withList ? "editor_list" : "editor", before, benchbases::memory(),
          probe.voprosy().recordCount());
    return 0;
}

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
        std::fputs("qbmem: the exporter did not open the base\n", stderr);
        return 1;
    }
    window.findChild<QCheckBox*>(QStringLiteral("Check1"))->setChecked(true);
    window.findChild<QCheckBox*>(QStringLiteral("Check2"))->setChecked(false);
    benchbases::settle();
    const benchbases::Memory before = benchbases::memory();
    window.opword();
    const benchbases::Memory after = benchbases::memory();
    if (services.openedDocuments.size() != 1) {
        std::fputs("qbmem: the Word export made no document\n", stderr);
        return 1;
    }
    QDir(QFileInfo(services.openedDocuments.first()).absolutePath()).removeRecursively();
    print("word_export", before, after, window.questions().recordCount());
    return 0;
}

int importState(const QString& source) {
    const benchbases::Memory before = benchbases::memory();
    QTemporaryDir folder;
    try {
        const editor::ImportPlan plan = editor::planImportFile(source);
        editor::createImportedBase(folder.filePath(QStringLiteral("imported.mdb")), plan);
        print("import", before, benchbases::memory(), plan.rows.size());
    } catch (const exchange::SourceError& error) {
        std::fprintf(stderr, "qbmem: %s\n", error.what());
        return 1;
    } catch (const qb::Error& error) {
        std::fprintf(stderr, "qbmem: %s\n", qPrintable(error.text()));
        return 1;
    }
    return 0;
}

// However many pages, one is decoded at a time: the peak must not grow with TIMES.
int gradeState(const QString& basePath, const QString& folder, int times) {
    const benchbases::Memory before = benchbases::memory();
    try {
        qb::Connection connection;
        qb::Recordset questions;
        connection.open(basePath, qb::kEmptyPasswordMarker);
        questions.openOn(connection, qb::columns::kQuestionsQuery);
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
        print("grade", before, benchbases::memory(), book.sheetCount());
    } catch (const qb::Error& error) {
        std::fprintf(stderr, "qbmem: %s\n", qPrintable(error.text()));
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
    if (args.size() < 3 || (mode != QLatin1String("editor") &&
                            mode != QLatin1String("editor-list") && mode != QLatin1String("word") &&
                            mode != QLatin1String("import") && mode != QLatin1String("grade"))) {
        std::fputs(
            "usage: qbmem editor|editor-list|word BASE [PASSWORD] | import SOURCE | "
            "grade BASE FOLDER [TIMES]\n",
            stderr);
        return 2;
    }
    if (mode == QLatin1String("grade"))
        return gradeState(args[2], args.value(3), std::max(1, args.value(4).toInt()));
    if (mode == QLatin1String("import"))
        return importState(args[2]);
    const QString password = args.value(3);
    if (mode == QLatin1String("word"))
        return wordExportState(args[2], password);
    return editorState(args[2], password, mode == QLatin1String("editor-list"));
}
