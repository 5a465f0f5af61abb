#include "grading/ui/reviewdialog.h"

#include "desktop/dialogs.h"
#include "desktop/keyboard.h"
#include "desktop/windowhabits.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace grading {

namespace {

const QString kTitle = QStringLiteral("Спорные места");
const QString kLetters = QStringLiteral("АБВГД");
// The Latin keys where the Cyrillic А … Д lie on a Russian keyboard, for a teacher whose
// layout is still Latin.
const QString kLatinPlaces = QStringLiteral("f,dul");
constexpr int kMaxOptions = 5;
// A crop is at about 100 dpi: a row of bubbles is a thin strip that wants enlarging, a whole
// page wants shrinking to the same box.
constexpr int kCropWidth = 560;
constexpr int kCropHeight = 360;
constexpr double kMaxEnlargement = 4.0;

QString optionName(int option) {
    return QStringLiteral("option") + QChar(u'A' + option);
}

template <class Widget>
Widget* named(Widget* widget, const QString& objectName, const QString& accessibleName) {
    widget->setObjectName(objectName);
    widget->setAccessibleName(accessibleName);
    return widget;
}

QPushButton* button(const QString& caption, const QString& objectName,
                    const QString& accessibleName) {
    auto* pushButton = named(new QPushButton(caption), objectName, accessibleName);
    // Enter presses the focused button (desktop::setUpKeyboard), never a default one that
    // would decide something the teacher did not point at.
    pushButton->setAutoDefault(false);
    return pushButton;
}

QPixmap enlarged(const QImage& image) {
    const double scale = std::min({kMaxEnlargement, double(kCropWidth) / image.width(),
                                   double(kCropHeight) / image.height()});
    return QPixmap::fromImage(image.scaled(std::max(1, int(image.width() * scale)),
                                           std::max(1, int(image.height() * scale)),
                                           Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

bool isNumberDoubt(Doubt doubt) {
    return doubt == Doubt::ListNumber || doubt == Doubt::ListNumberTwice;
}

// The same place of the same sheet: a number not read that turns out to be met twice is still
// the number the teacher was looking at.
bool sameItem(const ReviewItem& a, const ReviewItem& b) {
    return a.sheet == b.sheet && a.row == b.row &&
           (a.doubt == b.doubt || (isNumberDoubt(a.doubt) && isNumberDoubt(b.doubt)));
}

}  // namespace

ReviewDialog::ReviewDialog(Gradebook& book, desktop::Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), book_(book), dialogs_(dialogs) {
    setObjectName(QStringLiteral("reviewDialog"));
    setWindowTitle(kTitle);
    buildControls();
    refresh();
    if (list_->count() > 0)
        moveToNextUndecided();
    desktop::setUpKeyboard(*this);
    desktop::drawFocusClearly(*this);
}

void ReviewDialog::buildControls() {
    list_ = named(new QListWidget, QStringLiteral("doubtList"), kTitle);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Room for a file name and the place on it, and for a class's worth of places at a look.
    list_->setMinimumSize(list_->fontMetrics().averageCharWidth() * 60,
                          list_->fontMetrics().height() * 20);
    list_->installEventFilter(this);
    remaining_ = named(new QLabel, QStringLiteral("remaining"), QString());

    heading_ = named(new QLabel, QStringLiteral("heading"), QString());
    heading_->setWordWrap(true);
    crop_ = named(new QLabel, QStringLiteral("crop"), QStringLiteral("Снимок"));
    crop_->setMinimumSize(kCropWidth, kCropHeight / 3);
    crop_->setAlignment(Qt::AlignCenter);
    nameCrop_ = named(new QLabel, QStringLiteral("nameCrop"), QStringLiteral("Имя на бланке"));
    nameCrop_->setAlignment(Qt::AlignCenter);

    rowPanel_ = new QWidget;
    auto* rowLayout = new QHBoxLayout(rowPanel_);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    for (int option = 0; option < kMaxOptions; ++option) {
        const QString letter = kLetters.at(option);
        auto* choice = button(letter, optionName(option), QStringLiteral("Ответ ") + letter);
        connect(choice, &QPushButton::clicked, this, [this, option] { decideRow(option); });
        rowLayout->addWidget(choice);
        options_.append(choice);
    }
    noAnswer_ = button(QStringLiteral("Нет ответа"), QStringLiteral("noAnswer"),
                       QStringLiteral("Нет ответа"));
    connect(noAnswer_, &QPushButton::clicked, this, [this] { decideRow(std::nullopt); });
    rowLayout->addWidget(noAnswer_);
    rowLayout->addStretch();

    numberPanel_ = new QWidget;
    auto* numberLayout = new QHBoxLayout(numberPanel_);
    numberLayout->setContentsMargins(0, 0, 0, 0);
    number_ = named(new QLineEdit, QStringLiteral("listNumber"), QStringLiteral("№ по списку"));
    number_->setValidator(new QIntValidator(1, 99, number_));
    number_->setMaxLength(2);
    number_->setMaximumWidth(number_->fontMetrics().averageCharWidth() * 8);
    auto* numberLabel = new QLabel(QStringLiteral("№ по списку:"));
    numberLabel->setBuddy(number_);
    numberLabel->setAccessibleName(number_->accessibleName());
    acceptNumber_ = button(QStringLiteral("Принять"), QStringLiteral("acceptNumber"),
                           QStringLiteral("Принять"));
    noNumber_ = button(QStringLiteral("Без номера"), QStringLiteral("noNumber"),
                       QStringLiteral("Без номера"));
    connect(number_, &QLineEdit::returnPressed, this, &ReviewDialog::acceptNumber);
    connect(number_, &QLineEdit::textChanged, this,
            [this] { acceptNumber_->setEnabled(number_->hasAcceptableInput()); });
    connect(acceptNumber_, &QPushButton::clicked, this, &ReviewDialog::acceptNumber);
    connect(noNumber_, &QPushButton::clicked, this, [this] { decideNumber(std::nullopt); });
    numberLayout->addWidget(numberLabel);
    numberLayout->addWidget(number_);
    numberLayout->addWidget(acceptNumber_);
    numberLayout->addWidget(noNumber_);
    numberLayout->addStretch();

    // Checked while the sheet is left out, so a sheet skipped by mistake comes back.
    skip_ = button(QStringLiteral("Пропустить лист"), QStringLiteral("skipSheet"),
                   QStringLiteral("Пропустить лист"));
    skip_->setCheckable(true);
    connect(skip_, &QPushButton::clicked, this, &ReviewDialog::toggleSkip);

    finish_ = button(QStringLiteral("Готово"), QStringLiteral("finish"), QStringLiteral("Готово"));
    connect(finish_, &QPushButton::clicked, this, &QDialog::accept);

    auto* right = new QVBoxLayout;
    right->addWidget(heading_);
    right->addWidget(crop_, 1);
    right->addWidget(nameCrop_);
    right->addWidget(rowPanel_);
    right->addWidget(numberPanel_);
    right->addWidget(skip_, 0, Qt::AlignLeft);

    auto* left = new QVBoxLayout;
    left->addWidget(list_, 1);
    left->addWidget(remaining_);

    auto* grid = new QGridLayout(this);
    grid->addLayout(left, 0, 0);
    grid->addLayout(right, 0, 1);
    grid->addWidget(finish_, 1, 1, Qt::AlignRight);
    grid->setColumnStretch(1, 1);

    connect(list_, &QListWidget::currentRowChanged, this, &ReviewDialog::showSelected);
}

void ReviewDialog::refresh() {
    undecided_ = book_.undecided();
    QList<ReviewItem> items;
    for (int sheet = 0; sheet < book_.sheetCount(); ++sheet)
        items += book_.doubts(sheet);

    const bool sameList = items.size() == items_.size() &&
                          std::equal(items.begin(), items.end(), items_.begin(), sameItem);
    const ReviewItem* current = selected();
    const std::optional<ReviewItem> was = current ? std::optional(*current) : std::nullopt;
    items_ = items;

    QSignalBlocker quiet(list_);
    if (!sameList) {
        list_->clear();
        for (int i = 0; i < items_.size(); ++i)
            list_->addItem(QString());
    }
    for (int i = 0; i < items_.size(); ++i) {
        const bool decided = !isUndecided(items_[i]);
        QListWidgetItem* line = list_->item(i);
        const QString text = lineFor(items_[i], decided);
        if (line->text() != text)
            line->setText(text);
        // What is left stands out; a screen reader hears it as a line without a decision.
        QFont font = list_->font();
        font.setBold(!decided);
        line->setFont(font);
    }
    if (!sameList && was) {
        const auto found = std::find_if(items_.begin(), items_.end(), [&](const ReviewItem& item) {
            return sameItem(item, *was);
        });
        list_->setCurrentRow(found == items_.end() ? 0 : int(found - items_.begin()));
    }

    const QString left = QStringLiteral("Осталось решить: %1").arg(undecided_.size());
    if (remaining_->text() != left) {
        remaining_->setText(left);
        remaining_->setAccessibleName(left);
        desktop::announceTextChange(*remaining_);
    }
    quiet.unblock();
    showSelected();
}

bool ReviewDialog::isUndecided(const ReviewItem& item) const {
    return std::any_of(undecided_.begin(), undecided_.end(),
                       [&](const ReviewItem& left) { return sameItem(left, item); });
}

const ReviewItem* ReviewDialog::selected() const {
    const int row = list_->currentRow();
    return row >= 0 && row < items_.size() ? &items_[row] : nullptr;
}

QString ReviewDialog::lineFor(const ReviewItem& item, bool decided) const {
    const FormRead& form = book_.form(item.sheet);
    QString line =
        QStringLiteral("%1, стр. %2").arg(QFileInfo(form.file).fileName()).arg(form.page + 1);
    if (form.form == 1)
        line += QStringLiteral(", нижний бланк");
    line += QStringLiteral(": ") + item.text;
    if (decided || book_.isSkipped(item.sheet))
        line += QStringLiteral(" — ") + decisionFor(item);
    return line;
}

QString ReviewDialog::decisionFor(const ReviewItem& item) const {
    if (book_.isSkipped(item.sheet))
        return QStringLiteral("лист пропущен");
    if (item.doubt == Doubt::Row) {
        const std::optional<Answer> answer = book_.answer(item.sheet, item.row);
        if (answer && *answer && **answer >= 0 && **answer < kMaxOptions)
            return QStringLiteral("ответ ") + kLetters.at(**answer);
        return QStringLiteral("нет ответа");
    }
    if (isNumberDoubt(item.doubt)) {
        const std::optional<std::optional<int>> number = book_.listNumber(item.sheet);
        if (number && *number)
            return QStringLiteral("№ %1").arg(**number);
        return QStringLiteral("без номера");
    }
    return QString();
}

void ReviewDialog::showSelected() {
    const ReviewItem* item = selected();
    const bool any = item != nullptr;
    const bool skipped = any && book_.isSkipped(item->sheet);
    heading_->setVisible(any);
    crop_->setVisible(any);
    skip_->setVisible(any);
    rowPanel_->setVisible(any && item->doubt == Doubt::Row);
    numberPanel_->setVisible(any && isNumberDoubt(item->doubt));
    nameCrop_->setVisible(false);
    if (!any)
        return;

    heading_->setText(list_->currentItem()->text());
    heading_->setAccessibleName(heading_->text());
    skip_->setChecked(skipped);
    showCrop(*item);
    rowPanel_->setEnabled(!skipped);
    numberPanel_->setEnabled(!skipped);

    if (item->doubt == Doubt::Row) {
        const FormRead& form = book_.form(item->sheet);
        const int printed = item->row >= 0 && item->row < form.answers.size()
                                ? int(form.answers[item->row].size())
                                : kMaxOptions;
        for (int option = 0; option < kMaxOptions; ++option)
            options_[option]->setVisible(option < printed);
    } else if (isNumberDoubt(item->doubt)) {
        const std::optional<std::optional<int>> number = book_.listNumber(item->sheet);
        number_->setText(number && *number ? QString::number(**number) : QString());
        acceptNumber_->setEnabled(number_->hasAcceptableInput());
    }
}

void ReviewDialog::showCrop(const ReviewItem& item) {
    const FormRead& form = book_.form(item.sheet);
    QImage image;
    QString description;
    if (item.doubt == Doubt::Row) {
        image = form.rowCrops.value(item.row).image();
        description = QStringLiteral("Строка вопроса %1 на бланке: отметки ученика в кружках")
                          .arg(item.row + 1);
    } else if (isNumberDoubt(item.doubt)) {
        image = form.listCrop.image();
        description = QStringLiteral(
            "Поле «№ по списку» на бланке: десятки в левом столбце, единицы в правом");
    } else {
        image = form.pageCrop.image();
        description = QStringLiteral("Вся страница: код бланка не прочитан");
    }
    if (image.isNull()) {
        crop_->setPixmap(QPixmap());
        crop_->setText(QStringLiteral("Снимка нет"));
        description = QStringLiteral("Снимка нет");
    } else {
        crop_->setPixmap(enlarged(image));
    }
    crop_->setAccessibleDescription(description);

    // The name beside the number, so the teacher can match the student with her list.
    if (isNumberDoubt(item.doubt) && !form.nameCrop.isNull()) {
        nameCrop_->setPixmap(enlarged(form.nameCrop.image()));
        nameCrop_->setAccessibleDescription(QStringLiteral("Строка «Фамилия, имя» на бланке"));
        nameCrop_->setVisible(true);
    }
}

std::optional<Answer> ReviewDialog::rowAnswerFor(int key, const QString& text) const {
    const ReviewItem* item = selected();
    if (!item || item->doubt != Doubt::Row || book_.isSkipped(item->sheet))
        return std::nullopt;
    if (key == Qt::Key_Delete || key == Qt::Key_0)
        return std::optional<Answer>(std::in_place, std::nullopt);
    int option = -1;
    if (key >= Qt::Key_1 && key <= Qt::Key_5)
        option = key - Qt::Key_1;
    else if (text.size() == 1) {
        const QChar typed = text.at(0);
        option = kLetters.indexOf(typed.toUpper());
        if (option < 0)
            option = kLatinPlaces.indexOf(typed.toLower());
    }
    if (option < 0 || !options_[option]->isVisibleTo(this))
        return std::nullopt;
    return Answer{option};
}

bool ReviewDialog::handleTyped(int key, const QString& text) {
    if (const std::optional<Answer> answer = rowAnswerFor(key, text)) {
        decideRow(*answer);
        return true;
    }
    // On a number, a digit starts typing it and Enter goes to where it is typed, wherever the
    // keyboard was.
    const ReviewItem* item = selected();
    if (!item || !isNumberDoubt(item->doubt) || !numberPanel_->isEnabled())
        return false;
    if (text.size() == 1 && text.at(0).isDigit()) {
        number_->setFocus();
        number_->setText(text);
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        number_->setFocus();
        number_->selectAll();
        return true;
    }
    return false;
}

bool ReviewDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))
                return false;
            return handleTyped(key->key(), key->text());
        }
        // Cyrillic from an input method comes as committed text, not as a key.
        if (event->type() == QEvent::InputMethod) {
            const QString typed = static_cast<QInputMethodEvent*>(event)->commitString();
            return !typed.isEmpty() && handleTyped(0, typed);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ReviewDialog::keyPressEvent(QKeyEvent* event) {
    // Keys the buttons leave alone decide as they do in the list.
    if (!(event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) &&
        handleTyped(event->key(), event->text()))
        return;
    QDialog::keyPressEvent(event);
}

void ReviewDialog::decideRow(Answer answer) {
    const ReviewItem* item = selected();
    if (!item || item->doubt != Doubt::Row)
        return;
    book_.decideRow(item->sheet, item->row, answer);
    refresh();
    moveToNextUndecided();
}

void ReviewDialog::acceptNumber() {
    if (number_->hasAcceptableInput())
        decideNumber(number_->text().toInt());
}

void ReviewDialog::decideNumber(std::optional<int> number) {
    const ReviewItem* item = selected();
    if (!item || !isNumberDoubt(item->doubt))
        return;
    book_.decideListNumber(item->sheet, number);
    refresh();
    moveToNextUndecided();
}

void ReviewDialog::toggleSkip() {
    const ReviewItem* item = selected();
    if (!item)
        return;
    const bool skip = !book_.isSkipped(item->sheet);
    book_.skip(item->sheet, skip);
    refresh();
    if (skip)
        moveToNextUndecided();
}

void ReviewDialog::moveToNextUndecided() {
    const int count = int(items_.size());
    const int from = std::max(list_->currentRow(), 0);
    for (int step = list_->currentRow() < 0 ? 0 : 1; step <= count; ++step) {
        const int row = (from + step) % count;
        if (isUndecided(items_[row])) {
            list_->setCurrentRow(row);
            list_->setFocus();
            return;
        }
    }
    // Nothing left: Enter now closes.
    if (list_->currentRow() < 0 && count > 0)
        list_->setCurrentRow(0);
    finish_->setFocus();
}

void ReviewDialog::done(int result) {
    const int left = int(book_.undecided().size());
    if (left > 0 &&
        !dialogs_.askYesNo(kTitle,
                           QStringLiteral("Остались нерешённые места: %1. Закрыть?").arg(left)))
        return;
    QDialog::done(result);
}

}  // namespace grading
