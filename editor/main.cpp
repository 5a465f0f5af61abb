#include "desktop/application.h"
#include "desktop/dialogs.h"
#include "desktop/services.h"
#include "editor/ui/editorwindow.h"
#include "packaging/programicon.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    desktop::setUpApplication(app, editor::kProgramTitle, QStringLiteral("tambris"));
    desktop::QtDialogs dialogs;
    desktop::Services services;
    editor::Editor window(dialogs, services);
    dialogs.setParent(&window);
    window.setWindowIcon(packaging::windowIcon(QStringLiteral("tambris")));
    window.adjustSize();
    if (const QScreen* screen = window.screen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    desktop::openFileArgument(window, [&window](const QString& path) { window.openBase(path); });
    return app.exec();
}
