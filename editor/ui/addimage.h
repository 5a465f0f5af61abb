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
    // "Выбрать".
    void choose();

    // The preview's last fitted geometry in twips, and whether it is shown.
    const PreviewGeometry& lastFit() const { return fit_; }
    bool previewShown() const;

private:
    void buildControls();
    void loadSteps();
    void setFileFolder(const QString& folder);
    void fileClicked();
    void showPicture(const QString& path);
    void hidePreview();
    QString selectedFileName() const;

    PictureHost& host_;
    QComboBox* drive1_ = nullptr;
    QLabel* prev_ = nullptr;
    QPushButton* command1_ = nullptr;
    QListWidget* dir1_ = nullptr;
    QListWidget* file1_ = nullptr;
    QLabel* seeyou_ = nullptr;
    QString dirFolder_;
    QString fileFolder_;
    PreviewGeometry fit_;
};

}  // namespace editor
