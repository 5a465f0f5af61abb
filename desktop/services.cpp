#include "desktop/services.h"

// GLib names struct members "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
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

bool Services::hasApplicationFor(const QString& fileName) const {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault())
        return false;
    // GIO reads the desktop's associations as the desktop's own file opener does: the user's and
    // the system's mimeapps.list, then the applications' declared types.
    const QByteArray name = type.name().toUtf8();
    GAppInfo* chosen = g_app_info_get_default_for_type(name.constData(), FALSE);
    if (!chosen)
        return false;
    const auto among = [chosen](GList* applications) {
        bool found = false;
        for (GList* item = applications; item; item = item->next)
            found = found || g_app_info_equal(chosen, G_APP_INFO(item->data));
        g_list_free_full(applications, g_object_unref);
        return found;
    };
    // The default counts when it declares the type itself, or declares none of the wider types
    // the document belongs to (the user chose it for this one). GIO also names an application
    // that takes the document only as a wider type: an archive manager for a .docx.
    const bool forTheType = among(g_app_info_get_recommended_for_type(name.constData())) ||
                            !among(g_app_info_get_fallback_for_type(name.constData()));
    g_object_unref(chosen);
    return forTheType;
}

bool Services::openDocument(const QString& path) {
    // QDesktopServices answers true once it has handed the file to the desktop's opener, even
    // when no application is registered for the type.
    if (!hasApplicationFor(path))
        return false;
    const QUrl url = QUrl::fromLocalFile(path);
    if (QDesktopServices::openUrl(url))
        return true;
    // Qt finds no opener without xdg-utils; the application GIO named still starts.
    const QByteArray uri = url.toEncoded();
    return g_app_info_launch_default_for_uri(uri.constData(), nullptr, nullptr);
}

}  // namespace desktop
