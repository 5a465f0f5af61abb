#pragma once

#include <QString>

#include <optional>

namespace qb {

inline constexpr int kMaxPasswordLength = 20;

// "ALTER Database Password <new> <old>", where the empty-password marker stands for "none" on
// either side and needs no blank before or after it. std::nullopt means "no password".
struct PasswordStatement {
    std::optional<QString> newPassword;
    std::optional<QString> oldPassword;
};

// A password the data layer stores: 1 to 20 characters, no blank, no ';', no NUL, not "_=".
bool isAcceptablePassword(const QString& password);

// Throws Error (general failure) when the text is not a password statement or names a password
// the data layer does not accept.
PasswordStatement parsePasswordStatement(const QString& statement);

}  // namespace qb
