#include "desktop/keyboard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QShortcut>
#include <QStyleOption>

namespace desktop {

namespace {

// Presses the push button it watches when Enter or keypad Enter reaches it.
class EnterPressesButton : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto* button = static_cast<QPushButton*>(watched);
        // A held key presses once: "Сохранить" or "Создать новый вопрос" repeated by the
        // keyboard's auto-repeat would store or add again and again.
        if (!key->isAutoRepeat() && button->isEnabled())
            button->click();
        return true;
    }
};

// The application's style with two changes for the menu bar: Alt reaches it (Fusion leaves
// that off), and the item under the keyboard is drawn as Fusion draws an open menu's item,
// since Fusion highlights only an item whose menu is open and an item without a menu would
// never show where the keyboard is.
class MenuBarKeyboardStyle : public QProxyStyle {
public:
    MenuBarKeyboardStyle() : QProxyStyle(QApplication::style()->name()) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (element == CE_MenuBarItem && widget != nullptr && widget->hasFocus() &&
            (option->state & State_Selected)) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                QStyleOptionMenuItem focused = *item;
                focused.state |= State_Sunken;
                QProxyStyle::drawControl(element, &focused, painter, widget);
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

// One style for every menu bar of the program, owned by the application: a widget does not own
// the style it is given.
QStyle* menuBarStyle() {
    static QPointer<QStyle> style;
    if (style.isNull()) {
        style = new MenuBarKeyboardStyle;
        style->setParent(qApp);
    }
    return style;
}

}  // namespace

void setUpKeyboard(QWidget& window) {
    auto* enter = new EnterPressesButton(&window);
    for (QPushButton* button : window.findChildren<QPushButton*>())
        button->installEventFilter(enter);

    auto* main = qobject_cast<QMainWindow*>(&window);
    QMenuBar* bar = main != nullptr ? main->menuBar() : nullptr;
    if (bar == nullptr)
        return;
    bar->setStyle(menuBarStyle());
    new QShortcut(
        QKeySequence(Qt::Key_F10), &window, [bar] { focusMenuBar(*bar); }, Qt::WindowShortcut);
}

QShortcut* addButtonShortcut(QAbstractButton& button, const QKeySequence& keys) {
    // Parented to the button: Qt matches a widget's shortcut only while that widget is visible
    // and enabled.
    return new QShortcut(keys, &button, &button, &QAbstractButton::click, Qt::WindowShortcut);
}

void focusMenuBar(QMenuBar& bar) {
    if (bar.hasFocus() || !bar.isVisible())
        return;
    // Qt's menu bar enters its keyboard mode only from a tap of Alt, which it watches on its
    // window; keyboard mode brings the arrows, Enter, Escape and the return of the focus. The
    // same tap, handed to the window, enters it the one way Qt offers. (A key event of a
    // modifier key reports its modifiers as they are after the event: the press is made without
    // Alt to read as "Alt down", the release with it to read as "Alt up".)
    QKeyEvent press(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(bar.window(), &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
    QCoreApplication::sendEvent(bar.window(), &release);
}

}  // namespace desktop
