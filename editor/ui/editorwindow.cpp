#include "editor/ui/editorwindow.h"

#include "desktop/application.h"
#include "desktop/dialogs.h"
#include "desktop/services.h"
#include "desktop/windowhabits.h"
#include "editor/ui/addimage.h"
#include "editor/ui/findwindow.h"
#include "editor/ui/limitedtextedit.h"
#include "editor/ui/questionlistwindow.h"
#include "editor/ui/settingspanel.h"
#include "editor/ui/spellhighlighter.h"
#include "questionbase/catalog.h"
#include "questionbase/columns.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/steps.h"

#include <QAction>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace editor {

namespace {

// The question box takes 3 characters fewer than its column holds (222 of 225): the form's own
// limit, kept so that whatever is typed there always fits. The options take their columns' 120.
constexpr int kQuestionMaxLength = qb::columns::kQuestionSize - 3;
constexpr int kOptionMaxLength = qb::columns::kOptionSize;

// The walk over the ids after opening: a slice reads ids in steps of this many and stops
// after this many milliseconds (about 1,000 ids a millisecond in a large encrypted base), so
// that the window answers at once at any size.
constexpr int kWalkStep = 1024;
constexpr qint64 kWalkSliceMs = 3;

// What a box lets in for a column that declares `declared` characters (0: no limit). Up to our
// own column's size the form's limit holds, or the column's when it is narrower. A base made by
// another program may declare more, or nothing: the box then takes what the column takes, or a
// longer stored text could not grow by a character and the addition was lost without a word.
int typingLimit(int formLimit, int ownColumnSize, int declared) {
    if (declared <= 0)
        return LimitedTextEdit::kNoLimit;
    if (declared > ownColumnSize)
        return declared;
    return std::min(formLimit, declared);
}

struct OptionBox {
    const char* designText;
    const char* accessible;
    int top;
};

constexpr OptionBox kOptionBoxes[5] = {
    {"ПЕРВЫЙ ВАРИАНТ ОТВЕТА", "Первый вариант ответа", 1435},
    {"ВТОРОЙ ВАРИАНТ ОТВЕТА", "Второй вариант ответа", 2145},
    {"ТРЕТИЙ ВАРИАНТ ОТВЕТА", "Третий вариант ответа", 2805},
    {"ЧЕТВЕРТЫЙ ВАРИАНТ ОТВЕТА", "Четвертый вариант ответа", 3515},
    {"ПЯТЫЙ ВАРИАНТ ОТВЕТА", "Пятый вариант ответа", 4225},
};

}  // namespace

Editor::Editor(desktop::Dialogs& dialogs, desktop::Services& services, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), services_(services) {
    setObjectName(QStringLiteral("Editor"));
    setWindowTitle(title());
    setAccessibleName(title());
    // A fixed single frame: minimise, no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    buildControls();
    buildMenus();
    buildKeys();
    desktop::drawFocusClearly(*this);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    positionsWalk_ = new QTimer(this);
    positionsWalk_->setInterval(0);
    connect(positionsWalk_, &QTimer::timeout, this, &Editor::walkPositions);
    Form_Load();
}

Editor::~Editor() {
    // These windows answer to this window; without an owner they would outlive it.
    delete proverka_.data();
    delete poisk_.data();
    delete spisok_.data();
    Form_QueryUnload();
}

QString Editor::title() const {
    return kProgramTitle;
}

void Editor::buildControls() {
    using desktop::twipsRect;
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twipsRect(0, 0, 10080, 7125).size());
    client->setAutoFillBackground(true);
    QPalette white = client->palette();
    white.setColor(QPalette::Window, Qt::white);
    client->setPalette(white);
    setCentralWidget(client);

    Text1 = new LimitedTextEdit(kQuestionMaxLength, client);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("Вопрос"));
    Text1->setGeometry(twipsRect(-8, -25, 10110, 1500));
    Text1->setPlainText(QStringLiteral("ВОПРОС"));
    // An empty box still says what belongs in it (a question's options 3 to 5 are often empty).
    Text1->setPlaceholderText(Text1->accessibleName());
    attachSpelling(Text1);

    for (int i = 0; i < 5; ++i) {
        const OptionBox& box = kOptionBoxes[i];
        Text[i] = new LimitedTextEdit(kOptionMaxLength, client);
        // The form's own array names: "Text1" alone would be both the question and option 2.
        Text[i]->setObjectName(QStringLiteral("Text(%1)").arg(i));
        Text[i]->setAccessibleName(QString::fromUtf8(box.accessible));
        Text[i]->setGeometry(twipsRect(-8, box.top, 10110, 750));
        Text[i]->setPlainText(QString::fromUtf8(box.designText));
        Text[i]->setPlaceholderText(Text[i]->accessibleName());
        attachSpelling(Text[i]);
    }

    Label1 = new QLabel(QStringLiteral("Номер верного варианта"), client);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAccessibleName(Label1->text());
    Label1->setGeometry(twipsRect(120, 5160, 3015, 255));

    Text2 = new QLineEdit(client);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setAccessibleName(QStringLiteral("Номер верного варианта"));
    Text2->setGeometry(twipsRect(3120, 5160, 855, 375));
    Label1->setBuddy(Text2);

    Label2 = new QLabel(QStringLiteral("Картинка к вопросу"), client);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAccessibleName(Label2->text());
    Label2->setGeometry(twipsRect(4200, 5160, 2415, 255));

    ulik = new QLineEdit(client);
    ulik->setObjectName(QStringLiteral("ulik"));
    ulik->setAccessibleName(QStringLiteral("Картинка к вопросу"));
    ulik->setGeometry(twipsRect(6600, 5160, 2055, 375));
    // No limit of its own (QLineEdit's 32767): a stored name is shown whole, and one the base
    // cannot hold is refused when it is chosen or saved, never cut.
    Label2->setBuddy(ulik);

    const auto button = [&](QPushButton*& target, const char* name, const QString& caption,
                            const QRect& geometry, void (Editor::*handler)()) {
        target = new QPushButton(caption, client);
        target->setObjectName(QString::fromLatin1(name));
        target->setAccessibleName(caption);
        target->setGeometry(geometry);
        connect(target, &QPushButton::clicked, this, handler);
    };
    button(Command1, "Command1", QStringLiteral("найти"), twipsRect(8760, 5160, 1215, 375),
           &Editor::Command1_Click);
    button(Command2, "Command2", QStringLiteral("Назад"), twipsRect(240, 5760, 2175, 495),
           &Editor::Command2_Click);
    button(Command4, "Command4", QStringLiteral("Удалить вопрос"), twipsRect(2720, 5760, 2175, 495),
           &Editor::Command4_Click);
    button(Command5, "Command5", QStringLiteral("Создать новый вопрос"),
           twipsRect(5200, 5760, 2175, 495), &Editor::Command5_Click);
    button(Command3, "Command3", QStringLiteral("Вперед"), twipsRect(7680, 5760, 2175, 495),
           &Editor::Command3_Click);
    button(Command7, "Command7", QStringLiteral("Сохранить"), twipsRect(7680, 6420, 2175, 495),
           &Editor::Command7_Click);

    nomerok = new QLabel(QStringLiteral("Вопрос №"), client);
    nomerok->setObjectName(QStringLiteral("nomerok"));
    // No accessible name of its own: a screen reader must hear the position it shows.
    nomerok->setGeometry(twipsRect(360, 6480, 5295, 375));

    infosik = new SettingsPanel(client);
    infosik->hide();
    infosik->raise();
    connect(infosik, &SettingsPanel::dismissed, this, &Editor::hideSettings);
    connect(infosik->Command6, &QPushButton::clicked, this, &Editor::Command6_Click);
}

void Editor::buildMenus() {
    const auto item = [this](QWidget* menu, const char* name, const QString& caption,
                             void (Editor::*handler)()) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        menu->addAction(action);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    QMenuBar* bar = menuBar();
    bar->setAccessibleName(QStringLiteral("Меню"));
    crtestAction = item(bar, "crtest", QStringLiteral("Создать новый тест"), &Editor::crtest);
    optestAction =
        item(bar, "optest", QStringLiteral("Открыть для редактирования"), &Editor::optest);
    paro = bar->addMenu(QStringLiteral("пароль"));
    paro->setObjectName(QStringLiteral("paro"));
    paro->setAccessibleName(QStringLiteral("пароль"));
    zadparAction = item(paro, "zadpar", QStringLiteral("задать пароль"), &Editor::zadpar);
    chpasAction = item(paro, "chpas", QStringLiteral("изменить пароль"), &Editor::chpas);
    delpasAction = item(paro, "delpas", QStringLiteral("удалить пароль"), &Editor::delpas);
    infossiAction = item(bar, "infossi", QStringLiteral("настрой-ка параметры"), &Editor::infossi);
    servis = bar->addMenu(QStringLiteral("сервис"));
    servis->setObjectName(QStringLiteral("servis"));
    servis->setAccessibleName(QStringLiteral("сервис"));
    importqAction = item(servis, "importq", QStringLiteral("импорт вопросов"), &Editor::importq);
    provbazAction = item(servis, "provbaz", QStringLiteral("проверить базу"), &Editor::provbaz);
    poiskAction = item(servis, "poisk", QStringLiteral("найти вопрос"), &Editor::poisk);
    perehodAction = item(servis, "perehod", QStringLiteral("перейти к вопросу"), &Editor::perehod);
    spisokAction = item(servis, "spisok", QStringLiteral("список вопросов"), &Editor::spisok);
}

QString Editor::pictureFieldText() const {
    return ulik->text();
}

void Editor::pictureChosen(const QString& path) {
    karti = path;
    choo();
}

void Editor::Form_Load() {
    // The data-access objects are members: created with the window, unopened.
    parol = qb::kEmptyPasswordMarker;
}

void Editor::setQuestionFieldsEnabled(bool enabled) {
    Text1->setEnabled(enabled);
    Text2->setEnabled(enabled);
    for (LimitedTextEdit* box : Text)
        box->setEnabled(enabled);
    ulik->setEnabled(enabled);
}

void Editor::chisto() {
    setQuestionFieldsEnabled(false);
    nomerok->clear();
    Text1->clear();
    Text2->clear();
    for (LimitedTextEdit* box : Text)
        box->clear();
    ulik->clear();
}

void Editor::leaveBase() {
    closeQuestionWindows();
    closeBase();
    chisto();
    infosik->hide();
}

desktop::FileDialogOptions Editor::baseDialog(const QString& caption) const {
    desktop::FileDialogOptions options;
    options.title = caption;
    options.filter = desktop::kBaseFileFilter;
    options.hideReadOnly = true;
    return options;
}

void Editor::optest() {
    leaveBase();

    // A cancelled dialog and every other failure end the action without a word; the base that
    // was open is closed already.
    qb::runOrFail(
        [&] {
            desktop::FileDialogOptions options =
                baseDialog(QStringLiteral("Открываем базу вопросов для редактирования"));
            options.fileMustExist = true;
            if (const std::optional<QString> chosen =
                    desktop::chooseFile(dialogs_, services_, desktop::FileChoice::Open, options))
                openBase(*chosen);
        },
        [](const qb::Error&) {});
}

void Editor::nachali() {
    // Steps before the connection run under the caller's regime.
    if (adresok.isEmpty() || !services_.fileExists(adresok))
        return;
    nomerok->clear();
    Text1->clear();
    Text2->clear();
    for (LimitedTextEdit* box : Text)
        box->clear();
    ulik->clear();
    setQuestionFieldsEnabled(false);

    bool connected = false;
    qb::runOrFail(
        [&] {
            baza.setMode(qb::kModeShareExclusive);
            baza.open(adresok, parol);
            connected = true;
        },
        [&](const qb::Error& error) {
            ++popytki;
            if (error.code() != qb::kAuthenticationFailed)
                return;
            if (popytki < qb::kLastFailedOpen) {
                parol = dialogs_.password(title(), QStringLiteral("Введите пароль"));
                nachali();
            } else {
                dialogs_.message(title(), QStringLiteral("А вот пароль к тесту нужно знать! И не "
                                                         "нужно пытаться его угадать!"));
                close();
            }
        });
    if (!connected)
        return;
    if (baza.isLegacyJet()) {
        offerConversion();
        return;
    }

    // From here a failing step is skipped and the next one runs.
    bool hasTest = false;
    qb::skipIfFails([&] {
        qb::Catalog katalog;
        katalog.setActiveConnection(&baza);
        hasTest = katalog.hasTable(qb::columns::kQuestionsTable);
    });
    if (!hasTest) {
        dialogs_.message(
            title(),
            QStringLiteral("Ошибка! Эта база не похожа на базу вопросов к программе Vorta"));
        qb::skipIfFails([&] { baza.close(); });
        return;
    }
    qb::skipIfFails([&] { voprosy.openOn(baza, qb::columns::kQuestionsQuery); });
    polya.clear();
    qb::skipIfFails([&] { polya = voprosy.fieldNames(); });

    const auto hasColumn = [&](const QString& upper) {
        for (const QString& name : polya) {
            if (name.toUpper() == upper)
                return true;
        }
        return false;
    };
    const auto refuse = [&](const QString& text) {
        dialogs_.message(title(), text);
        qb::skipIfFails([&] { voprosy.close(); });
        qb::skipIfFails([&] { nastroyki.close(); });
        qb::skipIfFails([&] { baza.close(); });
    };
    if (!hasColumn(qb::columns::kQuestion.toUpper())) {
        refuse(QStringLiteral("Ошибка! В базе вопросов отсутствует поле вопрос"));
        return;
    }
    if (!hasColumn(qb::columns::kCorrect.toUpper())) {
        refuse(QStringLiteral("Ошибка! В базе вопросов отсутствует поле номера верного ответа"));
        return;
    }

    fitBoxesToColumns();
    qb::skipIfFails([&] { nastroyki.openOn(baza, qb::columns::kSettingsQuery); });

    bool empty = false;
    qb::skipIfFails([&] { empty = voprosy.recordCount() <= 0; });
    if (empty) {
        startNewQuestion();
        qb::skipIfFails([&] { voprosy.update(); });
    }

    setQuestionFieldsEnabled(true);
    infosik->hide();
    qb::skipIfFails([&] { voprosy.moveFirst(); });
    fillFromRow();
    tekuschiy = 1;
    qb::skipIfFails([&] { showCaption(); });
    // Only now, with the base checked, may anything be written to it: the walk gives the
    // base its count, or mends one that another program made lie.
    positionsWalk_->start();
}

void Editor::walkPositions() {
    QElapsedTimer slice;
    slice.start();
    bool done = true;
    const bool read = qb::skipIfFails([&] {
        done = !voprosy.isOpen() || voprosy.positionsKnown();
        while (!done) {
            done = voprosy.learnPositions(kWalkStep);
            if (slice.elapsed() >= kWalkSliceMs)
                break;
        }
    });
    if (read && !done)
        return;
    positionsWalk_->stop();
    // The count shown since opening was the one the base kept; now it is the rows' own.
    if (voprosy.isOpen() && !nomerok->text().isEmpty())
        qb::skipIfFails([&] { showCaption(); });
}

void Editor::fitBoxesToColumns() {
    const auto fit = [&](LimitedTextEdit* box, const QString& column, int formLimit,
                         int ownColumnSize) {
        // A column the base lacks is never written, so the form's limit may stay.
        int declared = ownColumnSize;
        qb::skipIfFails([&] { declared = voprosy.field(column).definedSize(); });
        box->setMaxLength(typingLimit(formLimit, ownColumnSize, declared));
    };
    fit(Text1, qb::columns::kQuestion, kQuestionMaxLength, qb::columns::kQuestionSize);
    for (int i = 0; i < qb::columns::kOptionCount; ++i)
        fit(Text[i], qb::columns::option(i), kOptionMaxLength, qb::columns::kOptionSize);
}

void Editor::fillFromRow() {
    // An absent or unreadable value leaves its field empty.
    const auto columnText = [&](const QString& column) {
        return voprosy.field(column).value().toString();
    };
    shownCorrect_.clear();
    shownPicture_.clear();
    qb::skipIfFails([&] {
        Text2->setText(columnText(qb::columns::kCorrect));
        shownCorrect_ = Text2->text();
    });
    qb::skipIfFails([&] { Text1->setStoredText(voprosy.field(qb::columns::kQuestion).text()); });
    for (int i = 0; i < qb::columns::kOptionCount; ++i) {
        qb::skipIfFails([&] {
            qb::Field option = voprosy.field(qb::columns::option(i));
            Text[i]->setStoredText(option.actualSize() != 0 ? option.text() : QString());
        });
    }
    qb::skipIfFails([&] {
        qb::Field picture = voprosy.field(qb::columns::kPicture);
        ulik->setText(picture.actualSize() != 0 ? picture.text() : QString());
        shownPicture_ = ulik->text();
    });
}

void Editor::edituem() {
    // The first two steps run under the caller's regime.
    if (voprosy.bof())
        voprosy.moveFirst();
    showCaption();

    for (LimitedTextEdit* box : Text)
        box->clear();
    ulik->clear();
    Text2->clear();
    Text1->clear();
    fillFromRow();
}

void Editor::closeBase() {
    // Each is closed only when open, and a failure to close one does not keep the others open.
    qb::skipIfFails([&] {
        if (voprosy.isOpen())
            voprosy.close();
    });
    qb::skipIfFails([&] {
        if (nastroyki.isOpen())
            nastroyki.close();
    });
    qb::skipIfFails([&] {
        if (baza.isOpen())
            baza.close();
    });
}

void Editor::Form_QueryUnload() {
    closeBase();
}

void Editor::closeEvent(QCloseEvent* event) {
    // Nothing is asked and closing is never cancelled; what is on screen is not stored. The
    // picture window has no owner, so it would keep the program alive on its own.
    if (addimage_)
        addimage_->close();
    if (proverka_)
        proverka_->close();
    Form_QueryUnload();
    event->accept();
}

void Editor::reportDataFailure(const QString& what) {
    dialogs_.message(title(), what + QStringLiteral(" Возможно, диск заполнен, файл базы удалён "
                                                    "или папка защищена от записи."));
}

}  // namespace editor
