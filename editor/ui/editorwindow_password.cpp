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

const QString kRepeat = QStringLiteral("Повторите новый пароль");
const QString kMismatch = QStringLiteral("Пароли не совпадают. Пароль не изменен.");

// A file that cannot be written is not a password with the wrong characters: saying so would
// send the user looking for characters that are not there.
QString failedChange(const qb::Error& error) {
    return error.reason() == qb::Reason::Io ? kUnwritable : kRefusedPassword;
}

}  // namespace

bool Editor::repeatedNewPassword(const QString& typed) {
    // The prompt masks what is typed: one slip of the finger, or the other keyboard layout,
    // would otherwise lock the teacher out of her own base once the editor closes.
    if (dialogs_.password(title(), kRepeat) == typed)
        return true;
    dialogs_.message(title(), kMismatch);
    return false;
}

void Editor::zadpar() {
    qb::runOrFail(
        [&] {
            if (baza.isOpen() && parol == qb::kEmptyPasswordMarker) {
                parol = dialogs_.password(title(), QStringLiteral("Введите пароль"));
                if (parol.isEmpty()) {
                    parol = qb::kEmptyPasswordMarker;
                    return;
                }
                // A password the base refuses is told before the repeat is asked for.
                const qb::PasswordStatement change =
                    qb::passwordChange(parol, qb::kEmptyPasswordMarker);
                if (!repeatedNewPassword(parol)) {
                    parol = qb::kEmptyPasswordMarker;
                    return;
                }
                baza.changePassword(change);
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
                if (answer.isEmpty())
                    return;
                parol = answer;
                const qb::PasswordStatement change =
                    qb::passwordChange(parol, qb::kEmptyPasswordMarker);
                if (!repeatedNewPassword(parol)) {
                    parol = stariy;
                    return;
                }
                baza.changePassword(change);
                return;
            }
            // An empty answer (a cancelled box) keeps the password: sending it would ask the
            // base for an empty password, which no connection string could ever open again.
            if (answer.isEmpty())
                return;
            parol = answer;
            // A password the base cannot hold goes on to be refused with its own message.
            if (qb::isAcceptablePassword(parol) && !repeatedNewPassword(parol)) {
                parol = stariy;
                return;
            }
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
