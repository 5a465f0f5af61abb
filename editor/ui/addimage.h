#pragma once

#include "editor/core/picturefit.h"

#include <QDialog>
#include <QPointer>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace editor {

class PictureHost;

// The picture window's caption, the title it is announced by.
inline const QString kPictureWindowTitle = QStringLiteral("Выберите изображение для вопроса");

// The picture-selection window `addimage`: drive, folder and file lists, a preview fitted into
// a 5500-twip box, and "Выбрать", which hands the chosen file to the main window. It is not
// modal and has no owner; it deletes itself when closed. A dialog rather than a bare widget, so
// assistive technology announces it as a window with its title.
class AddImage : public QDialog {
    Q_OBJECT
public:
    explicit AddImage(PictureHost& host);

    // Shows the window held in `slot`, creating it (and running its load steps) when there is
    // none, or only bringing it to the front when it is already open.
    static AddImage* showFor(QPointer<AddImage>& slot, PictureHost& host);

    // The folder the file list shows, and the one the folder list shows.
    QString fileFolder() const { return fileFolder_; }
    QString dirFolder() const { return dirFolder_; }
    QStringList fileNames() const;
    QStringList volumes() const;

    // The list wiring, as the user drives it: choosing a drive, opening a folder, clicking a
    // file (an empty name clears the selection).
    void chooseDrive(const QString& rootPath);
    void setDirFolder(const QString& folder);
    bool selectFile(const QString& name);
    void choose();  // Command1 "Выбрать": hands the chosen file to the main window

    // The preview's last fitted geometry in twips, and whether it is shown.
    const PreviewGeometry& lastFit() const { return fit_; }
    bool previewShown() const;

private:
    void buildControls();  // the form's controls, at their twips
    void loadSteps();      // the window's start: lists on the base's folder, its picture shown
    void setFileFolder(const QString& folder);
    void fileClicked();                     // File1 click: previews a picture, or hides it
    void showPicture(const QString& path);  // sizeimage, sizeimage2 and cenimage on one file
    void hidePreview();
    QString selectedFileName() const;

    PictureHost& host_;  // the main window: the base's folder, ulik, and choo

    // ---- controls, named as on the form ----
    QComboBox* Drive1 = nullptr;      // the drives (mounted volumes)
    QLabel* Label1 = nullptr;         // "Диск": names Drive1
    QLabel* prev = nullptr;           // never shown: measures the picture's natural size
    QPushButton* Command1 = nullptr;  // "Выбрать"
    QListWidget* Dir1 = nullptr;      // the folders, ".." first
    QListWidget* File1 = nullptr;     // every file of the chosen folder
    QLabel* seeyou = nullptr;         // the preview, fitted into 5500 twips

    QString dirFolder_;    // the folder Dir1 lists
    QString fileFolder_;   // the folder File1 lists: follows Dir1
    PreviewGeometry fit_;  // where seeyou last showed a picture, in twips
};

}  // namespace editor
