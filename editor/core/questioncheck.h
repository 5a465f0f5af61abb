#pragma once

#include <QLocale>
#include <QString>

namespace editor {

// The question check of the editor: the correct-option number first, then the question text.
// Returns the message to show, or an empty text when the question may be stored.
QString checkQuestion(const QString& correctOption, const QString& questionText,
                      const QLocale& locale = QLocale::system());

// What the number box holds with its blanks (U+0020 only) removed from both ends.
QString trimBlanks(const QString& text);

}  // namespace editor
