#pragma once

#include <QString>

#include <optional>

namespace qbtool {

struct GenerateOptions {
    int questions = 10;
    QString picturesFolder;  // empty: no pictures
    std::optional<QString> password;
    // The words come from the Russian dictionary's word list, as often as Zipf's law has words
    // of a real text, with a misspelled word in one question of 50; false (or no dictionary on
    // the system): from 15 words, as bases made before the dictionary were.
    bool dictionaryWords = true;
};

// Writes a new base with deterministic Russian content: the same options (and the same
// dictionary) give the same rows.
void generateBase(const QString& path, const GenerateOptions& options);

// Every row of `test`, then of `info`, one JSON object a line, absent values as null.
QString dumpBase(const QString& path, const std::optional<QString>& password);

}  // namespace qbtool
