// Child process of the crash-safety test: opens a base for exclusive use, as the editor does,
// and saves questions and changes the password until it is killed. Every line it prints is
// flushed before the next step starts, so what the parent has read is exactly what returned.
//
// usage: save_driver BASE PASSWORD FIRST_SAVE_NUMBER SEED PAUSE_MS
//   "TRY-UPDATE id n" / "SAVED id n"   an existing row gets the values of save n
//   "TRY-ADD n"       / "ADDED id n"   a new row (addNew, then moveLast stores it)
//   "TRY-KEY new old" / "KEYED new"    a password statement ("-" for no password)

#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"
#include "tests/reliability/savestream.h"

#include <QThread>

#include <cstdio>
#include <random>

namespace {

void say(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString shown(const QString& password) {
    return password == qb::kEmptyPasswordMarker ? QStringLiteral("-") : password;
}

void writeQuestion(qb::Recordset& rows, qint64 n) {
    const QStringList values = reliability::questionFor(n);
    for (int i = 0; i < reliability::kSavedColumns.size(); ++i)
        rows.field(reliability::kSavedColumns.at(i)).setValue(values.at(i));
}

// The cycle: no password -> set -> change -> remove -> no password.
QString nextStatement(const QString& password, QString* next) {
    const QString prefix = QStringLiteral("ALTER Database Password");
    if (password == qb::kEmptyPasswordMarker) {
        *next = reliability::kFirstPassword;
        return prefix + u' ' + *next + qb::kEmptyPasswordMarker;
    }
    if (password == reliability::kFirstPassword) {
        *next = reliability::kSecondPassword;
        return prefix + u' ' + *next + u' ' + password;
    }
    *next = qb::kEmptyPasswordMarker;
    return prefix + qb::kEmptyPasswordMarker + password;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s BASE PASSWORD FIRST_SAVE_NUMBER SEED PAUSE_MS\n", argv[0]);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    QString password = QString::fromUtf8(argv[2]);
    qint64 n = std::atoll(argv[3]);
    std::mt19937_64 random(std::strtoull(argv[4], nullptr, 10));
    const int pauseMs = std::atoi(argv[5]);

    try {
        qb::Connection connection;
        connection.setMode(qb::kModeShareExclusive);
        connection.open(qb::connectionStringFor(path, password));
        qb::Recordset rows;
        rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
        say(QStringLiteral("READY"));
        for (;;) {
            const auto action = random() % 8;
            if (action == 0) {
                QString next;
                const QString statement = nextStatement(password, &next);
                say(QStringLiteral("TRY-KEY %1 %2").arg(shown(next), shown(password)));
                connection.execute(statement);
                password = next;
                say(QStringLiteral("KEYED %1").arg(shown(password)));
            } else if (action < 3 || rows.recordCount() == 0) {
                say(QStringLiteral("TRY-ADD %1").arg(n));
                rows.addNew();
                writeQuestion(rows, n);
                rows.moveLast();
                say(QStringLiteral("ADDED %1 %2").arg(rows.currentId()).arg(n));
                ++n;
            } else {
                rows.moveFirst();
                for (auto steps = random() % rows.recordCount(); steps > 0; --steps)
                    rows.moveNext();
                const qint64 id = rows.currentId();
                say(QStringLiteral("TRY-UPDATE %1 %2").arg(id).arg(n));
                writeQuestion(rows, n);
                rows.update();
                say(QStringLiteral("SAVED %1 %2").arg(id).arg(n));
                ++n;
            }
            if (pauseMs > 0)
                QThread::msleep(static_cast<unsigned long>(random() % (2 * pauseMs + 1)));
        }
    } catch (const qb::Error& error) {
        say(QStringLiteral("FAILED %1 %2").arg(static_cast<int>(error.reason())).arg(error.text()));
        return 1;
    }
}
