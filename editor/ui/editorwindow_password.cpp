// Setting, changing and removing the open base's password. The data layer re-keys the file in
// place and the window keeps its exclusive hold throughout.

#include "desktop/dialogs.h"
#include "editor/ui/editorwindow.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/passwordstatement.h"
#include "questionbase/steps.h"

namespace editor {

namespace {

const QString kRefusedPassword = QStringLiteral(
    "Ошибка\r\nСкорее всего ваш пароль содержит недопустимые символы\r\n"
    "Например, такие как !;$");
const QString kUnwritable = QStringLiteral(
    "Не удалось записать базу с новым паролем: на диске не хватает места или файл недоступен.\r\n"
    "Пароль базы остался прежним");

// A file that cannot be written is not a password with the wrong characters: saying so would
// send the user looking for characters that are not there.
QString failedChange(const qb::Error& error) {
    return error.reason() == qb::Reason::Io ? kUnwritable : kRefusedPassword;
}

}  // namespace

void Editor::zadpar() {
    qb::runOrFail(
        [&] {
            if (baza.isOpen() && parol == qb::kEmptyPasswordMarker) {
                parol = dialogs_.password(title(), QStringLiteral("Введите пароль"));
                if (!parol.isEmpty())
                    baza.changePassword(qb::passwordChange(parol, qb::kEmptyPasswordMarker));
                else
                    parol = qb::kEmptyPasswordMarker;
            } else if (!baza.isOpen()) {
                dialogs_.message(title(), QStringLiteral("Для того, чтобы задать пароль, вы "
                                                         "должны открыть базу для редактирования"));
            }
            // A base that has a password already is the business of chpas.
        },
        [&](const qb::Error& error) {
            dialogs_.message(title(), error.code() == qb::kGeneralFailure
                                          ? failedChange(error)
                                          : QStringLiteral("Какая-то ошибка"));
            parol = qb::kEmptyPasswordMarker;
        });
}

void Editor::chpas() {
    qb::runOrFail(
        [&] {
            if (!baza.isOpen())
                return;
            stariy = parol;
            const QString answer =
                dialogs_.password(title(), QStringLiteral("Введите новый пароль"));
            if (stariy == qb::kEmptyPasswordMarker) {
                parol = answer;
                if (!parol.isEmpty())
                    baza.changePassword(qb::passwordChange(parol, qb::kEmptyPasswordMarker));
                else
                    parol = qb::kEmptyPasswordMarker;
                return;
            }
            // An empty answer (a cancelled box) keeps the password: sending it would ask the
            // base for an empty password, which no connection string could ever open again.
            if (answer.isEmpty())
                return;
            parol = answer;
            // Both are passwords here, the typed one too: "_=" typed as the new password is
            // refused like any other the base cannot hold, not taken for a removal.
            baza.changePassword({parol, stariy});
        },
        [&](const qb::Error& error) {
            parol = stariy;
            dialogs_.message(title(), failedChange(error));
        });
}

void Editor::delpas() {
    if (!baza.isOpen() || parol == qb::kEmptyPasswordMarker)
        return;
    // A refused statement leaves the base protected, so the window keeps the password that
    // still opens it and says so, instead of pretending it is gone.
    if (!qb::skipIfFails(
            [&] { baza.changePassword(qb::passwordChange(qb::kEmptyPasswordMarker, parol)); })) {
        dialogs_.message(title(), QStringLiteral("Не удалось удалить пароль базы"));
        return;
    }
    parol = qb::kEmptyPasswordMarker;
}

}  // namespace editor
