#pragma once

#include "language/query.h"
#include "questionbase/columns.h"
#include "questionbase/store.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace editor {

// A question the find turned up.
struct FoundQuestion {
    int question = 0;   // the position as the main window counts it, from 1
    qint64 row = 0;     // the question's row in the store, for going to it in one step
    QString text;       // the question's text as stored
    QStringList words;  // what matched, as the question writes it (Query::matches)

    // "Вопрос № K: " and the question's text.
    QString line() const;
};

// The find over the open base, a slice at a time: each call of next() reads on for about the
// time it is given and returns what it found, so a window shows the first results at once and
// stays responsive while a bank of 100,000 questions is read. Each slice is one scan of the
// store taken up after the row the last one stopped at; nothing is held but the query.
//
// The positions it reports are those of the base as it was when the find began; a window
// starts a new find after a save, a new question or a deletion.
class QuestionFind {
public:
    QuestionFind(qb::Store& store, const QString& query,
                 language::Language& language = language::Language::shared());

    // The query holds no word and no phrase: nothing will be found.
    bool isEmpty() const { return query_.isEmpty(); }
    // Reads on for about `milliseconds` (at least one row) and returns the questions found, in
    // order. Throws qb::Error when the base cannot be read.
    QList<FoundQuestion> next(int milliseconds);
    // Every question was read.
    bool done() const { return done_; }
    int read() const { return read_; }  // questions read so far

private:
    qb::Store& store_;
    language::Query query_;
    int text_ = -1;  // column positions; -1 when the table lacks the column
    std::array<int, qb::columns::kOptionCount> options_{};
    std::optional<qint64> last_;  // the last row read
    int read_ = 0;
    bool done_ = false;
    std::array<QString, 1 + qb::columns::kOptionCount> fields_;  // the row on hand
};

}  // namespace editor
