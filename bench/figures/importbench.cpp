#include "bench/figures/importbench.h"

#include "bench/figures/benchbases.h"
#include "bench/figures/openeditor.h"
#include "bench/figures/steptimer.h"
#include "exchange/question.h"
#include "exporter/core/exchangeexport.h"
#include "questionbase/columns.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>

namespace {

using benchbases::describe;
using benchbases::skip;
using benchbases::StepTimer;

constexpr int kBankQuestions = 10000;
constexpr int kBankPictures = 2000;
constexpr int kNamedQuestions = 5000;

QString importFolder() {
    return QDir(benchbases::baseFolder()).filePath(QStringLiteral("import"));
}

// A small JPEG of its own for every seed: its pixels spell the seed.
QByteArray jpegOf(int seed) {
    QImage image(120, 90, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int bit = (seed >> ((x / 8 + y / 8 * 15) % 16)) & 1;
            image.setPixel(x, y, qRgb(bit ? 230 : 20, (x * 2 + seed) % 256, (y * 3) % 256));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 85);
    return bytes;
}

// The Moodle XML file `name` in the import folder: `questions` questions, every
// `questions / pictures`-th with a picture of its own, named by `nameOf`; made once.
template <typename NameOf>
QString source(const QString& name, int questions, int pictures, NameOf nameOf) {
    QDir().mkpath(importFolder());
    const QString path = QDir(importFolder()).filePath(name);
    if (QFile::exists(path))
        return path;
    const int every = questions / pictures;
    QList<exchange::Question> list;
    for (int i = 0; i < questions; ++i) {
        exchange::Question question;
        question.name = QStringLiteral("Вопрос %1").arg(i + 1);
        question.text = QStringLiteral("Сколько будет %1 плюс %2?").arg(i).arg(i % 7);
        for (int k = 0; k < 4; ++k)
            question.options << QString::number(i + i % 7 + k - 1);
        question.correct = 1;
        if (i % every == 0)
            question.picture = exchange::Picture{nameOf(i / every), jpegOf(i / every)};
        list << question;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(exchange::writeAll(exchange::Format::MoodleXml, {}, list)) < 0)
        return {};
    return path;
}

QString bankSource() {
    return source(QStringLiteral("bank.xml"), kBankQuestions, kBankPictures,
                  [](int n) { return QStringLiteral("рис%1.jpg").arg(n + 1); });
}

// Imports `from` into a new base in an empty folder through the menu item, as the user does.
// Nothing when the base did not open at its first question with every question. Each import
// gets a folder of its own, removed once every benchmark has run: on ext4 without a journal,
// creating a file within half a minute of deleting thousands skips past each of them, which
// would time the deleting of the previous repetition's pictures rather than the import.
std::optional<QString> importOnce(StepTimer* timer, const QString& from, int questions,
                                  const QString& name, QString& problem) {
    static int made = 0;
    const QString into =
        QDir(importFolder()).filePath(QStringLiteral("%1-%2").arg(name).arg(++made));
    QDir().mkpath(into);
    const QString base = QDir(into).filePath(QStringLiteral("imported.mdb"));
    benchbases::OpenEditor editor(base, false);
    editor.dialogs.clear();
    editor.dialogs.expectOpenFile(from).expectSaveFile(base);
    if (timer)
        timer->start();
    editor.window->importq();
    benchbases::settle();
    if (timer)
        timer->stop();
    if (editor.probe.voprosy().recordCount() != questions || editor.dialogs.pending() != 0 ||
        !editor.dialogs.messages().isEmpty()) {
        problem = QStringLiteral("the import did not make the base: ") + describe(editor.dialogs);
        return std::nullopt;
    }
    return base;
}

void importFile(benchmark::State& state, const QString& from, int questions, const char* into) {
    if (from.isEmpty()) {
        skip(state, "the source could not be written");
        return;
    }
    StepTimer timer(state);
    for (auto _ : state) {
        QString problem;
        if (!importOnce(&timer, from, questions, QString::fromLatin1(into), problem)) {
            skip(state, problem.toStdString());
            return;
        }
    }
}

void importBank(benchmark::State& state) {
    importFile(state, bankSource(), kBankQuestions, "bank");
}

// The export the import is judged against: Moodle XML of the base the import made.
void exportBank(benchmark::State& state) {
    QString problem;
    const std::optional<QString> base =
        importOnce(nullptr, bankSource(), kBankQuestions, QStringLiteral("bank-export"), problem);
    if (!base) {
        skip(state, problem.toStdString());
        return;
    }
    benchbases::OpenBase opened(*base);
    qb::Recordset& questions = opened.questions;
    exporter::ExchangeExportOptions options;
    options.basePath = *base;
    options.fileExists = [](const QString& path) { return QFile::exists(path); };
    const QString out = QDir(importFolder()).filePath(QStringLiteral("bank-export.xml"));
    StepTimer timer(state);
    for (auto _ : state) {
        QFile::remove(out);
        timer.start();
        try {
            exporter::saveExchange(questions, options, out);
        } catch (const qb::Error& error) {
            timer.stop();
            skip(state, (QStringLiteral("the export failed: ") + error.text()).toStdString());
            return;
        }
        timer.stop();
    }
    state.counters["bytes"] = double(QFileInfo(out).size());
}

void importNamed(benchmark::State& state, bool oneName) {
    const QString from =
        oneName ? source(QStringLiteral("one-name.xml"), kNamedQuestions, kNamedQuestions,
                         [](int) { return QStringLiteral("image.jpg"); })
                : source(QStringLiteral("distinct-names.xml"), kNamedQuestions, kNamedQuestions,
                         [](int n) { return QStringLiteral("image%1.jpg").arg(n + 1); });
    importFile(state, from, kNamedQuestions, oneName ? "one-name" : "distinct-names");
}

}  // namespace

void removeImportedBases() {
    const QDir folder(importFolder());
    for (const QString& made : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        QDir(folder.filePath(made)).removeRecursively();
}

void registerImportBenchmarks() {
    const auto setup = [](benchmark::internal::Benchmark* b) {
        b->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(3)
            ->ReportAggregatesOnly(true);
    };
    setup(benchmark::RegisterBenchmark("import/moodle_xml/10000", importBank));
    setup(benchmark::RegisterBenchmark("import/moodle_xml_export/10000", exportBank));
    setup(benchmark::RegisterBenchmark("import/one_name/5000", importNamed, true));
    setup(benchmark::RegisterBenchmark("import/distinct_names/5000", importNamed, false));
}
