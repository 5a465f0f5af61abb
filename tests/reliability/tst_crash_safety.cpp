// Kills the editor's save path at random points and checks that every kill leaves a base that
// opens with the old or the new password, passes SQLite's own check, and holds every question
// whose save had returned.

#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/questioncount.h"
#include "questionbase/recordset.h"
#include "questionbase/sqlitestore.h"
#include "tests/reliability/savestream.h"
#include "tests/support/tempbase.h"

#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <optional>

namespace {

using Row = QStringList;  // kSavedColumns, as storedText()

// What the parent knows after reading the child's lines up to the kill.
struct Journal {
    QString password;                    // last password whose statement returned
    std::optional<QString> keyInFlight;  // a statement that started and did not return
    QMap<qint64, qint64> saved;          // row -> save number, for saves that returned
    std::optional<std::pair<qint64, qint64>> updateInFlight;  // row, save number
    std::optional<qint64> addInFlight;                        // save number
    QString phase = QStringLiteral("opening");
    bool failed = false;
    QString failure;
};

QString fromShown(const QString& word) {
    return word == QLatin1String("-") ? qb::kEmptyPasswordMarker : word;
}

void follow(Journal& journal, const QString& line) {
    const QStringList w = line.split(u' ');
    const QString& kind = w.front();
    if (kind == QLatin1String("READY")) {
        journal.phase = QStringLiteral("between steps");
    } else if (kind == QLatin1String("TRY-KEY")) {
        journal.keyInFlight = fromShown(w.at(1));
        journal.phase = QStringLiteral("password change");
    } else if (kind == QLatin1String("KEYED")) {
        journal.password = fromShown(w.at(1));
        journal.keyInFlight.reset();
        journal.phase = QStringLiteral("between steps");
    } else if (kind == QLatin1String("TRY-UPDATE")) {
        journal.updateInFlight = std::make_pair(w.at(1).toLongLong(), w.at(2).toLongLong());
        journal.phase = QStringLiteral("save");
    } else if (kind == QLatin1String("SAVED")) {
        journal.saved[w.at(1).toLongLong()] = w.at(2).toLongLong();
        journal.updateInFlight.reset();
        journal.phase = QStringLiteral("between steps");
    } else if (kind == QLatin1String("TRY-ADD")) {
        journal.addInFlight = w.at(1).toLongLong();
        journal.phase = QStringLiteral("new question");
    } else if (kind == QLatin1String("ADDED")) {
        journal.saved[w.at(1).toLongLong()] = w.at(2).toLongLong();
        journal.addInFlight.reset();
        journal.phase = QStringLiteral("between steps");
    } else {
        journal.failed = true;
        journal.failure = line;
    }
}

QMap<qint64, Row> readRows(qb::Connection& connection) {
    qb::Recordset rows;
    rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
    QMap<qint64, Row> result;
    if (rows.recordCount() == 0)
        return result;
    for (rows.moveFirst(); !rows.eof(); rows.moveNext()) {
        Row row;
        for (const QString& column : reliability::kSavedColumns)
            row << reliability::storedText(rows.field(column).value());
        result.insert(rows.currentId(), row);
    }
    return result;
}

Row rowFor(qint64 n) {
    Row row;
    for (const QString& value : reliability::questionFor(n))
        row << value;
    return row;
}

}  // namespace

class CrashSafety : public QObject {
    Q_OBJECT

private slots:
    void killedSavesAndPasswordChangesLoseNothing();
    void killedCreationsAndCountRebuildsLeaveBasesThatOpen();
};

void CrashSafety::killedSavesAndPasswordChangesLoseNothing() {
    constexpr int kKills = 100;
    testsupport::TempFolder folder;
    const QString path = testsupport::makeBase(folder, QStringLiteral("база для сбоев.mdb"), 12);

    QMap<qint64, Row> expected;
    {
        qb::Connection connection;
        connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        expected = readRows(connection);
    }
    QString password = qb::kEmptyPasswordMarker;
    qint64 nextSave = 1;
    int survived = 0;
    int savesReturned = 0;
    int keysReturned = 0;
    QMap<QString, int> killedDuring;
    QStringList faults;
    QElapsedTimer total;
    total.start();
    auto* random = QRandomGenerator::global();

    for (int kill = 0; kill < kKills; ++kill) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QStringLiteral(SAVE_DRIVER),
                    {path, password, QString::number(nextSave), QString::number(random->generate()),
                     QStringLiteral("2")});
        QVERIFY2(child.waitForStarted(5000), qPrintable(child.errorString()));
        // Delays from 0 to 900 ms land in the opening (with its journal recovery), in saves,
        // in re-keys and in the pauses between them.
        QThread::msleep(random->bounded(900));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(5000));

        Journal journal;
        journal.password = password;
        const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
        for (const QByteArray& line : lines) {
            if (!line.isEmpty())
                follow(journal, QString::fromUtf8(line));
        }
        QVERIFY2(!journal.failed, qPrintable(journal.failure));
        ++killedDuring[journal.phase];
        for (const auto& [row, n] : journal.saved.asKeyValueRange()) {
            expected[row] = rowFor(n);
            nextSave = std::max(nextSave, n + 1);
        }
        if (journal.updateInFlight)
            nextSave = std::max(nextSave, journal.updateInFlight->second + 1);
        if (journal.addInFlight)
            nextSave = std::max(nextSave, *journal.addInFlight + 1);
        savesReturned += journal.saved.size();
        keysReturned += static_cast<int>(std::count_if(
            lines.begin(), lines.end(), [](const QByteArray& l) { return l.startsWith("KEYED"); }));

        // Old or new password, never neither.
        QStringList candidates = {journal.password};
        if (journal.keyInFlight)
            candidates << *journal.keyInFlight;
        qb::Connection connection;
        connection.setMode(qb::kModeShareExclusive);
        QString opensWith;
        QString openFailure;
        for (const QString& candidate : candidates) {
            try {
                connection.open(qb::connectionStringFor(path, candidate));
                opensWith = candidate;
                break;
            } catch (const qb::Error& error) {
                openFailure = error.text();
            }
        }
        const QString where = QStringLiteral("kill %1 (during %2): ").arg(kill).arg(journal.phase);
        if (!connection.isOpen()) {
            faults << where + QStringLiteral("opens with neither %1 (%2)")
                                  .arg(candidates.join(QStringLiteral(" nor ")), openFailure);
            break;
        }
        // Every base without a password opens with any password sent: only a key actually in
        // force counts, so ask which one the store used.
        auto& store = dynamic_cast<qb::SqliteStore&>(connection.store());
        password =
            store.key() == qb::SqliteStore::Key::Password ? opensWith : qb::kEmptyPasswordMarker;
        const QString check =
            store.database().scalar(QStringLiteral("PRAGMA quick_check")).toString();
        if (check != QLatin1String("ok")) {
            faults << where + QStringLiteral("quick_check: ") + check;
            break;
        }

        const QMap<qint64, Row> actual = readRows(connection);
        bool complete = true;
        for (const auto& [row, values] : expected.asKeyValueRange()) {
            const bool inFlight = journal.updateInFlight && journal.updateInFlight->first == row &&
                                  actual.value(row) == rowFor(journal.updateInFlight->second);
            if (actual.value(row) != values && !inFlight) {
                faults << where + QStringLiteral("row %1 holds %2, expected %3")
                                      .arg(row)
                                      .arg(actual.value(row).join(u'|'), values.join(u'|'));
                complete = false;
            }
        }
        for (const auto& [row, values] : actual.asKeyValueRange()) {
            if (expected.contains(row))
                continue;
            if (!journal.addInFlight || values != rowFor(*journal.addInFlight)) {
                faults
                    << where +
                           QStringLiteral("unexpected row %1: %2").arg(row).arg(values.join(u'|'));
                complete = false;
            }
        }
        if (!complete)
            break;
        // The interrupted step either took effect completely or not at all; what the base now
        // holds is the truth the next round starts from.
        expected = actual;
        ++survived;
    }

    qInfo().noquote() << QStringLiteral("crash safety: %1 of %2").arg(survived).arg(kKills);
    QStringList phases;
    for (const auto& [phase, count] : killedDuring.asKeyValueRange())
        phases << QStringLiteral("%1 %2").arg(count).arg(phase);
    qInfo().noquote() << QStringLiteral(
                             "killed during: %1; saves returned: %2, password changes "
                             "returned: %3, rows now: %4; %5 s")
                             .arg(phases.join(QStringLiteral(", ")))
                             .arg(savesReturned)
                             .arg(keysReturned)
                             .arg(expected.size())
                             .arg(total.elapsed() / 1000.0, 0, 'f', 1);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    QCOMPARE(survived, kKills);
}

// A kill while a base is being made leaves either no base or a whole one, count included; a kill
// while the editor's opening gives a base back its count leaves the base with its rows and
// either the rebuilt count or none, never a wrong one.
void CrashSafety::killedCreationsAndCountRebuildsLeaveBasesThatOpen() {
    constexpr int kKills = 40;
    testsupport::TempFolder folder;
    const QString base = testsupport::makeBase(folder, QStringLiteral("base.mdb"), 0);
    {
        // Enough rows that counting them takes a while.
        qb::sqlite::Database db = testsupport::openRaw(base);
        db.exec(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
            "INSERT INTO test (\"вопрос\", \"ответ1\", \"ответ2\", \"верный\") "
            "SELECT 'Вопрос ' || i, 'а', 'б', 1 + i % 5 FROM n"));
    }
    const QString created = folder.path(QStringLiteral("new.mdb"));
    QMap<QString, int> killedDuring;
    QStringList faults;
    auto* random = QRandomGenerator::global();

    for (int kill = 0; kill < kKills && faults.isEmpty(); ++kill) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QStringLiteral(COUNT_DRIVER),
                    {folder.folder(), QString::number(random->generate())});
        QVERIFY2(child.waitForStarted(5000), qPrintable(child.errorString()));
        QThread::msleep(random->bounded(20, 200));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(5000));
        const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
        QString last = QStringLiteral("starting");
        for (const QByteArray& line : lines) {
            if (line.startsWith("FAILED"))
                faults << QString::fromUtf8(line);
            else if (!line.isEmpty())
                last = QString::fromUtf8(line.split(' ').front());
        }
        ++killedDuring[last];
        const QString where = QStringLiteral("kill %1 (after %2): ").arg(kill).arg(last);

        try {
            if (QFile::exists(created)) {
                qb::Connection connection;
                connection.setMode(qb::kModeShareExclusive);
                connection.open(qb::connectionStringFor(created, qb::kEmptyPasswordMarker));
                qb::sqlite::Database& db =
                    dynamic_cast<qb::SqliteStore&>(connection.store()).database();
                if (qb::questioncount::kept(db) != 0)
                    faults << where + QStringLiteral("the new base has no count of 0");
            }
            qint64 rows = -1;
            {
                qb::sqlite::Database db = testsupport::openRaw(base);
                if (db.scalar(QStringLiteral("PRAGMA quick_check")).toString() !=
                    QLatin1String("ok"))
                    faults << where + QStringLiteral("quick_check failed");
                rows = db.scalar(QStringLiteral("SELECT count(*) FROM test")).toLongLong();
                const std::optional<qint64> kept = qb::questioncount::kept(db);
                if (kept && *kept != rows)
                    faults << where + QStringLiteral("kept %1 of %2 rows").arg(*kept).arg(rows);
            }
            qb::Connection connection;
            connection.setMode(qb::kModeShareExclusive);
            connection.open(qb::connectionStringFor(base, qb::kEmptyPasswordMarker));
            qb::Recordset questions;
            questions.openOn(connection, QStringLiteral("SELECT * FROM test"));
            if (questions.recordCount() != rows)
                faults << where + QStringLiteral("opened with %1 of %2 rows")
                                      .arg(questions.recordCount())
                                      .arg(rows);
        } catch (const qb::Error& error) {
            faults << where + error.text();
        }
    }
    QStringList phases;
    for (const auto& [phase, count] : killedDuring.asKeyValueRange())
        phases << QStringLiteral("%1 after %2").arg(count).arg(phase);
    qInfo().noquote() << QStringLiteral("killed: ") + phases.join(QStringLiteral(", "));
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
}

QTEST_GUILESS_MAIN(CrashSafety)
#include "tst_crash_safety.moc"
