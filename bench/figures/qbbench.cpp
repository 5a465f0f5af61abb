// Timings of the editor and the exporter on the generated bases, driving the real windows on
// the offscreen platform with scripted dialogs. Only the step itself is timed (manual time);
// building windows, copying bases and checking results happen outside the clock.

#include "bench/figures/benchbases.h"
#include "bench/figures/findbench.h"
#include "bench/figures/gradebench.h"
#include "bench/figures/importbench.h"
#include "bench/figures/listbench.h"
#include "bench/figures/openeditor.h"
#include "bench/figures/printbench.h"
#include "bench/figures/steptimer.h"
#include "desktop/scripted/scripteddialogs.h"
#include "editor/ui/editorwindow.h"
#include "editor/ui/limitedtextedit.h"
#include "exporter/ui/chtenie.h"
#include "questionbase/sqlitestore.h"
#include "tests/support/editorprobe.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <optional>

namespace {

using benchbases::describe;
using benchbases::kPasswordPrompt;
using benchbases::OpenEditor;
using benchbases::skip;
using benchbases::StepTimer;

void editorOpen(benchmark::State& state, int questions, bool withPassword) {
    const QString path = benchbases::basePath(questions, withPassword);
    StepTimer timer(state);
    for (auto _ : state) {
        OpenEditor editor(path, withPassword);
        timer.start();
        editor.open();
        benchbases::settle();
        timer.stop();
        if (!editor.opened(questions)) {
            skip(state, (QStringLiteral("the base did not open: ") + describe(editor.dialogs))
                            .toStdString());
            return;
        }
    }
}

void editorForward(benchmark::State& state, int questions, bool withPassword) {
    OpenEditor editor(benchbases::scratchCopy(questions, withPassword), withPassword);
    editor.open();
    if (!editor.opened(questions)) {
        skip(state, "the base did not open");
        return;
    }
    qint16 expected = 1;
    StepTimer timer(state);
    for (auto _ : state) {
        timer.start();
        editor.window->Command3_Click();
        benchbases::settle();
        timer.stop();
        ++expected;
        if (editor.probe.tekuschiy() != expected || !editor.dialogs.messages().isEmpty()) {
            skip(state, (QStringLiteral("the step did not reach the next question: ") +
                         describe(editor.dialogs))
                            .toStdString());
            return;
        }
    }
}

void editorCreate(benchmark::State& state, int questions, bool withPassword) {
    OpenEditor editor(benchbases::scratchCopy(questions, withPassword), withPassword);
    editor.open();
    if (!editor.opened(questions)) {
        skip(state, "the base did not open");
        return;
    }
    int expected = questions;
    StepTimer timer(state);
    for (auto _ : state) {
        // A new question comes with empty fields; the next one can only be made once this one
        // passes the check, as a user would fill it in.
        const testsupport::EditorProbe& w = editor.probe;
        w.Text1()->setPlainText(QStringLiteral("Сколько будет дважды два?"));
        w.Text(0)->setPlainText(QStringLiteral("Четыре"));
        w.Text(1)->setPlainText(QStringLiteral("Пять"));
        w.Text2()->setText(QStringLiteral("1"));
        benchbases::settle();
        timer.start();
        editor.window->Command5_Click();
        benchbases::settle();
        timer.stop();
        ++expected;
        // The position is a 16-bit number, so past 32,767 questions only the count is checked.
        if (w.voprosy().recordCount() != expected ||
            (expected <= 32767 && w.tekuschiy() != expected) ||
            !editor.dialogs.messages().isEmpty()) {
            skip(state, "no new question was added");
            return;
        }
    }
}

// The whole-base check as the menu item runs it, on the base the editor holds: every question
// read through the held connection, near-duplicates and spelling included. Each check is the
// run's first: the words the last one looked up are forgotten (the dictionaries stay loaded).
void baseCheck(benchmark::State& state, int questions, bool withPassword) {
    OpenEditor editor(benchbases::basePath(questions, withPassword), withPassword);
    editor.open();
    if (!editor.opened(questions)) {
        skip(state, "the base did not open");
        return;
    }
    qint64 findings = 0;
    StepTimer timer(state);
    for (auto _ : state) {
        language::Language::shared().available();
        language::Language::shared().forgetWords();
        timer.start();
        const std::optional<editor::BaseCheckResult> result =
            editor.window->checkOpenBase([](int, int) { return true; });
        timer.stop();
        if (!result || result->questions != questions || !editor.dialogs.messages().isEmpty()) {
            skip(state, (QStringLiteral("the check did not read every question: ") +
                         describe(editor.dialogs))
                            .toStdString());
            return;
        }
        findings = result->findings.size();
        if (!result->spellingChecked) {
            skip(state, "no dictionary: the check left spelling out");
            return;
        }
    }
    state.counters["findings"] = double(findings);
}

// An exporter window that has opened the base through its menu, the password typed at the
// prompt after the built-in key was refused.
struct OpenExporter {
    desktop::ScriptedDialogs dialogs;
    desktop::ScriptedServices services;
    std::unique_ptr<exporter::Chtenie> window;
    QString path;
    bool withPassword;

    OpenExporter(const QString& basePath, bool password) : path(basePath), withPassword(password) {
        services.folder = QFileInfo(path).absolutePath();
        window = std::make_unique<exporter::Chtenie>(dialogs, services);
        window->show();
        benchbases::settle();
        dialogs.expectOpenFile(path);
        if (withPassword)
            dialogs.expectPassword(benchbases::password(), kPasswordPrompt);
    }

    void open() {
        window->opba();
        benchbases::settle();
    }

    bool opened(int questions) const {
        return window->connection().isOpen() && window->questions().isOpen() &&
               window->questions().recordCount() == questions && dialogs.pending() == 0 &&
               dialogs.messages().isEmpty();
    }

    void setChecks(bool markCorrect, bool leavePicturesOut) {
        window->findChild<QCheckBox*>(QStringLiteral("Check1"))->setChecked(markCorrect);
        window->findChild<QCheckBox*>(QStringLiteral("Check2"))->setChecked(leavePicturesOut);
    }
};

void exporterOpen(benchmark::State& state, int questions, bool withPassword) {
    const QString path = benchbases::basePath(questions, withPassword);
    StepTimer timer(state);
    for (auto _ : state) {
        OpenExporter exporter(path, withPassword);
        timer.start();
        exporter.open();
        timer.stop();
        if (!exporter.opened(questions)) {
            skip(state, (QStringLiteral("the base did not open: ") + describe(exporter.dialogs))
                            .toStdString());
            return;
        }
    }
}

void textExport(benchmark::State& state, int questions, bool withPassword) {
    OpenExporter exporter(benchbases::basePath(questions, withPassword), withPassword);
    exporter.open();
    if (!exporter.opened(questions)) {
        skip(state, "the base did not open");
        return;
    }
    exporter.setChecks(true, false);
    const QString out =
        QDir(benchbases::baseFolder()).filePath(QStringLiteral("export-%1.txt").arg(questions));
    qint64 bytes = 0;
    StepTimer timer(state);
    for (auto _ : state) {
        QFile::remove(out);
        exporter.dialogs.expectSaveFile(out);
        timer.start();
        exporter.window->savtext();
        timer.stop();
        bytes = QFileInfo(out).size();
        if (bytes <= 0 || !exporter.dialogs.messages().isEmpty()) {
            skip(state, (QStringLiteral("the text export failed: ") + describe(exporter.dialogs))
                            .toStdString());
            return;
        }
    }
    state.counters["bytes"] = double(bytes);
}

// An export to another format from the menu, pictures included where the format holds them.
void exchangeExport(benchmark::State& state, int questions, exchange::Format format) {
    OpenExporter exporter(benchbases::basePath(questions, false), false);
    exporter.open();
    if (!exporter.opened(questions)) {
        skip(state, "the base did not open");
        return;
    }
    exporter.setChecks(false, false);
    const QString out =
        QDir(benchbases::baseFolder())
            .filePath(
                QStringLiteral("export-%1%2").arg(questions).arg(exchange::fileExtension(format)));
    qint64 bytes = 0;
    StepTimer timer(state);
    for (auto _ : state) {
        QFile::remove(out);
        exporter.dialogs.clear();
        // The generated bases hold what every format takes, except pictures in GIFT and Aiken.
        exporter.dialogs.expectSaveFile(out);
        if (format != exchange::Format::MoodleXml)
            exporter.dialogs.expectMessage();
        timer.start();
        switch (format) {
            case exchange::Format::MoodleXml:
                exporter.window->moodleXml();
                break;
            case exchange::Format::Gift:
                exporter.window->gift();
                break;
            case exchange::Format::Aiken:
                exporter.window->aiken();
                break;
        }
        timer.stop();
        bytes = QFileInfo(out).size();
        if (bytes <= 0 || exporter.dialogs.pending() != 0) {
            skip(
                state,
                (QStringLiteral("the export failed: ") + describe(exporter.dialogs)).toStdString());
            return;
        }
    }
    state.counters["bytes"] = double(bytes);
}

void wordExport(benchmark::State& state, int questions, bool withPassword, bool pictures) {
    OpenExporter exporter(benchbases::basePath(questions, withPassword), withPassword);
    exporter.open();
    if (!exporter.opened(questions)) {
        skip(state, "the base did not open");
        return;
    }
    exporter.setChecks(true, !pictures);
    qint64 bytes = 0;
    StepTimer timer(state);
    for (auto _ : state) {
        exporter.services.openedDocuments.clear();
        timer.start();
        exporter.window->opword();
        timer.stop();
        if (exporter.services.openedDocuments.size() != 1 ||
            !exporter.dialogs.messages().isEmpty()) {
            skip(state, "the Word export made no document");
            return;
        }
        const QString document = exporter.services.openedDocuments.first();
        bytes = QFileInfo(document).size();
        // The export leaves its folder for the user; a benchmark has no user to clear it.
        QDir(QFileInfo(document).absolutePath()).removeRecursively();
    }
    state.counters["bytes"] = double(bytes);
}

// Opening the store alone, as both programs do first: with the password (the built-in key is
// tried and refused first, then the key is derived from the password) and with the built-in
// key. The difference is what a password costs: one key derivation.
void storeOpen(benchmark::State& state, int questions, bool withPassword) {
    const QString path = benchbases::basePath(questions, withPassword);
    const std::optional<QString> password =
        withPassword ? std::optional<QString>(benchbases::password()) : std::nullopt;
    StepTimer timer(state);
    for (auto _ : state) {
        timer.start();
        const auto store =
            qb::SqliteStore::open(path, true, password, qb::SqliteStore::Hold::Shared);
        timer.stop();
        if (store->key() !=
            (withPassword ? qb::SqliteStore::Key::Password : qb::SqliteStore::Key::BuiltIn)) {
            skip(state, "the base opened with an unexpected key");
            return;
        }
    }
}

QList<int> sizes() {
    QList<int> result;
    const QString listed =
        qEnvironmentVariable("QBBENCH_SIZES", QStringLiteral("1000,10000,100000"));
    for (const QString& item : listed.split(u',', Qt::SkipEmptyParts))
        result << item.toInt();
    return result;
}

// Repetitions shrink with the size so the whole run stays within a few minutes; the median of
// the repetitions is what the report uses.
int repetitions(int questions, int small, int large) {
    return questions >= 100000 ? large : small;
}

void registerAll() {
    using benchmark::RegisterBenchmark;
    const QList<int> listed = sizes();
    const int smallest = *std::min_element(listed.begin(), listed.end());
    for (const bool pw : {false, true}) {
        RegisterBenchmark(pw ? "store_open/password" : "store_open/built_in", storeOpen, smallest,
                          pw)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    }
    for (const int n : sizes()) {
        for (const bool pw : {false, true}) {
            const std::string tail =
                QStringLiteral("/%1/%2")
                    .arg(n)
                    .arg(pw ? QStringLiteral("password") : QStringLiteral("plain"))
                    .toStdString();
            auto setup = [](benchmark::internal::Benchmark* b, int iterations, int reps) {
                b->UseManualTime()
                    ->Unit(benchmark::kMillisecond)
                    ->Iterations(iterations)
                    ->Repetitions(reps)
                    ->ReportAggregatesOnly(true);
            };
            setup(RegisterBenchmark(("editor_open" + tail).c_str(), editorOpen, n, pw), 1,
                  repetitions(n, 7, 5));
            setup(RegisterBenchmark(("editor_forward" + tail).c_str(), editorForward, n, pw), 100,
                  5);
            setup(RegisterBenchmark(("editor_create" + tail).c_str(), editorCreate, n, pw), 30, 5);
            setup(RegisterBenchmark(("exporter_open" + tail).c_str(), exporterOpen, n, pw), 1,
                  repetitions(n, 7, 5));
            setup(RegisterBenchmark(("text_export" + tail).c_str(), textExport, n, pw), 1,
                  repetitions(n, 5, 3));
            for (const auto format :
                 {exchange::Format::MoodleXml, exchange::Format::Gift, exchange::Format::Aiken}) {
                if (pw)
                    continue;
                const std::string name =
                    "exchange_export/" + exchange::formatName(format).toStdString() + tail;
                setup(RegisterBenchmark(name.c_str(), exchangeExport, n, format), 1,
                      repetitions(n, 5, 3));
            }
            setup(RegisterBenchmark(("base_check" + tail).c_str(), baseCheck, n, pw), 1,
                  repetitions(n, 5, 3));
            for (const bool pictures : {false, true}) {
                setup(
                    RegisterBenchmark(
                        ("word_export" + tail + (pictures ? "/pictures" : "/no_pictures")).c_str(),
                        wordExport, n, pw, pictures),
                    1, repetitions(n, 5, 3));
            }
        }
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    benchbases::quietOffscreen();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    registerAll();
    registerFindBenchmarks(sizes());
    registerListBenchmarks(sizes());
    registerPrintBenchmarks(sizes());
    registerImportBenchmarks();
    registerGradeBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    removeImportedBases();
    benchmark::Shutdown();
    return 0;
}
