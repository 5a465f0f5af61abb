#include "desktop/application.h"
#include "desktop/dialogs.h"
#include "desktop/services.h"
#include "exporter/core/programtitle.h"
#include "exporter/ui/chtenie.h"
#include "packaging/programicon.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(exporter::kProgramTitle);
    // The taskbar groups the window under the menu entry and takes its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("vorta-v-leina"));
    desktop::installRussianTranslation(app);
    desktop::useLayoutFont();
    desktop::QtDialogs dialogs;
    desktop::Services services;
    exporter::Chtenie window(dialogs, services);
    dialogs.setParent(&window);
    // The theme's icon is the one the menu shows; the painted one stands in when none is
    // installed, as when the program runs from its build folder.
    window.setWindowIcon(QIcon::fromTheme(QStringLiteral("vorta-v-leina"),
                                          packaging::programIcon(QStringLiteral("vorta-v-leina"))));
    window.show();
    // A base double-clicked in the file manager, or named on the command line. It opens from
    // the event loop: its prompts are the window's boxes, and a window closed by too many
    // wrong passwords must end the program.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1) {
        const QString path = arguments.at(1);
        QTimer::singleShot(0, &window, [&window, path] { window.openBase(path); });
    }
    return app.exec();
}
