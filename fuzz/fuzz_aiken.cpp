#include "exchange/source.h"
#include "fuzz/fuzzinput.h"

#include <cstdint>
#include <cstdlib>

// The reader of Aiken takes any text: whatever it holds, every question it returns has
// options and a right one among them, and nothing is both taken and refused.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const exchange::Source source = exchange::readAiken(fuzz::text(data, size));
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
    return 0;
}
