#include "DatabaseBackup.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/SqlQuote.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every connection to a database in WAL mode holds a read lock on this byte of the
// shared-memory index (SQLite's "DMS" lock) for as long as it is open.
constexpr off_t shmDeadManSwitch = 128;

// Whether another process holds a lock on part of a file that a write lock there would
// conflict with. A file that does not exist is held by nobody.
bool lockedByOthers(const QString &file, off_t start, off_t length)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock probe = {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = start;
    probe.l_len = length;
    // An open-file-description probe sees POSIX and OFD locks of every process, and
    // closing this descriptor cannot drop a lock of ours (the program takes OFD locks).
    const bool held = ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

ConnectionSettings embedded(const QString &databaseFile)
{
    ConnectionSettings settings;
    settings.databaseFile = databaseFile;
    return settings;
}

// A new, empty file that only its owner may read, for SQLite to write a copy into.
void createPrivateFile(const QString &file)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        throw DbError(QStringLiteral("Cannot create %1: %2").arg(file, QString::fromLocal8Bit(strerror(errno))));
    ::close(fd);
}

} // namespace

bool DatabaseBackup::inUse(const QString &databaseFile)
{
    return lockedByOthers(databaseFile + QStringLiteral("-shm"), shmDeadManSwitch, 1)
        || lockedByOthers(databaseFile, 0, 0);
}

void DatabaseBackup::backup(const QString &databaseFile, const QString &backupFile)
{
    if (!QFileInfo(databaseFile).isFile())
        throw DbError(QStringLiteral("The database file %1 does not exist.").arg(databaseFile));
    const QString backupPasswords = ConnectionSettings::passwordFileFor(backupFile);
    for (const QString &file : {backupFile, backupPasswords}) {
        if (QFileInfo::exists(file))
            throw DbError(QStringLiteral("%1 exists already; a backup never overwrites a file.").arg(file));
    }
    createPrivateFile(backupFile);
    createPrivateFile(backupPasswords);
    try {
        Connection connection(embedded(databaseFile));
        // Each copy is one read transaction of its own: the inventory as committed when it
        // began, whatever clerks save meanwhile.
        connection.runNativeScript(QStringLiteral("VACUUM main INTO '%1'").arg(sqlText(backupFile)));
        connection.runNativeScript(QStringLiteral("VACUUM password INTO '%1'").arg(sqlText(backupPasswords)));
        requireSound(backupFile);
    } catch (...) {
        QFile::remove(backupFile);
        QFile::remove(backupPasswords);
        throw;
    }
    m_out << "Backed up " << databaseFile << " to " << backupFile << " and " << backupPasswords
          << " (integrity checked).\n";
    m_out.flush();
}

void DatabaseBackup::restore(const QString &backupFile, const QString &databaseFile)
{
    const QString backupPasswords = ConnectionSettings::passwordFileFor(backupFile);
    for (const QString &file : {backupFile, backupPasswords}) {
        if (!QFileInfo(file).isFile())
            throw DbError(QStringLiteral("The backup file %1 does not exist.").arg(file));
    }
    requireSound(backupFile);
    if (inUse(databaseFile))
        throw DbError(QStringLiteral("%1 is in use: close the program on every workstation that has it open, "
                                     "then restore again.").arg(databaseFile));
    const QString passwords = ConnectionSettings::passwordFileFor(databaseFile);
    if (QFileInfo::exists(databaseFile)) {
        // Every save of the database being replaced goes into its file first, so that the
        // file kept aside is whole and no log of it is left for SQLite to replay onto the
        // restored file.
        {
            Connection connection(embedded(databaseFile));
            connection.runNativeScript(QStringLiteral("PRAGMA main.wal_checkpoint(TRUNCATE)"));
        }
        const QFileInfo log(databaseFile + QStringLiteral("-wal"));
        if (log.exists() && log.size() > 0)
            throw DbError(QStringLiteral("%1 could not be closed cleanly; nothing was restored.").arg(databaseFile));
        // Kept as a pair the program and this command can open again: inventory.db becomes
        // inventory.replaced-TIME.db beside inventory.replaced-TIME.password.db.
        const QFileInfo info(databaseFile);
        const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        const QString aside = info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".replaced-")
            + stamp + (info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix());
        const QList<QPair<QString, QString>> moves = {{databaseFile, aside},
                                                      {passwords, ConnectionSettings::passwordFileFor(aside)}};
        for (const auto &[file, kept] : moves) {
            if (QFileInfo::exists(kept) || (QFileInfo::exists(file) && !QFile::rename(file, kept)))
                throw DbError(QStringLiteral("Cannot keep %1 aside as %2.").arg(file, kept));
        }
        QFile::remove(databaseFile + QStringLiteral("-wal"));
        QFile::remove(databaseFile + QStringLiteral("-shm"));
        m_out << "Kept the replaced database as " << aside << ".\n";
    }
    replaceFile(backupPasswords, passwords);
    replaceFile(backupFile, databaseFile);
    m_out << "Restored " << databaseFile << " from " << backupFile << ".\n";
    m_out.flush();
}

void DatabaseBackup::requireSound(const QString &databaseFile)
{
    Connection connection(embedded(databaseFile));
    for (const char *schema : {"main", "password"}) {
        const auto rows = connection.run(QStringLiteral("PRAGMA %1.integrity_check").arg(QLatin1String(schema)));
        const QString answer = rows && rows->rowCount() > 0 ? rows->value(0, 0).toString() : QString();
        if (answer != QLatin1String("ok"))
            throw DbError(QStringLiteral("%1 is damaged (%2: %3).")
                              .arg(databaseFile, QLatin1String(schema), answer.isEmpty() ? QStringLiteral("no answer") : answer));
    }
}

void DatabaseBackup::replaceFile(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("Cannot read %1: %2").arg(from, source.errorString()));
    // QSaveFile writes beside the target, flushes it to disk and renames it over the
    // target only when everything was written.
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly))
        throw DbError(QStringLiteral("Cannot write %1: %2").arg(to, target.errorString()));
    target.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    while (!source.atEnd()) {
        const QByteArray block = source.read(1 << 20);
        if (block.isEmpty() || target.write(block) != block.size())
            throw DbError(QStringLiteral("Cannot write %1: %2").arg(to, target.errorString()));
    }
    if (!target.commit())
        throw DbError(QStringLiteral("Cannot write %1: %2").arg(to, target.errorString()));
}
