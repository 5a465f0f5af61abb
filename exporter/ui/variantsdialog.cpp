#include "exporter/ui/variantsdialog.h"

#include "desktop/windowhabits.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace exporter {

namespace {

// As many digits as fit a 64-bit number whatever they are.
constexpr int kSeedDigits = 18;
constexpr int kTitleWidthChars = 48;

template <class Widget>
Widget* named(Widget* widget, const char* objectName, const QString& accessibleName) {
    widget->setObjectName(QLatin1String(objectName));
    widget->setAccessibleName(accessibleName);
    return widget;
}

QCheckBox* checkBox(const char* objectName, const QString& caption, bool checked) {
    auto* box = named(new QCheckBox(caption), objectName, caption);
    box->setChecked(checked);
    return box;
}

}  // namespace

VariantsDialog::VariantsDialog(int questionCount, const QString& title, quint64 seed,
                               QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("variantsDialog"));
    setWindowTitle(QStringLiteral("Варианты для печати"));
    const printing::PrintChoices defaults;

    variants_ = named(new QSpinBox, "variants", QStringLiteral("Вариантов"));
    variants_->setRange(1, printing::PrintChoices::kMaxVariants);
    variants_->setValue(defaults.variants);

    perVariant_ = named(new QSpinBox, "questionsPerVariant", QStringLiteral("Вопросов в варианте"));
    perVariant_->setRange(0, std::max(questionCount, 0));
    perVariant_->setSpecialValueText(QStringLiteral("все"));
    perVariant_->setValue(0);
    ownDraw_ = checkBox("ownDraw", QStringLiteral("Свои вопросы в каждом варианте"),
                        defaults.drawForEachVariant);

    shuffleQuestions_ = checkBox("shuffleQuestions", QStringLiteral("Перемешать вопросы"),
                                 defaults.shuffleQuestions);
    shuffleOptions_ = checkBox("shuffleOptions", QStringLiteral("Перемешать варианты ответов"),
                               defaults.shuffleOptions);

    seed_ = named(new QLineEdit(QString::number(seed)), "seed",
                  QStringLiteral("Число для перемешивания"));
    seed_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{1,%1}").arg(kSeedDigits)), seed_));

    title_ = named(new QLineEdit(title), "title", QStringLiteral("Заголовок"));
    // A test's description runs long: room for most of it, and its start in view.
    title_->setMinimumWidth(title_->fontMetrics().averageCharWidth() * kTitleWidthChars);
    title_->setCursorPosition(0);

    paper_ = named(new QComboBox, "paper", QStringLiteral("Бумага"));
    paper_->addItem(QStringLiteral("A4"));
    paper_->addItem(QStringLiteral("Letter"));

    makeVariants_ = checkBox("makeVariants", QStringLiteral("Варианты"), defaults.makeVariants);
    makeSheets_ = checkBox("makeSheets", QStringLiteral("Бланки ответов"), defaults.makeSheets);
    makeKey_ = checkBox("makeKey", QStringLiteral("Ключ ответов"), defaults.makeKey);
    keySeparate_ =
        checkBox("keySeparate", QStringLiteral("Ключ отдельным файлом"), defaults.keySeparate);

    auto* form = new QFormLayout;
    // A label that names its field is the field's buddy: Alt and its letter reach the field.
    // Where the platform names a field by its label (a combo box on Linux), the label says
    // what the field's own name says.
    const auto row = [form](const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption);
        label->setBuddy(field);
        label->setAccessibleName(field->accessibleName());
        form->addRow(label, field);
    };
    row(QStringLiteral("&Вариантов:"), variants_);
    row(QStringLiteral("Во&просов в варианте (0 — все):"), perVariant_);
    form->addRow(QString(), ownDraw_);
    form->addRow(QString(), shuffleQuestions_);
    form->addRow(QString(), shuffleOptions_);
    row(QStringLiteral("&Число для перемешивания:"), seed_);
    row(QStringLiteral("&Заголовок:"), title_);
    row(QStringLiteral("&Бумага:"), paper_);
    form->addRow(QStringLiteral("Создать:"), makeVariants_);
    form->addRow(QString(), makeSheets_);
    form->addRow(QString(), makeKey_);
    form->addRow(QString(), keySeparate_);

    auto* buttons = new QDialogButtonBox;
    create_ = named(buttons->addButton(QStringLiteral("Создать"), QDialogButtonBox::AcceptRole),
                    "create", QStringLiteral("Создать"));
    create_->setDefault(true);
    named(buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole), "cancel",
          QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    for (QCheckBox* box : {makeVariants_, makeSheets_, makeKey_})
        connect(box, &QCheckBox::toggled, this, &VariantsDialog::updateControls);
    connect(perVariant_, &QSpinBox::valueChanged, this, &VariantsDialog::updateControls);
    connect(seed_, &QLineEdit::textChanged, this, &VariantsDialog::updateControls);
    updateControls();
    desktop::drawFocusClearly(*this);
}

void VariantsDialog::updateControls() {
    // A draw of its own only means something when not every question is printed.
    ownDraw_->setEnabled(perVariant_->value() > 0);
    // The key apart from the rest needs a rest to be apart from.
    keySeparate_->setEnabled(makeKey_->isChecked() &&
                             (makeVariants_->isChecked() || makeSheets_->isChecked()));
    create_->setEnabled(
        (makeVariants_->isChecked() || makeSheets_->isChecked() || makeKey_->isChecked()) &&
        seed_->hasAcceptableInput());
}

printing::PrintChoices VariantsDialog::choices() const {
    printing::PrintChoices choices;
    choices.variants = variants_->value();
    choices.questionsPerVariant = perVariant_->value();
    choices.drawForEachVariant = ownDraw_->isEnabled() && ownDraw_->isChecked();
    choices.shuffleQuestions = shuffleQuestions_->isChecked();
    choices.shuffleOptions = shuffleOptions_->isChecked();
    choices.seed = seed_->text().toULongLong();
    choices.title = title_->text();
    choices.paper = paper_->currentIndex() == 1 ? printing::Paper::Letter : printing::Paper::A4;
    choices.makeVariants = makeVariants_->isChecked();
    choices.makeSheets = makeSheets_->isChecked();
    choices.makeKey = makeKey_->isChecked();
    choices.keySeparate = keySeparate_->isEnabled() && keySeparate_->isChecked();
    return choices;
}

}  // namespace exporter
