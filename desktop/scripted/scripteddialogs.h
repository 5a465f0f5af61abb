#pragma once

#include "desktop/dialogs.h"
#include "desktop/services.h"

#include <QList>
#include <QStringList>

#include <optional>
#include <source_location>

namespace desktop {

// Dialogs for tests: each box is answered from a queue that the test fills in the order the
// boxes should appear. A box that does not match the next scripted one, or comes when none is
// left, is answered as a cancel and fails the running test; nothing ever falls back to a real
// dialog. The failure is reported where the test can be found: at its next VERIFY_ALL_SHOWN,
// or, when none comes, at the line that scripted the mismatched box or else made the dialogs.
class ScriptedDialogs final : public Dialogs {
public:
    using Where = std::source_location;
    enum class Kind { Message, Input, Password, YesNo, OpenFile, SaveFile, OpenFiles, OpenFolder };

    explicit ScriptedDialogs(Where made = Where::current()) : made_(made) {}
    ~ScriptedDialogs() override;

    struct Shown {
        Kind kind;
        QString title;
        QString text;               // the message, prompt or question; the title of a file dialog
        FileDialogOptions options;  // file dialogs only
    };

    // Each expectation may name the text it expects; an empty text matches any.
    ScriptedDialogs& expectMessage(const QString& text = {}, Where where = Where::current());
    ScriptedDialogs& expectInput(const QString& answer, const QString& prompt = {},
                                 Where where = Where::current());
    // A masked prompt: an unmasked one does not match it, nor it an unmasked one.
    ScriptedDialogs& expectPassword(const QString& answer, const QString& prompt = {},
                                    Where where = Where::current());
    ScriptedDialogs& expectYesNo(bool yes, const QString& text = {},
                                 Where where = Where::current());
    ScriptedDialogs& expectOpenFile(const std::optional<QString>& path,
                                    Where where = Where::current());
    ScriptedDialogs& expectSaveFile(const std::optional<QString>& path,
                                    Where where = Where::current());
    ScriptedDialogs& expectOpenFiles(const std::optional<QStringList>& paths,
                                     Where where = Where::current());
    ScriptedDialogs& expectOpenFolder(const std::optional<QString>& path,
                                      Where where = Where::current());

    // Everything shown so far, in order.
    const QList<Shown>& shown() const { return shown_; }
    // Texts of the message boxes shown so far.
    QStringList messages() const;
    int pending() const { return static_cast<int>(script_.size()); }
    // Fails the running test at file:line if a box came unscripted or scripted boxes never came.
    bool verifyAllShown(const char* file, int line);
    // Forgets the script and what was shown; an unexpected box not yet reported still fails.
    void clear();

    void message(const QString& title, const QString& text) override;
    QString input(const QString& title, const QString& prompt) override;
    QString password(const QString& title, const QString& prompt) override;
    bool askYesNo(const QString& title, const QString& text) override;
    std::optional<QString> openFile(const FileDialogOptions& options) override;
    std::optional<QString> saveFile(const FileDialogOptions& options) override;
    std::optional<QStringList> openFiles(const FileDialogOptions& options) override;
    std::optional<QString> openFolder(const FileDialogOptions& options) override;

private:
    struct Expected {
        Kind kind;
        QString text;
        QString answer;
        bool accept = true;
        Where where;
        QStringList answers;  // a choice of several files
    };
    struct Unexpected {
        QString problem;
        Where where;  // the scripted box it did not match, or where the dialogs were made
    };
    std::optional<Expected> take(Kind kind, const QString& title, const QString& text,
                                 const FileDialogOptions& options = {});
    ScriptedDialogs& expect(Expected expected);
    QStringList unexpectedProblems() const;

    Where made_;
    QList<Expected> script_;
    QList<Shown> shown_;
    QList<Unexpected> unexpected_;
};

// File system as it is, with a chosen program folder, user's folders and folders the user
// may not write to, and a desktop whose "open this document" is recorded instead of performed.
class ScriptedServices final : public Services {
public:
    QString folder;
    QString documents;
    QString home;
    QStringList readOnlyFolders;         // besides those the file system refuses
    bool hasDocumentApplication = true;  // the answer for every type of document
    QStringList openedDocuments;

    QString programFolder() const override { return folder; }
    bool hasApplicationFor(const QString&) const override { return hasDocumentApplication; }
    bool openDocument(const QString& path) override;

protected:
    bool folderWritable(const QString& path) const override {
        return !readOnlyFolders.contains(path) && Services::folderWritable(path);
    }
    QString documentsFolder() const override { return documents; }
    QString homeFolder() const override { return home; }
};

}  // namespace desktop

#define VERIFY_ALL_SHOWN(dialogs)                          \
    do {                                                   \
        if (!(dialogs).verifyAllShown(__FILE__, __LINE__)) \
            return;                                        \
    } while (false)
