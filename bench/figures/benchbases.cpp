#include "bench/figures/benchbases.h"

#include "questionbase/columns.h"
#include "questionbase/connectionstring.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>

#include <cstdio>
#include <stdexcept>

namespace benchbases {

OpenBase::OpenBase(const QString& path) {
    connection.open(path, qb::kEmptyPasswordMarker);
    questions.openOn(connection, qb::columns::kQuestionsQuery);
}

QString password() {
    const QString fromRunner = qEnvironmentVariable("QBBENCH_PASSWORD");
    return fromRunner.isEmpty() ? QStringLiteral("bench2024") : fromRunner;
}

QString baseFolder() {
    const QString folder = qEnvironmentVariable("QBBENCH_BASES");
    if (folder.isEmpty())
        throw std::runtime_error("QBBENCH_BASES names no folder of generated bases");
    return folder;
}

QString basePath(int questions, bool withPassword) {
    return QDir(baseFolder())
        .filePath(QStringLiteral("%1-%2/base.mdb")
                      .arg(withPassword ? QStringLiteral("password") : QStringLiteral("plain"))
                      .arg(questions));
}

QString scratchCopy(int questions, bool withPassword) {
    const QString source = basePath(questions, withPassword);
    const QString copy =
        QDir(baseFolder())
            .filePath(QStringLiteral("scratch-%1-%2.mdb").arg(withPassword ? 1 : 0).arg(questions));
    QFile::remove(copy);
    if (!QFile::copy(source, copy))
        throw std::runtime_error("cannot copy " + source.toStdString());
    return copy;
}

namespace {
QtMessageHandler previousHandler = nullptr;

void dropOffscreenNoise(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("propagateSizeHints")) ||
        text.contains(QLatin1String("does not support raise()")))
        return;
    if (previousHandler)
        previousHandler(type, context, text);
}
}  // namespace

void quietOffscreen() {
    previousHandler = qInstallMessageHandler(dropOffscreenNoise);
}

void settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

Memory memory() {
    Memory result;
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return result;
    const QList<QByteArray> lines = status.readAll().split('\n');
    auto kib = [](const QByteArray& line) {
        return line.mid(line.indexOf(':') + 1).trimmed().split(' ').value(0).toLongLong();
    };
    for (const QByteArray& line : lines) {
        if (line.startsWith("VmHWM:"))
            result.peakKiB = kib(line);
        else if (line.startsWith("VmRSS:"))
            result.currentKiB = kib(line);
    }
    return result;
}

void printMemory(const char* what, const Memory& before, const Memory& after, long long count) {
    std::printf(
        "{\"what\": \"%s\", \"questions\": %lld, \"peak_kib_before\": %lld, "
        "\"peak_kib\": %lld, \"rss_kib\": %lld}\n",
        what, count, static_cast<long long>(before.peakKiB), static_cast<long long>(after.peakKiB),
        static_cast<long long>(after.currentKiB));
}

}  // namespace benchbases
