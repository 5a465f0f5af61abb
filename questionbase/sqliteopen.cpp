// Opening a base file and making a new one.

#include "questionbase/columns.h"
#include "questionbase/questioncount.h"
#include "questionbase/sqlitefile.h"
#include "questionbase/sqlitestore.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iterator>

namespace qb {

namespace {

// A column of the schema as the CREATE TABLE text states it.
struct SchemaColumn {
    enum Kind { Id, Text, Integer };
    QString name;
    Kind kind;
    bool required = false;
    int size = 0;  // Text: the most UTF-16 code units it holds
};

// One line a column, the names padded to one width: the text every new base has stored. A Text
// size is the constraint `length("name") <= size`, the form SqliteStore::columns() reads back as
// the column's limit.
QString createTable(const QString& table, const QList<SchemaColumn>& columns) {
    qsizetype width = 0;
    for (const SchemaColumn& column : columns)
        width = std::max(width, sqlite::quoted(column.name).size());
    QStringList lines;
    for (const SchemaColumn& column : columns) {
        const QString name = sqlite::quoted(column.name);
        QString line = QStringLiteral("  ") + name.leftJustified(width + 1);
        switch (column.kind) {
            case SchemaColumn::Id:
                line += QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
                break;
            case SchemaColumn::Text:
                line += QStringLiteral("TEXT ") +
                        (column.required ? QStringLiteral("NOT NULL ") : QString()) +
                        QStringLiteral("CHECK (length(%1) <= %2)").arg(name).arg(column.size);
                break;
            case SchemaColumn::Integer:
                // 32 bits, the integer every reader of the file expects.
                line += QStringLiteral("INTEGER ") +
                        (column.required ? QStringLiteral("NOT NULL ") : QString()) +
                        QStringLiteral("CHECK (%1 BETWEEN -2147483648 AND 2147483647)").arg(name);
                break;
        }
        lines << line;
    }
    return QStringLiteral("CREATE TABLE %1 (\n%2);\n")
        .arg(table, lines.join(QStringLiteral(",\n")));
}

// The schema of a new base, from the column table; the required texts are the ones a new
// question fills in.
QString schema() {
    using namespace columns;
    const auto required = [](const QString& name) {
        return std::find(std::begin(kNewQuestionRequired), std::end(kNewQuestionRequired), name) !=
               std::end(kNewQuestionRequired);
    };
    QList<SchemaColumn> questions = {
        {kNumber, SchemaColumn::Id},
        {kQuestion, SchemaColumn::Text, required(kQuestion), kQuestionSize},
    };
    for (int i = 0; i < kOptionCount; ++i)
        questions.append({option(i), SchemaColumn::Text, required(option(i)), kOptionSize});
    questions.append({kPicture, SchemaColumn::Text, required(kPicture), kPictureSize});
    questions.append({kCorrect, SchemaColumn::Integer, true});
    const QList<SchemaColumn> settings = {
        {kSettingsId, SchemaColumn::Id},
        {kDescription, SchemaColumn::Text, false, kDescriptionSize},
        {kTime, SchemaColumn::Integer, false},
        {kTimeTarget, SchemaColumn::Text, false, kTimeTargetSize},
    };
    return u'\n' + createTable(kQuestionsTable, questions) + createTable(kSettingsTable, settings) +
           questioncount::schema() + QStringLiteral("PRAGMA user_version = 1;\n");
}

}  // namespace

namespace sqlitefile {

QString siblingName(const QString& path, const char* purpose) {
    return path + QStringLiteral(".%1-%2")
                      .arg(QLatin1String(purpose))
                      .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

void removeWithJournal(const QString& path) {
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

}  // namespace sqlitefile

sqlite::Database SqliteStore::connect(const QString& path, Key key, const QString& password,
                                      Hold hold) {
    sqlite::Database db = sqlite::Database::open(path, false);
    if (key != Key::None) {
        db.key(sqlitefile::keyFor(key, password));
        sqlitefile::applyCipherSettings(db);
    }
    if (hold == Hold::Exclusive) {
        // The hold lasts until the connection closes: commits and re-keys keep it, and any
        // other process gets "busy" at once.
        db.exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE; PRAGMA journal_size_limit = 0;"));
        db.exec(QStringLiteral("BEGIN EXCLUSIVE"));
        db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        db.exec(QStringLiteral("COMMIT"));
    } else {
        db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    }
    return db;
}

std::unique_ptr<SqliteStore> SqliteStore::open(const QString& path, bool encrypted,
                                               const std::optional<QString>& password, Hold hold) {
    const auto opened = [&](sqlite::Database db, Key key, const QString& normalized) {
        // Nothing is written here: a file is not known to be a base until its reader has
        // checked its tables, and a refused file must stay as it was, to the byte.
        return std::unique_ptr<SqliteStore>(
            new SqliteStore(path, std::move(db), key, normalized, hold));
    };
    if (!encrypted)
        return opened(connect(path, Key::None, {}, hold), Key::None, {});
    try {
        return opened(connect(path, Key::BuiltIn, {}, hold), Key::BuiltIn, {});
    } catch (const Error& error) {
        if (error.reason() != Reason::NotABase)
            throw;
    }
    if (!password || password->isEmpty() || *password == QStringLiteral("_="))
        fail(Reason::Authentication, QStringLiteral("Неверный пароль базы"));
    try {
        return opened(connect(path, Key::Password, *password, hold), Key::Password,
                      password->normalized(QString::NormalizationForm_C));
    } catch (const Error& error) {
        if (error.reason() == Reason::NotABase)
            fail(Reason::Authentication, QStringLiteral("Неверный пароль базы"));
        throw;
    }
}

void moveIntoPlace(const QString& from, const QString& to) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return;
    }
    const int error = errno;
    if (error == EEXIST)
        fail(Reason::Io, QStringLiteral("Такой файл уже существует"));
    // File systems without hard links (FAT on a memory stick): no atomic "create if absent".
    if (QFileInfo::exists(to) || std::rename(source.constData(), target.constData()) != 0)
        fail(Reason::Io, QStringLiteral("Не удалось создать файл базы"));
}

void SqliteStore::createBase(const QString& path) {
    if (path.isEmpty())
        fail(Reason::Missing, QStringLiteral("Не указан файл базы"));
    if (QFileInfo::exists(path))
        fail(Reason::Io, QStringLiteral("Такой файл уже существует"));
    const QString building = sqlitefile::siblingName(path, "new");
    try {
        sqlite::Database db = sqlite::Database::open(building, true);
        db.key(builtInKey());
        sqlitefile::applyCipherSettings(db);
        db.exec(QStringLiteral("BEGIN"));
        db.exec(schema());
        db.exec(QStringLiteral("COMMIT"));
        db.close();
        moveIntoPlace(building, path);
    } catch (...) {
        sqlitefile::removeWithJournal(building);
        throw;
    }
}

}  // namespace qb
