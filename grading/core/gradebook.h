#pragma once

// The sheets of one grading, what was read of them and what the teacher decided, and the
// results: scores, school marks and an item analysis by each question's place in the base.
// The keys are read from the base when the results are made, so a key corrected in the base
// after printing counts.

#include "grading/core/sheetread.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace qb {
class Recordset;
}

namespace grading {

// What the teacher is asked about. Nothing doubtful counts until she decides.
enum class Doubt {
    Code,        // the sheet's code was not read: the sheet cannot be graded
    ListNumber,  // "№ по списку" not read: a doubtful bubble, two marks in a place, none
    ListNumberTwice,  // another sheet has the same number
    Row,              // a doubtful bubble, two marks or no mark in one row
};

struct ReviewItem {
    int sheet = 0;
    Doubt doubt = Doubt::Row;
    int row = -1;  // Doubt::Row: the printed question, from 0
    QString text;  // what is shown and read out: "Вопрос 7: две отметки", …
    bool operator==(const ReviewItem&) const = default;
};

// A row's answer: the printed option chosen, from 0; none for no answer.
using Answer = std::optional<int>;

class Gradebook {
public:
    Gradebook();
    ~Gradebook();
    Gradebook(const Gradebook&);
    Gradebook& operator=(const Gradebook&);
    Gradebook(Gradebook&&) noexcept;
    Gradebook& operator=(Gradebook&&) noexcept;

    // Adds a form as read and returns its sheet's number, from 0.
    int add(FormRead form);
    int sheetCount() const;
    const FormRead& form(int sheet) const;

    // What is still to be decided, in the order of the sheets, then of their rows.
    QList<ReviewItem> undecided() const;
    // Every question asked of a sheet, decided or not, in the same order; for review by hand.
    QList<ReviewItem> doubts(int sheet) const;

    void decideRow(int sheet, int row, Answer answer);
    // None: the sheet has no number. A number met on another sheet stays a doubt on both
    // until one of them changes.
    void decideListNumber(int sheet, std::optional<int> number);
    // The sheet is left out of the results (a page of something else, a spoiled sheet).
    void skip(int sheet, bool skipped = true);
    bool isSkipped(int sheet) const;
    void setName(int sheet, const QString& name);  // typed by the teacher; empty: none

    // As read or as decided; nothing while undecided.
    std::optional<Answer> answer(int sheet, int row) const;
    std::optional<std::optional<int>> listNumber(int sheet) const;
    QString typedName(int sheet) const;

private:
    // Complete only in gradebook.cpp, which therefore defines the special members.
    struct Sheet;
    std::vector<Sheet> sheets_;
    const Sheet& at(int sheet) const;
    Sheet& at(int sheet);
    // `numberUse`: how many sheets that count hold each list number now.
    QList<ReviewItem> doubtsOf(int sheet, const QHash<int, int>& numberUse) const;
    QHash<int, int> numberUse() const;
};

// The school marks' thresholds in percent: below `three` a 2.
struct Thresholds {
    double three = 50;
    double four = 70;
    double five = 85;
};
int schoolMark(double percent, const Thresholds& thresholds);

// "№ по списку" → "Фамилия Имя".
using ClassList = QMap<int, QString>;

struct StudentResult {
    int sheet = 0;
    std::optional<int> listNumber;
    QString name;  // typed, else from the class list, else empty
    int variant = 0;
    int right = 0;
    int counted = 0;  // the questions that count: in the base now, their right option printed
    double percent = 0;
    int mark = 2;
    // Per question of the base, by its position: the base's number (1 … 5) of the option
    // chosen; none where the sheet did not have the question or it was not answered.
    QList<std::optional<int>> chosen;
};

struct ItemStats {
    int position = 0;  // "Вопрос № K": the place in the base, from 1
    int asked = 0;     // sheets that had the question and count it
    int right = 0;
    std::optional<double> difficulty;      // the share right; none when nobody was asked
    std::optional<double> discrimination;  // upper 27 % of scores against lower 27 %
    std::array<int, 5> chosen{};           // by the base's option number
    int unanswered = 0;
};

struct GradeReport {
    int baseQuestions = 0;
    QList<StudentResult> students;  // the sheets graded, in sheet order
    QList<ItemStats> items;         // one per question of the base, in its order
    // What the teacher is told: sheets left out and why, questions the base no longer has,
    // keys that name an option the sheet did not print.
    QStringList remarks;
};

// The results of every sheet decided whole and not skipped. Throws qb::Error when the base
// cannot be read.
GradeReport grade(const Gradebook& book, qb::Recordset& questions, const Thresholds& thresholds,
                  const ClassList& classList);

// UTF-8 with a BOM, ";" between fields, decimal commas: a table to Calc and Excel in a Russian
// locale. Columns: "№ по списку", "Фамилия Имя", "Вариант", "Верно", "Процент", "Оценка",
// then "Вопрос № K" for every question of the base.
QByteArray resultsCsv(const GradeReport& report);
// One row per question of the base: "Вопрос № K", asked, right, difficulty, discrimination,
// then how often each option 1 … 5 was chosen and how often none.
QByteArray analysisCsv(const GradeReport& report);
// A class list "№;Фамилия Имя" (UTF-8 with or without a BOM, else Windows-1251; ";" or ","
// or a tab between fields; a header line is skipped). None when no line of it is a list entry.
std::optional<ClassList> readClassList(const QByteArray& bytes);

}  // namespace grading
