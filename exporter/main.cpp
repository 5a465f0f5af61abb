#include "desktop/application.h"
#include "desktop/dialogs.h"
#include "desktop/services.h"
#include "exporter/core/programtitle.h"
#include "exporter/ui/chtenie.h"
#include "packaging/programicon.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    desktop::setUpApplication(app, exporter::kProgramTitle, QStringLiteral("vorta-v-leina"));
    desktop::QtDialogs dialogs;
    desktop::Services services;
    exporter::Chtenie window(dialogs, services);
    dialogs.setParent(&window);
    window.setWindowIcon(packaging::windowIcon(QStringLiteral("vorta-v-leina")));
    window.show();
    desktop::openFileArgument(window, [&window](const QString& path) { window.openBase(path); });
    return app.exec();
}
