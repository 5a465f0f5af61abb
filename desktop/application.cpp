#include "desktop/application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
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

void installRussianTranslation(QApplication& app) {
    auto* translator = new QTranslator(&app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         folder))
        app.installTranslator(translator);
}

}  // namespace desktop
