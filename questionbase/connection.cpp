#include "questionbase/connection.h"

#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/fileclass.h"
#include "questionbase/jet/jetstore.h"
#include "questionbase/recordset.h"
#include "questionbase/sqlitestore.h"

#include <algorithm>

namespace qb {

Connection::Connection() = default;

Connection::~Connection() {
    close();
}

void Connection::open(const QString& connectionString) {
    if (isOpen())
        fail(Reason::Refused, QStringLiteral("Подключение уже открыто"));
    const ConnectionString parsed = parseConnectionString(connectionString);
    openFile(parsed.dataSource, parsed.password);
}

void Connection::open(const QString& path, const QString& password) {
    if (isOpen())
        fail(Reason::Refused, QStringLiteral("Подключение уже открыто"));
    if (path.isEmpty())
        fail(Reason::Missing, QStringLiteral("Не указан файл базы"));
    openFile(path, password);
}

void Connection::openFile(const QString& path, const std::optional<QString>& password) {
    const auto hold =
        mode_ == kModeShareExclusive ? SqliteStore::Hold::Exclusive : SqliteStore::Hold::Shared;
    switch (classifyFile(path)) {
        case FileKind::Missing:
            fail(Reason::Missing, QStringLiteral("Файл не найден: ") + path);
        case FileKind::NotABase:
            fail(Reason::NotABase, QStringLiteral("Файл не является базой вопросов"));
        case FileKind::Jet:
            // Read into memory and released at once: a Jet base is only ever read, so there
            // is no hold to keep.
            store_ = JetStore::open(path, password);
            break;
        case FileKind::PlainSqlite:
            store_ = SqliteStore::open(path, false, password, hold);
            break;
        case FileKind::Encrypted:
            store_ = SqliteStore::open(path, true, password, hold);
            break;
    }
    path_ = path;
}

void Connection::close() {
    // Closing a recordset detaches it, so walk a copy.
    const auto open = recordsets_;
    for (Recordset* recordset : open)
        recordset->close();
    recordsets_.clear();
    store_.reset();
}

void Connection::execute(const QString& statement) {
    store();  // a closed connection fails as closed, whatever the statement says
    changePassword(parsePasswordStatement(statement));
}

void Connection::changePassword(const PasswordStatement& statement) {
    Store& base = store();
    // The statement text cannot carry such a password; a typed statement must not either.
    for (const std::optional<QString>& password : {statement.newPassword, statement.oldPassword}) {
        if (password && !isAcceptablePassword(*password))
            fail(Reason::Refused, QStringLiteral("Недопустимый пароль"));
    }
    base.changePassword(statement);
}

bool Connection::isLegacyJet() const {
    return dynamic_cast<const JetStore*>(store_.get()) != nullptr;
}

Store& Connection::store() {
    if (!store_)
        fail(Reason::Refused, QStringLiteral("Подключение закрыто"));
    return *store_;
}

void Connection::attach(Recordset* recordset) {
    recordsets_.push_back(recordset);
}

void Connection::detach(Recordset* recordset) {
    recordsets_.erase(std::remove(recordsets_.begin(), recordsets_.end(), recordset),
                      recordsets_.end());
}

}  // namespace qb
