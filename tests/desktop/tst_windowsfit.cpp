// The windows are laid out in fixed geometry: every caption must fit its control with the
// layout font, whatever font size the desktop theme asks for.

#include "desktop/application.h"
#include "desktop/windowhabits.h"
#include "exporter/ui/chtenie.h"
#include "tests/support/editorsession.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QToolButton>

using testsupport::EditorSession;

namespace {

// What does not fit in one window, one line each.
QStringList clipped(QWidget& window) {
    QStringList found;
    const auto where = [](const QWidget* w, const QString& text) {
        return QStringLiteral("%1 «%2» %3 px").arg(w->objectName(), text).arg(w->width());
    };
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (!button->isVisible() || button->text().isEmpty())
            continue;
        if (button->sizeHint().width() > button->width() ||
            button->fontMetrics().height() > button->height())
            found << where(button, button->text());
    }
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (!label->isVisible() || label->text().isEmpty() || !label->pixmap().isNull())
            continue;
        const QSize needed = label->fontMetrics().size(0, label->text());
        const bool fits = label->wordWrap()
                              ? label->heightForWidth(label->width()) <= label->height()
                              : needed.width() <= label->contentsRect().width() &&
                                    needed.height() <= label->contentsRect().height();
        if (!fits)
            found << where(label, label->text());
    }
    // A menu bar too narrow for its items hides the last ones behind "»".
    for (QMenuBar* bar : window.findChildren<QMenuBar*>()) {
        const auto* more = bar->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"));
        if (more && more->isVisible())
            found << QStringLiteral("menu bar: «»» shows");
    }
    return found;
}

}  // namespace

#define VERIFY_FITS(window)                                  \
    do {                                                     \
        const QStringList cut = clipped(window);             \
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; "))); \
    } while (false)

class WindowsFitTest : public QObject {
    Q_OBJECT

private slots:
    void captionsFitWhateverTheDesktopFont_data() {
        QTest::addColumn<int>("desktopPoints");
        QTest::newRow("9 pt") << 9;
        QTest::newRow("11 pt") << 11;
        QTest::newRow("12 pt") << 12;
        QTest::newRow("16 pt") << 16;
    }
    void captionsFitWhateverTheDesktopFont() {
        QFETCH(int, desktopPoints);
        // As a desktop theme sets it: a default font and fonts for kinds of controls.
        const QFont desktopFont(QStringLiteral("DejaVu Sans"), desktopPoints);
        QApplication::setFont(desktopFont);
        for (const char* kind : {"QPushButton", "QLabel", "QMenuBar", "QCheckBox"})
            QApplication::setFont(desktopFont, kind);
        desktop::useLayoutFont();

        EditorSession session(3);
        session.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(session.window.get()));
        VERIFY_FITS(*session.window);
        session.trigger(QStringLiteral("infossi"));
        VERIFY_FITS(*session.window);
        session.click(QStringLiteral("Command1"));  // "найти": the picture window
        QWidget* pictures = session.window->pictureWindow();
        QVERIFY(pictures);
        QVERIFY(QTest::qWaitForWindowExposed(pictures));
        VERIFY_FITS(*pictures);
        pictures->close();

        desktop::ScriptedDialogs dialogs;
        desktop::ScriptedServices services;
        exporter::Chtenie exporterWindow(dialogs, services);
        exporterWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&exporterWindow));
        VERIFY_FITS(exporterWindow);
    }

    // A window that lists questions opens beside the main window where the screen has room,
    // narrowed to a side's room when that is enough, and over it as little as can be.
    void listingWindowsOpenBesideTheMainWindow_data() {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("placed");
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const int w = screen.width();
        const int h = screen.height();
        const QPoint o = screen.topLeft();
        QTest::newRow("right") << QRect(o, QSize(w / 3, h / 2)) << QSize(w / 2, h / 3)
                               << QRect(o + QPoint(w / 3, 0), QSize(w / 2, h / 3));
        QTest::newRow("left") << QRect(o + QPoint(w - w / 3, 0), QSize(w / 3, h / 2))
                              << QSize(w / 2, h / 3)
                              << QRect(o + QPoint(w - w / 3 - w / 2, 0), QSize(w / 2, h / 3));
        QTest::newRow("below") << QRect(o + QPoint(w / 8, 0), QSize(w * 3 / 4, h / 2))
                               << QSize(w / 2, h / 3)
                               << QRect(o + QPoint(w / 8, h / 2), QSize(w / 2, h / 3));
        QTest::newRow("narrowed to the right")
            << QRect(o, QSize(w - 400, h - 100)) << QSize(600, h / 3)
            << QRect(o + QPoint(w - 400, 0), QSize(400, h / 3));
        QTest::newRow("no room: against the wider side's edge")
            << QRect(o + QPoint(100, 0), QSize(w - 250, h - 100)) << QSize(500, h / 3)
            << QRect(o + QPoint(w - 500, 0), QSize(500, h / 3));
    }
    void listingWindowsOpenBesideTheMainWindow() {
        QFETCH(QRect, anchor);
        QFETCH(QSize, size);
        QFETCH(QRect, placed);
        QWidget main;
        main.setGeometry(anchor);
        QWidget window;
        window.resize(size);
        desktop::placeBeside(window, main);
        QCOMPARE(window.frameGeometry(), placed);
    }
};

QTEST_MAIN(WindowsFitTest)
#include "tst_windowsfit.moc"
