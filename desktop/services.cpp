#include "desktop/services.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace desktop {

bool Services::fileExists(const QString& path) const {
    const QFileInfo info(path);
    return !path.isEmpty() && info.exists() && info.isFile();
}

QString Services::programFolder() const {
    return QCoreApplication::applicationDirPath();
}

QString Services::dialogFolder() const {
    if (!lastFolder_.isEmpty())
        return lastFolder_;
    const QString program = programFolder();
    if (folderWritable(program))
        return program;
    const QString documents = documentsFolder();
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return homeFolder();
}

void Services::chosen(const QString& path) {
    if (!path.isEmpty())
        lastFolder_ = QFileInfo(path).absolutePath();
}

bool Services::folderWritable(const QString& folder) const {
    const QFileInfo info(folder);
    return !folder.isEmpty() && info.isDir() && info.isWritable();
}

QString Services::documentsFolder() const {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString Services::homeFolder() const {
    return QDir::homePath();
}

bool Services::openDocument(const QString& path) {
    // QDesktopServices answers true once it has handed the file to xdg-open, even when no
    // application is registered for the type; ask the desktop's database first.
    const QString mime = QMimeDatabase().mimeTypeForFile(path).name();
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (!xdgMime.isEmpty()) {
        QProcess query;
        query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), mime});
        if (query.waitForFinished(5000) && query.readAllStandardOutput().trimmed().isEmpty())
            return false;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace desktop
