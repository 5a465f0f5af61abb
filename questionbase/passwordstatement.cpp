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

    PasswordStatement result;
    if (rest.startsWith(kEmptyPasswordMarker)) {
        rest = rest.mid(kEmptyPasswordMarker.size());
        if (rest.startsWith(u' '))
            rest = rest.mid(1);
        if (rest.isEmpty())
            refuse(QStringLiteral("не указан старый пароль"));
        if (rest != kEmptyPasswordMarker)
            result.oldPassword = checked(rest);
        return result;
    }

    if (!rest.startsWith(u' '))
        refuse(QStringLiteral("нет пробела после Password"));
    rest = rest.mid(1);
    if (rest.endsWith(kEmptyPasswordMarker)) {
        QString newPassword = rest.left(rest.size() - kEmptyPasswordMarker.size());
        if (newPassword.endsWith(u' '))
            newPassword.chop(1);
        if (newPassword != kEmptyPasswordMarker)
            result.newPassword = checked(newPassword);
        return result;
    }
    const qsizetype blank = rest.indexOf(u' ');
    if (blank < 0)
        refuse(QStringLiteral("не указан старый пароль"));
    result.newPassword = checked(rest.left(blank));
    result.oldPassword = checked(rest.mid(blank + 1));
    return result;
}

}  // namespace qb
