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

// The change from the two texts a window holds, the marker standing for "none": the marker as
// the new password removes `oldPassword`, the marker as the old one sets `newPassword` on a base
// without one. Accepts and refuses exactly what the statement "ALTER Database Password <new>_="
// (setting), "ALTER Database Password_=<old>" (removing) or "… <new> <old>" (changing) does:
// one blank at the end of a new password being set, or at the start of an old one being
// removed, is the statement's optional blank beside the marker and is dropped.
PasswordStatement passwordChange(const QString& newPassword, const QString& oldPassword);

}  // namespace qb
