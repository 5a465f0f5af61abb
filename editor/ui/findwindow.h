#pragma once

#include "editor/core/questionfind.h"
#include "editor/ui/toolwindow.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <memory>

class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;

namespace editor {

// The find window's caption, the title it is announced by.
inline const QString kFindTitle = QStringLiteral("Поиск вопросов");

// What the find window asks of the main window.
class FindHost {
public:
    // A find of `query` over the open base; nothing when no base is open.
    virtual std::unique_ptr<QuestionFind> startFind(const QString& query) = 0;
    // Shows the question found as "Вперед" would: the question on screen is checked and saved
    // first, and nothing moves when that fails.
    virtual bool goToFound(const FoundQuestion& found) = 0;
    // The position of the question on screen; 0 when none.
    virtual qint64 shownPosition() const = 0;

protected:
    ~FindHost() = default;
};

// Questions found by their words: a box "Что искать" and the questions that hold every word
// of it, in any of its forms. The list fills as the teacher types, after a short pause, a slice
// of the base at a time, so typing never waits for the search. Not modal and without an owner;
// it deletes itself when closed.
class FindWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit FindWindow(FindHost& host);
    ~FindWindow() override;

    static FindWindow* showFor(QPointer<FindWindow>& slot, FindHost& host, const QWidget& anchor);

    // The base changed or another base opened: the find runs again.
    void searchAgain();
    // F3 and Shift+F3 of the main window: the next or previous question found after or before
    // the one on screen, shown; false when there is none.
    bool goToNeighbour(int direction);
    // The find of the current text has read the whole base.
    bool finished() const { return !find_; }

private:
    class Lines;

    void textTyped();
    void search();
    void readOn();
    void lineActivated(const QModelIndex& line);
    void showCount();

    FindHost& host_;
    std::unique_ptr<QuestionFind> find_;  // while the base is still being read
    QTimer pause_;                        // the pause after typing
    QTimer slices_;                       // the next slice of the base
    Lines* lines_ = nullptr;

    QLineEdit* chto = nullptr;     // "Что искать"
    QLabel* summary = nullptr;     // "Найдено вопросов: M"
    QListView* results = nullptr;  // one line a question found
};

}  // namespace editor
