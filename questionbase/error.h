#pragma once

#include <QString>
#include <QtGlobal>

#include <exception>
#include <string>

namespace qb {

// The provider's codes. Handlers branch on them, so they keep the values the base's other
// readers report.
inline constexpr quint32 kAuthenticationFailed = 0x80040E4D;
inline constexpr quint32 kGeneralFailure = 0x80004005;
inline constexpr quint32 kItemNotFound = 0x800A0CC1;

// Finer than the code: what actually went wrong, for notes, logs and tests.
enum class Reason {
    Authentication,  // wrong password
    Missing,         // no file at the path
    NotABase,        // not a database of ours (or a foreign format we do not read)
    InUse,           // another program holds the file
    Damaged,         // the file is a base but its pages are corrupt
    Refused,         // a value, statement or operation the data layer does not accept
    NoSuchItem,      // no such table or column
    Io,              // the file system refused a write (disk full, read-only folder, file gone)
};

class Error : public std::exception {
public:
    Error(Reason reason, QString text);

    Reason reason() const { return reason_; }
    quint32 code() const;
    const QString& text() const { return text_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    Reason reason_;
    QString text_;
    std::string utf8_;
};

[[noreturn]] void fail(Reason reason, const QString& text);

}  // namespace qb
