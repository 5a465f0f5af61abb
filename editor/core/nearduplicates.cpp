#include "editor/core/nearduplicates.h"

#include "language/words.h"

#include <algorithm>
#include <utility>

namespace editor {

namespace {

using language::mix;

// Two questions whose words (the lemmas and stems of the question's words and of the options'
// words, counted with repeats) overlap at least this much are near-duplicates. On planted pairs:
// the same question in other word forms scores 1, one word in eight changed about 0.8, "два плюс
// два" against "два плюс три" with their options 0.6, and two questions that only share a topic
// ("столицей России" / "столицей Франции") about 0.35.
constexpr double kNearDuplicateLimit = 0.7;
// Questions with fewer words than this are too short to call near-duplicates of each other.
constexpr size_t kNearDuplicateMinimumWords = 4;
// MinHash with banding: 10 bands of 3 values find a pair at the limit with a probability of
// about 0.985 and one at 0.8 with 0.999, while pairs are compared only within a band's bucket.
constexpr int kBands = 10;
constexpr int kRowsPerBand = 3;
constexpr int kHashes = kBands * kRowsPerBand;
constexpr int kMinimumAgreeing = 14;
// A bucket that many questions share holds words every question has; comparing each member
// with every other would be quadratic, so each is compared with the first and the latest few.
constexpr int kBucketNeighbours = 4;

static_assert(kBands == NearDuplicates::steps());

}  // namespace

void NearDuplicates::add(std::span<const language::Language::Entry> text,
                         std::span<const language::Language::Entry> options, bool exactDuplicate) {
    ++questions_;
    exactDuplicate_.push_back(exactDuplicate);
    // Both keys of every word, since forms of one word share one at least; the question's and
    // the options' hashed apart from each other. The n-th repeat of a key is a word of its
    // own, so the overlap of two sets counts repeats ("два плюс два" is not "два плюс три").
    all_.clear();
    for (const language::Language::Entry& word : text) {
        all_.push_back(mix(word.lemma ^ 0x51));
        all_.push_back(mix(word.stem ^ 0x52));
    }
    for (const language::Language::Entry& word : options) {
        all_.push_back(mix(word.lemma ^ 0x53));
        all_.push_back(mix(word.stem ^ 0x54));
    }
    std::sort(all_.begin(), all_.end());
    set_.clear();
    for (size_t i = 0, repeat = 0; i < all_.size(); ++i) {
        repeat = i > 0 && all_[i] == all_[i - 1] ? repeat + 1 : 0;
        set_.push_back(quint32(mix(all_[i] + repeat)));
    }
    std::sort(set_.begin(), set_.end());
    set_.erase(std::unique(set_.begin(), set_.end()), set_.end());

    std::array<quint32, kHashes> minima;
    minima.fill(0xffffffffu);
    // The words are hashes already: one multiply-add each makes the 30 independent orders.
    static const std::array<std::pair<quint64, quint64>, kHashes> orders = [] {
        std::array<std::pair<quint64, quint64>, kHashes> factors;
        for (int h = 0; h < kHashes; ++h)
            factors[h] = {mix(quint64(2 * h + 1)) | 1, mix(quint64(2 * h + 2))};
        return factors;
    }();
    for (const quint32 word : set_) {
        for (int h = 0; h < kHashes; ++h) {
            const auto value = quint32((quint64(word) * orders[h].first + orders[h].second) >> 32);
            minima[h] = std::min(minima[h], value);
        }
    }
    words_.insert(words_.end(), set_.begin(), set_.end());
    wordStart_.push_back(quint32(words_.size()));
    signatures_.insert(signatures_.end(), minima.begin(), minima.end());
}

double NearDuplicates::similarity(int a, int b) const {
    const auto aBegin = words_.begin() + wordStart_[a];
    const auto aEnd = words_.begin() + wordStart_[a + 1];
    const auto bBegin = words_.begin() + wordStart_[b];
    const auto bEnd = words_.begin() + wordStart_[b + 1];
    size_t common = 0;
    for (auto i = aBegin, j = bBegin; i != aEnd && j != bEnd;) {
        if (*i < *j) {
            ++i;
        } else if (*j < *i) {
            ++j;
        } else {
            ++common;
            ++i;
            ++j;
        }
    }
    const size_t all = size_t(aEnd - aBegin) + size_t(bEnd - bBegin) - common;
    return all == 0 ? 0.0 : double(common) / double(all);
}

// Cheap refusals before the exact overlap: sets of very different sizes cannot overlap enough,
// and a pair at the limit agrees on about 21 of the 30 MinHash values (on fewer than
// kMinimumAgreeing with a probability of 0.2 %, far less for closer pairs), while most pairs a
// crowded bucket offers agree on far fewer.
bool NearDuplicates::mayBeSimilar(int a, int b) const {
    const quint32 sizeA = wordStart_[a + 1] - wordStart_[a];
    const quint32 sizeB = wordStart_[b + 1] - wordStart_[b];
    if (double(std::min(sizeA, sizeB)) < kNearDuplicateLimit * double(std::max(sizeA, sizeB)))
        return false;
    const quint32* x = &signatures_[size_t(a) * kHashes];
    const quint32* y = &signatures_[size_t(b) * kHashes];
    int agreeing = 0;
    for (int h = 0; h < kHashes; ++h)
        agreeing += x[h] == y[h];
    return agreeing >= kMinimumAgreeing;
}

bool NearDuplicates::eligible(int index) const {
    // Two keys a word.
    return wordStart_[index + 1] - wordStart_[index] >= 2 * kNearDuplicateMinimumWords;
}

std::optional<std::vector<int>> NearDuplicates::find(const std::function<bool(int step)>& step) {
    // For each question, the earliest earlier one found similar enough.
    std::vector<int> nearest(size_t(questions_), -1);
    std::vector<std::pair<quint64, int>> bucket;
    bucket.reserve(size_t(questions_));
    for (int band = 0; band < kBands; ++band) {
        if (step && !step(band))
            return std::nullopt;
        bucket.clear();
        for (int q = 0; q < questions_; ++q) {
            if (!eligible(q))
                continue;
            quint64 key = quint64(band);
            for (int r = 0; r < kRowsPerBand; ++r)
                key = mix(key * 0x100000001b3ULL +
                          signatures_[size_t(q) * kHashes + size_t(band * kRowsPerBand + r)]);
            bucket.emplace_back(key, q);
        }
        std::sort(bucket.begin(), bucket.end());
        for (size_t start = 0; start < bucket.size();) {
            size_t end = start + 1;
            while (end < bucket.size() && bucket[end].first == bucket[start].first)
                ++end;
            for (size_t later = start + 1; later < end; ++later) {
                const int k = bucket[later].second;
                if (exactDuplicate_[size_t(k)])
                    continue;
                const auto compare = [&](size_t earlier) {
                    const int j = bucket[earlier].second;
                    if ((nearest[size_t(k)] < 0 || j < nearest[size_t(k)]) && mayBeSimilar(j, k) &&
                        similarity(j, k) >= kNearDuplicateLimit)
                        nearest[size_t(k)] = j;
                };
                const size_t first = std::min(later, start + kBucketNeighbours);
                for (size_t e = start; e < first; ++e)
                    compare(e);
                for (size_t e = std::max(first, later - std::min<size_t>(later, kBucketNeighbours));
                     e < later; ++e)
                    compare(e);
            }
            start = end;
        }
    }
    return nearest;
}

}  // namespace editor
