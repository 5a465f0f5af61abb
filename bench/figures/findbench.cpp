#include "bench/figures/findbench.h"

#include "bench/figures/benchbases.h"
#include "bench/figures/steptimer.h"
#include "editor/core/questionfind.h"
#include "language/words.h"
#include "questionbase/columns.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"

#include <QElapsedTimer>

#include <algorithm>
#include <memory>
#include <string>

namespace {

using benchbases::skip;
using benchbases::StepTimer;

// What a find window would give each call: short enough to keep the typing smooth.
constexpr int kSliceMilliseconds = 30;

// Two words a teacher might look a question up by: the first and the last of the text of
// question 501 (its number and "Вопрос" left out). Found in that question at least.
QString queryFor(qb::Store& store) {
    std::optional<qint64> id;
    for (int step = 0; step <= 500; ++step) {
        id = store.nextRowId(qb::columns::kQuestionsTable, id);
        if (!id)
            return {};
    }
    const QString text = store.readRow(qb::columns::kQuestionsTable, *id).value(1).toString();
    QStringList words;
    language::forEachWord(text, [&](qsizetype start, qsizetype length) {
        const QString word = text.mid(start, length);
        if (word.size() > 2 && !word.front().isDigit() && word != QStringLiteral("Вопрос"))
            words << word;
    });
    return words.isEmpty() ? QString() : words.first() + u' ' + words.last();
}

// `cold`: each search with a language that has looked up no word yet (the dictionaries are
// loaded before the clock starts), as a window's first find; otherwise one language for every
// search, as a window's finds after the first.
void find(benchmark::State& state, int questions, bool cold) {
    qb::Connection connection;
    connection.open(benchbases::basePath(questions, false), qb::kEmptyPasswordMarker);
    const QString query = queryFor(connection.store());
    if (query.isEmpty()) {
        skip(state, "the base has no question 501 to take words from");
        return;
    }
    std::unique_ptr<language::Language> language;
    double firstMilliseconds = 0;
    qint64 found = 0;
    StepTimer timer(state);
    for (auto _ : state) {
        if (cold || !language)
            language = std::make_unique<language::Language>();
        language->available();
        QElapsedTimer clock;
        timer.start();
        clock.start();
        editor::QuestionFind search(connection.store(), query, *language);
        double first = -1;
        found = 0;
        while (!search.done()) {
            const QList<editor::FoundQuestion> batch = search.next(kSliceMilliseconds);
            if (!batch.isEmpty() && first < 0)
                first = double(clock.nsecsElapsed()) / 1e6;
            found += batch.size();
        }
        timer.stop();
        if (search.read() != questions || found == 0) {
            skip(state, "the find did not read every question or found nothing");
            return;
        }
        firstMilliseconds = first;
    }
    state.counters["first_ms"] = firstMilliseconds;
    state.counters["found"] = double(found);
    state.SetLabel(query.toStdString());
}

}  // namespace

void registerFindBenchmarks(const QList<int>& sizes) {
    for (const int n : sizes) {
        for (const bool cold : {true, false}) {
            const std::string name =
                (cold ? "find/" : "find_again/") + std::to_string(n) + "/plain";
            benchmark::RegisterBenchmark(name.c_str(), find, n, cold)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1)
                ->Repetitions(n >= 100000 ? 3 : 5)
                ->ReportAggregatesOnly(true);
        }
    }
}
