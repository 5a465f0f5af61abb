#pragma once

#include "editor/ui/addimage.h"
#include "editor/ui/basecheckwindow.h"
#include "editor/ui/findwindow.h"
#include "editor/ui/picturehost.h"
#include "editor/ui/questionlistwindow.h"
#include "questionbase/connection.h"
#include "questionbase/recordset.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <array>
#include <optional>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;

namespace desktop {
class Dialogs;
struct FileDialogOptions;
class Services;
}  // namespace desktop

namespace testsupport {
class EditorProbe;
}  // namespace testsupport

namespace editor {

class LimitedTextEdit;
class SettingsPanel;

// The program's name: the window's caption, the title of every box it shows.
inline const QString kProgramTitle = QStringLiteral("Tambris");

// The main window of Tambris: one question of the open base at a time, and the whole editing
// state. Handlers are named after the procedures and controls they stand for; the state and
// the controls are the window's own, and tests read them through testsupport::EditorProbe.
class Editor : public QMainWindow,
               public PictureHost,
               public BaseCheckHost,
               public FindHost,
               public QuestionListHost {
    Q_OBJECT
public:
    Editor(desktop::Dialogs& dialogs, desktop::Services& services, QWidget* parent = nullptr);
    ~Editor() override;

    // PictureHost
    QString baseFilePath() const override { return adresok; }  // adresok
    QString pictureFieldText() const override;                 // what ulik shows
    void pictureChosen(const QString& path) override;          // keeps it in karti, runs choo

    // BaseCheckHost
    std::optional<BaseCheckResult> checkOpenBase(const CheckProgress& progress) override;
    bool goToQuestion(const CheckFinding& finding) override;

    // FindHost and QuestionListHost
    std::unique_ptr<QuestionFind> startFind(const QString& query) override;
    bool goToFound(const FoundQuestion& found) override;
    qint64 shownPosition() const override;
    qint64 listedCount() override;
    std::optional<ListedQuestion> listedQuestion(qint64 position) override;
    bool goToPosition(qint64 position) override { return goToPosition(position, std::nullopt); }

public slots:
    // ---- opening and showing (editorwindow.cpp) ----
    void Form_Load();         // the window's start: no base, no password
    void optest();            // menu "Открыть для редактирования"
    void nachali();           // connects to adresok with parol; asks again after a wrong one
    void edituem();           // shows the current row and the position caption
    void chisto();            // empties and disables the question's fields
    void Form_QueryUnload();  // the window goes: the base is closed

    // ---- creating a base (editorwindow_base.cpp, editorwindow_import.cpp) ----
    void crtest();  // menu "Создать новый тест"
    // What "Открыть для редактирования" does once a file is chosen, for a file the desktop
    // gives too (password prompts included). A file that is not there opens nothing, silently.
    void openBase(const QString& path);
    void importq();  // menu "сервис" > "импорт вопросов": a new base from another format

    // ---- checking, saving, moving (editorwindow_questions.cpp) ----
    bool proverka();  // the check of the question on screen; a failure is told to the user
    // False when the base refused the commit; the pending change is dropped then.
    bool zapis();
    void Command7_Click();  // "Сохранить"
    void Command2_Click();  // "Назад"
    void Command3_Click();  // "Вперед"
    void Command5_Click();  // "Создать новый вопрос"
    void Command4_Click();  // "Удалить вопрос"
    void Command1_Click();  // "найти": the picture window

    // ---- settings panel (editorwindow_settings.cpp) ----
    void infossi();         // menu "настрой-ка параметры": shows the panel
    void Command6_Click();  // the panel's "Сохранить": stores it and closes it
    void hideSettings();    // a click on the panel's pictures: closes it, storing nothing

    // ---- passwords (editorwindow_password.cpp) ----
    void zadpar();  // menu "пароль" > "задать пароль"
    void chpas();   // menu "пароль" > "изменить пароль"
    void delpas();  // menu "пароль" > "удалить пароль"

    // ---- the whole-base check (editorwindow_check.cpp) ----
    void provbaz();  // menu "сервис" > "проверить базу"

    // ---- reaching a question (editorwindow_navigate.cpp) ----
    void poisk();          // menu "сервис" > "найти вопрос" (Ctrl+F)
    void perehod();        // menu "сервис" > "перейти к вопросу" (Ctrl+G)
    void spisok();         // menu "сервис" > "список вопросов"
    void nextFound();      // F3: the next question found
    void previousFound();  // Shift+F3: the previous question found

    // Writes the chosen picture into ulik; called once karti holds the choice.
    void choo();
    // The picture window while it is open.
    AddImage* pictureWindow() const { return addimage_; }
    // The check window while it is open.
    BaseCheckWindow* checkWindow() const { return proverka_; }
    FindWindow* findWindow() const { return poisk_; }
    QuestionListWindow* listWindow() const { return spisok_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class testsupport::EditorProbe;

    void buildControls();  // the form's controls, at their twips
    void buildKeys();      // Enter, F10 and the buttons' shortcuts (editorwindow_keys.cpp)
    // Closes the recordsets and the connection, skipping whatever fails.
    void closeBase();
    // What opening and creating a base do first: close it, clear the fields, hide the panel.
    void leaveBase();
    // The file dialog both take a base from, with the given title.
    desktop::FileDialogOptions baseDialog(const QString& caption) const;
    // Asks where a new base goes, as "Создать новый тест" does: nothing when the dialog is
    // cancelled or the name is refused (an existing file, an ending other than ".mdb").
    std::optional<QString> newBasePath();
    // The guard of every handler that saves before it moves: a base is open, the question
    // passes the check and was written.
    bool saveShownQuestion();
    // "Назад" (-1) and "Вперед" (+1) once the question is saved; at either end it stays put.
    void stepBy(int delta);
    // Starts a new row holding what a new question holds; each write is skipped if it fails.
    void startNewQuestion();
    void buildMenus();                            // the menu bar and its actions
    void setQuestionFieldsEnabled(bool enabled);  // the question, its options, Text2 and ulik
    // "Вопрос № tekuschiy из <count>" in nomerok, told to a screen reader and the list window.
    void showCaption();
    // Shows the question at `position` through the usual save: the row `row` when it is still
    // there, else the row at that position.
    bool goToPosition(qint64 position, std::optional<qint64> row);
    // A save, a new question or a deletion (`rowsMoved`): the windows that list questions read
    // them again.
    void baseChanged(bool rowsMoved);
    // The check, find and list windows close with the base they list.
    void closeQuestionWindows();
    // Sets the limits of the question's and options' boxes from the columns of the open base.
    void fitBoxesToColumns();
    // Fills the fields from the current row; a value that cannot be read leaves its field empty.
    void fillFromRow();
    // Asks for a new password a second time; a repeat that differs, or a cancelled box, is
    // told to the user and answers false.
    bool repeatedNewPassword(const QString& typed);
    // Tells the user that the base refused a change; `what` is the first sentence.
    void reportDataFailure(const QString& what);
    void showPictureWindow();  // opens the picture window, or raises it when open
    // A base in the old Jet format is only read: offer a copy in our format and open that.
    void offerConversion();
    QString title() const;  // the title of every box: the program's name

    desktop::Dialogs& dialogs_;            // every box the window shows
    desktop::Services& services_;          // files and the program's folder
    QPointer<AddImage> addimage_;          // the picture window while it is open
    QPointer<BaseCheckWindow> proverka_;   // the check window while it is open
    QPointer<FindWindow> poisk_;           // the find window while it is open
    QPointer<QuestionListWindow> spisok_;  // the list window while it is open
    // No question was deleted since the last check, so its positions and rows still agree.
    bool checkedRowsStand_ = false;
    // What fillFromRow put into Text2 and ulik: a field still showing it is not written back.
    QString shownCorrect_;
    QString shownPicture_;

    // ---- window state ----
    QString adresok;          // full path of the base being opened or open
    QString karti;            // full path of the picture last chosen in the picture window
    qb::Connection baza;      // the open base, held exclusively
    qb::Recordset voprosy;    // SELECT * FROM test; its current row is on screen
    qb::Recordset nastroyki;  // SELECT * FROM info, when the base has that table
    QString parol;            // what goes into the connection string; "_=" for none
    int popytki = 0;          // failed connection attempts of the current opening
    // 1-based position of the question on screen. Wider than the 16 bits of old: a merged
    // bank holds far more than 32,767 questions, and a wrapped position shows the wrong number.
    int tekuschiy = 0;
    QStringList polya;  // column names of voprosy, in column order
    QString stariy;     // the password before a change, to restore on failure

    // ---- controls, named as on the form ----
    LimitedTextEdit* Text1 = nullptr;        // the question
    std::array<LimitedTextEdit*, 5> Text{};  // the five options, "Text(0)" to "Text(4)"
    QLabel* Label1 = nullptr;                // "Номер верного варианта"
    QLineEdit* Text2 = nullptr;              // the number of the correct option
    QLabel* Label2 = nullptr;                // "Картинка к вопросу"
    QLineEdit* ulik = nullptr;               // the picture, relative to the base's folder
    QPushButton* Command1 = nullptr;         // "найти"
    QPushButton* Command2 = nullptr;         // "Назад"
    QPushButton* Command4 = nullptr;         // "Удалить вопрос"
    QPushButton* Command5 = nullptr;         // "Создать новый вопрос"
    QPushButton* Command3 = nullptr;         // "Вперед"
    QPushButton* Command7 = nullptr;         // "Сохранить"
    QLabel* nomerok = nullptr;               // "Вопрос № 3 из 12"
    SettingsPanel* infosik = nullptr;        // the test's settings, over the whole window

    QAction* crtestAction = nullptr;   // "Создать новый тест"
    QAction* optestAction = nullptr;   // "Открыть для редактирования"
    QMenu* paro = nullptr;             // "пароль"
    QAction* zadparAction = nullptr;   // "задать пароль"
    QAction* chpasAction = nullptr;    // "изменить пароль"
    QAction* delpasAction = nullptr;   // "удалить пароль"
    QAction* infossiAction = nullptr;  // "настрой-ка параметры"
    QMenu* servis = nullptr;           // "сервис"
    QAction* importqAction = nullptr;  // "импорт вопросов"
    QAction* provbazAction = nullptr;  // "проверить базу"
    QAction* poiskAction = nullptr;    // "найти вопрос"
    QAction* perehodAction = nullptr;  // "перейти к вопросу"
    QAction* spisokAction = nullptr;   // "список вопросов"

    // Learns the positions of voprosy a slice at a time while the window is idle, so that the
    // count it shows is confirmed soon after opening without making opening wait.
    void walkPositions();
    QTimer* positionsWalk_ = nullptr;
};

}  // namespace editor
