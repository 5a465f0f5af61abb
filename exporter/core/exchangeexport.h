#pragma once

#include "exchange/question.h"

#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;

namespace qb {
class Connection;
class Recordset;
}  // namespace qb

namespace exporter {

struct ExchangeExportOptions {
    exchange::Format format = exchange::Format::MoodleXml;
    QString basePath;               // names the category; the pictures lie beside it
    QString description;            // the test's description, for the file's header
    bool leavePicturesOut = false;  // Check2: every format then goes without pictures
    std::function<bool(const QString&)> fileExists;
};

// What an export to another format did with the base's questions.
struct ExchangeReport {
    int questions = 0;    // rows read
    int written = 0;      // questions in the file
    QStringList remarks;  // "Вопрос № K: …" for each one left out or changed, in order
};

// Writes every question of the recordset, from its first row to its end, in the format. A row
// is read as the text export reads it: a field that is absent or empty is no option, and
// `верный` names the right one among options 1 to 5. A question that no format can express
// (no text, fewer than two options, no right option among them) is left out; an option of
// spaces alone is left out of its question, as the platforms would drop it.
// Throws qb::Error when a row cannot be read or the device refuses a write.
ExchangeReport writeExchange(qb::Recordset& questions, const ExchangeExportOptions& options,
                             QIODevice& out);

// The same into the file at `path`, which is replaced only once everything was written.
ExchangeReport saveExchange(qb::Recordset& questions, const ExchangeExportOptions& options,
                            const QString& path);

// What the user is told: how many questions were written and what happened to the others,
// the first 20 of them. Empty when every question went out as it stands.
QString reportText(const ExchangeReport& report);

// The test's description: `инфо` of the first row of `info`; empty when the base has none.
QString testDescription(qb::Connection& connection);

}  // namespace exporter
