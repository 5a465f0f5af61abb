#pragma once

// The two tables of a question base, column by column: the one place that names them, gives
// their sizes and says what a new row holds. The schema, the editor's fields, the exports and
// the tools all take them from here.

#include <QString>

namespace qb::columns {

// ---- test: one row a question, columns in this order (readers take 1 to 7 by position) ----
inline const QString kQuestionsTable = QStringLiteral("test");
inline const QString kQuestionsQuery = QStringLiteral("SELECT * FROM test");

inline const QString kNumber = QStringLiteral("номер");     // row identity, numbered by the base
inline const QString kQuestion = QStringLiteral("вопрос");  // the question text
inline constexpr int kQuestionSize = 225;
inline constexpr int kOptionCount = 5;
inline constexpr int kOptionSize = 120;
inline const QString kPicture = QStringLiteral("фото");  // picture path below the base's folder
inline constexpr int kPictureSize = 120;
inline const QString kCorrect = QStringLiteral("верный");  // number of the correct option, 1 to 5

// Position of the question column and of option i (0 to 4) among the columns of `test`.
inline constexpr int kQuestionPosition = 1;
inline constexpr int optionPosition(int i) {
    return kQuestionPosition + 1 + i;
}
inline constexpr int kPicturePosition = optionPosition(kOptionCount);

// "ответ1" … "ответ5" for i = 0 … 4.
inline QString option(int i) {
    return QStringLiteral("ответ%1").arg(i + 1);
}

// A new question holds empty text in the three required texts and 1 as its correct option;
// options 3 to 5 and the picture stay absent.
inline const QString kNewQuestionRequired[] = {kQuestion, option(0), option(1)};
inline constexpr int kNewQuestionCorrect = 1;

// ---- info: the test's settings, first row only ----
inline const QString kSettingsTable = QStringLiteral("info");
inline const QString kSettingsQuery = QStringLiteral("SELECT * FROM info");

inline const QString kSettingsId = QStringLiteral("код");
inline const QString kDescription = QStringLiteral("инфо");  // about the test
inline constexpr int kDescriptionSize = 150;
inline const QString kTime = QStringLiteral("время");          // seconds; 0 for no limit
inline const QString kTimeTarget = QStringLiteral("ВремяНа");  // what the time limit is for
inline constexpr int kTimeTargetSize = 20;
inline const QString kPerQuestion = QStringLiteral("вопрос");
inline const QString kWholeTest = QStringLiteral("тест");

}  // namespace qb::columns
