#pragma once

#include <QString>

namespace qb {

// Copies a Jet base into a new base of our format at `newPath`: every table our format has,
// every row in order with its AutoNumber kept, and the Jet password (if any) as the new
// base's password. `password` is what the user gave for the Jet base; a wrong one fails with
// the authentication code. An existing file at `newPath` is never replaced, the Jet file is
// only read, and on any failure no new file is left behind.
//
// Fails (general failure) without converting when the Jet password is one our format cannot
// hold: the copy would otherwise end up without protection.
void convertJetBase(const QString& jetPath, const QString& password, const QString& newPath);

}  // namespace qb
