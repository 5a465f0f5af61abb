#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace desktop {
class Services;
}

namespace desktop {

// A file dialog as the windows describe it. `filter` is in the "description|pattern|" form
// the windows use (for example "*.mdb ( базы данных Access )|*.mdb|").
struct FileDialogOptions {
    QString title;
    QString initialFolder;
    QString filter;
    QString fileName;
    bool fileMustExist = false;
    bool hideReadOnly = false;
    bool allowNewName = false;
};

// The filter of every dialog that opens or creates a question base.
inline const QString kBaseFileFilter = QStringLiteral("*.mdb ( базы данных Access )|*.mdb|");

// Every box and dialog the programs show goes through here, so tests can script them.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // OK only, no icon.
    virtual void message(const QString& title, const QString& text) = 0;
    // A prompt with an empty default; a cancelled box answers empty text.
    virtual QString input(const QString& title, const QString& prompt) = 0;
    // The same for a password: what is typed is masked, so nobody beside the user reads it.
    virtual QString password(const QString& title, const QString& prompt) = 0;
    // Yes and No, no icon. True for Yes.
    virtual bool askYesNo(const QString& title, const QString& text) = 0;
    // std::nullopt when the user cancels.
    virtual std::optional<QString> openFile(const FileDialogOptions& options) = 0;
    virtual std::optional<QString> saveFile(const FileDialogOptions& options) = 0;
    // Several existing files at once (one is a list of one); std::nullopt when the user cancels.
    virtual std::optional<QStringList> openFiles(const FileDialogOptions& options) = 0;
    // An existing folder; only the title and the initial folder of `options` count.
    virtual std::optional<QString> openFolder(const FileDialogOptions& options) = 0;
};

// The real boxes and dialogs, parented to `parent` while it lives.
class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void message(const QString& title, const QString& text) override;
    QString input(const QString& title, const QString& prompt) override;
    QString password(const QString& title, const QString& prompt) override;
    bool askYesNo(const QString& title, const QString& text) override;
    std::optional<QString> openFile(const FileDialogOptions& options) override;
    std::optional<QString> saveFile(const FileDialogOptions& options) override;
    std::optional<QStringList> openFiles(const FileDialogOptions& options) override;
    std::optional<QString> openFolder(const FileDialogOptions& options) override;

private:
    QWidget* parent_;
};

enum class FileChoice { Open, Save };

// The open or save dialog every window shows for a file: it starts in `options.initialFolder`,
// or where Services::dialogFolder says when that is empty, and the folder of the file chosen
// is where the next one starts. Nothing for a cancelled dialog or an empty name.
std::optional<QString> chooseFile(Dialogs& dialogs, Services& services, FileChoice kind,
                                  FileDialogOptions options);
// The same for several files at once: nothing when the dialog is cancelled or names none.
std::optional<QStringList> chooseFiles(Dialogs& dialogs, Services& services,
                                       FileDialogOptions options);
// The same for a folder; the next dialog starts in the folder chosen.
std::optional<QString> chooseFolder(Dialogs& dialogs, Services& services,
                                    FileDialogOptions options);

// "*.mdb ( базы данных Access )|*.mdb|" → "*.mdb ( базы данных Access ) (*.mdb)".
QString qtFilter(const QString& pipeFilter);
// The extension a save dialog adds to a name typed without one: "mdb" for
// "*.mdb ( базы данных Access ) (*.mdb)"; empty when the filter names no single extension.
QString defaultSuffix(const QString& qtFilterEntry);

}  // namespace desktop
