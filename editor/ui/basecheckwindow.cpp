#include "editor/ui/basecheckwindow.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace editor {

namespace {

// The position a line leads to; whole-base lines carry none.
constexpr int kQuestionRole = Qt::UserRole;

// A check that ends within this many milliseconds shows no progress box at all.
constexpr int kProgressDelay = 500;

}  // namespace

BaseCheckWindow::BaseCheckWindow(BaseCheckHost& host)
    : QDialog(nullptr,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      host_(host) {
    setObjectName(QStringLiteral("proverka"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kBaseCheckTitle);
    setAccessibleName(windowTitle());

    summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("summary"));

    findings = new QListWidget(this);
    findings->setObjectName(QStringLiteral("findings"));
    findings->setAccessibleName(QStringLiteral("Замечания"));
    findings->setWordWrap(true);
    findings->setUniformItemSizes(false);
    summary->setBuddy(findings);
    // Double-click and Enter both activate a line.
    connect(findings, &QListWidget::itemActivated, this, &BaseCheckWindow::itemActivated);

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

BaseCheckWindow* BaseCheckWindow::showFor(QPointer<BaseCheckWindow>& slot, BaseCheckHost& host) {
    if (!slot)
        slot = new BaseCheckWindow(host);
    slot->show();
    slot->raise();
    slot->activateWindow();
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
    findings->clear();
    summary->setText(QStringLiteral("Проверка не закончена"));
    summary->setAccessibleName(summary->text());
}

void BaseCheckWindow::list(const BaseCheckResult& result) {
    findings->setUpdatesEnabled(false);
    findings->clear();
    for (const CheckFinding& finding : result.findings) {
        auto* item = new QListWidgetItem(finding.line(), findings);
        item->setData(kQuestionRole, finding.question);
    }
    findings->setUpdatesEnabled(true);
    if (findings->count() > 0)
        findings->setCurrentRow(0);
    summary->setText(result.summary());
    // The summary changes with every check; it is heard as what it says.
    summary->setAccessibleName(summary->text());
    findings->setFocus();
}

void BaseCheckWindow::itemActivated(QListWidgetItem* item) {
    const int position = item ? item->data(kQuestionRole).toInt() : 0;
    if (position > 0)
        host_.goToQuestion(position);
}

}  // namespace editor
