#include "language/query.h"

#include <algorithm>

namespace language {

namespace {

// The quotes a phrase may stand in, each with the quotes that close it.
struct Quote {
    char16_t open;
    char16_t close;
    char16_t closeToo;
};
constexpr Quote kQuotes[] = {
    {u'"', u'"', u'”'},
    {u'«', u'»', u'»'},
    {u'“', u'”', u'"'},
    {u'„', u'“', u'”'},
};

const Quote* quoteOpenedBy(QChar c) {
    for (const Quote& quote : kQuotes) {
        if (quote.open == c.unicode())
            return &quote;
    }
    return nullptr;
}

bool isWordUnit(QChar c) {
    return foldedUnit(c.unicode()) != 0;
}

}  // namespace

Query::Query(const QString& typed, Language& language) : language_(language) {
    qsizetype from = 0;
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const Quote* quote = quoteOpenedBy(typed[i]);
        if (!quote)
            continue;
        addWords(QStringView(typed).mid(from, i - from));
        qsizetype end = i + 1;
        while (end < typed.size() && typed[end] != quote->close && typed[end] != quote->closeToo)
            ++end;
        // An unclosed quote takes the rest: the teacher is still typing the phrase.
        const QStringView phrase = QStringView(typed).mid(i + 1, end - i - 1).trimmed();
        const QString foldedText = foldedPhrase(phrase);
        if (!foldedText.isEmpty() && !phrases_.contains(foldedText)) {
            phrases_ << foldedText;
            typedPhrases_ << phrase.toString();
        }
        i = end;
        from = end + 1;
    }
    if (from < typed.size())
        addWords(QStringView(typed).mid(from));
    found_.resize(terms_.size());
}

void Query::addWords(QStringView text) {
    forEachWord(text, [&](qsizetype start, qsizetype length) {
        const QString word = folded(text.mid(start, length));
        const Term term{language_.lookup(word), word.front().unicode()};
        if (!language_.formsKeepFirstLetter(scriptOf(word)))
            everyWord_ = true;
        const bool known = std::any_of(terms_.begin(), terms_.end(), [&](const Term& t) {
            return t.entry.lemma == term.entry.lemma && t.entry.stem == term.entry.stem;
        });
        if (!known)
            terms_.push_back(term);
    });
}

bool Query::phraseAt(const QString& foldedField, const QString& phrase) const {
    // As written means whole words: "кот" is not found in "который".
    for (qsizetype at = foldedField.indexOf(phrase); at >= 0;
         at = foldedField.indexOf(phrase, at + 1)) {
        const qsizetype end = at + phrase.size();
        const bool startsClean =
            at == 0 || !isWordUnit(phrase.front()) || !isWordUnit(foldedField[at - 1]);
        const bool endsClean = end == foldedField.size() || !isWordUnit(phrase.back()) ||
                               !isWordUnit(foldedField[end]);
        if (startsClean && endsClean)
            return true;
    }
    return false;
}

bool Query::markTerms(QStringView foldedWord) {
    const Language::Entry entry = language_.lookup(foldedWord);
    bool any = false;
    for (size_t t = 0; t < terms_.size(); ++t) {
        if (terms_[t].entry.sameWord(entry)) {
            found_[t] = true;
            any = true;
        }
    }
    return any;
}

bool Query::mayMatch(std::span<const QByteArrayView> fields) {
    if (terms_.empty())
        return !phrases_.isEmpty();
    std::fill(found_.begin(), found_.end(), false);
    for (const QByteArrayView field : fields) {
        forEachWordUtf8(field, [&](qsizetype start, qsizetype end, char16_t first) {
            if (!wanted(first))
                return;
            scratch_.resize(0);
            forEachUnitUtf8(field.sliced(start, end - start), [&](char16_t unit) {
                const char16_t f = foldedUnit(unit);
                if (f != kDropped)
                    scratch_ += QChar(f);
            });
            markTerms(scratch_);
        });
    }
    return std::all_of(found_.begin(), found_.end(), [](bool f) { return f; });
}

bool Query::matches(std::span<const QString> fields, QStringList* matched) {
    if (isEmpty())
        return false;
    std::fill(found_.begin(), found_.end(), false);
    if (matched)
        matched->clear();
    for (const QString& field : fields) {
        forEachWord(field, [&](qsizetype start, qsizetype length) {
            if (!wanted(foldedUnit(field[start].unicode())))
                return;
            scratch_.resize(0);
            for (const QChar c : QStringView(field).mid(start, length)) {
                const char16_t f = foldedUnit(c.unicode());
                if (f != kDropped)
                    scratch_ += QChar(f);
            }
            if (!markTerms(scratch_) || !matched)
                return;
            const QString written = field.mid(start, length);
            if (!matched->contains(written))
                *matched << written;
        });
    }
    if (!std::all_of(found_.begin(), found_.end(), [](bool f) { return f; }))
        return false;
    for (qsizetype p = 0; p < phrases_.size(); ++p) {
        const bool here = std::any_of(fields.begin(), fields.end(), [&](const QString& field) {
            return phraseAt(foldedPhrase(field), phrases_[p]);
        });
        if (!here)
            return false;
    }
    if (matched)
        *matched << typedPhrases_;
    return true;
}

}  // namespace language
