#pragma once

#include <QString>

#include <functional>

namespace desktop {
class Dialogs;
class Services;
}  // namespace desktop

namespace qb {
class Connection;
class Recordset;
}  // namespace qb

namespace exporter {

// What the Word export reads of the exporter window.
struct WordExportContext {
    qb::Connection& connection;
    qb::Recordset& questions;
    QString basePath;
    bool markCorrect = false;       // Check1
    bool leavePicturesOut = false;  // Check2
    desktop::Dialogs& dialogs;
    desktop::Services& services;
    // Shows "Пожалуйста, подождите..." / "Процесс завершен" to the user; an empty text when
    // the export fails.
    std::function<void(const QString&)> showStatus;
};

// The "импорт в Microsoft Word" button: builds the document and opens it on the desktop. When
// the desktop has no application for it, says so and builds nothing. A failure opens nothing:
// it throws the unfinished document away and says why none came.
void opword(WordExportContext& context);

}  // namespace exporter
