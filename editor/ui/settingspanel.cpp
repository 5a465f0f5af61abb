#include "editor/ui/settingspanel.h"

#include "desktop/application.h"
#include "editor/ui/limitedlineedit.h"
#include "editor/ui/limitedtextedit.h"
#include "questionbase/columns.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>

namespace editor {

namespace {

// The form's own limits, which bind typing only: what the base holds is shown whole. The
// description box takes 3 characters fewer than its column holds (147 of 150), as the question
// box does (222 of 225), so that whatever is typed there always fits.
constexpr int kInfoMaxLength = qb::columns::kDescriptionSize - 3;
constexpr int kTimeMaxLength = 3;  // seconds typed: up to 999

QPixmap blankPixmap(const QSize& size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    return pixmap;
}

// A round clock face with its hands at ten past ten.
QPixmap drawClock(const QSize& size) {
    QPixmap pixmap = blankPixmap(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(QPointF(0, 0), size).adjusted(8, 8, -8, -8);
    const QPointF centre = face.center();
    const qreal radius = face.width() / 2;
    p.setPen(QPen(QColor(60, 60, 120), 4));
    p.setBrush(QColor(235, 240, 255));
    p.drawEllipse(face);
    p.setPen(QPen(QColor(60, 60, 120), 2));
    for (int hour = 0; hour < 12; ++hour) {
        const qreal angle = hour * M_PI / 6;
        const QPointF direction(std::sin(angle), -std::cos(angle));
        p.drawLine(centre + direction * radius * 0.8, centre + direction * radius * 0.92);
    }
    p.setPen(QPen(Qt::black, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + QPointF(std::sin(-M_PI / 3), -std::cos(-M_PI / 3)) * radius * 0.5);
    p.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + QPointF(std::sin(M_PI / 3), -std::cos(M_PI / 3)) * radius * 0.75);
    return pixmap;
}

// An hourglass with sand running down.
QPixmap drawHourglass(const QSize& size) {
    QPixmap pixmap = blankPixmap(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();
    p.setPen(QPen(QColor(120, 80, 30), 6));
    p.drawLine(QPointF(w * 0.15, h * 0.08), QPointF(w * 0.85, h * 0.08));
    p.drawLine(QPointF(w * 0.15, h * 0.92), QPointF(w * 0.85, h * 0.92));
    QPainterPath glass;
    glass.moveTo(w * 0.22, h * 0.1);
    glass.lineTo(w * 0.78, h * 0.1);
    glass.lineTo(w * 0.53, h * 0.5);
    glass.lineTo(w * 0.78, h * 0.9);
    glass.lineTo(w * 0.22, h * 0.9);
    glass.lineTo(w * 0.47, h * 0.5);
    glass.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 2));
    p.setBrush(QColor(230, 245, 250));
    p.drawPath(glass);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 190, 90));
    QPolygonF top;
    top << QPointF(w * 0.36, h * 0.32) << QPointF(w * 0.64, h * 0.32) << QPointF(w * 0.5, h * 0.5);
    p.drawPolygon(top);
    QPolygonF bottom;
    bottom << QPointF(w * 0.5, h * 0.72) << QPointF(w * 0.76, h * 0.89)
           << QPointF(w * 0.24, h * 0.89);
    p.drawPolygon(bottom);
    p.drawRect(QRectF(w * 0.495, h * 0.5, w * 0.01, h * 0.3));
    return pixmap;
}

// A stopwatch: a dial with a button on top and one hand.
QPixmap drawStopwatch(const QSize& size) {
    QPixmap pixmap = blankPixmap(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(size.width(), size.height()) * 0.78;
    const QRectF dial(QPointF((size.width() - side) / 2, size.height() - side - 6),
                      QSizeF(side, side));
    p.setPen(QPen(QColor(40, 110, 40), 4));
    p.setBrush(QColor(220, 255, 220));
    p.drawEllipse(dial);
    p.setBrush(QColor(40, 110, 40));
    p.drawRect(QRectF(dial.center().x() - 8, dial.top() - 14, 16, 12));
    p.setPen(QPen(Qt::red, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(dial.center(), dial.center() + QPointF(side * 0.3, -side * 0.2));
    return pixmap;
}

// The button's picture: the word on a light green ground.
QPixmap drawSaveWord(const QSize& size) {
    QPixmap pixmap(size);
    pixmap.fill(QColor(192, 255, 192));
    QPainter p(&pixmap);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(size.height() / 2);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0, 90, 0));
    p.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, QStringLiteral("Сохранить"));
    return pixmap;
}

PanelPicture* heading(QWidget* parent, const QString& name, const QString& words,
                      const QRect& geometry) {
    auto* label = new PanelPicture(words, parent);
    label->setObjectName(name);
    label->setAccessibleName(words);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    // The headings stand for pictures of one line: the words shrink to fit rather than wrap.
    QFont font = label->font();
    font.setPointSizeF(14);
    font.setBold(true);
    while (font.pointSizeF() > 8 &&
           QFontMetrics(font).horizontalAdvance(words) > geometry.width() - 4)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: rgb(0, 0, 128);"));
    return label;
}

PanelPicture* decoration(QWidget* parent, const QString& name, const QString& accessible,
                         const QRect& geometry, const QPixmap& pixmap) {
    auto* label = new PanelPicture(parent);
    label->setObjectName(name);
    label->setAccessibleName(accessible);
    label->setGeometry(geometry);
    label->setPixmap(pixmap);
    return label;
}

}  // namespace

void PanelPicture::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit clicked();
}

OptionCaption::OptionCaption(const QString& text, QAbstractButton* option, QWidget* parent)
    : QLabel(text, parent), option_(option) {
    setBuddy(option);
}

void OptionCaption::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (option_->isEnabled())
        option_->click();
}

SettingsPanel::SettingsPanel(QWidget* parent) : QFrame(parent) {
    using desktop::twipsRect;
    setObjectName(QStringLiteral("infosik"));
    setAccessibleName(QStringLiteral("Параметры теста"));
    setGeometry(twipsRect(0, 0, 10215, 7095));
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::white);
    setPalette(background);

    Image2 = heading(this, QStringLiteral("Image2"),
                     QStringLiteral("Информация о тесте или его описание"),
                     twipsRect(960, 240, 8325, 825));

    info = new LimitedTextEdit(kInfoMaxLength, this);
    info->setObjectName(QStringLiteral("info"));
    info->setAccessibleName(QStringLiteral("Информация о тесте"));
    info->setGeometry(twipsRect(45, 1080, 10020, 1215));
    QFont infoFont(QStringLiteral("MS Sans Serif"));
    infoFont.setPointSizeF(13.5);
    info->setFont(infoFont);

    Image3 = heading(this, QStringLiteral("Image3"),
                     QStringLiteral("Сколько времени отведено на тест ( в секундах )"),
                     twipsRect(120, 2640, 8055, 630));
    Image3->setToolTip(
        QStringLiteral("Если тест без ограничения по времени - оставьте поле "
                       "пустым, либо в качестве значения укажите 0"));

    vremya = new LimitedLineEdit(kTimeMaxLength, this);
    vremya->setObjectName(QStringLiteral("vremya"));
    vremya->setAccessibleName(QStringLiteral("Время в секундах"));
    vremya->setGeometry(twipsRect(7440, 3840, 1455, 720));
    vremya->setAlignment(Qt::AlignCenter);
    QFont timeFont(QStringLiteral("Courier New"));
    timeFont.setPointSizeF(27.75);
    timeFont.setBold(true);
    vremya->setFont(timeFont);
    vremya->setStyleSheet(QStringLiteral("background-color: rgb(128, 128, 0);"));

    // Same parent, so the two buttons form one group: checking one clears the other.
    Opti0 = new QRadioButton(this);
    Opti0->setObjectName(QStringLiteral("Opti0"));
    Opti0->setAccessibleName(QStringLiteral("Время на весь тест"));
    Opti0->setGeometry(twipsRect(9720, 4800, 255, 255));

    Label3 = new OptionCaption(QStringLiteral("Время на весь тест"), Opti0, this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setAccessibleName(Label3->text());
    Label3->setGeometry(twipsRect(6888, 4725, 2655, 360));

    Opti1 = new QRadioButton(this);
    Opti1->setObjectName(QStringLiteral("Opti1"));
    Opti1->setAccessibleName(QStringLiteral("Время на каждый вопрос"));
    Opti1->setGeometry(twipsRect(9720, 5400, 255, 255));

    Label4 = new OptionCaption(QStringLiteral("Время на каждый вопрос"), Opti1, this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setAccessibleName(Label4->text());
    Label4->setGeometry(twipsRect(6100, 5320, 3405, 360));

    Command6 = new QPushButton(this);
    Command6->setObjectName(QStringLiteral("Command6"));
    Command6->setAccessibleName(QStringLiteral("Сохранить"));
    const QRect buttonRect = twipsRect(6480, 5880, 3015, 855);
    Command6->setGeometry(buttonRect);
    Command6->setStyleSheet(QStringLiteral("background-color: rgb(192, 255, 192);"));
    const QSize pictureSize = buttonRect.size() - QSize(12, 12);
    Command6->setIcon(QIcon(drawSaveWord(pictureSize)));
    Command6->setIconSize(pictureSize);

    const QRect image1Rect = twipsRect(7920, 2400, 2250, 2250);
    Image1 = decoration(this, QStringLiteral("Image1"), QStringLiteral("Часы"), image1Rect,
                        drawClock(image1Rect.size()));
    const QRect picture1Rect = twipsRect(240, 3360, 2385, 3750);
    Picture1 = decoration(this, QStringLiteral("Picture1"), QStringLiteral("Песочные часы"),
                          picture1Rect, drawHourglass(picture1Rect.size()));
    const QRect picture2Rect = twipsRect(3120, 3480, 2715, 1890);
    Picture2 = decoration(this, QStringLiteral("Picture2"), QStringLiteral("Секундомер"),
                          picture2Rect, drawStopwatch(picture2Rect.size()));

    // The clock sits behind the heading and the time box that overlap it.
    Image1->lower();
    for (PanelPicture* picture : {Image1, Image2, Image3, Picture1, Picture2})
        connect(picture, &PanelPicture::clicked, this, &SettingsPanel::dismissed);
}

void SettingsPanel::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit dismissed();
}

void SettingsPanel::keyPressEvent(QKeyEvent* event) {
    // Reaches the panel from any of its controls, none of which takes Escape for itself.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        emit dismissed();
        return;
    }
    QFrame::keyPressEvent(event);
}

void SettingsPanel::setVisible(bool visible) {
    if (visible == covering_) {
        QFrame::setVisible(visible);
        return;
    }
    covering_ = visible;
    if (visible) {
        QFrame::setVisible(true);
        cover();
    } else {
        // A panel that goes while the keyboard is elsewhere (the menu bar) leaves it there.
        QWidget* focus = QApplication::focusWidget();
        const bool hadFocus = focus == nullptr || focus == this || isAncestorOf(focus);
        uncover();
        QFrame::setVisible(false);
        if (hadFocus)
            giveFocusBack();
        covered_.clear();
        focusBefore_.clear();
    }
}

void SettingsPanel::giveFocusBack() {
    // Where it was before the panel opened, else the first covered control that takes it
    // (the question box when a base is open).
    QList<QPointer<QWidget>> candidates = covered_;
    candidates.prepend(focusBefore_);
    for (QWidget* widget : std::as_const(candidates)) {
        if (widget != nullptr && widget->isEnabled() && widget->isVisible() &&
            (widget->focusPolicy() & Qt::TabFocus)) {
            widget->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void SettingsPanel::takeFocus() {
    // Of the two option buttons, Tab reaches the checked one.
    QRadioButton* option = Opti1->isChecked() ? Opti1 : Opti0;
    for (QWidget* control : {static_cast<QWidget*>(info), static_cast<QWidget*>(vremya),
                             static_cast<QWidget*>(option), static_cast<QWidget*>(Command6)}) {
        if (control->isEnabled()) {
            control->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void SettingsPanel::cover() {
    QWidget* parent = parentWidget();
    if (parent == nullptr)
        return;
    QWidget* focus = QApplication::focusWidget();
    focusBefore_.clear();
    covered_.clear();
    // The keyboard moves onto the panel before its old place is hidden, so Qt does not pass it
    // along the hidden controls first.
    takeFocus();
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget == nullptr || widget == this || widget->isWindow() || widget->isHidden())
            continue;
        if (focus != nullptr && (widget == focus || widget->isAncestorOf(focus)))
            focusBefore_ = widget;
        covered_.append(widget);
        widget->hide();
    }
}

void SettingsPanel::uncover() {
    for (QWidget* widget : std::as_const(covered_)) {
        if (widget != nullptr)
            widget->show();
    }
}

}  // namespace editor
