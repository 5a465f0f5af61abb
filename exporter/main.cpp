#include "desktop/application.h"
#include "desktop/dialogs.h"
#include "desktop/services.h"
#include "exporter/core/programtitle.h"
#include "exporter/ui/chtenie.h"
#include "packaging/programicon.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(exporter::kProgramTitle);
    desktop::installRussianTranslation(app);
    desktop::useLayoutFont();
    desktop::QtDialogs dialogs;
    desktop::Services services;
    exporter::Chtenie window(dialogs, services);
    dialogs.setParent(&window);
    window.setWindowIcon(packaging::programIcon(QStringLiteral("vorta-v-leina")));
    window.show();
    return app.exec();
}
