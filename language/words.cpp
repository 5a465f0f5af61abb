#include "language/words.h"

namespace language {

namespace {

char16_t foldedOf(char16_t unit) {
    const QChar c(unit);
    if (c.isLetterOrNumber()) {
        const char16_t f = c.toCaseFolded().unicode();
        return f == u'ё' ? u'е' : f;
    }
    return c.isMark() ? kDropped : 0;
}

bool isCyrillic(char16_t unit) {
    return unit >= 0x400 && unit < 0x530;
}

bool isLatin(char16_t unit) {
    return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z') ||
           (unit >= 0xc0 && unit < 0x250 && unit != 0xd7 && unit != 0xf7);
}

}  // namespace

quint64 mix(quint64 x) {
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return x;
}

quint64 hashOf(QStringView text, quint64 seed) {
    quint64 h = 0xcbf29ce484222325ULL ^ seed;
    for (const QChar c : text) {
        h ^= c.unicode();
        h *= 0x100000001b3ULL;
    }
    return mix(h);
}

namespace detail {

const std::array<char16_t, kFoldedTableSize> kFolded = [] {
    std::array<char16_t, kFoldedTableSize> units{};
    for (char16_t u = 0; u < kFoldedTableSize; ++u)
        units[u] = foldedOf(u);
    return units;
}();

char16_t foldedOutsideTable(char16_t unit) {
    return foldedOf(unit);
}

}  // namespace detail

QString folded(QStringView word) {
    QString result;
    result.reserve(word.size());
    for (const QChar c : word) {
        const char16_t f = foldedUnit(c.unicode());
        if (f != 0 && f != kDropped)
            result += QChar(f);
    }
    return result;
}

QString foldedPhrase(QStringView text) {
    QString result;
    result.reserve(text.size());
    bool space = false;
    for (const QChar c : text) {
        if (c.isSpace()) {
            space = !result.isEmpty();
            continue;
        }
        const char16_t f = foldedUnit(c.unicode());
        if (f == kDropped)
            continue;
        if (space)
            result += u' ';
        space = false;
        result += f != 0 ? QChar(f) : c;
    }
    return result;
}

Script scriptOf(QStringView word) {
    bool cyrillic = false;
    bool latin = false;
    for (const QChar c : word) {
        const char16_t u = c.unicode();
        if (isCyrillic(u))
            cyrillic = true;
        else if (isLatin(u))
            latin = true;
        else if (foldedUnit(u) != kDropped)
            return Script::Other;
    }
    if (cyrillic == latin)
        return Script::Other;
    return cyrillic ? Script::Cyrillic : Script::Latin;
}

void FoldedWords::read(QStringView text) {
    buffer_.resize(0);
    folded_.clear();
    written_.clear();
    forEachWord(text, [&](qsizetype start, qsizetype length) {
        const qsizetype from = buffer_.size();
        for (const QChar c : text.mid(start, length)) {
            const char16_t f = foldedUnit(c.unicode());
            if (f != kDropped)
                buffer_ += QChar(f);
        }
        folded_.emplace_back(from, buffer_.size() - from);
        written_.emplace_back(start, length);
    });
}

}  // namespace language
