#pragma once

#include "questionbase/store.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace qb {

class Recordset;

inline constexpr int kStateClosed = 0;
inline constexpr int kStateOpen = 1;
// The editor's mode: it is the only user of the file while the connection is open.
inline constexpr int kModeShareExclusive = 12;

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setMode(int mode) { mode_ = mode; }
    int mode() const { return mode_; }

    // Opens the base named by the connection string. Throws Error: code kAuthenticationFailed
    // for a wrong password, kGeneralFailure for anything else.
    void open(const QString& connectionString);
    // The same for a path and a password as they are, the empty-password marker for none.
    void open(const QString& path, const QString& password);
    int state() const { return store_ ? kStateOpen : kStateClosed; }
    bool isOpen() const { return store_ != nullptr; }
    // Closes the recordsets opened on this connection too.
    void close();

    // Runs a password statement ("ALTER Database Password <new> <old>").
    void execute(const QString& statement);
    // Sets, changes or removes the password. Throws Error (general failure) for a password the
    // data layer does not accept, an old password that is not the one in force, or a failed
    // re-key, which leaves the base under its old key.
    void changePassword(const PasswordStatement& statement);

    const QString& path() const { return path_; }
    // The base is an old Jet file: it can be read, never written.
    bool isLegacyJet() const;
    Store& store();  // throws when closed

private:
    friend class Recordset;
    void openFile(const QString& path, const std::optional<QString>& password);
    void attach(Recordset* recordset);
    void detach(Recordset* recordset);

    int mode_ = 0;
    QString path_;
    std::unique_ptr<Store> store_;
    std::vector<Recordset*> recordsets_;
};

}  // namespace qb
