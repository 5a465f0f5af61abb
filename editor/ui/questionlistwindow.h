#pragma once

#include "editor/ui/toolwindow.h"

#include <QDialog>
#include <QPointer>

#include <optional>

class QLabel;
class QModelIndex;
class QTableView;

namespace editor {

// The list window's caption, the title it is announced by.
inline const QString kQuestionListTitle = QStringLiteral("Список вопросов");

// A question as a line of the list shows it.
struct ListedQuestion {
    QString text;     // the question's text, its line breaks as blanks
    int options = 0;  // how many options are filled
    QString correct;  // the number of the right option as stored
    QString picture;  // the picture's name, empty for none
};

// How many lines the list windows of this run have read from the base: scrolling must read
// the lines that come into view and no others, which a benchmark checks by this number.
qint64 listedLinesRead();

// What the list window asks of the main window.
class QuestionListHost {
public:
    // The number of questions the base holds: until the ids of its rows are walked, the one it
    // keeps, which another program may have made wrong.
    virtual qint64 listedCount() = 0;
    // The question at `position` (from 1) as the base holds it; nothing when it cannot be read.
    virtual std::optional<ListedQuestion> listedQuestion(qint64 position) = 0;
    // The position of the question on screen; 0 when none.
    virtual qint64 shownPosition() const = 0;
    // Shows the question at `position` as "Вперед" would: the question on screen is checked and
    // saved first, and nothing moves when that fails.
    virtual bool goToPosition(qint64 position) = 0;

protected:
    ~QuestionListHost() = default;
};

// Every question of the base, one line each: "№", the beginning of "Вопрос", "Вариантов",
// "Верный", "Картинка". Lines are read from the base as they come into view, so the list of a
// bank of any size opens at once. Not modal and without an owner; it deletes itself when closed.
class QuestionListWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit QuestionListWindow(QuestionListHost& host);

    // Shows the window held in `slot`, creating it when there is none or bringing it to the
    // front, beside `anchor` when it is new.
    static QuestionListWindow* showFor(QPointer<QuestionListWindow>& slot, QuestionListHost& host,
                                       const QWidget& anchor);

    // The base changed (a save, a new question, a deletion): lines are read again.
    void reread();
    // The main window shows the question at `position`: when it is another question, its line
    // becomes the current one. The count of questions is read again.
    void follow(qint64 position);

private:
    class Lines;

    void select(qint64 position);
    void lineActivated(const QModelIndex& line);
    void showCount();

    QuestionListHost& host_;
    Lines* lines_ = nullptr;
    QLabel* summary = nullptr;        // "Вопросов: N"
    QTableView* questions = nullptr;  // the lines
    qint64 followed_ = 0;             // the position the main window was last seen to show
};

}  // namespace editor
