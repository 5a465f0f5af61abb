// Reaching a question in a bank of any size: by its words, by its number, from the list of all
// questions; and what the main window tells the windows that show its questions.

#include "desktop/dialogs.h"
#include "desktop/windowhabits.h"
#include "editor/ui/editorwindow.h"
#include "editor/ui/findwindow.h"
#include "editor/ui/questionlistwindow.h"
#include "questionbase/columns.h"
#include "questionbase/steps.h"

#include <QLabel>
#include <QRegularExpression>
#include <QTimer>

namespace editor {

namespace columns = qb::columns;

namespace {
// Time for a window opened during the walk over the ids to show itself first.
constexpr int kListPaintMs = 50;
}  // namespace

void Editor::poisk() {
    if (!voprosy.isOpen())
        return;
    FindWindow::showFor(poisk_, *this, *this);
}

void Editor::perehod() {
    if (!voprosy.isOpen())
        return;
    qint64 count = 0;
    if (!qb::skipIfFails([&] { count = voprosy.positionCount(); }))
        return;
    const QString typed =
        dialogs_.input(title(), QStringLiteral("Номер вопроса (от 1 до %1)").arg(count));
    // A cancelled box answers with empty text.
    if (typed.trimmed().isEmpty())
        return;
    // Any whole number of the base, however many questions it holds.
    static const QRegularExpression whole(QStringLiteral("^\\s*\\+?(\\d{1,18})\\s*$"));
    const QRegularExpressionMatch match = whole.match(typed);
    const qint64 number = match.hasMatch() ? match.captured(1).toLongLong() : 0;
    if (number < 1 || number > count) {
        dialogs_.message(title(),
                         QStringLiteral("Такого номера нет: в базе %1 вопросов.").arg(count));
        return;
    }
    goToPosition(number);
}

void Editor::spisok() {
    if (!voprosy.isOpen())
        return;
    QuestionListWindow::showFor(spisok_, *this, *this);
    // The walk over the ids, while it is under way, lets the list paint its first lines
    // before its next slice: each slice holds the event loop for a few milliseconds.
    if (positionsWalk_->isActive()) {
        positionsWalk_->stop();
        QTimer::singleShot(kListPaintMs, positionsWalk_, qOverload<>(&QTimer::start));
    }
}

void Editor::nextFound() {
    if (voprosy.isOpen() && poisk_)
        poisk_->goToNeighbour(+1);
}

void Editor::previousFound() {
    if (voprosy.isOpen() && poisk_)
        poisk_->goToNeighbour(-1);
}

bool Editor::goToPosition(qint64 position, std::optional<qint64> row) {
    if (!saveShownQuestion())
        return false;
    qb::runOrFail(
        [&] {
            // The row itself is one lookup; when it is gone, the position is what is asked for.
            if (!row || !voprosy.moveToRow(*row))
                voprosy.moveTo(position);
            tekuschiy = int(voprosy.currentPosition().value_or(position));
            edituem();
        },
        [&](const qb::Error&) { qb::skipIfFails([&] { edituem(); }); });
    return true;
}

std::unique_ptr<QuestionFind> Editor::startFind(const QString& query) {
    if (!baza.isOpen() || !voprosy.isOpen())
        return nullptr;
    // The find reads the base as saved, through the connection the window holds.
    return std::make_unique<QuestionFind>(baza.store(), query);
}

bool Editor::goToFound(const FoundQuestion& found) {
    return goToPosition(found.question, found.row);
}

qint64 Editor::shownPosition() const {
    return voprosy.isOpen() ? tekuschiy : 0;
}

qint64 Editor::listedCount() {
    qint64 count = 0;
    // Until the idle time has walked the ids of the rows, the count the base keeps, as the
    // caption shows it: the list opens without waiting for the walk, and hears its end.
    qb::skipIfFails([&] {
        count = voprosy.positionsKnown() ? voprosy.positionCount() : voprosy.recordCount();
    });
    return count;
}

std::optional<ListedQuestion> Editor::listedQuestion(qint64 position) {
    std::optional<ListedQuestion> listed;
    qb::skipIfFails([&] {
        const std::optional<qint64> id = voprosy.idAt(position);
        if (!id)
            return;
        qb::Store& store = baza.store();
        const qb::RowValues row = store.readRow(voprosy.table(), *id);
        const QList<qb::ColumnInfo> columnsOfTest = store.columns(voprosy.table());
        // Columns by name, in any letter case, as the window reads them.
        const auto value = [&](const QString& column) -> QVariant {
            const int at = qb::columnPosition(columnsOfTest, column);
            return at >= 0 ? row.value(at) : QVariant();
        };
        ListedQuestion line;
        line.text = value(columns::kQuestion).toString().simplified();
        for (int i = 0; i < columns::kOptionCount; ++i) {
            if (!value(columns::option(i)).toString().isEmpty())
                ++line.options;
        }
        line.correct = value(columns::kCorrect).toString();
        line.picture = value(columns::kPicture).toString();
        listed = std::move(line);
    });
    return listed;
}

void Editor::baseChanged(bool rowsMoved) {
    if (spisok_)
        spisok_->reread();
    // A save moves no question, and searching again would take the teacher's place among the
    // results away while she walks them.
    if (poisk_ && rowsMoved)
        poisk_->searchAgain();
}

void Editor::closeQuestionWindows() {
    // Their lines would send "Вопрос № K" to another base's questions.
    for (QDialog* window : std::initializer_list<QDialog*>{proverka_, poisk_, spisok_}) {
        if (window != nullptr)
            window->close();
    }
}

void Editor::showCaption() {
    const QString caption =
        QStringLiteral("Вопрос № %1 из %2").arg(tekuschiy).arg(voprosy.recordCount());
    if (nomerok->text() != caption) {
        nomerok->setText(caption);
        desktop::announceTextChange(*nomerok);
    }
    if (spisok_)
        spisok_->follow(tekuschiy);
}

}  // namespace editor
