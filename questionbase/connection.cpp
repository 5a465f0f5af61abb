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
    const auto hold =
        mode_ == kModeShareExclusive ? SqliteStore::Hold::Exclusive : SqliteStore::Hold::Shared;
    switch (classifyFile(parsed.dataSource)) {
        case FileKind::Missing:
            fail(Reason::Missing, QStringLiteral("Файл не найден: ") + parsed.dataSource);
        case FileKind::NotABase:
            fail(Reason::NotABase, QStringLiteral("Файл не является базой вопросов"));
        case FileKind::Jet:
            // Read into memory and released at once: a Jet base is only ever read, so there
            // is no hold to keep.
            store_ = JetStore::open(parsed.dataSource, parsed.password);
            break;
        case FileKind::PlainSqlite:
            store_ = SqliteStore::open(parsed.dataSource, false, parsed.password, hold);
            break;
        case FileKind::Encrypted:
            store_ = SqliteStore::open(parsed.dataSource, true, parsed.password, hold);
            break;
    }
    path_ = parsed.dataSource;
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
    store().changePassword(parsePasswordStatement(statement));
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
