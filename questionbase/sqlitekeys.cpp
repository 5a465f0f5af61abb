// The keys of a base: the built-in key and a password's, re-keying in place, and giving a plain
// base its password.

#include "questionbase/sqlitefile.h"
#include "questionbase/sqlitestore.h"

#include <QFile>
#include <QMap>

#include <cstdio>
#include <utility>

namespace qb {

namespace {

// It belongs to the file format and is no secret: it keeps bases without a password opaque.
const char kBuiltInKey[] = "x'94620bb22e1cdd9517897216a164baf79570e3c2a0fa9bd7a5344fe3dec858ab'";

bool quickCheckPasses(sqlite::Database& db) {
    return db.scalar(QStringLiteral("PRAGMA quick_check")).toString() == QLatin1String("ok");
}

// Every table's number of rows, by name.
QMap<QString, qint64> rowCounts(sqlite::Database& db) {
    QStringList tables;
    {
        sqlite::Statement names(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = "
                                                   "'table' AND name NOT LIKE 'sqlite\\_%' "
                                                   "ESCAPE '\\'"));
        while (names.step())
            tables << names.value(0).toString();
    }
    QMap<QString, qint64> counts;
    for (const QString& table : tables) {
        counts.insert(
            table, db.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(sqlite::quoted(table)))
                       .toLongLong());
    }
    return counts;
}

// A reader of the file beside the connection that holds it, knowing only this key.
sqlite::Database keyedReader(const QString& path, SqliteStore::Key key, const QString& password) {
    sqlite::Database reader = sqlite::Database::openUnlockedReader(path);
    if (key != SqliteStore::Key::None) {
        reader.key(sqlitefile::keyFor(key, password));
        sqlitefile::applyCipherSettings(reader);
    }
    return reader;
}

}  // namespace

namespace sqlitefile {

void applyCipherSettings(sqlite::Database& db) {
    db.exec(
        QStringLiteral("PRAGMA cipher_page_size = 1024; PRAGMA kdf_iter = 64000; "
                       "PRAGMA cipher_use_hmac = ON;"));
}

QByteArray keyFor(SqliteStore::Key key, const QString& password) {
    return key == SqliteStore::Key::BuiltIn ? builtInKey() : passwordKey(password);
}

}  // namespace sqlitefile

QByteArray builtInKey() {
    return QByteArray(kBuiltInKey);
}

QByteArray passwordKey(const QString& password) {
    return password.normalized(QString::NormalizationForm_C).toUtf8();
}

template <typename Change>
void SqliteStore::outsideHold(Change&& change) {
    // A re-key and the swap of a plain base for its encrypted copy need the connection without
    // a statement in progress, so the hold lapses while they run (tests and tools change
    // passwords through a shared connection; the exporter never does). A failed re-take is
    // not the change's failure: the next read takes the hold or reports the base in use.
    const auto retake = [this] {
        try {
            takeHold();
        } catch (const Error&) {
        }
    };
    holding_.reset();
    try {
        change();
    } catch (...) {
        retake();
        throw;
    }
    retake();
}

void SqliteStore::changePassword(const PasswordStatement& statement) {
    forgetReadAhead();
    const bool holdsPassword = key_ == Key::Password;
    if (statement.oldPassword.has_value() != holdsPassword ||
        (holdsPassword && passwordKey(*statement.oldPassword) != passwordKey(password_)))
        fail(Reason::Refused, QStringLiteral("Старый пароль указан неверно"));
    requireSameFile();

    outsideHold([&] {
        if (!statement.newPassword) {
            if (holdsPassword)
                rekeyTo(Key::BuiltIn, {});
        } else if (key_ == Key::None) {
            encryptPlainBase(*statement.newPassword);
        } else {
            rekeyTo(Key::Password, *statement.newPassword);
        }
    });
}

bool SqliteStore::fileOpensWith(const QString& path, Key key, const QString& password) {
    try {
        sqlite::Database reader = keyedReader(path, key, password);
        return quickCheckPasses(reader);
    } catch (const Error&) {
        return false;
    }
}

void SqliteStore::reopen(Key other, const QString& otherPassword) {
    statements_.clear();
    db_.close();
    // The key this store had first: a change that failed left the file with it.
    const std::pair<Key, QString> keys[] = {{key_, password_}, {other, otherPassword}};
    std::optional<Error> failure;
    for (const auto& [key, password] : keys) {
        try {
            sqlite::Database db = connect(path_, key, password, hold_);
            if (!quickCheckPasses(db))
                fail(Reason::Damaged, QStringLiteral("Проверка базы не прошла"));
            db_ = std::move(db);
            rememberFile();
            key_ = key;
            password_ = key == Key::Password ? password.normalized(QString::NormalizationForm_C)
                                             : QString();
            return;
        } catch (const Error& error) {
            failure = error;
        }
    }
    throw *failure;
}

void SqliteStore::rekeyTo(Key key, const QString& password) {
    statements_.clear();
    std::optional<Error> failure;
    try {
        db_.rekey(sqlitefile::keyFor(key, password));
    } catch (const Error& error) {
        failure = error;
    }
    // sqlite3_rekey reports success after a write it could not make (a full disk), and the
    // connection then reads with one key and writes with the other: only a reader that knows
    // nothing but the new key can tell what the file holds.
    if (!failure && fileOpensWith(path_, key, password)) {
        key_ = key;
        password_ =
            key == Key::Password ? password.normalized(QString::NormalizationForm_C) : QString();
        return;
    }
    // Whatever the connection believes now, start again from the file with the key it has.
    // The hold lapses between the close and the reopening (well under a millisecond).
    const QString wanted =
        key == Key::Password ? password.normalized(QString::NormalizationForm_C) : QString();
    reopen(key, password);
    if (key_ == key && password_ == wanted)
        return;  // the change reached the file after all
    throw Error(Reason::Io, failure ? failure->text()
                                    : QStringLiteral("Не удалось записать базу с новым ключом"));
}

void SqliteStore::encryptPlainBase(const QString& password) {
    const QString encrypted = sqlitefile::siblingName(path_, "key");
    statements_.clear();
    try {
        // The connection was opened without the right to create files; an empty file is a
        // valid new database for the attachment.
        QFile created(encrypted);
        if (!created.open(QIODevice::NewOnly))
            fail(Reason::Io, QStringLiteral("Не удалось создать временный файл"));
        created.close();
        {
            sqlite::Statement attach(db_, QStringLiteral("ATTACH DATABASE ? AS encrypted KEY ?"));
            attach.bind(1, encrypted);
            attach.bind(2, QString::fromUtf8(passwordKey(password)));
            attach.step();
        }
        db_.exec(
            QStringLiteral("PRAGMA encrypted.cipher_page_size = 1024; "
                           "PRAGMA encrypted.kdf_iter = 64000;"));
        db_.scalar(QStringLiteral("SELECT sqlcipher_export('encrypted')"));
        db_.exec(QStringLiteral("DETACH DATABASE encrypted"));
        // The copy takes the base's place only once a reader that knows nothing but the new
        // key finds it whole, with every row of every table: an export cut short by a full
        // disk must never replace the base.
        const auto wholeCopy = [&] {
            if (!fileOpensWith(encrypted, Key::Password, password))
                return false;
            sqlite::Database copy = keyedReader(encrypted, Key::Password, password);
            return rowCounts(copy) == rowCounts(db_);
        };
        if (!wholeCopy())
            fail(Reason::Io, QStringLiteral("Не удалось записать базу с паролем"));
    } catch (const Error& error) {
        sqlitefile::removeWithJournal(encrypted);
        // A failed export can leave this connection inside its transaction with the copy still
        // attached: start again from the file, which the export never wrote.
        reopen(Key::None, {});
        throw Error(error.reason() == Reason::Refused ? Reason::Io : error.reason(), error.text());
    }
    // The rename needs our own connection closed, so the hold lapses for the instant between
    // the close and the reopening below (well under a millisecond).
    db_.close();
    const bool replaced = std::rename(QFile::encodeName(encrypted).constData(),
                                      QFile::encodeName(path_).constData()) == 0;
    if (!replaced)
        sqlitefile::removeWithJournal(encrypted);
    const Key key = replaced ? Key::Password : Key::None;
    db_ = connect(path_, key, password, hold_);
    rememberFile();
    if (!replaced)
        fail(Reason::Io, QStringLiteral("Не удалось заменить файл базы"));
    key_ = Key::Password;
    password_ = password.normalized(QString::NormalizationForm_C);
}

}  // namespace qb
