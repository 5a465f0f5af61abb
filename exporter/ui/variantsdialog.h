#pragma once

#include "printing/core/printtypes.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace exporter {

// "Варианты для печати": how many variants, which questions, what is shuffled and with which
// number, the title, the paper and what to make. Every control is named by its label, so a
// screen reader says what it sets.
class VariantsDialog : public QDialog {
    Q_OBJECT
public:
    // `questionCount` bounds "Вопросов в варианте"; `title` and `seed` are shown to start with.
    VariantsDialog(int questionCount, const QString& title, quint64 seed,
                   QWidget* parent = nullptr);

    printing::PrintChoices choices() const;

private:
    void updateControls();

    QSpinBox* variants_ = nullptr;
    QSpinBox* perVariant_ = nullptr;
    QCheckBox* ownDraw_ = nullptr;
    QCheckBox* shuffleQuestions_ = nullptr;
    QCheckBox* shuffleOptions_ = nullptr;
    QLineEdit* seed_ = nullptr;
    QLineEdit* title_ = nullptr;
    QComboBox* paper_ = nullptr;
    QCheckBox* makeVariants_ = nullptr;
    QCheckBox* makeSheets_ = nullptr;
    QCheckBox* makeKey_ = nullptr;
    QCheckBox* keySeparate_ = nullptr;
    QPushButton* create_ = nullptr;
};

}  // namespace exporter
