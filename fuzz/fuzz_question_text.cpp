#include "exchange/source.h"
#include "fuzz/fuzzinput.h"

#include <cstdint>
#include <cstdlib>

// The readers of questions written as text (GIFT, Aiken, the exporter's text layout) take any
// text: whatever it holds, every question each returns has options and a right one among
// them, and each question it does not take names its place and a reason.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzz::text(data, size);
    using TextReader = exchange::Source (*)(const QString&);
    for (const TextReader read : {TextReader(exchange::readGift), TextReader(exchange::readAiken),
                                  TextReader(exchange::readExporterText)}) {
        const exchange::Source source = read(text);
        for (const exchange::SourceQuestion& taken : source.questions) {
            const exchange::Question& question = taken.question;
            if (question.options.isEmpty() || question.correct < 0 ||
                question.correct >= question.options.size() || taken.where.isEmpty())
                std::abort();
        }
        for (const exchange::Refusal& refusal : source.refused) {
            if (refusal.where.isEmpty() || refusal.reason.isEmpty())
                std::abort();
        }
    }
    return 0;
}
