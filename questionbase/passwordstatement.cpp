#include "questionbase/passwordstatement.h"

#include "questionbase/connectionstring.h"
#include "questionbase/error.h"

namespace qb {

namespace {

const QString kStatementPrefix = QStringLiteral("ALTER Database Password");

[[noreturn]] void refuse(const QString& why) {
    fail(Reason::Refused, QStringLiteral("Недопустимая команда пароля: ") + why);
}

std::optional<QString> checked(const QString& password) {
    if (!isAcceptablePassword(password))
        refuse(QStringLiteral("недопустимый пароль"));
    return password;
}

// The three forms of the statement, each from the text of its passwords. The marker needs no
// blank beside it, so one blank between it and a password belongs to the statement, not to
// the password.
PasswordStatement removing(QString oldPassword) {
    if (oldPassword.startsWith(u' '))
        oldPassword.remove(0, 1);
    if (oldPassword.isEmpty())
        refuse(QStringLiteral("не указан старый пароль"));
    PasswordStatement result;
    if (oldPassword != kEmptyPasswordMarker)
        result.oldPassword = checked(oldPassword);
    return result;
}

PasswordStatement setting(QString newPassword) {
    if (newPassword.endsWith(u' '))
        newPassword.chop(1);
    PasswordStatement result;
    if (newPassword != kEmptyPasswordMarker)
        result.newPassword = checked(newPassword);
    return result;
}

PasswordStatement changing(const QString& newPassword, const QString& oldPassword) {
    return {checked(newPassword), checked(oldPassword)};
}

}  // namespace

bool isAcceptablePassword(const QString& password) {
    if (password.isEmpty() || password.size() > kMaxPasswordLength)
        return false;
    if (password.contains(kEmptyPasswordMarker))
        return false;
    for (QChar c : password) {
        if (c.isSpace() || c == u';' || c.isNull() || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

PasswordStatement parsePasswordStatement(const QString& statement) {
    if (!statement.startsWith(kStatementPrefix, Qt::CaseInsensitive))
        refuse(QStringLiteral("ожидалось ALTER Database Password"));
    QString rest = statement.mid(kStatementPrefix.size());
    if (rest.startsWith(kEmptyPasswordMarker))
        return removing(rest.mid(kEmptyPasswordMarker.size()));
    if (!rest.startsWith(u' '))
        refuse(QStringLiteral("нет пробела после Password"));
    rest = rest.mid(1);
    if (rest.endsWith(kEmptyPasswordMarker))
        return setting(rest.left(rest.size() - kEmptyPasswordMarker.size()));
    const qsizetype blank = rest.indexOf(u' ');
    if (blank < 0)
        refuse(QStringLiteral("не указан старый пароль"));
    return changing(rest.left(blank), rest.mid(blank + 1));
}

PasswordStatement passwordChange(const QString& newPassword, const QString& oldPassword) {
    if (newPassword == kEmptyPasswordMarker)
        return removing(oldPassword);
    if (oldPassword == kEmptyPasswordMarker)
        return setting(newPassword);
    return changing(newPassword, oldPassword);
}

}  // namespace qb
