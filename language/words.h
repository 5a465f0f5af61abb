#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace language {

// What a UTF-16 unit is to the word reader: a letter or digit without its letter case and with
// ё as е; kDropped for a combining mark inside a word (a stress mark: "за́мок" is "замок");
// 0 for anything that ends a word. Looked up in a table for the alphabets the bases are
// written in, which is most of a scan's time otherwise.
constexpr char16_t kDropped = 0xffff;
namespace detail {
constexpr char16_t kFoldedTableSize = 0x530;
extern const std::array<char16_t, kFoldedTableSize> kFolded;
char16_t foldedOutsideTable(char16_t unit);
}  // namespace detail
inline char16_t foldedUnit(char16_t unit) {
    return unit < detail::kFoldedTableSize ? detail::kFolded[unit]
                                           : detail::foldedOutsideTable(unit);
}

// A word without its letter case, ё as е, stress marks left out.
QString folded(QStringView word);
// A phrase as the find compares it: letters folded as in words, every run of spaces and line
// breaks one blank, everything else as written.
QString foldedPhrase(QStringView text);

// A 64-bit hash of a text's UTF-16 units: two of 100,000 distinct words collide with a
// probability near 1e-9, so a word's hash stands for the word in the caches.
quint64 hashOf(QStringView text, quint64 seed = 0);
// Spreads the bits of a 64-bit value (SplitMix64's finaliser): hashes built from hashes.
quint64 mix(quint64 x);

// Which alphabet a word is written in, as the dictionaries divide them.
enum class Script { Cyrillic, Latin, Other };
Script scriptOf(QStringView word);

// The words of a text: runs of letters and digits (a hyphen or an apostrophe ends a word, so
// "Санкт-Петербург" is two, each of which the dictionary knows). `visit(start, length)` gets
// each word's place in the text.
template <typename Visit>
void forEachWord(QStringView text, Visit&& visit) {
    qsizetype start = -1;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t f = foldedUnit(text[i].unicode());
        if (f == 0) {
            if (start >= 0)
                visit(start, i - start);
            start = -1;
        } else if (start < 0 && f != kDropped) {
            start = i;
        }
    }
    if (start >= 0)
        visit(start, size - start);
}

// The UTF-16 unit of the character that starts at `i` of UTF-8 bytes, and in `length` how many
// bytes it takes; 0 (no letter) for a character outside the basic plane, which UTF-16 holds as
// two surrogates that are no letters either, and for a malformed byte.
inline char16_t unitAt(const unsigned char* bytes, qsizetype i, qsizetype size, int& length) {
    const unsigned char lead = bytes[i];
    length = 1;
    if (lead < 0x80)
        return lead;
    if ((lead & 0xe0) == 0xc0 && i + 1 < size) {
        length = 2;
        return char16_t(((lead & 0x1f) << 6) | (bytes[i + 1] & 0x3f));
    }
    if ((lead & 0xf0) == 0xe0 && i + 2 < size) {
        length = 3;
        return char16_t(((lead & 0x0f) << 12) | ((bytes[i + 1] & 0x3f) << 6) |
                        (bytes[i + 2] & 0x3f));
    }
    if ((lead & 0xf8) == 0xf0)
        length = int(std::min<qsizetype>(4, size - i));
    return 0;
}

// The UTF-16 units of UTF-8 bytes, one `visit(unit)` each.
template <typename Visit>
void forEachUnitUtf8(QByteArrayView text, Visit&& visit) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    int length = 1;
    for (qsizetype i = 0; i < text.size(); i += length)
        visit(unitAt(bytes, i, text.size(), length));
}

// The words of forEachWord in UTF-8, as the store holds texts, so that a scan need not convert
// every text: `visit(start, end, first)` gets each word's bytes and its folded first letter.
template <typename Visit>
void forEachWordUtf8(QByteArrayView text, Visit&& visit) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const qsizetype size = text.size();
    qsizetype start = -1;
    char16_t first = 0;
    int length = 1;
    for (qsizetype i = 0; i < size; i += length) {
        const char16_t f = foldedUnit(unitAt(bytes, i, size, length));
        if (f == 0) {
            if (start >= 0)
                visit(start, i, first);
            start = -1;
        } else if (start < 0 && f != kDropped) {
            start = i;
            first = f;
        }
    }
    if (start >= 0)
        visit(start, size, first);
}

// The words of a text, folded, back to back in one buffer: the buffer alone is the text with
// letter case, spaces and punctuation ignored. Keeps where each word stood in the text, so the
// word can be shown as written. Reused from text to text without new allocations.
class FoldedWords {
public:
    void read(QStringView text);
    size_t size() const { return folded_.size(); }
    QStringView word(size_t i) const {
        return QStringView(buffer_).mid(folded_[i].first, folded_[i].second);
    }
    // Where the word stands in the text last read: start and length.
    std::pair<qsizetype, qsizetype> written(size_t i) const { return written_[i]; }
    const QString& buffer() const { return buffer_; }

private:
    QString buffer_;
    std::vector<std::pair<qsizetype, qsizetype>> folded_;   // in the buffer
    std::vector<std::pair<qsizetype, qsizetype>> written_;  // in the text
};

}  // namespace language
