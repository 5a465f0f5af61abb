#include "desktop/application.h"
#include "desktop/dialogs.h"
#include "desktop/services.h"
#include "editor/ui/editorwindow.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tambris"));
    desktop::installRussianTranslation(app);
    desktop::QtDialogs dialogs;
    desktop::Services services;
    editor::Editor window(dialogs, services);
    dialogs.setParent(&window);
    window.show();
    return app.exec();
}
