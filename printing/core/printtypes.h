#pragma once

// What a print of variants is made of: the teacher's choices, the questions as read from the
// base, and the variants drawn from them. The planner fills it, the page writers and the answer
// sheet read it.

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace printing {

enum class Paper { A4, Letter };

// The choices of the "Варианты для печати" dialog.
struct PrintChoices {
    static constexpr int kMaxVariants = 99;

    int variants = 1;                 // 1 … kMaxVariants
    int questionsPerVariant = 0;      // 0: every question of the base
    bool drawForEachVariant = false;  // else one draw serves every variant
    bool shuffleQuestions = true;
    bool shuffleOptions = true;
    quint64 seed = 0;
    QString title;
    QStringList headerLines = {QStringLiteral("Фамилия, имя"), QStringLiteral("Класс"),
                               QStringLiteral("Дата")};
    Paper paper = Paper::A4;
    bool makeVariants = true;
    bool makeSheets = true;
    bool makeKey = true;
    bool keySeparate = false;  // the key in files of its own
};

inline constexpr int kOptionCount = 5;

// A question as the base holds it, read once however many variants print it.
struct PrintQuestion {
    qint64 id = 0;        // `номер`: what the answer sheet's code names
    qint64 position = 0;  // its place in the base, counted from 1 as the editor shows it
    QString text;
    std::array<QString, kOptionCount> options;  // in the base's order; empty when not filled
    int correct = 1;                            // `верный`: 1 … 5, the base's numbering
    QString picture;  // full native path of the picture file; empty when the question has none
};

// A question's place in one variant.
struct VariantQuestion {
    int question = 0;        // index into PrintSet::questions
    QList<int> optionOrder;  // the base's option numbers (1 … 5) in printed order, filled ones only
};

struct Variant {
    int number = 1;  // "Вариант K", from 1
    QList<VariantQuestion> questions;
};

struct PrintSet {
    QString title;
    QList<PrintQuestion> questions;
    QList<Variant> variants;
    // What the teacher is told: "Вопрос № K: …" for each question left out, and each missing
    // picture, in the base's order.
    QStringList remarks;
};

// The printed letter of the option at `index` (0-based) of a question: "А" "Б" "В" "Г" "Д".
QString optionLetter(int index);

// The letter under which the right option of `q` is printed in its variant; empty when the
// order does not hold it (the planner never makes such a variant).
QString correctLetter(const PrintQuestion& question, const VariantQuestion& placed);

}  // namespace printing
