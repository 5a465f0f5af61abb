// Opening a given base, and creating a new, empty one.

#include "desktop/dialogs.h"
#include "desktop/services.h"
#include "editor/ui/editorwindow.h"
#include "editor/ui/settingspanel.h"
#include "questionbase/catalog.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/steps.h"

namespace editor {

void Editor::openBase(const QString& path) {
    // A file the desktop named but that is gone leaves the window as it was.
    if (!services_.fileExists(path))
        return;
    // Every failure ends the action without a word, as after the dialog.
    qb::runOrFail(
        [&] {
            adresok = path;
            popytki = 0;
            parol = qb::kEmptyPasswordMarker;
            nachali();
        },
        [](const qb::Error&) {});
}

void Editor::crtest() {
    leaveBase();

    // A cancelled dialog or a base that cannot be written ends the action silently. The data
    // layer writes the whole file or none of it, so a failure leaves nothing on disk.
    qb::runOrFail(
        [&] {
            // The path goes as it is: in a creation string a folder named like its password
            // part would cut the path short and create another file.
            if (const std::optional<QString> path = newBasePath())
                qb::Catalog::createAt(*path);
        },
        [](const qb::Error&) {});
}

std::optional<QString> Editor::newBasePath() {
    desktop::FileDialogOptions options =
        baseDialog(QStringLiteral("Сохраняем новую базу вопросов"));
    options.allowNewName = true;
    const std::optional<QString> chosen =
        desktop::chooseFile(dialogs_, services_, desktop::FileChoice::Save, options);
    if (!chosen)
        return std::nullopt;
    const QString path = *chosen;
    if (services_.fileExists(path)) {
        dialogs_.message(title(), QStringLiteral("Такой файл уже существует"));
        return std::nullopt;
    }
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0)
        return std::nullopt;  // no extension to take: the action ends without a word
    if (path.mid(dot) != QStringLiteral(".mdb")) {
        dialogs_.message(title(), QStringLiteral("База данных должна быть формата .mdb"));
        return std::nullopt;
    }
    return path;
}

}  // namespace editor
