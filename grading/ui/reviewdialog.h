#pragma once

#include "grading/core/gradebook.h"

#include <QDialog>
#include <QList>

#include <optional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace desktop {
class Dialogs;
}

namespace grading {

// "Спорные места": each place of the read sheets the reader was not sure of, shown as its crop,
// decided by a click or a key. Closing it with places left undecided asks first.
class ReviewDialog : public QDialog {
    Q_OBJECT
public:
    ReviewDialog(Gradebook& book, desktop::Dialogs& dialogs, QWidget* parent = nullptr);

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void refresh();
    void showSelected();
    const ReviewItem* selected() const;
    bool isUndecided(const ReviewItem& item) const;
    QString lineFor(const ReviewItem& item, bool decided) const;
    QString decisionFor(const ReviewItem& item) const;
    void showCrop(const ReviewItem& item);

    // A key or typed character that decides the selected row: the printed option, or none for
    // "no answer"; nothing when it does not decide anything.
    std::optional<Answer> rowAnswerFor(int key, const QString& text) const;
    bool handleTyped(int key, const QString& text);

    void decideRow(Answer answer);
    void acceptNumber();
    void decideNumber(std::optional<int> number);
    void toggleSkip();
    void moveToNextUndecided();

    Gradebook& book_;
    desktop::Dialogs& dialogs_;

    QList<ReviewItem> items_;  // as listed, in order
    QList<ReviewItem> undecided_;

    QListWidget* list_ = nullptr;
    QLabel* remaining_ = nullptr;
    QLabel* heading_ = nullptr;
    QLabel* crop_ = nullptr;
    QLabel* nameCrop_ = nullptr;
    QWidget* rowPanel_ = nullptr;
    QList<QPushButton*> options_;
    QPushButton* noAnswer_ = nullptr;
    QWidget* numberPanel_ = nullptr;
    QLineEdit* number_ = nullptr;
    QPushButton* acceptNumber_ = nullptr;
    QPushButton* noNumber_ = nullptr;
    QPushButton* skip_ = nullptr;
    QPushButton* finish_ = nullptr;
};

}  // namespace grading
