#include "language/language.h"

#include <libstemmer.h>

#include <chrono>

namespace language {

namespace {

constexpr quint64 kLemmaSeed = 0x1e3a;
constexpr quint64 kStemSeed = 0x57e3;

// More е than this in one word and the ё variants are not tried: each is a lookup.
constexpr int kMostYoVariants = 4;

// Capital abbreviations of the Russian alphabet longer than this are checked: "ЭВМ" and "ЦП" are
// not, a word in capitals in a heading is.
constexpr int kLongestCyrillicAbbreviation = 5;

QString capitalised(QStringView word) {
    QString result = word.toString();
    if (!result.isEmpty())
        result[0] = result[0].toUpper();
    return result;
}

}  // namespace

Language::Language(const QStringList& dictionaryFolders, QObject* parent) : QObject(parent) {
    loading_ = std::async(std::launch::async, [this, dictionaryFolders] {
        auto loaded = std::make_unique<Dictionaries>();
        if (const auto files =
                findDictionary(dictionaryFolders, {QStringLiteral("ru_RU"), QStringLiteral("ru")},
                               QStringLiteral("ru")))
            loaded->russian = Dictionary::load(*files);
        // English only when a Latin word comes: most bases have none, and it would add 7 MB.
        loaded->englishFiles =
            findDictionary(dictionaryFolders, {QStringLiteral("en_US"), QStringLiteral("en_GB")},
                           QStringLiteral("en"));
        // Told on the object's own thread, where the boxes repaint what they underline.
        QMetaObject::invokeMethod(
            this,
            [this] {
                dictionaries();
                emit changed();
            },
            Qt::QueuedConnection);
        return loaded;
    });
}

Language::~Language() {
    if (loading_.valid())
        loading_.wait();
    if (russianStemmer_)
        sb_stemmer_delete(russianStemmer_);
    if (englishStemmer_)
        sb_stemmer_delete(englishStemmer_);
}

Language& Language::shared() {
    static Language language;
    return language;
}

bool Language::isReady() const {
    return loaded_ || loading_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

Language::Dictionaries& Language::dictionaries() {
    if (!loaded_)
        loaded_ = loading_.get();
    return *loaded_;
}

bool Language::available() {
    return dictionaries().russian != nullptr;
}

Dictionary* Language::dictionaryFor(Script script) {
    switch (script) {
        case Script::Cyrillic:
            return dictionaries().russian.get();
        case Script::Latin: {
            Dictionaries& loaded = dictionaries();
            if (loaded.englishFiles) {
                loaded.english = Dictionary::load(*loaded.englishFiles);
                loaded.englishFiles.reset();
            }
            return loaded.english.get();
        }
        case Script::Other:
            break;
    }
    return nullptr;
}

bool Language::formsKeepFirstLetter(Script script) {
    const Dictionary* dictionary = dictionaryFor(script);
    // Snowball only takes endings off.
    return dictionary == nullptr || !dictionary->hasPrefixes();
}

QString Language::snowball(QStringView foldedWord, Script script) {
    sb_stemmer*& stemmer = script == Script::Latin ? englishStemmer_ : russianStemmer_;
    if (!stemmer)
        stemmer = sb_stemmer_new(script == Script::Latin ? "english" : "russian", "UTF_8");
    if (!stemmer)
        return foldedWord.toString();
    const QByteArray utf8 = foldedWord.toUtf8();
    const sb_symbol* stemmed = sb_stemmer_stem(
        stemmer, reinterpret_cast<const sb_symbol*>(utf8.constData()), int(utf8.size()));
    const int length = stemmed ? sb_stemmer_length(stemmer) : 0;
    if (length == 0)
        return foldedWord.toString();
    return QString::fromUtf8(reinterpret_cast<const char*>(stemmed), length);
}

Language::Resolved Language::resolve(QStringView foldedWord) {
    const Script script = scriptOf(foldedWord);
    if (script == Script::Other)
        return {foldedWord.toString(), Known::No};
    if (Dictionary* dictionary = dictionaryFor(script)) {
        QString root;
        if (dictionary->spell(foldedWord, &root))
            return {root.isEmpty() ? foldedWord.toString() : folded(root), Known::AsWritten};
        const QString name = capitalised(foldedWord);
        if (dictionary->spell(name, &root))
            return {folded(root.isEmpty() ? name : root), Known::Capitalised};
    }
    return {snowball(foldedWord, script), Known::No};
}

Language::Entry Language::lookup(QStringView foldedWord) {
    const quint64 key = hashOf(foldedWord);
    const auto known = entries_.constFind(key);
    if (known != entries_.cend())
        return *known;
    const Resolved resolved = resolve(foldedWord);
    const Script script = scriptOf(foldedWord);
    const QString stem =
        script == Script::Other ? foldedWord.toString() : snowball(foldedWord, script);
    const Entry entry{hashOf(resolved.lemma, kLemmaSeed), hashOf(stem, kStemSeed), resolved.known};
    entries_.insert(key, entry);
    return entry;
}

QString Language::lemma(QStringView word) {
    return resolve(folded(word)).lemma;
}

bool Language::isChecked(QStringView word) {
    int letters = 0;
    int capitals = 0;
    bool cyrillic = false;
    bool latin = false;
    for (const QChar c : word) {
        if (c.isDigit())
            return false;
        if (!c.isLetter())
            continue;
        ++letters;
        capitals += c.isUpper();
        switch (scriptOf(QStringView(&c, 1))) {
            case Script::Cyrillic:
                cyrillic = true;
                break;
            case Script::Latin:
                latin = true;
                break;
            case Script::Other:
                return false;  // another alphabet
        }
    }
    if (letters < 2)
        return false;
    if (capitals == letters)
        return cyrillic && !latin && letters > kLongestCyrillicAbbreviation;
    // A word of Latin and Cyrillic letters is checked, and found wrong: a Latin "с" in a
    // Russian word looks right and is not found by a search.
    return true;
}

bool Language::spelledRight(QStringView word) {
    const Script script = scriptOf(word);
    if (script == Script::Other)
        return false;  // letters of two alphabets, as isChecked lets through
    Dictionary* dictionary = dictionaryFor(script);
    if (!dictionary)
        return true;  // no English dictionary: Latin words are not checked
    if (dictionary->spell(word))
        return true;
    // The dictionary may know the word with ё only.
    QList<qsizetype> yo;
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (word[i] == u'е' || word[i] == u'Е')
            yo << i;
    }
    if (yo.isEmpty() || yo.size() > kMostYoVariants)
        return false;
    // One ё, then all of them ("трехколесный" is "трёхколёсный").
    QString variant = word.toString();
    const auto toYo = [](QChar e) { return e == u'е' ? QChar(u'ё') : QChar(u'Ё'); };
    for (const qsizetype at : yo) {
        const QChar e = variant[at];
        variant[at] = toYo(e);
        if (dictionary->spell(variant))
            return true;
        variant[at] = e;
    }
    if (yo.size() == 1)
        return false;
    for (const qsizetype at : yo)
        variant[at] = toYo(variant[at]);
    return dictionary->spell(variant);
}

bool Language::isKnown(QStringView word) {
    if (!isChecked(word) || !available())
        return true;
    if (!ignored_.isEmpty() && ignored_.contains(folded(word)))
        return true;
    const auto known = spelled_.constFind(word.toString());
    if (known != spelled_.cend())
        return *known;
    // A stress mark ("за́мок") is not part of the spelling.
    QString written;
    written.reserve(word.size());
    for (const QChar c : word) {
        if (foldedUnit(c.unicode()) != kDropped)
            written += c;
    }
    const bool right = spelledRight(written);
    spelled_.insert(word.toString(), right);
    return right;
}

QStringList Language::suggestions(QStringView word, int most) {
    Dictionary* dictionary = dictionaryFor(scriptOf(word));
    if (!dictionary || most <= 0)
        return {};
    QStringList result;
    for (const QString& suggestion : dictionary->suggest(word)) {
        if (suggestion != word && !result.contains(suggestion))
            result << suggestion;
        if (result.size() == most)
            break;
    }
    return result;
}

void Language::forgetWords() {
    entries_.clear();
    spelled_.clear();
}

void Language::ignore(QStringView word) {
    ignored_.insert(folded(word));
    emit changed();
}

}  // namespace language
