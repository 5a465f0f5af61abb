#pragma once

#include <QMainWindow>

namespace desktop {
class Dialogs;
class Services;
}  // namespace desktop

namespace editor {

class Editor : public QMainWindow {
    Q_OBJECT
public:
    Editor(desktop::Dialogs& dialogs, desktop::Services& services, QWidget* parent = nullptr);

private:
    desktop::Dialogs& dialogs_;
    desktop::Services& services_;
};

}  // namespace editor
