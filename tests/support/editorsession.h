#pragma once

#include "desktop/scripted/scripteddialogs.h"
#include "tests/support/editorprobe.h"
#include "tests/support/tempbase.h"

#include <memory>
#include <source_location>

namespace testsupport {

// An editor window over a temporary folder (the program's folder too), with scripted dialogs
// and services. The helpers act as the user does: a click on a button, a menu item, typing.
class EditorSession {
public:
    // No base open. An unexpected box no VERIFY_ALL_SHOWN reports is told at the line that
    // made the session.
    explicit EditorSession(std::source_location made = std::source_location::current());
    // A new base of makeBase's `questions`, "q.mdb" in the folder, open.
    explicit EditorSession(int questions,
                           std::source_location made = std::source_location::current());

    TempFolder folder;
    desktop::ScriptedDialogs dialogs;
    desktop::ScriptedServices services;
    std::unique_ptr<editor::Editor> window;
    EditorProbe probe;
    QString path;  // the base last given to open()

    // "Открыть для редактирования", the open dialog answered with `base`.
    void open(const QString& base, std::source_location where = std::source_location::current());
    QString caption() const;   // nomerok
    QString question() const;  // Text1 as shown
    editor::SettingsPanel& panel() const { return *probe.infosik(); }
    QVariant stored(const QString& column) const { return probe.stored(column); }
    // Closes the window and reads the table of the base last opened.
    QList<QVariantList> rowsAfterClosing(const QString& table = QStringLiteral("test"));

    // A mouse click on the window's button of that objectName (the settings panel's too).
    void click(const QString& button);
    // The menu item of that objectName.
    void trigger(const QString& action);
    // Focuses the box and types `text` key by key (QTest types ASCII only).
    static void type(QWidget* box, const QString& text);
};

}  // namespace testsupport
