#include "editor/ui/addimage.h"

#include "desktop/application.h"
#include "editor/core/picturechoice.h"
#include "editor/core/picturefile.h"
#include "editor/ui/picturehost.h"
#include "questionbase/steps.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStorageInfo>

namespace editor {

namespace {

// Folder-list entries carry the folder they open; the entry that names the current folder
// itself carries none.
constexpr int kFolderRole = Qt::UserRole;

QString cleanFolder(const QString& folder) {
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(folder).absolutePath()));
}

// Folder + separator + name, without doubling the separator of a root folder.
QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QDir::separator()))
        return folder + name;
    return folder + QDir::separator() + name;
}

bool isReadableFolder(const QString& folder) {
    const QFileInfo info(folder);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

// Windows lists its drives; elsewhere the root and every mounted volume.
QStringList listVolumes() {
    QStringList roots;
#ifdef Q_OS_WIN
    for (const QFileInfo& drive : QDir::drives())
        roots << QDir::toNativeSeparators(drive.absoluteFilePath());
#else
    roots << QDir::rootPath();
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && !roots.contains(volume.rootPath()))
            roots << volume.rootPath();
    }
#endif
    return roots;
}

// The volume that holds a folder: the longest root that begins its path.
int volumeOf(const QStringList& roots, const QString& folder) {
    const QString path = QDir::fromNativeSeparators(folder);
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < roots.size(); ++i) {
        QString root = QDir::fromNativeSeparators(roots[i]);
        const bool within =
            path == root || path.startsWith(root.endsWith(u'/') ? root : root + u'/');
        if (within && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    return best;
}

}  // namespace

AddImage::AddImage(PictureHost& host)
    : QDialog(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      host_(host) {
    setObjectName(QStringLiteral("addimage"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Выберите изображение для вопроса"));
    setAccessibleName(windowTitle());
    setFixedSize(desktop::twipsRect(0, 0, 12525, 5910).size());
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    buildControls();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    setDirFolder(QDir::currentPath());
    loadSteps();
}

AddImage* AddImage::showFor(QPointer<AddImage>& slot, PictureHost& host) {
    if (!slot)
        slot = new AddImage(host);
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot;
}

void AddImage::buildControls() {
    drive1_ = new QComboBox(this);
    drive1_->setObjectName(QStringLiteral("Drive1"));
    drive1_->setAccessibleName(QStringLiteral("Диск"));
    drive1_->setGeometry(desktop::twipsRect(1080, 360, 3135, 315));
    drive1_->addItems(listVolumes());
    drive1_->setCurrentIndex(volumeOf(volumes(), cleanFolder(QDir::currentPath())));
    connect(drive1_, &QComboBox::activated, this,
            [this](int index) { chooseDrive(drive1_->itemText(index)); });

    prev_ = new QLabel(this);
    prev_->setObjectName(QStringLiteral("prev"));
    prev_->setAccessibleName(QStringLiteral("Размер картинки"));
    prev_->setGeometry(desktop::twipsRect(2520, 4440, 975, 735));
    prev_->hide();

    command1_ = new QPushButton(QStringLiteral("Выбрать"), this);
    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setAccessibleName(QStringLiteral("Выбрать"));
    command1_->setGeometry(desktop::twipsRect(480, 4920, 1935, 495));
    command1_->setStyleSheet(QStringLiteral("background-color: white;"));
    // Enter in a list opens a folder or picks a file; it must not press "Выбрать" as well.
    command1_->setAutoDefault(false);
    connect(command1_, &QPushButton::clicked, this, &AddImage::choose);

    dir1_ = new QListWidget(this);
    dir1_->setObjectName(QStringLiteral("Dir1"));
    dir1_->setAccessibleName(QStringLiteral("Папки"));
    dir1_->setGeometry(desktop::twipsRect(120, 1080, 2775, 3465));
    connect(dir1_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const QString target = item->data(kFolderRole).toString();
        if (!target.isEmpty())
            setDirFolder(target);
    });

    file1_ = new QListWidget(this);
    file1_->setObjectName(QStringLiteral("File1"));
    file1_->setAccessibleName(QStringLiteral("Файлы"));
    file1_->setGeometry(desktop::twipsRect(3000, 1080, 2775, 4515));
    connect(file1_, &QListWidget::itemSelectionChanged, this, &AddImage::fileClicked);

    seeyou_ = new QLabel(this);
    seeyou_->setObjectName(QStringLiteral("seeyou"));
    seeyou_->setAccessibleName(QStringLiteral("Просмотр картинки"));
    seeyou_->setGeometry(desktop::twipsRect(5880, 120, 6495, 5700));
    fit_ = PreviewGeometry{false, 5880, 120, 6495, 5700, true};

    setTabOrder(drive1_, command1_);
    setTabOrder(command1_, dir1_);
    setTabOrder(dir1_, file1_);
}

QStringList AddImage::fileNames() const {
    QStringList names;
    for (int i = 0; i < file1_->count(); ++i)
        names << file1_->item(i)->text();
    return names;
}

QStringList AddImage::volumes() const {
    QStringList roots;
    for (int i = 0; i < drive1_->count(); ++i)
        roots << drive1_->itemText(i);
    return roots;
}

bool AddImage::previewShown() const {
    return !seeyou_->isHidden();
}

void AddImage::loadSteps() {
    qb::runOrFail(
        [this] {
            const QString prefix = baseFolderPrefix(host_.baseFilePath());
            const QString name = host_.pictureFieldText();
            // A name this short is never looked up, whatever it is.
            if (name.size() <= 3 || prefix.isEmpty())
                return;
            const QString full = prefix + toNativeSeparators(name);
            if (!QFileInfo(full).isFile())
                return;
            const qsizetype lastFolder = name.lastIndexOf(QLatin1Char('\\'));
            const QString folder =
                lastFolder < 0 ? prefix : prefix + toNativeSeparators(name.left(lastFolder));
            setFileFolder(folder);
            setDirFolder(folder);
            if (dirFolder_ != cleanFolder(folder)) {
                hidePreview();
                return;
            }
            if (isPictureName(name))
                showPicture(full);
            else
                hidePreview();
        },
        [this](const qb::Error&) { hidePreview(); });
}

void AddImage::chooseDrive(const QString& rootPath) {
    setDirFolder(rootPath);
    // A drive that cannot be read leaves the lists where they were; the drive list follows.
    const QSignalBlocker block(drive1_);
    drive1_->setCurrentIndex(volumeOf(volumes(), dirFolder_));
}

void AddImage::setDirFolder(const QString& folder) {
    const QString clean = cleanFolder(folder);
    if (!isReadableFolder(clean))
        return;
    const QDir dir(clean);
    dirFolder_ = clean;
    dir1_->clear();
    auto* current = new QListWidgetItem(clean, dir1_);
    current->setToolTip(clean);
    if (!dir.isRoot()) {
        auto* up = new QListWidgetItem(QStringLiteral(".."), dir1_);
        up->setData(kFolderRole, cleanFolder(clean + QStringLiteral("/..")));
    }
    const QStringList subfolders =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : subfolders) {
        auto* item = new QListWidgetItem(name, dir1_);
        item->setData(kFolderRole, joinPath(clean, name));
    }
    setFileFolder(dirFolder_);
}

void AddImage::setFileFolder(const QString& folder) {
    const QString clean = cleanFolder(folder);
    // Filling the list is not a click on it: the preview stays as it is.
    const QSignalBlocker block(file1_);
    file1_->clear();
    fileFolder_ = clean;
    if (!isReadableFolder(clean))
        return;
    file1_->addItems(QDir(clean).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
}

bool AddImage::selectFile(const QString& name) {
    if (name.isEmpty()) {
        file1_->clearSelection();
        return true;
    }
    const QList<QListWidgetItem*> found = file1_->findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    file1_->setCurrentItem(found.first());
    return true;
}

QString AddImage::selectedFileName() const {
    const QList<QListWidgetItem*> selected = file1_->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void AddImage::fileClicked() {
    const QString name = selectedFileName();
    if (name.isEmpty())
        return;
    if (!isPictureName(name)) {
        hidePreview();
        return;
    }
    qb::runOrFail([&] { showPicture(joinPath(fileFolder_, name)); },
                  [this](const qb::Error&) { hidePreview(); });
}

void AddImage::showPicture(const QString& path) {
    const std::optional<QImage> image = loadPicture(path);
    if (!image) {
        hidePreview();
        return;
    }
    // The measuring box takes the picture's natural size; the picture itself is not kept there.
    prev_->resize(image->size());
    fit_ = fitPreview(image->size());
    const QRect box = fit_.pixelRect();
    // A stretched preview gets a copy already scaled to its box, so a large picture is not
    // held at full size while it is shown.
    const QImage shown =
        fit_.stretch ? image->scaled(box.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     : *image;
    seeyou_->setScaledContents(fit_.stretch);
    seeyou_->setPixmap(QPixmap::fromImage(shown));
    seeyou_->setGeometry(box);
    seeyou_->setVisible(fit_.visible);
}

void AddImage::hidePreview() {
    seeyou_->hide();
    seeyou_->clear();
    fit_.visible = false;
}

void AddImage::choose() {
    const QString karti = joinPath(fileFolder_, selectedFileName());
    PictureHost& host = host_;
    close();
    host.pictureChosen(karti);
}

}  // namespace editor
