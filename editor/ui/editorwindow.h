#pragma once

#include "editor/ui/addimage.h"
#include "editor/ui/picturehost.h"
#include "questionbase/connection.h"
#include "questionbase/recordset.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <array>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace desktop {
class Dialogs;
struct FileDialogOptions;
class Services;
}  // namespace desktop

namespace editor {

class LimitedTextEdit;
class SettingsPanel;

// The program's name: the window's caption, the title of every box it shows.
inline const QString kProgramTitle = QStringLiteral("Tambris");

// The main window of Tambris: one question of the open base at a time, and the whole editing
// state. Handlers are named after the procedures and controls they stand for, so tests and
// the picture window can call them directly.
class Editor : public QMainWindow, public PictureHost {
    Q_OBJECT
public:
    Editor(desktop::Dialogs& dialogs, desktop::Services& services, QWidget* parent = nullptr);
    ~Editor() override;

    // PictureHost
    QString baseFilePath() const override { return adresok; }
    QString pictureFieldText() const override;
    void pictureChosen(const QString& path) override;

    // ---- window state ----
    QString adresok;  // full path of the base being opened or open
    QString karti;    // full path of the picture last chosen in the picture window
    qb::Connection baza;
    qb::Recordset voprosy;    // SELECT * FROM test; its current row is on screen
    qb::Recordset nastroyki;  // SELECT * FROM info, when the base has that table
    QString parol;            // what goes into the connection string; "_=" for none
    int popytki = 0;          // failed connection attempts of the current opening
    // 1-based position of the question on screen. Wider than the 16 bits of old: a merged
    // bank holds far more than 32,767 questions, and a wrapped position shows the wrong number.
    int tekuschiy = 0;
    QStringList polya;  // column names of voprosy, in column order
    QString stariy;     // the password before a change, to restore on failure

public slots:
    // ---- opening and showing (editorwindow.cpp) ----
    void Form_Load();
    void optest();
    void nachali();
    void edituem();
    void chisto();
    void Form_QueryUnload();

    // ---- creating a base (editorwindow_base.cpp) ----
    void crtest();

    // ---- checking, saving, moving (editorwindow_questions.cpp) ----
    bool proverka();
    // False when the base refused the commit; the pending change is dropped then.
    bool zapis();
    void Command7_Click();
    void Command2_Click();
    void Command3_Click();
    void Command5_Click();
    void Command4_Click();
    void Command1_Click();

    // ---- settings panel (editorwindow_settings.cpp) ----
    void infossi();
    void Command6_Click();
    void hideSettings();

    // ---- passwords (editorwindow_password.cpp) ----
    void zadpar();
    void chpas();
    void delpas();

    // Writes the chosen picture into ulik; called once karti holds the choice.
    void choo();
    // The picture window while it is open.
    AddImage* pictureWindow() const { return addimage_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    // Closes the recordsets and the connection, skipping whatever fails.
    void closeBase();
    // What opening and creating a base do first: close it, clear the fields, hide the panel.
    void leaveBase();
    // The file dialog both take a base from, with the given title.
    desktop::FileDialogOptions baseDialog(const QString& caption) const;
    // The guard of every handler that saves before it moves: a base is open, the question
    // passes the check and was written.
    bool saveShownQuestion();
    // "Назад" (-1) and "Вперед" (+1) once the question is saved; at either end it stays put.
    void stepBy(int delta);
    // Starts a new row holding what a new question holds; each write is skipped if it fails.
    void startNewQuestion();
    void buildMenus();
    void setQuestionFieldsEnabled(bool enabled);
    void showCaption();
    // Fills the fields from the current row; a value that cannot be read leaves its field empty.
    void fillFromRow();
    // Tells the user that the base refused a change; `what` is the first sentence.
    void reportDataFailure(const QString& what);
    void showPictureWindow();
    // A base in the old Jet format is only read: offer a copy in our format and open that.
    void offerConversion();
    QString title() const;

    desktop::Dialogs& dialogs_;
    desktop::Services& services_;
    QPointer<AddImage> addimage_;
    // What fillFromRow put into Text2 and ulik: a field still showing it is not written back.
    QString shownCorrect_;
    QString shownPicture_;

public:
    // ---- controls, named as on the form ----
    LimitedTextEdit* Text1 = nullptr;
    std::array<LimitedTextEdit*, 5> Text{};
    QLabel* Label1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* ulik = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command7 = nullptr;
    QLabel* nomerok = nullptr;
    SettingsPanel* infosik = nullptr;

    QAction* crtestAction = nullptr;
    QAction* optestAction = nullptr;
    QMenu* paro = nullptr;
    QAction* zadparAction = nullptr;
    QAction* chpasAction = nullptr;
    QAction* delpasAction = nullptr;
    QAction* infossiAction = nullptr;
};

}  // namespace editor
