#include "bench/figures/gradebench.h"

#include "bench/figures/benchbases.h"
#include "bench/figures/steptimer.h"
#include "grading/core/gradebook.h"
#include "grading/core/pagesource.h"
#include "grading/testkit/synthscan.h"
#include "printing/core/sheetcode.h"
#include "printing/core/variantplan.h"
#include "questionbase/columns.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <optional>

namespace {

using benchbases::skip;
using benchbases::StepTimer;

constexpr int kFortyQuestions = 40;
constexpr int kScans = 100;
constexpr int kVariants = 4;

// A flatbed scan of a filled-in sheet: a little turned and shifted, some noise.
grading::testkit::Degradation flatbed() {
    grading::testkit::Degradation how;
    how.dpi = 200;
    how.rotation = 2;
    how.scale = 0.01;
    how.shift = 2;
    how.blur = 0.05;
    how.noise = 4;
    return how;
}

QStringList scanFiles(const QString& folder) {
    QStringList files;
    for (const QFileInfo& file :
         QDir(folder).entryInfoList({QStringLiteral("*.png")}, QDir::Files, QDir::Name))
        files << file.absoluteFilePath();
    return files;
}

}  // namespace

QString gradingScans() {
    const QString basePath = benchbases::basePath(kFortyQuestions, false);
    const QString folder = QFileInfo(basePath).absoluteDir().filePath(QStringLiteral("scans"));
    if (scanFiles(folder).size() == kScans)
        return folder;
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    try {
        benchbases::OpenBase base(basePath);
        qb::Recordset& questions = base.questions;
        printing::PrintChoices choices;
        choices.variants = kVariants;
        choices.seed = 2024;
        const printing::PrintSet set = printing::planPrint(questions, basePath, choices);
        for (int i = 0; i < kScans; ++i) {
            const printing::Variant& variant = set.variants.at(i % set.variants.size());
            const grading::testkit::Scan scan = grading::testkit::makeScan(
                printing::sheetCodeFor(set, variant), flatbed(), quint64(1000 + i));
            scan.page.save(QDir(folder).filePath(
                QStringLiteral("scan-%1.png").arg(i + 1, 3, 10, QLatin1Char('0'))));
        }
    } catch (const qb::Error&) {
        return {};
    }
    return folder;
}

namespace {

void gradeDecode(benchmark::State& state) {
    const QStringList files = scanFiles(gradingScans());
    if (files.size() != kScans) {
        skip(state, "the scans could not be made");
        return;
    }
    StepTimer timer(state);
    qint64 pixels = 0;
    for (auto _ : state) {
        timer.start();
        pixels = 0;
        for (const QString& file : files)
            pixels += QImage(file).sizeInBytes();
        timer.stop();
    }
    state.counters["bytes"] = double(pixels);
}

// What the window does between "Проверить" and the results table.
void gradeScans(benchmark::State& state) {
    const QString folder = gradingScans();
    const QString basePath = benchbases::basePath(kFortyQuestions, false);
    std::optional<benchbases::OpenBase> base;
    try {
        base.emplace(basePath);
    } catch (const qb::Error& error) {
        skip(state, (QStringLiteral("the base did not open: ") + error.text()).toStdString());
        return;
    }
    qb::Recordset& questions = base->questions;
    StepTimer timer(state);
    qsizetype forms = 0;
    qsizetype asked = 0;
    for (auto _ : state) {
        timer.start();
        grading::Gradebook book;
        grading::PageSource pages({folder});
        grading::SourcePage page;
        while (pages.next(page)) {
            for (grading::FormRead& form :
                 grading::readPage(page.image, page.file, page.index).forms)
                book.add(std::move(form));
        }
        const grading::GradeReport report = grading::grade(book, questions, {}, {});
        const QByteArray csv = grading::resultsCsv(report);
        timer.stop();
        forms = book.sheetCount();
        asked = book.undecided().size();
        benchmark::DoNotOptimize(csv.size());
    }
    state.counters["forms"] = double(forms);
    state.counters["asked"] = double(asked);
}

}  // namespace

void registerGradeBenchmarks() {
    for (const auto& [name, function] :
         {std::pair{"grade_decode", &gradeDecode}, std::pair{"grade_scans", &gradeScans}})
        benchmark::RegisterBenchmark(name, function)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(3)
            ->ReportAggregatesOnly(true);
}
