#pragma once

#include "language/language.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <span>
#include <vector>

namespace language {

// What a teacher looks for among the questions: words, each of which must occur in any of its
// forms ("дни" finds "день"), and phrases in quotes ("…", «…», “…”), each of which must occur
// as written. Letter case and ё/е never count.
//
// Built for scanning a bank: a question's words are looked up only when they begin with a
// letter a wanted word begins with (the dictionary forms words by endings only), and each
// distinct word once per run (Language remembers it), so testing a question costs little more
// than reading its text.
class Query {
public:
    explicit Query(const QString& typed, Language& language = Language::shared());

    // Nothing to look for: no word and no phrase.
    bool isEmpty() const { return terms_.empty() && phrases_.isEmpty(); }

    // Whether a question holds every word and every phrase of the query: `fields` are its
    // text and its options (a phrase must stand within one of them). `matched`, when given,
    // gets what matched, as the question writes it: its words in the order they stand, each
    // once, then the query's phrases.
    bool matches(std::span<const QString> fields, QStringList* matched = nullptr);
    // The quick first test of a question held as UTF-8 (as the store holds its texts): whether
    // every word of the query occurs in it. Only a question that passes needs its texts
    // converted for matches(), which also looks for the phrases and says what matched.
    bool mayMatch(std::span<const QByteArrayView> fields);

private:
    struct Term {
        Language::Entry entry;
        char16_t first;  // the folded first letter of the word, its lemma and its stem
    };
    void addWords(QStringView text);
    // Marks the terms the word is a form of; true when it is one's.
    bool markTerms(QStringView foldedWord);
    bool wanted(char16_t first) const {
        return everyWord_ || std::any_of(terms_.begin(), terms_.end(),
                                         [&](const Term& t) { return t.first == first; });
    }
    bool phraseAt(const QString& foldedField, const QString& phrase) const;

    Language& language_;
    std::vector<Term> terms_;
    QStringList phrases_;       // folded as foldedPhrase does
    QStringList typedPhrases_;  // as typed, for `matched`
    bool everyWord_ = false;    // the first-letter shortcut does not hold for a wanted word
    std::vector<bool> found_;   // per term: scratch of matches()
    QString scratch_;
};

}  // namespace language
