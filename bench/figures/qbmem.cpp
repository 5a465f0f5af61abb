// Peak memory of one state of the editor, measured in a process of its own so that nothing else
// the benchmarks did inflates the figure, and linked as the editor is (the exporter's states are
// qbmem-exporter's, whose libraries the editor never loads):
//   qbmem editor BASE [PASSWORD]       the editor with the base open and question 1 on screen
//   qbmem editor-list BASE [PASSWORD]  the same with the list of questions open and scrolled
//                                      to its last line (Ctrl+End)
//   qbmem import SOURCE                the import of a question file into a new base, read
//                                      and planned, then written into a temporary folder
// Prints one JSON object with the peak (VmHWM) and current (VmRSS) resident set in KiB.

#include "bench/figures/benchbases.h"
#include "desktop/scripted/scripteddialogs.h"
#include "editor/core/questionimport.h"
#include "editor/ui/editorwindow.h"
#include "editor/ui/questionlistwindow.h"
#include "language/language.h"
#include "questionbase/error.h"
#include "tests/support/editorprobe.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>

namespace {

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
    benchbases::printMemory(withList ? "editor_list" : "editor", before, benchbases::memory(),
                            probe.voprosy().recordCount());
    return 0;
}

int importState(const QString& source) {
    const benchbases::Memory before = benchbases::memory();
    QTemporaryDir folder;
    try {
        const editor::ImportPlan plan = editor::planImportFile(source);
        editor::createImportedBase(folder.filePath(QStringLiteral("imported.mdb")), plan);
        benchbases::printMemory("import", before, benchbases::memory(), plan.rows.size());
    } catch (const exchange::SourceError& error) {
        std::fprintf(stderr, "qbmem: %s\n", error.what());
        return 1;
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
    if (args.size() < 3 ||
        (mode != QLatin1String("editor") && mode != QLatin1String("editor-list") &&
         mode != QLatin1String("import"))) {
        std::fputs("usage: qbmem editor|editor-list BASE [PASSWORD] | import SOURCE\n", stderr);
        return 2;
    }
    if (mode == QLatin1String("import"))
        return importState(args[2]);
    return editorState(args[2], args.value(3), mode == QLatin1String("editor-list"));
}
