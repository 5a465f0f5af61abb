#pragma once

#include "language/language.h"

#include <QtGlobal>

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace editor {

// The search for questions that say nearly what an earlier one says, in other word forms or
// with a word changed. Each question is kept as a few dozen bytes: the sorted 32-bit hashes of
// its word set and 30 MinHash values; the search compares only questions that share a band of
// those values, so the work grows with the number of questions, not with its square.
class NearDuplicates {
public:
    // A question's words by their dictionary entries, its text's apart from its options'. A
    // question that repeats an earlier one exactly is not searched for again.
    void add(std::span<const language::Language::Entry> text,
             std::span<const language::Language::Entry> options, bool exactDuplicate);

    // For each question in the order added, the earliest earlier one it nearly repeats, or -1.
    // `step` is told of each of steps() steps and stops the search by returning false; then
    // there is no result.
    std::optional<std::vector<int>> find(const std::function<bool(int step)>& step);
    static constexpr int steps() { return 10; }

private:
    bool mayBeSimilar(int a, int b) const;
    double similarity(int a, int b) const;
    bool eligible(int index) const;

    int questions_ = 0;
    std::vector<bool> exactDuplicate_;
    std::vector<quint32> words_;  // sorted word hashes of every question, back to back
    std::vector<quint32> wordStart_{0};
    std::vector<quint32> signatures_;  // the MinHash values of every question, back to back
    std::vector<quint64> all_;         // scratch of add()
    std::vector<quint32> set_;
};

}  // namespace editor
