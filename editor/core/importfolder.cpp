#include "editor/core/importfolder.h"

#include "questionbase/error.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace editor {

namespace {

const QString kPrefix = QStringLiteral(".tambris-import-");

// The folder opened and locked, or -1 when another process holds it or it cannot be opened.
// The lock is the kernel's: it goes with the process, however that ends.
int lockFolder(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Whether any open file description holds a lock on the file. SQLite locks the base it writes
// with fcntl() locks, which an OFD query sees whoever holds them, this process included; the
// probe's own descriptor takes no lock, so closing it releases nobody's.
bool lockedByAnyone(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno != ENOENT;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    const bool locked = ::fcntl(fd, F_OFD_GETLK, &probe) != 0 || probe.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

// Earlier versions built the base beside its name, as "<name>.import-<16 hex>" with SQLite's
// journal next to it, and left both behind when killed.
void removeEarlierLeftovers(const QDir& beside) {
    static const QRegularExpression earlier(
        QRegularExpression::anchoredPattern(QStringLiteral(".+\\.import-[0-9a-f]{16}(-journal)?")));
    const QStringList found =
        beside.entryList({QStringLiteral("*.import-*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : found) {
        if (!earlier.match(name).hasMatch())
            continue;
        const QString base = name.endsWith(QLatin1String("-journal")) ? name.chopped(8) : name;
        if (!lockedByAnyone(beside.filePath(base)))
            QFile::remove(beside.filePath(name));
    }
}

}  // namespace

void ImportFolder::removeAbandoned(const QDir& beside) {
    removeEarlierLeftovers(beside);
    static const QRegularExpression own(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(kPrefix) + QStringLiteral("[0-9a-f]{16}")));
    const QStringList found =
        beside.entryList({kPrefix + u'*'}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : found) {
        if (!own.match(name).hasMatch())
            continue;
        const int fd = lockFolder(beside.filePath(name));
        if (fd < 0)
            continue;
        QDir(beside.filePath(name)).removeRecursively();
        ::close(fd);
    }
}

ImportFolder::ImportFolder(const QDir& beside) {
    removeAbandoned(beside);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString name =
            kPrefix + QStringLiteral("%1").arg(QRandomGenerator::global()->generate64(), 16, 16,
                                               QLatin1Char('0'));
        if (!beside.mkdir(name))
            continue;
        const QString path = beside.filePath(name);
        lock_ = lockFolder(path);
        // Another import may have taken it for abandoned between mkdir and the lock: then it is
        // gone, and a new one is made.
        struct stat status {};
        if (lock_ >= 0 && ::fstat(lock_, &status) == 0 && status.st_nlink > 0) {
            folder_ = QDir(path);
            return;
        }
        if (lock_ >= 0)
            ::close(lock_);
        lock_ = -1;
    }
    qb::fail(qb::Reason::Io, QStringLiteral("Не удалось создать временную папку для импорта"));
}

ImportFolder::~ImportFolder() {
    folder_.removeRecursively();
    if (lock_ >= 0)
        ::close(lock_);
}

}  // namespace editor
