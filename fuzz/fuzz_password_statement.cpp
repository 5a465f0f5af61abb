#include "fuzz/fuzzinput.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/passwordstatement.h"

#include <cstdlib>

namespace {

QString rebuilt(const qb::PasswordStatement& statement) {
    const QString prefix = QStringLiteral("ALTER Database Password");
    if (!statement.newPassword)
        return prefix + qb::kEmptyPasswordMarker +
               statement.oldPassword.value_or(qb::kEmptyPasswordMarker);
    if (!statement.oldPassword)
        return prefix + u' ' + *statement.newPassword + qb::kEmptyPasswordMarker;
    return prefix + u' ' + *statement.newPassword + u' ' + *statement.oldPassword;
}

}  // namespace

// Whatever the statement, a password that reaches the key must be one the data layer accepts,
// and the statement the editor would send for it must parse back to the same pair.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input = fuzz::text(data, size);
    qb::PasswordStatement parsed;
    try {
        parsed = qb::parsePasswordStatement(input);
    } catch (const qb::Error& error) {
        if (error.code() != qb::kGeneralFailure || error.reason() != qb::Reason::Refused)
            std::abort();
        return 0;
    }
    for (const auto& password : {parsed.newPassword, parsed.oldPassword}) {
        if (password && !qb::isAcceptablePassword(*password))
            std::abort();
    }
    const qb::PasswordStatement again = qb::parsePasswordStatement(rebuilt(parsed));
    if (again.newPassword != parsed.newPassword || again.oldPassword != parsed.oldPassword)
        std::abort();
    return 0;
}
