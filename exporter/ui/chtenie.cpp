#include "exporter/ui/chtenie.h"

#include "desktop/application.h"
#include "desktop/dialogs.h"
#include "desktop/keyboard.h"
#include "desktop/services.h"
#include "desktop/windowhabits.h"
#include "exporter/core/exchangeexport.h"
#include "exporter/core/programtitle.h"
#include "exporter/core/textexport.h"
#include "exporter/ui/opword.h"
#include "questionbase/columns.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/steps.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>

#include <limits>

namespace exporter {

namespace {

const QString kBaseExtension = QStringLiteral(".mdb");
const QString kTextFilter = QStringLiteral("*.txt ( текстовые файлы )|*.txt|");
const QString kHeldElsewhere = QStringLiteral("База открыта в другой программе");

constexpr int kClientWidth = 7875;
constexpr int kClientHeight = 3585;

// A sheet of questions with a ticked answer: the window's picture.
QPixmap drawSheet(const QSize& size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();
    const QRectF sheet(w * 0.18, h * 0.06, w * 0.64, h * 0.88);
    painter.setPen(QPen(QColor(0x40, 0x40, 0x60), std::max(1.0, w / 90)));
    painter.setBrush(QColor(0xf4, 0xf6, 0xff));
    painter.drawRect(sheet);
    painter.setPen(QPen(QColor(0x70, 0x80, 0xa0), std::max(1.0, w / 120)));
    const qreal left = sheet.left() + sheet.width() * 0.28;
    const qreal right = sheet.right() - sheet.width() * 0.1;
    for (int line = 0; line < 4; ++line) {
        const qreal y = sheet.top() + sheet.height() * (0.2 + 0.2 * line);
        painter.drawLine(QPointF(left, y), QPointF(right, y));
        painter.drawEllipse(QPointF(sheet.left() + sheet.width() * 0.15, y), w * 0.03, w * 0.03);
    }
    QPainterPath tick;
    const qreal y = sheet.top() + sheet.height() * 0.4;
    const qreal x = sheet.left() + sheet.width() * 0.15;
    tick.moveTo(x - w * 0.05, y - h * 0.02);
    tick.lineTo(x, y + h * 0.05);
    tick.lineTo(x + w * 0.1, y - h * 0.1);
    painter.setPen(QPen(QColor(0xc0, 0x20, 0x20), std::max(2.0, w / 40), Qt::SolidLine,
                        Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(tick);
    return pixmap;
}

QFont controlFont() {
    QFont font(QStringLiteral("MS Sans Serif"), 12);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace

Chtenie::Chtenie(desktop::Dialogs& dialogs, desktop::Services& services, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), services_(services) {
    setObjectName(QStringLiteral("chtenie"));
    setWindowTitle(kProgramTitle);
    buildControls();
    desktop::setUpKeyboard(*this);
    desktop::drawFocusClearly(*this);

    adresok.clear();
    popytki = 0;
    parol = qb::kEmptyPasswordMarker;
    // Qt breaks a label's line at LF; the three spaces indent the second line under the first.
    Label1->setText(QStringLiteral("Помечать верный\n   вариант ответа"));
    Label2->setText(QStringLiteral("Не импортировать\n   в Word картинки"));
}

Chtenie::~Chtenie() {
    closeBase();
}

void Chtenie::buildControls() {
    opbaAction = menuBar()->addAction(QStringLiteral("выбрать файл вопросов"));
    opbaAction->setObjectName(QStringLiteral("opba"));
    menuBar()->setAccessibleName(QStringLiteral("Меню"));
    connect(opbaAction, &QAction::triggered, this, &Chtenie::opba);

    drugie = menuBar()->addMenu(QStringLiteral("другие форматы"));
    drugie->setObjectName(QStringLiteral("drugie"));
    drugie->setAccessibleName(QStringLiteral("другие форматы"));
    const auto formatItem = [this](const char* name, exchange::Format format,
                                   void (Chtenie::*handler)()) {
        QAction* action = drugie->addAction(exchange::formatName(format));
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    moodleXmlAction = formatItem("moodleXml", exchange::Format::MoodleXml, &Chtenie::moodleXml);
    giftAction = formatItem("gift", exchange::Format::Gift, &Chtenie::gift);
    aikenAction = formatItem("aiken", exchange::Format::Aiken, &Chtenie::aiken);

    pechat = menuBar()->addMenu(QStringLiteral("печать"));
    pechat->setObjectName(QStringLiteral("pechat"));
    pechat->setAccessibleName(QStringLiteral("печать"));
    variantsAction = pechat->addAction(QStringLiteral("варианты для печати…"));
    variantsAction->setObjectName(QStringLiteral("variantsForPrint"));
    connect(variantsAction, &QAction::triggered, this, &Chtenie::printVariants);
    checkSheetsAction = pechat->addAction(QStringLiteral("проверить бланки…"));
    checkSheetsAction->setObjectName(QStringLiteral("checkSheets"));
    connect(checkSheetsAction, &QAction::triggered, this, &Chtenie::checkSheets);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(desktop::pixels(kClientWidth), desktop::pixels(kClientHeight));
    QPalette white = client->palette();
    white.setColor(QPalette::Window, Qt::white);
    client->setPalette(white);
    client->setAutoFillBackground(true);
    setCentralWidget(client);

    const QFont font = controlFont();
    auto place = [&](QWidget* widget, const char* name, const QString& accessible, QRect geometry) {
        widget->setObjectName(QLatin1String(name));
        widget->setAccessibleName(accessible);
        widget->setGeometry(geometry);
    };

    // A button is heard as its caption.
    auto button = [&](const char* name, const QString& caption, QRect geometry,
                      void (Chtenie::*handler)()) {
        auto* pushButton = new QPushButton(caption, client);
        pushButton->setFont(font);
        place(pushButton, name, caption, geometry);
        connect(pushButton, &QPushButton::clicked, this, handler);
        return pushButton;
    };
    opwordButton = button("opword", QStringLiteral("импорт в Microsoft Word"),
                          desktop::twipsRect(532, 225, 3255, 615), &Chtenie::opword);
    savtextButton = button("savtext", QStringLiteral("сохранить в Leina"),
                           desktop::twipsRect(4087, 225, 3255, 615), &Chtenie::savtext);

    // A check box and the label that is its caption are both heard as the whole caption.
    auto option = [&](QLabel*& label, QCheckBox*& check, const char* labelName,
                      const char* checkName, const QString& firstLine, const QString& caption,
                      QRect labelGeometry, QRect checkGeometry) {
        label = new QLabel(firstLine, client);
        label->setFont(font);
        place(label, labelName, caption, labelGeometry);
        check = new QCheckBox(client);
        place(check, checkName, caption, checkGeometry);
    };
    option(Label1, Check1, "Label1", "Check1", QStringLiteral("Помечать верный"),
           QStringLiteral("Помечать верный вариант ответа"),
           desktop::twipsRect(840, 1260, 2475, 765), desktop::twipsRect(3360, 1350, 255, 375));
    option(Label2, Check2, "Label2", "Check2", QStringLiteral("Не импортировать"),
           QStringLiteral("Не импортировать в Word картинки"),
           desktop::twipsRect(840, 2400, 2475, 765), desktop::twipsRect(3360, 2520, 255, 375));

    Image1 = new QLabel(client);
    const QRect imageRect = desktop::twipsRect(4725, 1215, 2655, 2100);
    place(Image1, "Image1", QStringLiteral("Рисунок"), imageRect);
    Image1->setPixmap(drawSheet(imageRect.size()));

    statusBar()->setSizeGripEnabled(false);
    statusBar()->setAccessibleName(QStringLiteral("Строка состояния"));
    // The status ("Пожалуйста, подождите...", "Процесс завершен") is a label in the bar, not a
    // message the bar paints: a screen reader has nothing to read in a painted message.
    status = new QLabel(statusBar());
    status->setObjectName(QStringLiteral("status"));
    statusBar()->addWidget(status, 1);

    setFixedSize(client->width(), client->height() + menuBar()->sizeHint().height() +
                                      statusBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void Chtenie::opba() {
    desktop::FileDialogOptions options;
    options.filter = desktop::kBaseFileFilter;
    options.hideReadOnly = true;
    options.fileMustExist = true;
    if (const std::optional<QString> chosen =
            desktop::chooseFile(dialogs_, services_, desktop::FileChoice::Open, options))
        openBase(*chosen);
}

void Chtenie::openBase(const QString& path) {
    // The extension is compared exactly, letter case included; anything else keeps the open
    // base open and says nothing.
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0 || path.mid(dot) != kBaseExtension)
        return;
    adresok = path;
    otkrytie();
}

void Chtenie::otkrytie() {
    if (adresok.isEmpty())
        return;
    closeBase();

    bool askedForPassword = false;
    bool heldElsewhere = false;
    qb::runOrFail(
        [&] {
            // No mode: a shared hold. Other exporters may read the base too; the editor cannot
            // take it while this window has it open, so every export reads one state.
            baza.open(adresok, parol);
            voprosy.openOn(baza, qb::columns::kQuestionsQuery);
            // Taken at once, while the name still leads to the file just opened.
            baseFile_ = fileIdentity(adresok);
        },
        [&](const qb::Error& error) {
            // Saturates rather than wrapping; long before that the password failures end it.
            if (popytki < std::numeric_limits<qint16>::max())
                ++popytki;
            heldElsewhere = error.reason() == qb::Reason::InUse;
            if (error.code() != qb::kAuthenticationFailed)
                return;
            if (popytki >= qb::kLastFailedOpen) {
                dialogs_.message(kProgramTitle, QStringLiteral("Вы забыли пароль к тесту?!"));
                closeBase();
                close();
                return;
            }
            parol = dialogs_.password(kProgramTitle, QStringLiteral("Введите пароль"));
            askedForPassword = true;
        });
    // A base the other program holds opens nothing and no box says so; the status line tells
    // why, until the next attempt.
    if (heldElsewhere)
        showStatus(kHeldElsewhere);
    else if (status->text() == kHeldElsewhere)
        showStatus(QString());
    if (askedForPassword)
        otkrytie();
}

void Chtenie::savtext() {
    qb::runOrFail(
        [&] {
            if (!baza.isOpen())
                return;
            if (voprosy.recordCount() == 0)
                return;
            desktop::FileDialogOptions options;
            options.title = QStringLiteral("Сохраняем в текстовой файл");
            options.filter = kTextFilter;
            const std::optional<QString> chosen = exportPath(options);
            if (!chosen)
                return;
            saveQuestionsText(voprosy, Check1->isChecked(), *chosen);
        },
        [&](const qb::Error&) {
            dialogs_.message(kProgramTitle, QStringLiteral("Произошла ошибка. Все ли верно?"));
        });
}

void Chtenie::opword() {
    const auto show = [this](const QString& text) { showStatus(text); };
    WordExportContext context{
        baza,     voprosy,   adresok, Check1->isChecked(), Check2->isChecked(),
        dialogs_, services_, show};
    exporter::opword(context);
}

void Chtenie::moodleXml() {
    exportTo(exchange::Format::MoodleXml);
}

void Chtenie::gift() {
    exportTo(exchange::Format::Gift);
}

void Chtenie::aiken() {
    exportTo(exchange::Format::Aiken);
}

void Chtenie::exportTo(exchange::Format format) {
    qb::runOrFail(
        [&] {
            if (!baza.isOpen() || !voprosy.isOpen())
                return;
            if (voprosy.recordCount() == 0)
                return;
            const QString name = exchange::formatName(format);
            const QString extension = exchange::fileExtension(format);
            const QFileInfo base(adresok);
            desktop::FileDialogOptions options;
            options.title = QStringLiteral("Сохраняем в формате ") + name;
            options.initialFolder = base.absolutePath();
            options.fileName = base.completeBaseName() + extension;
            options.filter = QStringLiteral("*%1 ( %2 )|*%1|").arg(extension, name);
            const std::optional<QString> chosen = exportPath(options);
            if (!chosen)
                return;

            ExchangeExportOptions exportOptions;
            exportOptions.format = format;
            exportOptions.basePath = adresok;
            exportOptions.description = testDescription(baza);
            exportOptions.leavePicturesOut = Check2->isChecked();
            exportOptions.fileExists = [this](const QString& path) {
                return services_.fileExists(path);
            };
            const QString report = reportText(saveExchange(voprosy, exportOptions, *chosen));
            if (!report.isEmpty())
                dialogs_.message(kProgramTitle, report);
        },
        [&](const qb::Error&) {
            dialogs_.message(kProgramTitle, QStringLiteral("Произошла ошибка. Все ли верно?"));
        });
}

std::optional<QString> Chtenie::exportPath(desktop::FileDialogOptions options) {
    options.hideReadOnly = true;
    options.allowNewName = true;
    const std::optional<QString> chosen =
        desktop::chooseFile(dialogs_, services_, desktop::FileChoice::Save, options);
    if (!chosen)
        return std::nullopt;
    // Replacing the base with its own export would lose every question in it. The base is the
    // file that was opened, by whatever name it goes now (a hard link too); a new file at the
    // name of a base renamed or deleted since is not it.
    const std::optional<FileIdentity> target = fileIdentity(*chosen);
    if (target && target == baseFile_) {
        dialogs_.message(kProgramTitle,
                         QStringLiteral("Нельзя записать вопросы поверх самой базы."));
        return std::nullopt;
    }
    if (services_.fileExists(*chosen) &&
        !dialogs_.askYesNo(QStringLiteral("Leina"),
                           QStringLiteral("Такой файл уже существует. Заменить?")))
        return std::nullopt;
    return chosen;
}

void Chtenie::showStatus(const QString& text) {
    if (status->text() == text)
        return;
    status->setText(text);
    desktop::announceTextChange(*status);
    emit statusChanged(text);
}

void Chtenie::closeEvent(QCloseEvent* event) {
    closeBase();
    event->accept();
}

void Chtenie::closeBase() noexcept {
    baseFile_.reset();
    qb::skipIfFails([&] {
        if (voprosy.isOpen())
            voprosy.close();
    });
    qb::skipIfFails([&] {
        if (baza.isOpen())
            baza.close();
    });
}

}  // namespace exporter
