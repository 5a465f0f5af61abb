#pragma once

#include "language/language.h"

#include <QHash>
#include <QString>

#include <vector>

namespace editor {

// The spelling part of the whole-base check: words the dictionaries do not know, each with the
// question it stands in. A word that occurs in three or more questions (in any of its forms) is
// a term of the subject, not a mistake, and is not listed. Only unknown words are kept, so a
// bank of 100,000 questions costs the lookups of its distinct words and little memory.
class SpellingCheck {
public:
    explicit SpellingCheck(language::Language& language);

    // Whether there is a dictionary to check with; without one nothing is listed.
    bool enabled() const { return enabled_; }

    // A word of question `question` (from 0) as written, with the dictionary's entry of its
    // folded form.
    void add(int question, QStringView written, const language::Language::Entry& entry);

    struct Typo {
        int question = 0;  // from 0
        QString word;      // as written
    };
    // The words to remark on, in question order and within a question in text order, each
    // once a question.
    std::vector<Typo> typos();

private:
    struct Seen {
        int questions = 0;  // how many questions hold a form of it, up to the threshold
        int lastQuestion = -1;
        std::vector<int> samples;  // indexes into samples_, one per question
    };
    struct Sample {
        int question;
        int order;  // when it was met, for the order of the list
        QString word;
    };

    language::Language& language_;
    bool enabled_;
    int order_ = 0;
    QHash<quint64, Seen> seen_;  // lemma key -> where its unknown forms stand
    std::vector<Sample> samples_;
};

}  // namespace editor
