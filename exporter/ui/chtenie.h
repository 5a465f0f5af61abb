#pragma once

#include <QMainWindow>

namespace desktop {
class Dialogs;
class Services;
}  // namespace desktop

namespace exporter {

class Chtenie : public QMainWindow {
    Q_OBJECT
public:
    Chtenie(desktop::Dialogs& dialogs, desktop::Services& services, QWidget* parent = nullptr);

private:
    desktop::Dialogs& dialogs_;
    desktop::Services& services_;
};

}  // namespace exporter
