#include "bench/figures/listbench.h"

#include "bench/figures/openeditor.h"
#include "bench/figures/steptimer.h"
#include "editor/ui/questionlistwindow.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QTableView>

#include <string>

namespace {

using benchbases::OpenEditor;
using benchbases::skip;
using benchbases::StepTimer;

enum class When {
    RightAfterOpening,  // the walk over the ids of the rows has barely begun
    AfterIdle,          // the idle time after opening has walked every id
};

// An editor with the base open, left as the user would leave it before opening the list.
std::unique_ptr<OpenEditor> openedEditor(benchmark::State& state, int questions, When when) {
    auto editor = std::make_unique<OpenEditor>(benchbases::basePath(questions, false), false);
    editor->open();
    benchbases::settle();
    if (!editor->opened(questions)) {
        skip(state, "the base did not open");
        return nullptr;
    }
    if (when == When::AfterIdle)
        editor->idle();
    return editor;
}

// "сервис" > "список вопросов" from the menu, until the window is shown and has painted its
// first lines: painting them is what reads them.
void listOpen(benchmark::State& state, int questions, When when) {
    qint64 read = 0;
    StepTimer timer(state);
    for (auto _ : state) {
        const std::unique_ptr<OpenEditor> editor = openedEditor(state, questions, when);
        if (!editor)
            return;
        auto* action = editor->window->findChild<QAction*>(QStringLiteral("spisok"));
        const qint64 before = editor::listedLinesRead();
        timer.start();
        action->trigger();
        benchbases::settle();
        timer.stop();
        read = editor::listedLinesRead() - before;
        const editor::QuestionListWindow* list = editor->window->listWindow();
        if (list == nullptr || !list->isVisible() || read == 0) {
            skip(state, "the list window did not show its lines");
            return;
        }
    }
    state.counters["lines_read"] = double(read);
}

// Ctrl+End in the open list: the last line becomes the current one and the view scrolls to
// it. Only the lines that come into view may be read.
void listEnd(benchmark::State& state, int questions) {
    qint64 read = 0;
    StepTimer timer(state);
    for (auto _ : state) {
        const std::unique_ptr<OpenEditor> editor = openedEditor(state, questions, When::AfterIdle);
        if (!editor)
            return;
        editor->window->spisok();
        benchbases::settle();
        editor::QuestionListWindow* list = editor->window->listWindow();
        auto* view = list ? list->findChild<QTableView*>(QStringLiteral("questions")) : nullptr;
        if (view == nullptr) {
            skip(state, "the list window did not open");
            return;
        }
        const qint64 before = editor::listedLinesRead();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
        timer.start();
        QApplication::sendEvent(view, &press);
        benchbases::settle();
        timer.stop();
        read = editor::listedLinesRead() - before;
        if (view->currentIndex().row() != questions - 1 || read == 0) {
            skip(state, "Ctrl+End did not show the last line");
            return;
        }
    }
    state.counters["lines_read"] = double(read);
}

}  // namespace

void registerListBenchmarks(const QList<int>& sizes) {
    for (const int n : sizes) {
        const std::string tail = "/" + std::to_string(n) + "/plain";
        const auto setup = [](benchmark::internal::Benchmark* b) {
            b->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1)
                ->Repetitions(5)
                ->ReportAggregatesOnly(true);
        };
        setup(benchmark::RegisterBenchmark(("list_open" + tail).c_str(), listOpen, n,
                                           When::RightAfterOpening));
        setup(benchmark::RegisterBenchmark(("list_open_idle" + tail).c_str(), listOpen, n,
                                           When::AfterIdle));
        setup(benchmark::RegisterBenchmark(("list_end" + tail).c_str(), listEnd, n));
    }
}
