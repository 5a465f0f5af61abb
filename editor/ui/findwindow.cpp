#include "editor/ui/findwindow.h"

#include "desktop/windowhabits.h"
#include "questionbase/error.h"
#include "questionbase/steps.h"

#include <QAbstractListModel>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QVBoxLayout>

namespace editor {

namespace {

// How long typing must pause before the base is searched.
constexpr int kTypingPause = 300;
// How long one slice of the search may hold the window before typing is taken again.
constexpr int kSliceMilliseconds = 30;

// A line with the words that matched in bold. Assistive technology reads the plain line.
class MatchedWords final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QString line = item.text;
        item.text.clear();
        const QWidget* view = option.widget;
        QStyle* style = view != nullptr ? view->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, view);

        QString html = line.toHtmlEscaped();
        for (const QString& word : index.data(Qt::UserRole).toStringList()) {
            const QRegularExpression whole(
                QStringLiteral("(?<!\\w)(%1)(?!\\w)")
                    .arg(QRegularExpression::escape(word.toHtmlEscaped())),
                QRegularExpression::UseUnicodePropertiesOption);
            html.replace(whole, QStringLiteral("<b>\\1</b>"));
        }
        QTextDocument text;
        text.setDocumentMargin(0);
        text.setDefaultFont(item.font);
        text.setHtml(html);
        const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &item, view);
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette.setColor(
            QPalette::Text,
            item.palette.color(item.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                   : QPalette::Text));
        painter->save();
        painter->translate(area.topLeft() +
                           QPoint(0, (area.height() - int(text.size().height())) / 2));
        painter->setClipRect(area.translated(-area.topLeft()));
        text.documentLayout()->draw(painter, context);
        painter->restore();
    }
};

}  // namespace

// The questions found, appended a slice at a time: each batch is one insertion, so a screen
// reader is not told of every line.
class FindWindow::Lines final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void clear() {
        beginResetModel();
        found_.clear();
        endResetModel();
    }
    void append(const QList<FoundQuestion>& more) {
        if (more.isEmpty())
            return;
        beginInsertRows({}, int(found_.size()), int(found_.size() + more.size() - 1));
        found_ += more;
        endInsertRows();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(found_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= found_.size())
            return {};
        const FoundQuestion& found = found_.at(index.row());
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return found.line();
        if (role == Qt::UserRole)
            return found.words;
        return {};
    }
    const QList<FoundQuestion>& all() const { return found_; }

private:
    QList<FoundQuestion> found_;
};

FindWindow::FindWindow(FindHost& host)
    : ToolWindow(QStringLiteral("poisk"), kFindTitle), host_(host) {
    auto* prompt = new QLabel(QStringLiteral("Что искать"), this);
    chto = new QLineEdit(this);
    chto->setObjectName(QStringLiteral("chto"));
    chto->setAccessibleName(prompt->text());
    prompt->setBuddy(chto);

    summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("summary"));

    lines_ = new Lines(this);
    results = new QListView(this);
    results->setObjectName(QStringLiteral("results"));
    results->setAccessibleName(QStringLiteral("Найденные вопросы"));
    results->setModel(lines_);
    results->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results->setUniformItemSizes(true);
    results->setItemDelegate(new MatchedWords(results));
    connect(results, &QListView::activated, this, &FindWindow::lineActivated);

    pause_.setSingleShot(true);
    pause_.setInterval(kTypingPause);
    connect(&pause_, &QTimer::timeout, this, &FindWindow::search);
    slices_.setInterval(0);
    connect(&slices_, &QTimer::timeout, this, &FindWindow::readOn);
    connect(chto, &QLineEdit::textChanged, this, &FindWindow::textTyped);
    // Enter in the box goes to the first question found, as Enter on a line goes to that one.
    connect(chto, &QLineEdit::returnPressed, this, [this] {
        if (pause_.isActive()) {
            pause_.stop();
            search();
        }
        while (find_ && lines_->rowCount() == 0)
            readOn();
        if (lines_->rowCount() > 0)
            lineActivated(lines_->index(0));
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(chto);
    layout->addWidget(summary);
    layout->addWidget(results, 1);
    setTabOrder(chto, results);
    resize(560, 420);
}

FindWindow::~FindWindow() = default;

FindWindow* FindWindow::showFor(QPointer<FindWindow>& slot, FindHost& host, const QWidget& anchor) {
    bringUp(slot, anchor, [&] { return new FindWindow(host); });
    slot->chto->setFocus();
    slot->chto->selectAll();
    return slot;
}

void FindWindow::textTyped() {
    pause_.start();
}

void FindWindow::searchAgain() {
    if (!chto->text().trimmed().isEmpty())
        search();
}

void FindWindow::search() {
    slices_.stop();
    find_.reset();
    lines_->clear();
    qb::skipIfFails([&] { find_ = host_.startFind(chto->text()); });
    if (find_ && find_->isEmpty())
        find_.reset();
    if (!find_) {
        summary->clear();
        return;
    }
    summary->setText(QStringLiteral("Ищем…"));
    slices_.start();
}

void FindWindow::readOn() {
    if (!find_)
        return;
    const bool read = qb::skipIfFails([&] { lines_->append(find_->next(kSliceMilliseconds)); });
    if (!read || find_->done()) {
        slices_.stop();
        find_.reset();
        showCount();
    }
}

void FindWindow::showCount() {
    summary->setText(QStringLiteral("Найдено вопросов: %1").arg(lines_->rowCount()));
    summary->setAccessibleName(summary->text());
    desktop::announceTextChange(*summary);
}

void FindWindow::lineActivated(const QModelIndex& line) {
    if (!line.isValid() || line.row() >= lines_->rowCount())
        return;
    // A copy: going there saves the question on screen, and a save may start the find anew.
    const FoundQuestion found = lines_->all().at(line.row());
    host_.goToFound(found);
}

bool FindWindow::goToNeighbour(int direction) {
    // The results come in the base's order, so the neighbour is the first one past the
    // question on screen in that direction.
    while (find_)
        readOn();
    const QList<FoundQuestion>& found = lines_->all();
    const qint64 shown = host_.shownPosition();
    int pick = -1;
    if (direction > 0) {
        for (int i = 0; i < found.size() && pick < 0; ++i) {
            if (found[i].question > shown)
                pick = i;
        }
    } else {
        for (int i = int(found.size()) - 1; i >= 0 && pick < 0; --i) {
            if (found[i].question < shown)
                pick = i;
        }
    }
    if (pick < 0)
        return false;
    results->setCurrentIndex(lines_->index(pick));
    const FoundQuestion target = found.at(pick);
    return host_.goToFound(target);
}

}  // namespace editor
