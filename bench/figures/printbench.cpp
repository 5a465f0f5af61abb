#include "bench/figures/printbench.h"

#include "bench/figures/benchbases.h"
#include "bench/figures/steptimer.h"
#include "printing/core/printjob.h"
#include "questionbase/columns.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace {

using benchbases::skip;
using benchbases::StepTimer;

// The base of 40 questions the runner makes beside the others.
constexpr int kFortyQuestions = 40;

// The files one run writes, beside the base; the runner hands the .docx to LibreOffice.
QString outputStem(const QString& basePath) {
    return QFileInfo(basePath).absoluteDir().filePath(QStringLiteral("print"));
}

void printOnce(benchmark::State& state, const QString& basePath,
               const printing::PrintChoices& choices) {
    std::optional<benchbases::OpenBase> base;
    try {
        base.emplace(basePath);
    } catch (const qb::Error& error) {
        skip(state, (QStringLiteral("the base did not open: ") + error.text()).toStdString());
        return;
    }
    qb::Recordset& questions = base->questions;
    const printing::PrintFiles files =
        printing::printFiles(outputStem(basePath) + QStringLiteral(".docx"), choices);
    StepTimer timer(state);
    qint64 bytes = 0;
    for (auto _ : state) {
        timer.start();
        try {
            printing::printVariants(questions, basePath, choices, files);
        } catch (const qb::Error& error) {
            timer.stop();
            skip(state, (QStringLiteral("the print failed: ") + error.text()).toStdString());
            return;
        }
        timer.stop();
        bytes = QFileInfo(files.docx).size() + QFileInfo(files.pdf).size();
    }
    state.counters["bytes"] = double(bytes);
}

void printForty(benchmark::State& state) {
    printing::PrintChoices choices;
    choices.variants = 30;
    choices.seed = 2024;
    choices.title = QStringLiteral("Контрольная работа");
    printOnce(state, benchbases::basePath(kFortyQuestions, false), choices);
}

// The draw's figure is about the questions: the variants and their key. The sheets, a fixed cost
// a page whatever the base, are measured apart.
void printDraw(benchmark::State& state, int questions, bool sheets) {
    printing::PrintChoices choices;
    choices.variants = 10;
    choices.questionsPerVariant = 50;
    choices.drawForEachVariant = true;
    choices.makeSheets = sheets;
    choices.seed = 2024;
    choices.title = QStringLiteral("Контрольная работа");
    printOnce(state, benchbases::basePath(questions, false), choices);
}

}  // namespace

void registerPrintBenchmarks(const QList<int>& sizes) {
    const auto setup = [](benchmark::internal::Benchmark* b, int repetitions) {
        b->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(repetitions)
            ->ReportAggregatesOnly(true);
    };
    setup(benchmark::RegisterBenchmark("print_forty", printForty), 3);
    const int largest = *std::max_element(sizes.begin(), sizes.end());
    for (const bool sheets : {false, true}) {
        const QString name = QStringLiteral("print_draw%1/%2/plain")
                                 .arg(sheets ? QStringLiteral("_sheets") : QString())
                                 .arg(largest);
        setup(benchmark::RegisterBenchmark(name.toStdString().c_str(), printDraw, largest, sheets),
              3);
    }
}
