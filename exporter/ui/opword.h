#pragma once

#include <QString>

class QStatusBar;

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
    QStatusBar* statusBar = nullptr;  // "Пожалуйста, подождите..." / "Процесс завершен"
};

// The "импорт в Microsoft Word" button: builds the document and opens it on the desktop.
void opword(WordExportContext& context);

}  // namespace exporter
