#pragma once

#include "language/dictionary.h"
#include "language/words.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <future>
#include <memory>
#include <optional>

struct sb_stemmer;

namespace language {

// The Russian and English dictionaries (Hunspell), the word forms and the spelling the editor
// works with. A missing dictionary is no error: its language is then not spell-checked, and
// word forms come from Snowball's stemmer alone.
//
// The Russian dictionary loads on a thread of its own from construction on (a fifth of a
// second, which the editor's first window should not wait for); every lookup waits for it, and
// isReady() says whether one would wait. The English one loads when the first Latin word is
// looked up. Everything else happens on the thread that made the
// object. Each distinct word is looked up in the dictionary once and then remembered for the
// rest of the run, since Hunspell takes microseconds a word and a bank holds 100,000 words.
class Language : public QObject {
    Q_OBJECT
public:
    explicit Language(const QStringList& dictionaryFolders = systemDictionaryFolders(),
                      QObject* parent = nullptr);
    ~Language() override;
    // The one the programs share, so that every window's lookups and "Пропустить везде" count
    // for the others.
    static Language& shared();

    bool isReady() const;
    // Whether the Russian dictionary is there: without it nothing is spell-checked.
    bool available();

    // How the dictionary knows a folded word: as written, only with a capital first letter (a
    // name: "москва" is "Москва"), or not at all.
    enum class Known : quint8 { No, AsWritten, Capitalised };
    // Two keys of a word's forms. The dictionary's lemma joins forms of other stems ("дни" and
    // "день"), but it knows homonyms, and of those it names one: "какая" is a form of
    // "какать" to it, "какие" of "какой". Snowball's stem joins those ("как"). Two words are
    // forms of one when either key is equal.
    struct Entry {
        quint64 lemma = 0;  // a key of lemma(word); Snowball's stem when the dictionary lacks it
        quint64 stem = 0;   // a key of Snowball's stem
        Known known = Known::No;

        bool sameWord(const Entry& other) const {
            return lemma == other.lemma || stem == other.stem;
        }
    };
    // The keys of a folded word (see folded()), from the dictionary that holds the word's
    // alphabet. Remembered per word: each distinct word costs one lookup a run.
    Entry lookup(QStringView foldedWord);
    quint64 lemmaKey(QStringView word) { return lookup(folded(word)).lemma; }
    // The dictionary form of a word, folded: "дни" is "день", "пишут" and "пишет" "писать";
    // a word the dictionary does not know gives its Snowball stem ("ньютонов" is "ньютон").
    QString lemma(QStringView word);
    // Whether every form of a word begins with the letter its lemma begins with, in words of
    // that alphabet: the dictionary builds forms by endings alone. A search then looks up only
    // the words that begin as a wanted word does.
    bool formsKeepFirstLetter(Script script);

    // Spelling of a word as written. Not checked, so never a mistake: numbers and words with
    // digits, single letters, abbreviations in capitals, words of other alphabets.
    static bool isChecked(QStringView word);
    // Whether the word is correct, ignored for this run, or not checked. A word written with е
    // where the dictionary has ё is correct; so is everything when there is no dictionary.
    bool isKnown(QStringView word);
    // The dictionary's corrections for a word, at most `most`.
    QStringList suggestions(QStringView word, int most = 5);
    // "Пропустить везде": the word (in any letter case) is taken as correct until the program
    // ends; nothing is stored.
    void ignore(QStringView word);
    // Forgets the words looked up so far, as at start-up; the dictionaries and the ignored
    // words stay. What a benchmark of a first check or find needs.
    void forgetWords();

signals:
    // The dictionaries arrived or a word was ignored: what isKnown says may have changed.
    void changed();

private:
    struct Dictionaries {
        std::unique_ptr<Dictionary> russian;
        std::unique_ptr<Dictionary> english;
        std::optional<DictionaryFiles> englishFiles;  // found, not loaded yet
    };
    struct Resolved {
        QString lemma;
        Known known = Known::No;
    };
    Dictionaries& dictionaries();
    Dictionary* dictionaryFor(Script script);
    Resolved resolve(QStringView foldedWord);
    QString snowball(QStringView foldedWord, Script script);
    bool spelledRight(QStringView word);

    std::future<std::unique_ptr<Dictionaries>> loading_;
    std::unique_ptr<Dictionaries> loaded_;
    sb_stemmer* russianStemmer_ = nullptr;
    sb_stemmer* englishStemmer_ = nullptr;
    QHash<quint64, Entry> entries_;  // a hash of the folded word -> its entry
    QHash<QString, bool> spelled_;   // a word as written -> whether it is correct
    QSet<QString> ignored_;          // folded
};

}  // namespace language
