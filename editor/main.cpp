#include "desktop/application.h"
#include "desktop/dialogs.h"
#include "desktop/services.h"
#include "editor/ui/editorwindow.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

namespace {

// The program's icon: a sheet with a question mark and a tick.
QIcon programIcon() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 60, 120), 3));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(8, 4, 48, 56), 6, 6);
    QFont font(QStringLiteral("Serif"));
    font.setPixelSize(34);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(30, 60, 120));
    p.drawText(QRect(8, 2, 48, 44), Qt::AlignCenter, QStringLiteral("?"));
    p.setPen(QPen(QColor(20, 140, 40), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(20, 46), QPointF(28, 54), QPointF(46, 38)}));
    return QIcon(pixmap);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(editor::kProgramTitle);
    desktop::installRussianTranslation(app);
    desktop::QtDialogs dialogs;
    desktop::Services services;
    editor::Editor window(dialogs, services);
    dialogs.setParent(&window);
    window.setWindowIcon(programIcon());
    window.adjustSize();
    if (const QScreen* screen = window.screen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    return app.exec();
}
