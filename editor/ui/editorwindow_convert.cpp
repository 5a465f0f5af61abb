#include "desktop/dialogs.h"
#include "desktop/services.h"
#include "editor/ui/editorwindow.h"
#include "questionbase/jet/jetconvert.h"
#include "questionbase/steps.h"

#include <QDir>
#include <QFileInfo>

namespace editor {

namespace {

// "<name> (новый формат).mdb" beside the original, numbered when that name is taken: the
// conversion never replaces a file.
QString convertedCopyPath(const QString& original, const desktop::Services& services) {
    const QFileInfo info(original);
    const QString stem = info.completeBaseName() + QStringLiteral(" (новый формат)");
    QString candidate = info.dir().filePath(stem + QStringLiteral(".mdb"));
    for (int n = 2; services.fileExists(candidate) || QFileInfo::exists(candidate); ++n)
        candidate = info.dir().filePath(stem + QStringLiteral(" %1.mdb").arg(n));
    return candidate;
}

}  // namespace

void Editor::offerConversion() {
    qb::skipIfFails([&] { baza.close(); });
    const bool convert = dialogs_.askYesNo(
        title(),
        QStringLiteral("Эта база сделана старой версией программы, и изменить её нельзя.\r\n"
                       "Сделать её копию в новом формате и открыть копию?\r\n"
                       "Сама база останется без изменений."));
    if (!convert)
        return;
    const QString copy = convertedCopyPath(adresok, services_);
    qb::runOrFail(
        [&] {
            qb::convertJetBase(adresok, parol, copy);
            adresok = copy;
            popytki = 0;
            nachali();
        },
        [&](const qb::Error&) {
            dialogs_.message(title(),
                             QStringLiteral("Не удалось сделать копию базы в новом формате."));
        });
}

}  // namespace editor
