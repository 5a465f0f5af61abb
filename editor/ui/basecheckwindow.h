#pragma once

#include "editor/core/basecheck.h"

#include "editor/ui/toolwindow.h"

#include <QDialog>
#include <QPointer>

#include <optional>

class QLabel;
class QListView;
class QModelIndex;
class QPushButton;

namespace editor {

// The check window's caption, the title it is announced by.
inline const QString kBaseCheckTitle = QStringLiteral("Проверка базы");

// What the check window asks of the main window.
class BaseCheckHost {
public:
    // Checks the open base, telling `progress` how far it is; nothing when no base is open,
    // the check was stopped or the base could not be read.
    virtual std::optional<BaseCheckResult> checkOpenBase(const CheckProgress& progress) = 0;
    // Shows the finding's question as "Вперед" does: the question on screen is checked and
    // saved first, and nothing moves when that fails.
    virtual bool goToQuestion(const CheckFinding& finding) = 0;

protected:
    ~BaseCheckHost() = default;
};

// The findings of the whole-base check, one line each; activating a line shows its question in
// the main window. Not modal and without an owner, like the picture window; it deletes itself
// when closed.
class BaseCheckWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit BaseCheckWindow(BaseCheckHost& host);

    // Shows the window held in `slot`, creating it beside `anchor` when there is none or
    // bringing it to the front, and checks the base again.
    static BaseCheckWindow* showFor(QPointer<BaseCheckWindow>& slot, BaseCheckHost& host,
                                    const QWidget& anchor);

    // Runs the check, with a progress box that can stop it once it takes longer than half a
    // second, and lists what it found.
    void check();

private:
    class Lines;

    void list(const BaseCheckResult& result);
    void lineActivated(const QModelIndex& line);

    BaseCheckHost& host_;
    bool checking_ = false;

    QLabel* summary = nullptr;      // "Вопросов: N, замечаний: M"
    QListView* findings = nullptr;  // one line a finding
    Lines* lines_ = nullptr;        // what findings shows
    QPushButton* again = nullptr;   // "Проверить снова"
};

}  // namespace editor
