#pragma once

#include "questionbase/connection.h"
#include "questionbase/recordset.h"

#include <QMainWindow>
#include <QString>

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;

namespace desktop {
class Dialogs;
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

    const QString& basePath() const { return adresok_; }
    const QString& password() const { return parol_; }
    qint16 failedOpens() const { return popytki_; }
    const qb::Connection& connection() const { return baza_; }
    const qb::Recordset& questions() const { return voprosy_; }

public slots:
    // "выбрать файл вопросов": choose a file, then open it.
    void opba();
    // Opens the base at the base path with the password in use; asks for another password
    // after an authentication failure until the window has seen four failed opens.
    void otkrytie();
    // "сохранить в Leina".
    void savtext();
    // "импорт в Microsoft Word".
    void opword();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void closeBase() noexcept;

    desktop::Dialogs& dialogs_;
    desktop::Services& services_;

    QString adresok_;     // full path of the chosen .mdb file
    QString parol_;       // never reset while the window lives: the next base tries it first
    qint16 popytki_ = 0;  // failed opens of any kind, never reset while the window lives
    qb::Connection baza_;
    qb::Recordset voprosy_;

    // opba: the menu command "выбрать файл вопросов".
    QAction* opbaAction_ = nullptr;
    // opword: the button "импорт в Microsoft Word".
    QPushButton* opwordButton_ = nullptr;
    // savtext: the button "сохранить в Leina".
    QPushButton* savtextButton_ = nullptr;
    // Label1: the caption of Check1, in two lines.
    QLabel* label1_ = nullptr;
    // Check1: mark the correct option in both exports.
    QCheckBox* check1_ = nullptr;
    // Label2: the caption of Check2, in two lines.
    QLabel* label2_ = nullptr;
    // Check2: leave the pictures out of the Word document.
    QCheckBox* check2_ = nullptr;
    // Image1: the drawn sheet of questions beside the options.
    QLabel* image1_ = nullptr;
};

}  // namespace exporter
