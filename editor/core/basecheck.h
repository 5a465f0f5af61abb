#pragma once

#include "language/language.h"
#include "questionbase/columns.h"
#include "questionbase/store.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace editor {

// One remark of the whole-base check.
struct CheckFinding {
    int question = 0;  // the position as the main window counts it, from 1; 0 for the whole base
    QString text;
    qint64 row = 0;  // the question's row in the store, for going to it in one step

    // The line the check window lists: "Вопрос № K: " and the text, or the text alone.
    QString line() const;
};

struct BaseCheckResult {
    int questions = 0;
    QList<CheckFinding> findings;  // the whole base's first, then in question order
    bool spellingChecked = true;   // false without a dictionary

    // "Вопросов: N, замечаний: M", and ", орфография не проверялась" without a dictionary.
    QString summary() const;
};

// A question as the check sees it; a null text is an absent value.
struct CheckedQuestion {
    QString text;
    std::array<QString, qb::columns::kOptionCount> options;
    QString picture;
    QVariant correct;
    qint64 row = 0;  // the store's id of the row
};

// The first row of the settings table.
struct CheckedSettings {
    QVariant time;
    QVariant timeTarget;
};

// The check of a whole base, fed one question at a time in the base's order. Everything it keeps
// per question is a few dozen bytes, so a bank of 100,000 questions is checked in one pass
// without holding its texts.
class BaseCheck {
public:
    // The base file names the folder pictures are looked for in; `language` has the
    // dictionaries the spelling and the word forms come from.
    explicit BaseCheck(const QString& baseFilePath,
                       language::Language& language = language::Language::shared());
    ~BaseCheck();
    BaseCheck(const BaseCheck&) = delete;
    BaseCheck& operator=(const BaseCheck&) = delete;

    void addQuestion(const CheckedQuestion& question);
    void setSettings(const CheckedSettings& settings);
    // The near-duplicate search runs here, in `finishSteps` steps, and the spelling's last
    // lookups; `step` is told of each and
    // stops the search by returning false, and then there is no result.
    std::optional<BaseCheckResult> finish(const std::function<bool(int step)>& step = {});
    static constexpr int finishSteps() { return 10; }  // NearDuplicates::steps()

private:
    struct State;
    std::unique_ptr<State> d;
};

// Told how many questions were read out of how many; returns false to stop the check.
using CheckProgress = std::function<bool(int done, int total)>;

// Reads every question and the settings through the open store, in one pass and without writing
// anything, and checks them. Nothing when `progress` stopped it. Throws qb::Error when the base
// cannot be read.
std::optional<BaseCheckResult> checkBase(
    qb::Store& store, const QString& baseFilePath, const CheckProgress& progress = {},
    language::Language& language = language::Language::shared());

}  // namespace editor
