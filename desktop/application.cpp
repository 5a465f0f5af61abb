#include "desktop/application.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

namespace desktop {

QFont layoutFont() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

void useLayoutFont() {
    const QFont font = layoutFont();
    // A theme's fonts for single kinds of controls would otherwise win over the default.
    for (const char* kind :
         {"QMenu",          "QMenuBar",          "QMenuItem",   "QMessageBox",    "QLabel",
          "QTipLabel",      "QStatusBar",        "QPushButton", "QCheckBox",      "QRadioButton",
          "QToolButton",    "QAbstractItemView", "QListView",   "QComboBox",      "QComboMenuItem",
          "QComboLineEdit", "QLineEdit",         "QTextEdit",   "QPlainTextEdit", "QGroupBox",
          "QHeaderView"})
        QApplication::setFont(font, kind);
    QApplication::setFont(font);
}

void setUpApplication(QApplication& app, const QString& title, const QString& desktopName) {
    QApplication::setApplicationName(title);
    QGuiApplication::setDesktopFileName(desktopName);
    installRussianTranslation(app);
    useLayoutFont();
}

void openFileArgument(QObject& window, std::function<void(const QString&)> open) {
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2)
        return;
    // The pictures of a base are found beside it, wherever the program was started from.
    const QString path = QFileInfo(arguments.at(1)).absoluteFilePath();
    QTimer::singleShot(0, &window, [open = std::move(open), path] { open(path); });
}

void installRussianTranslation(QApplication& app) {
    auto* translator = new QTranslator(&app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         folder))
        app.installTranslator(translator);
}

}  // namespace desktop
