#pragma once

#include <QString>

#include <functional>

namespace qb {
class Recordset;
}

namespace exporter {

class WordSession;

inline constexpr auto kWordWaitText = "Пожалуйста, подождите...";
inline constexpr auto kWordDoneText = "Процесс завершен";
inline constexpr auto kWordCaption = "Вопросы";

struct WordExportOptions {
    QString basePath;
    bool markCorrect = false;       // Check1
    bool leavePicturesOut = false;  // Check2
    std::function<bool(const QString&)> fileExists;
    // Called every few hundred questions with the share done so far, so a long export can show
    // progress and let the window repaint.
    std::function<void(int percent)> progress;
};

// The folder of the base and the picture's stored relative path (with `\` between folders)
// joined into a native full path.
QString picturePath(const QString& basePath, const QString& storedPath);

// Types every question of the recordset, from its first row to its end, into the session:
// caption, the wait text, the paragraph format, then per question its fields with their font
// steps, marks and picture, and finally the done text. Throws on the first failure; whatever
// was typed stays in the session.
void typeQuestions(qb::Recordset& questions, WordSession& session,
                   const WordExportOptions& options);

}  // namespace exporter
