#include "editor/ui/addimage.h"

#include "desktop/application.h"
#include "desktop/keyboard.h"
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
    setWindowTitle(kPictureWindowTitle);
    setAccessibleName(windowTitle());
    setFixedSize(desktop::twipsRect(0, 0, 12525, 5910).size());
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    buildControls();
    desktop::setUpKeyboard(*this);
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
    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setAccessibleName(QStringLiteral("Диск"));
    Drive1->setGeometry(desktop::twipsRect(1080, 360, 3135, 315));
    Drive1->addItems(listVolumes());
    Drive1->setCurrentIndex(volumeOf(volumes(), cleanFolder(QDir::currentPath())));
    connect(Drive1, &QComboBox::activated, this,
            [this](int index) { chooseDrive(Drive1->itemText(index)); });
    // On Linux a screen reader names a combo box by the item it shows ("/" alone) and by the
    // label that points at it: with this one it hears "Диск" and then the drive.
    Label1 = new QLabel(QStringLiteral("Диск"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAccessibleName(Label1->text());
    Label1->setGeometry(desktop::twipsRect(120, 390, 900, 255));
    Label1->setBuddy(Drive1);

    prev = new QLabel(this);
    prev->setObjectName(QStringLiteral("prev"));
    prev->setAccessibleName(QStringLiteral("Размер картинки"));
    prev->setGeometry(desktop::twipsRect(2520, 4440, 975, 735));
    prev->hide();

    Command1 = new QPushButton(QStringLiteral("Выбрать"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAccessibleName(QStringLiteral("Выбрать"));
    Command1->setGeometry(desktop::twipsRect(480, 4920, 1935, 495));
    Command1->setStyleSheet(QStringLiteral("background-color: white;"));
    // Enter in a list opens a folder or picks a file; it must not press "Выбрать" as well.
    Command1->setAutoDefault(false);
    connect(Command1, &QPushButton::clicked, this, &AddImage::choose);

    Dir1 = new QListWidget(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setAccessibleName(QStringLiteral("Папки"));
    Dir1->setGeometry(desktop::twipsRect(120, 1080, 2775, 3465));
    connect(Dir1, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const QString target = item->data(kFolderRole).toString();
        if (!target.isEmpty())
            setDirFolder(target);
    });

    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setAccessibleName(QStringLiteral("Файлы"));
    File1->setGeometry(desktop::twipsRect(3000, 1080, 2775, 4515));
    connect(File1, &QListWidget::itemSelectionChanged, this, &AddImage::fileClicked);

    seeyou = new QLabel(this);
    seeyou->setObjectName(QStringLiteral("seeyou"));
    seeyou->setAccessibleName(QStringLiteral("Просмотр картинки"));
    seeyou->setGeometry(desktop::twipsRect(5880, 120, 6495, 5700));
    fit_ = PreviewGeometry{false, 5880, 120, 6495, 5700, true};

    setTabOrder(Drive1, Command1);
    setTabOrder(Command1, Dir1);
    setTabOrder(Dir1, File1);
}

QStringList AddImage::fileNames() const {
    QStringList names;
    for (int i = 0; i < File1->count(); ++i)
        names << File1->item(i)->text();
    return names;
}

QStringList AddImage::volumes() const {
    QStringList roots;
    for (int i = 0; i < Drive1->count(); ++i)
        roots << Drive1->itemText(i);
    return roots;
}

bool AddImage::previewShown() const {
    return !seeyou->isHidden();
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
    const QSignalBlocker block(Drive1);
    Drive1->setCurrentIndex(volumeOf(volumes(), dirFolder_));
}

void AddImage::setDirFolder(const QString& folder) {
    const QString clean = cleanFolder(folder);
    if (!isReadableFolder(clean))
        return;
    const QDir dir(clean);
    dirFolder_ = clean;
    Dir1->clear();
    auto* current = new QListWidgetItem(clean, Dir1);
    current->setToolTip(clean);
    if (!dir.isRoot()) {
        auto* up = new QListWidgetItem(QStringLiteral(".."), Dir1);
        up->setData(kFolderRole, cleanFolder(clean + QStringLiteral("/..")));
    }
    const QStringList subfolders =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : subfolders) {
        auto* item = new QListWidgetItem(name, Dir1);
        item->setData(kFolderRole, joinPath(clean, name));
    }
    setFileFolder(dirFolder_);
}

void AddImage::setFileFolder(const QString& folder) {
    const QString clean = cleanFolder(folder);
    // Filling the list is not a click on it: the preview stays as it is.
    const QSignalBlocker block(File1);
    File1->clear();
    fileFolder_ = clean;
    if (!isReadableFolder(clean))
        return;
    File1->addItems(QDir(clean).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
}

bool AddImage::selectFile(const QString& name) {
    if (name.isEmpty()) {
        File1->clearSelection();
        return true;
    }
    const QList<QListWidgetItem*> found = File1->findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    File1->setCurrentItem(found.first());
    return true;
}

QString AddImage::selectedFileName() const {
    const QList<QListWidgetItem*> selected = File1->selectedItems();
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
    prev->resize(image->size());
    fit_ = fitPreview(image->size());
    const QRect box = fit_.pixelRect();
    // A stretched preview gets a copy already scaled to its box, so a large picture is not
    // held at full size while it is shown.
    const QImage shown =
        fit_.stretch ? image->scaled(box.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     : *image;
    seeyou->setScaledContents(fit_.stretch);
    seeyou->setPixmap(QPixmap::fromImage(shown));
    seeyou->setGeometry(box);
    seeyou->setVisible(fit_.visible);
}

void AddImage::hidePreview() {
    seeyou->hide();
    seeyou->clear();
    fit_.visible = false;
}

void AddImage::choose() {
    const QString karti = joinPath(fileFolder_, selectedFileName());
    PictureHost& host = host_;
    close();
    host.pictureChosen(karti);
}

}  // namespace editor
