#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace qb::jet {

// The first page of a Jet 4.0 file holds the bytes this module reads.
inline constexpr qsizetype kJetHeaderSize = 0x98;
inline constexpr int kJetVersionOffset = 0x14;
inline constexpr char kJet4Version = 1;

// The database password as Jet stores it in the file header: empty for a base without one.
// Returns std::nullopt when the header is too short or its creation date cannot be the
// source of the scrambling mask, i.e. when the header is not a Jet 4.0 header.
//
// Jet hides the header (0x18 to 0x97) under RC4 with a fixed key, and the password within it
// under a mask taken from the creation date. Neither is a secret; the password only gates
// opening and encrypts nothing.
std::optional<QString> decodeJet4Password(QByteArrayView header);

// The inverse, for building test headers: scrambles `password` (at most 20 UTF-16 units) into
// a copy of `header` with the given creation date.
QByteArray encodeJet4Password(QByteArrayView header, const QString& password, double created);

}  // namespace qb::jet
