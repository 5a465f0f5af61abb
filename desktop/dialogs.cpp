#include "desktop/dialogs.h"

#include "desktop/services.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace desktop {

QString qtFilter(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() && parts[i + 1].isEmpty())
            continue;
        QString pattern = parts[i + 1];
        pattern.replace(u';', u' ');
        filters << parts[i] + QStringLiteral(" (") + pattern + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

void QtDialogs::message(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent_);
    box.exec();
}

namespace {

QString askText(QWidget* parent, const QString& title, const QString& prompt,
                QLineEdit::EchoMode echo) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, prompt, echo, {}, &ok);
    return ok ? text : QString();
}

}  // namespace

QString QtDialogs::input(const QString& title, const QString& prompt) {
    return askText(parent_, title, prompt, QLineEdit::Normal);
}

QString QtDialogs::password(const QString& title, const QString& prompt) {
    return askText(parent_, title, prompt, QLineEdit::Password);
}

bool QtDialogs::askYesNo(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No, parent_);
    return box.exec() == QMessageBox::Yes;
}

QString defaultSuffix(const QString& qtFilterEntry) {
    // The patterns are in the last parentheses; the first "*.ext" among them names the format.
    const qsizetype open = qtFilterEntry.lastIndexOf(u'(');
    const qsizetype close = qtFilterEntry.lastIndexOf(u')');
    if (open < 0 || close < open)
        return {};
    const QStringList patterns =
        qtFilterEntry.mid(open + 1, close - open - 1).split(u' ', Qt::SkipEmptyParts);
    for (const QString& pattern : patterns) {
        if (!pattern.startsWith(QStringLiteral("*.")))
            continue;
        const QString suffix = pattern.mid(2);
        // "*.*" or "*.t?t" name no single extension to add.
        if (!suffix.isEmpty() && !suffix.contains(u'*') && !suffix.contains(u'?') &&
            !suffix.contains(u'['))
            return suffix;
    }
    return {};
}

namespace {

std::optional<QStringList> runFileDialog(QWidget* parent, const FileDialogOptions& options,
                                         QFileDialog::AcceptMode mode,
                                         std::optional<QFileDialog::FileMode> fileMode = {}) {
    QFileDialog dialog(parent, options.title, options.initialFolder, qtFilter(options.filter));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(fileMode.value_or(options.fileMustExist ? QFileDialog::ExistingFile
                                                               : QFileDialog::AnyFile));
    if (fileMode == QFileDialog::Directory)
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
    // Both programs check for an existing file themselves, with their own message.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (mode == QFileDialog::AcceptSave) {
        // A name typed without an extension gets the format's, as in every desktop's dialogs;
        // the programs would otherwise refuse it or write a file nothing recognises.
        const QString selected = dialog.selectedNameFilter();
        dialog.setDefaultSuffix(
            defaultSuffix(selected.isEmpty() ? dialog.nameFilters().value(0) : selected));
        QObject::connect(
            &dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog](const QString& filter) { dialog.setDefaultSuffix(defaultSuffix(filter)); });
    }
    if (!options.fileName.isEmpty())
        dialog.selectFile(options.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles();
}

std::optional<QString> firstOf(const std::optional<QStringList>& files) {
    if (!files)
        return std::nullopt;
    return files->constFirst();
}

}  // namespace

std::optional<QString> QtDialogs::openFile(const FileDialogOptions& options) {
    return firstOf(runFileDialog(parent_, options, QFileDialog::AcceptOpen));
}

std::optional<QString> QtDialogs::saveFile(const FileDialogOptions& options) {
    return firstOf(runFileDialog(parent_, options, QFileDialog::AcceptSave));
}

std::optional<QStringList> QtDialogs::openFiles(const FileDialogOptions& options) {
    return runFileDialog(parent_, options, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles);
}

std::optional<QString> QtDialogs::openFolder(const FileDialogOptions& options) {
    FileDialogOptions folder = options;
    folder.filter.clear();
    return firstOf(runFileDialog(parent_, folder, QFileDialog::AcceptOpen, QFileDialog::Directory));
}

std::optional<QString> chooseFile(Dialogs& dialogs, Services& services, FileChoice kind,
                                  FileDialogOptions options) {
    if (options.initialFolder.isEmpty())
        options.initialFolder = services.dialogFolder();
    const std::optional<QString> chosen =
        kind == FileChoice::Open ? dialogs.openFile(options) : dialogs.saveFile(options);
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    services.chosen(*chosen);
    return chosen;
}

std::optional<QStringList> chooseFiles(Dialogs& dialogs, Services& services,
                                       FileDialogOptions options) {
    if (options.initialFolder.isEmpty())
        options.initialFolder = services.dialogFolder();
    std::optional<QStringList> chosen = dialogs.openFiles(options);
    if (!chosen)
        return std::nullopt;
    chosen->removeAll(QString());
    if (chosen->isEmpty())
        return std::nullopt;
    services.chosen(chosen->constFirst());
    return chosen;
}

std::optional<QString> chooseFolder(Dialogs& dialogs, Services& services,
                                    FileDialogOptions options) {
    if (options.initialFolder.isEmpty())
        options.initialFolder = services.dialogFolder();
    const std::optional<QString> chosen = dialogs.openFolder(options);
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    // Noted as a file inside it, so the next dialog starts in the folder itself; "…/." would
    // be cleaned to the folder and name the one above it.
    services.chosen(QDir(*chosen).filePath(QStringLiteral("file")));
    return chosen;
}

}  // namespace desktop
