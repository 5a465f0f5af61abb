#pragma once

#include "desktop/dialogs.h"
#include "exchange/question.h"
#include "exporter/core/fileidentity.h"
#include "printing/core/printtypes.h"
#include "questionbase/connection.h"
#include "questionbase/recordset.h"

#include <QMainWindow>
#include <QString>

#include <optional>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;

namespace desktop {
class Services;
}  // namespace desktop

namespace exporter {

// The exporter's one window: choose a question base, open it (asking for its password) and
// export its questions to a text file or a Word document.
class Chtenie : public QMainWindow {
    Q_OBJECT
public:
    Chtenie(desktop::Dialogs& dialogs, desktop::Services& services, QWidget* parent = nullptr);
    ~Chtenie() override;

    // What tests and the benchmarks may read of the state: read only.
    const QString& basePath() const { return adresok; }
    const QString& password() const { return parol; }
    qint16 failedOpens() const { return popytki; }
    const qb::Connection& connection() const { return baza; }
    const qb::Recordset& questions() const { return voprosy; }

signals:
    // The status bar shows a new text (empty when it is cleared).
    void statusChanged(const QString& text);

public slots:
    void opba();  // menu "выбрать файл вопросов": choose a file, then open it
    // What "выбрать файл вопросов" does once a file is chosen, for a file the desktop gives
    // too. A file that is not there opens nothing and says nothing, as any failed open.
    void openBase(const QString& path);
    // Opens adresok with parol; asks for another password after an authentication failure
    // until the window has seen four failed opens.
    void otkrytie();
    void savtext();    // "сохранить в Leina": the text file
    void opword();     // "импорт в Microsoft Word": the Word document
    void moodleXml();  // "другие форматы" → "Moodle XML"
    void gift();       // "другие форматы" → "GIFT"
    void aiken();      // "другие форматы" → "Aiken"
    // "печать" → "варианты для печати…": asks how, in the dialog "Варианты для печати"
    void printVariants();
    // "печать" → "проверить бланки…": grades scanned answer sheets against the open base
    void checkSheets();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();       // the form's controls, at their twips
    void closeBase() noexcept;  // closes the recordset and the connection, skipping failures
    void showStatus(const QString& text);
    // Writes every question to a file of the format the user names, then says what did not go
    // out as it stands.
    void exportTo(exchange::Format format);
    // The file an export goes to, asked with the save dialog: nothing when the dialog is
    // cancelled, the file is the open base itself (under any name), or the user keeps an
    // existing file.
    std::optional<QString> exportPath(desktop::FileDialogOptions options);
    // What "Создать" in "Варианты для печати" does: asks where, then writes the files.
    void makeVariants(const printing::PrintChoices& choices);
    // The test's title for the pages: `инфо`, else the base's name.
    QString printTitle();

    desktop::Dialogs& dialogs_;    // every box the window shows
    desktop::Services& services_;  // files, the program's folder, the word processor

    // ---- window state ----
    QString adresok;        // full path of the chosen .mdb file
    QString parol;          // never reset while the window lives: the next base tries it first
    qint16 popytki = 0;     // failed opens of any kind, never reset while the window lives
    qb::Connection baza;    // the open base, under a shared hold
    qb::Recordset voprosy;  // SELECT * FROM test, read whole by each export
    // The file of the open base as it was when opened: no export may replace it.
    std::optional<FileIdentity> baseFile_;

    // ---- controls, named as on the form (a handler's name takes the plain form name) ----
    QAction* opbaAction = nullptr;         // menu "выбрать файл вопросов"
    QMenu* drugie = nullptr;               // menu "другие форматы"
    QAction* moodleXmlAction = nullptr;    // "Moodle XML"
    QAction* giftAction = nullptr;         // "GIFT"
    QAction* aikenAction = nullptr;        // "Aiken"
    QMenu* pechat = nullptr;               // menu "печать"
    QAction* variantsAction = nullptr;     // "варианты для печати…"
    QAction* checkSheetsAction = nullptr;  // "проверить бланки…"
    QPushButton* opwordButton = nullptr;   // "импорт в Microsoft Word"
    QPushButton* savtextButton = nullptr;  // "сохранить в Leina"
    QLabel* Label1 = nullptr;  // "Помечать верный вариант ответа": Check1's caption
    QCheckBox* Check1 = nullptr;  // mark the correct option in both exports
    QLabel* Label2 = nullptr;  // "Не импортировать в Word картинки": Check2's caption
    QCheckBox* Check2 = nullptr;  // leave the pictures out of the Word document
    QLabel* Image1 = nullptr;     // the drawn sheet of questions beside the options
    // In the status bar: the Word export's progress, and why a base did not open when another
    // program holds it.
    QLabel* status = nullptr;
};

}  // namespace exporter
