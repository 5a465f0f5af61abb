#pragma once

#include <QDialog>

namespace desktop {
class Dialogs;
class Services;
}  // namespace desktop
namespace qb {
class Recordset;
}

namespace grading {

// "Проверка бланков": the scanned sheets chosen, read, reviewed where in doubt, and graded
// against the keys of the open base.
class GradingWindow : public QDialog {
    Q_OBJECT
public:
    GradingWindow(qb::Recordset& questions, const QString& basePath, desktop::Dialogs& dialogs,
                  desktop::Services& services, QWidget* parent = nullptr);
};

}  // namespace grading
