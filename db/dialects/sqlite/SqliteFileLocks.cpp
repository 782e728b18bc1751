#include "SqliteFileLocks.h"

#include "db/DbError.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <memory>
#include <cstdarg>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

using FcntlFunction = int (*)(int, int, ...);

FcntlFunction systemFcntl = nullptr;

// SQLite's fcntl: its record locks become open-file-description locks, everything else
// passes through unchanged.
int descriptionLockingFcntl(int fd, int command, ...)
{
    va_list arguments;
    va_start(arguments, command);
    int result;
    if (command == F_SETLK || command == F_SETLKW || command == F_GETLK) {
        auto *lock = va_arg(arguments, struct flock *);
        lock->l_pid = 0; // open-file-description locks refuse any other value
        const int described = command == F_SETLK ? F_OFD_SETLK : command == F_SETLKW ? F_OFD_SETLKW : F_OFD_GETLK;
        result = systemFcntl(fd, described, lock);
    } else if (command == F_GETFD || command == F_GETFL) {
        result = systemFcntl(fd, command);
    } else {
        result = systemFcntl(fd, command, va_arg(arguments, int));
    }
    va_end(arguments);
    return result;
}

bool kernelHasDescriptionLocks()
{
    const int fd = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return true; // cannot tell; the first lock will say
    struct flock probe {};
    probe.l_type = F_RDLCK;
    probe.l_whence = SEEK_SET;
    const bool known = ::fcntl(fd, F_OFD_GETLK, &probe) == 0 || errno != EINVAL;
    ::close(fd);
    return known;
}

struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool exists = false;
};

FileId idOf(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {info.st_dev, info.st_ino, true};
}

// The kernel's name of a file in /proc/locks: "fe:00:10953391".
QByteArray lockKey(const FileId &id)
{
    char key[64];
    std::snprintf(key, sizeof key, "%02x:%02x:%lu", major(id.device), minor(id.device),
                  static_cast<unsigned long>(id.inode));
    return key;
}

// Whether this process holds a lock on the file: a POSIX lock of this process, or an
// open-file-description lock (the kernel names no owner for those; with them installed,
// only SQLite itself can give up one of ours).
bool holdsLock(const QByteArray &locks, const FileId &id)
{
    if (!id.exists)
        return false;
    const QByteArray key = lockKey(id);
    const QByteArray pid = QByteArray::number(::getpid());
    for (const QByteArray &line : locks.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        // "1: POSIX ADVISORY READ 1234 fe:00:10953391 128 128"; waiters carry "->".
        if (fields.size() < 8 || fields[1] == "->" || fields[5] != key)
            continue;
        if ((fields[1] == "POSIX" && fields[4] == pid) || (fields[1] == "OFDLCK" && SqliteFileLocks::installed()))
            return true;
    }
    return false;
}

} // namespace

void SqliteFileLocks::install()
{
    static std::once_flag once;
    static QString failure;
    std::call_once(once, [] {
        sqlite3_vfs *vfs = sqlite3_vfs_find(nullptr);
        if (!vfs || vfs->iVersion < 3 || !vfs->xSetSystemCall || !vfs->xGetSystemCall) {
            failure = QStringLiteral("SQLite's file layer cannot be told how to lock files.");
            return;
        }
        if (!kernelHasDescriptionLocks()) {
            failure = QStringLiteral("This system's kernel lacks open-file-description locks (Linux 3.15 or later).");
            return;
        }
        systemFcntl = reinterpret_cast<FcntlFunction>(vfs->xGetSystemCall(vfs, "fcntl"));
        if (!systemFcntl
            || vfs->xSetSystemCall(vfs, "fcntl", reinterpret_cast<sqlite3_syscall_ptr>(&descriptionLockingFcntl)) != SQLITE_OK)
            failure = QStringLiteral("SQLite's file layer refused the lock functions.");
    });
    if (!failure.isEmpty())
        throw DbError(QStringLiteral("The embedded database cannot be opened safely: %1").arg(failure));
}

bool SqliteFileLocks::installed()
{
    sqlite3_vfs *vfs = sqlite3_vfs_find(nullptr);
    return systemFcntl && vfs && vfs->xGetSystemCall
        && vfs->xGetSystemCall(vfs, "fcntl") == reinterpret_cast<sqlite3_syscall_ptr>(&descriptionLockingFcntl);
}

QString SqliteFileLocks::problem(const QString &databaseFile)
{
    const QString file = QFileInfo(databaseFile).canonicalFilePath();
    if (file.isEmpty())
        return QStringLiteral("The database file %1 is not there any more.").arg(databaseFile);
    QFile procLocks(QStringLiteral("/proc/locks"));
    if (!procLocks.open(QIODevice::ReadOnly))
        return {}; // no /proc: nothing to go by
    const QByteArray locks = procLocks.readAll();
    if (!holdsLock(locks, idOf(file)) || !holdsLock(locks, idOf(file + QStringLiteral("-shm"))))
        return QStringLiteral("This program no longer holds its lock on the database file %1, so another "
                              "program may have removed the file's log.").arg(databaseFile);

    // The log and the shared index this process writes into must be the file's own.
    const std::unique_ptr<DIR, int (*)(DIR *)> descriptors(::opendir("/proc/self/fd"), &::closedir);
    if (!descriptors)
        return {};
    const QByteArray wal = QFile::encodeName(file + QStringLiteral("-wal"));
    const QByteArray shm = QFile::encodeName(file + QStringLiteral("-shm"));
    while (const dirent *entry = ::readdir(descriptors.get())) {
        const QByteArray link = QByteArrayLiteral("/proc/self/fd/") + entry->d_name;
        char buffer[PATH_MAX + 16];
        const ssize_t length = ::readlink(link.constData(), buffer, sizeof buffer - 1);
        if (length <= 0)
            continue;
        const QByteArray target(buffer, length);
        for (const QByteArray &companion : {wal, shm}) {
            if (!target.startsWith(companion))
                continue;
            struct stat open {};
            struct stat named {};
            // stat of the link reaches the open file itself, even a removed one
            if (target != companion || ::stat(link.constData(), &open) != 0 || ::stat(companion.constData(), &named) != 0
                || open.st_ino != named.st_ino || open.st_dev != named.st_dev)
                return QStringLiteral("The log of the database file %1 was removed or replaced while this program "
                                      "had it open.").arg(databaseFile);
        }
    }
    return {};
}
