#pragma once

#include "desktop/dialogs.h"
#include "desktop/services.h"

#include <QList>
#include <QStringList>

#include <optional>

namespace desktop {

// Dialogs for tests: each box is answered from a queue that the test fills in the order the
// boxes should appear. A box that does not match the next scripted one, or comes when none is
// left, fails the running test (and is answered as a cancel); nothing ever falls back to a
// real dialog.
class ScriptedDialogs final : public Dialogs {
public:
    enum class Kind { Message, Input, YesNo, OpenFile, SaveFile };

    struct Shown {
        Kind kind;
        QString title;
        QString text;               // the message, prompt or question; the title of a file dialog
        FileDialogOptions options;  // file dialogs only
    };

    // Each expectation may name the text it expects; an empty text matches any.
    ScriptedDialogs& expectMessage(const QString& text = {});
    ScriptedDialogs& expectInput(const QString& answer, const QString& prompt = {});
    ScriptedDialogs& expectYesNo(bool yes, const QString& text = {});
    ScriptedDialogs& expectOpenFile(const std::optional<QString>& path);
    ScriptedDialogs& expectSaveFile(const std::optional<QString>& path);

    // Everything shown so far, in order.
    const QList<Shown>& shown() const { return shown_; }
    // Texts of the message boxes shown so far.
    QStringList messages() const;
    int pending() const { return static_cast<int>(script_.size()); }
    // Fails the running test if scripted boxes never came.
    bool verifyAllShown(const char* file, int line) const;
    void clear();

    void message(const QString& title, const QString& text) override;
    QString input(const QString& title, const QString& prompt) override;
    bool askYesNo(const QString& title, const QString& text) override;
    std::optional<QString> openFile(const FileDialogOptions& options) override;
    std::optional<QString> saveFile(const FileDialogOptions& options) override;

private:
    struct Expected {
        Kind kind;
        QString text;
        QString answer;
        bool accept = true;
    };
    std::optional<Expected> take(Kind kind, const QString& title, const QString& text,
                                 const FileDialogOptions& options = {});

    QList<Expected> script_;
    QList<Shown> shown_;
};

// File system as it is, with a chosen program folder, and a desktop whose "open this
// document" is recorded instead of performed.
class ScriptedServices final : public Services {
public:
    QString folder;
    bool hasDocumentApplication = true;
    QStringList openedDocuments;

    QString programFolder() const override { return folder; }
    bool openDocument(const QString& path) override;
};

}  // namespace desktop

#define VERIFY_ALL_SHOWN(dialogs)                          \
    do {                                                   \
        if (!(dialogs).verifyAllShown(__FILE__, __LINE__)) \
            return;                                        \
    } while (false)
