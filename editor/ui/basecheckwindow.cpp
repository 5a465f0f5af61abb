#include "editor/ui/basecheckwindow.h"

#include <QAbstractListModel>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace editor {

namespace {

// A check that ends within this many milliseconds shows no progress box at all.
constexpr int kProgressDelay = 500;

}  // namespace

// The findings as a list model that is replaced whole: a list widget fed one line at a time
// announces every line to assistive technology, and a check of a large bank lists tens of
// thousands of them.
class BaseCheckWindow::Lines final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void replace(QList<CheckFinding> findings) {
        beginResetModel();
        findings_ = std::move(findings);
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(findings_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= findings_.size())
            return {};
        const CheckFinding& finding = findings_.at(index.row());
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return finding.line();
        return {};
    }
    const CheckFinding& at(int row) const { return findings_.at(row); }

private:
    QList<CheckFinding> findings_;
};

BaseCheckWindow::BaseCheckWindow(BaseCheckHost& host)
    : ToolWindow(QStringLiteral("proverka"), kBaseCheckTitle), host_(host) {
    summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("summary"));

    lines_ = new Lines(this);
    findings = new QListView(this);
    findings->setObjectName(QStringLiteral("findings"));
    findings->setAccessibleName(QStringLiteral("Замечания"));
    findings->setModel(lines_);
    findings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    findings->setWordWrap(true);
    // Long lists are laid out a batch at a time, so the window shows at once.
    findings->setLayoutMode(QListView::Batched);
    summary->setBuddy(findings);
    // Double-click and Enter both activate a line.
    connect(findings, &QListView::activated, this, &BaseCheckWindow::lineActivated);

    again = new QPushButton(QStringLiteral("Проверить снова"), this);
    again->setObjectName(QStringLiteral("again"));
    again->setAccessibleName(again->text());
    // Enter on a line activates it; as the dialog's default the button would check again too.
    again->setAutoDefault(false);
    connect(again, &QPushButton::clicked, this, &BaseCheckWindow::check);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(again);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(findings, 1);
    layout->addLayout(buttons);
    setTabOrder(findings, again);
    resize(640, 420);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

BaseCheckWindow* BaseCheckWindow::showFor(QPointer<BaseCheckWindow>& slot, BaseCheckHost& host,
                                          const QWidget& anchor) {
    bringUp(slot, anchor, [&] { return new BaseCheckWindow(host); });
    slot->check();
    return slot;
}

void BaseCheckWindow::check() {
    if (checking_)
        return;
    checking_ = true;
    // Application-modal once shown: the main window cannot save, move or close the base while
    // the check reads it, and this window keeps painting.
    QProgressDialog progress(QStringLiteral("Проверяем базу…"), QStringLiteral("Остановить"), 0, 0,
                             this);
    progress.setObjectName(QStringLiteral("progress"));
    progress.setAccessibleName(kBaseCheckTitle);
    progress.setWindowTitle(kBaseCheckTitle);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(kProgressDelay);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    const std::optional<BaseCheckResult> result = host_.checkOpenBase([&](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
        return !progress.wasCanceled();
    });
    progress.close();
    checking_ = false;
    if (result) {
        list(*result);
        return;
    }
    lines_->replace({});
    summary->setText(QStringLiteral("Проверка не закончена"));
    summary->setAccessibleName(summary->text());
}

void BaseCheckWindow::list(const BaseCheckResult& result) {
    lines_->replace(result.findings);
    if (lines_->rowCount() > 0)
        findings->setCurrentIndex(lines_->index(0));
    summary->setText(result.summary());
    // The summary changes with every check; it is heard as what it says.
    summary->setAccessibleName(summary->text());
    findings->setFocus();
}

void BaseCheckWindow::lineActivated(const QModelIndex& line) {
    if (!line.isValid() || line.row() >= lines_->rowCount())
        return;
    const CheckFinding& finding = lines_->at(line.row());
    if (finding.question > 0)
        host_.goToQuestion(finding);
}

}  // namespace editor
