#include "editor/core/spellingcheck.h"

#include <algorithm>

namespace editor {

namespace {

// A word in this many questions or more is a term of the subject.
constexpr int kTermQuestions = 3;

}  // namespace

SpellingCheck::SpellingCheck(language::Language& language)
    : language_(language), enabled_(language.available()) {}

void SpellingCheck::add(int question, QStringView written, const language::Language::Entry& entry) {
    using Known = language::Language::Known;
    if (!enabled_)
        return;
    // Most words are known as the text writes them (the dictionary accepts its lower-case
    // words with a capital or in capitals too): no second lookup.
    if (entry.known == Known::AsWritten ||
        (entry.known == Known::Capitalised && written.front().isUpper()))
        return;
    if (!language::Language::isChecked(written))
        return;
    Seen& seen = seen_[entry.lemma];
    ++order_;
    if (seen.lastQuestion == question || seen.questions >= kTermQuestions)
        return;
    seen.lastQuestion = question;
    if (++seen.questions >= kTermQuestions) {
        seen.samples.clear();  // a term: its samples stay behind, unlisted
        return;
    }
    seen.samples.push_back(int(samples_.size()));
    samples_.push_back({question, order_, written.toString()});
}

std::vector<SpellingCheck::Typo> SpellingCheck::typos() {
    std::vector<const Sample*> listed;
    for (const Seen& seen : std::as_const(seen_)) {
        if (seen.questions >= kTermQuestions)
            continue;
        for (const int sample : seen.samples) {
            // The full check: the English dictionary, ё for е, "Пропустить везде".
            if (!language_.isKnown(samples_[size_t(sample)].word))
                listed.push_back(&samples_[size_t(sample)]);
        }
    }
    std::sort(listed.begin(), listed.end(), [](const Sample* a, const Sample* b) {
        return std::pair(a->question, a->order) < std::pair(b->question, b->order);
    });
    std::vector<Typo> result;
    for (const Sample* sample : listed) {
        bool again = false;
        for (auto typo = result.rbegin(); typo != result.rend(); ++typo) {
            if (typo->question != sample->question)
                break;
            again = again || typo->word == sample->word;
        }
        if (!again)
            result.push_back({sample->question, sample->word});
    }
    return result;
}

}  // namespace editor
