#pragma once

#include "desktop/windowhabits.h"

#include <QDialog>
#include <QPointer>

namespace editor {

// A window that lists questions of the open base (the check, the find, the list): not modal
// and without an owner, like the picture window, named for assistive technology by its title,
// and deleted when closed.
class ToolWindow : public QDialog {
public:
    ToolWindow(const QString& objectName, const QString& title)
        : QDialog(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowCloseButtonHint) {
        setObjectName(objectName);
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowTitle(title);
        setAccessibleName(title);
    }

    // The window held in `slot`, made by `make` beside `anchor` when there is none, shown and
    // brought to the front.
    template <typename Window, typename Make>
    static Window* bringUp(QPointer<Window>& slot, const QWidget& anchor, Make&& make) {
        if (!slot) {
            slot = make();
            desktop::placeBeside(*slot, anchor);
        }
        slot->show();
        slot->raise();
        slot->activateWindow();
        return slot;
    }
};

}  // namespace editor
