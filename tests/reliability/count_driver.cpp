// Child process of the crash-safety test for the kept question count: in a loop it makes a new
// base, takes the count away from an existing base while changing its rows (as a program that
// knows nothing of it would leave the base), and opens that base for exclusive use and walks
// its ids, as the editor does after opening, which gives it the count again. Each line is
// flushed before the step it names starts.
//
// usage: count_driver FOLDER SEED
//   "TRY-CREATE" / "CREATED"    FOLDER/new.mdb made anew
//   "TRY-STRIP"  / "STRIPPED"   FOLDER/base.mdb loses its count, one row and gains two
//   "TRY-COUNT"  / "COUNTED n"  FOLDER/base.mdb opened and walked as the editor does

#include "questionbase/catalog.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"
#include "questionbase/sqlitestore.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <random>

namespace {

void say(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FOLDER SEED\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QString created = folder.filePath(QStringLiteral("new.mdb"));
    const QString base = folder.filePath(QStringLiteral("base.mdb"));
    std::mt19937_64 random(std::strtoull(argv[2], nullptr, 10));

    try {
        for (;;) {
            say(QStringLiteral("TRY-CREATE"));
            QFile::remove(created);
            qb::Catalog::create(qb::creationStringFor(created));
            say(QStringLiteral("CREATED"));

            say(QStringLiteral("TRY-STRIP"));
            {
                qb::sqlite::Database db = qb::sqlite::Database::open(base, false);
                db.key(qb::builtInKey());
                db.exec(QStringLiteral(
                    "BEGIN; DROP TRIGGER IF EXISTS test_count_insert_before; DROP TRIGGER IF "
                    "EXISTS test_count_insert;"
                    "DROP TRIGGER IF EXISTS test_count_renumber_before; DROP TRIGGER IF EXISTS "
                    "test_count_renumber;"
                    "DROP TRIGGER IF EXISTS test_count_delete; DROP TABLE IF EXISTS test_count;"));
                db.exec(QStringLiteral("DELETE FROM test WHERE rowid = (SELECT rowid FROM test "
                                       "LIMIT 1 OFFSET %1 % (SELECT count(*) FROM test))")
                            .arg(random() % 1000));
                db.exec(QStringLiteral(
                    "INSERT INTO test (\"вопрос\", \"ответ1\", \"ответ2\", \"верный\") VALUES "
                    "('Добавлен', 'а', 'б', 1), ('Добавлен', 'в', 'г', 2); COMMIT"));
            }
            say(QStringLiteral("STRIPPED"));

            say(QStringLiteral("TRY-COUNT"));
            qb::Connection connection;
            connection.setMode(qb::kModeShareExclusive);
            connection.open(qb::connectionStringFor(base, qb::kEmptyPasswordMarker));
            qb::Recordset rows;
            rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
            say(QStringLiteral("COUNTED %1").arg(rows.positionCount()));
        }
    } catch (const qb::Error& error) {
        say(QStringLiteral("FAILED %1").arg(error.text()));
        return 1;
    }
}
