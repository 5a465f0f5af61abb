#pragma once

#include <QString>

#include <optional>

namespace qbtool {

struct GenerateOptions {
    int questions = 10;
    QString picturesFolder;  // empty: no pictures
    std::optional<QString> password;
};

// Writes a new base with deterministic Russian content: the same options give the same rows.
void generateBase(const QString& path, const GenerateOptions& options);

// Every row of `test`, then of `info`, one JSON object a line, absent values as null.
QString dumpBase(const QString& path, const std::optional<QString>& password);

}  // namespace qbtool
