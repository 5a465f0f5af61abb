#include "editor/ui/questionlistwindow.h"

#include "desktop/windowhabits.h"

#include <QAbstractTableModel>
#include <QCache>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace editor {

namespace {

enum Column { Number, Text, Options, Correct, Picture, ColumnCount };

const char* const kHeaders[ColumnCount] = {"№", "Вопрос", "Вариантов", "Верный", "Картинка"};
// Widths in average characters of the window's font.
constexpr int kWidths[ColumnCount] = {7, 60, 10, 8, 20};
// Lines kept read: a few screens' worth, whatever the size of the base.
constexpr int kKeptLines = 1000;

qint64 linesRead = 0;

}  // namespace

qint64 listedLinesRead() {
    return linesRead;
}

// The lines as a table model that reads each line from the base only when a view asks for it.
class QuestionListWindow::Lines final : public QAbstractTableModel {
public:
    Lines(QuestionListHost& host, QObject* parent)
        : QAbstractTableModel(parent), host_(host), count_(host.listedCount()) {
        read_.setMaxCost(kKeptLines);
    }

    void reread() {
        beginResetModel();
        read_.clear();
        count_ = host_.listedCount();
        endResetModel();
    }
    qint64 count() const { return count_; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(std::min<qint64>(count_, INT_MAX));
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : ColumnCount;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount ||
            (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
            return {};
        return QString::fromUtf8(kHeaders[section]);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
            return {};
        const qint64 position = index.row() + 1;
        if (index.column() == Number)
            return QString::number(position);
        ListedQuestion* line = read_.object(position);
        if (line == nullptr) {
            ++linesRead;
            std::optional<ListedQuestion> fresh = host_.listedQuestion(position);
            if (!fresh)
                return {};
            line = new ListedQuestion(std::move(*fresh));
            read_.insert(position, line);  // the cache owns it, and keeps it while it is used
        }
        switch (index.column()) {
            case Text:
                return line->text;
            case Options:
                return QString::number(line->options);
            case Correct:
                return line->correct;
            case Picture:
                return line->picture;
        }
        return {};
    }

private:
    QuestionListHost& host_;
    qint64 count_ = 0;
    mutable QCache<qint64, ListedQuestion> read_;
};

QuestionListWindow::QuestionListWindow(QuestionListHost& host)
    : ToolWindow(QStringLiteral("spisok"), kQuestionListTitle), host_(host) {
    summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("summary"));

    lines_ = new Lines(host, this);
    questions = new QTableView(this);
    questions->setObjectName(QStringLiteral("questions"));
    questions->setAccessibleName(QStringLiteral("Вопросы"));
    // Fixed line heights and column widths: sizing either to its contents would read every
    // question of the base. The line heights are set before the lines come: each change of
    // them afterwards goes over every line of the base.
    questions->verticalHeader()->hide();
    questions->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    questions->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    questions->setModel(lines_);
    questions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    questions->setSelectionBehavior(QAbstractItemView::SelectRows);
    questions->setSelectionMode(QAbstractItemView::SingleSelection);
    questions->setWordWrap(false);
    const int character = fontMetrics().averageCharWidth();
    const QFontMetrics header = questions->horizontalHeader()->fontMetrics();
    for (int column = 0; column < ColumnCount; ++column) {
        const int caption =
            header.horizontalAdvance(QString::fromUtf8(kHeaders[column])) + 3 * character;
        questions->setColumnWidth(column, std::max(kWidths[column] * character, caption));
    }
    questions->horizontalHeader()->setStretchLastSection(true);
    questions->setTabKeyNavigation(false);
    summary->setBuddy(questions);
    // Double-click and Enter both activate a line.
    connect(questions, &QTableView::activated, this, &QuestionListWindow::lineActivated);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(questions, 1);
    int columns = 0;
    for (int column = 0; column < ColumnCount; ++column)
        columns += questions->columnWidth(column);
    // Every column shows, the picture's too; placeBeside narrows the window where the screen is
    // short of room.
    resize(columns + questions->verticalScrollBar()->sizeHint().width() + 4 * character, 420);
    showCount();
}

QuestionListWindow* QuestionListWindow::showFor(QPointer<QuestionListWindow>& slot,
                                                QuestionListHost& host, const QWidget& anchor) {
    bringUp(slot, anchor, [&] { return new QuestionListWindow(host); });
    slot->followed_ = host.shownPosition();
    slot->select(slot->followed_);
    slot->questions->setFocus();
    return slot;
}

void QuestionListWindow::reread() {
    const qint64 current = questions->currentIndex().isValid() ? questions->currentIndex().row() + 1
                                                               : host_.shownPosition();
    lines_->reread();
    showCount();
    select(std::min(current, lines_->count()));
}

void QuestionListWindow::follow(qint64 position) {
    // The walk over the ids of the rows may end with another count than the base kept.
    if (host_.listedCount() != lines_->count())
        reread();
    // The same question again (a save, the end of that walk) leaves the line the teacher
    // went to where it is.
    if (position == followed_)
        return;
    followed_ = position;
    select(position);
}

void QuestionListWindow::select(qint64 position) {
    if (position < 1 || position > lines_->rowCount())
        return;
    const QModelIndex line = lines_->index(int(position - 1), Number);
    questions->setCurrentIndex(line);
    questions->scrollTo(line);
}

void QuestionListWindow::showCount() {
    const QString text = QStringLiteral("Вопросов: %1").arg(lines_->count());
    if (summary->text() == text)
        return;
    summary->setText(text);
    summary->setAccessibleName(text);
    desktop::announceTextChange(*summary);
}

void QuestionListWindow::lineActivated(const QModelIndex& line) {
    if (line.isValid())
        host_.goToPosition(line.row() + 1);
}

}  // namespace editor
