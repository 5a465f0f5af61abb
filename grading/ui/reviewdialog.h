#pragma once

#include <QDialog>

namespace desktop {
class Dialogs;
}
namespace grading {
class Gradebook;
}

namespace grading {

// "Спорные места": each place of the read sheets the reader was not sure of, shown as its crop,
// decided by a click or a key. Closing it with places left undecided asks first.
class ReviewDialog : public QDialog {
    Q_OBJECT
public:
    ReviewDialog(Gradebook& book, desktop::Dialogs& dialogs, QWidget* parent = nullptr);
};

}  // namespace grading
