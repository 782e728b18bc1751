#include "SqliteFilePlace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// The file itself when it is there, else the folder it would be made in.
QByteArray existingPlace(const QString &file)
{
    const QFileInfo info(file);
    return QFile::encodeName(info.exists() ? info.absoluteFilePath() : info.absolutePath());
}

QString userName(uid_t uid)
{
    struct passwd entry {};
    struct passwd *found = nullptr;
    char buffer[1024];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    return QStringLiteral("user %1").arg(uid);
}

} // namespace

QString SqliteFilePlace::sharedFileSystemName(quint64 fileSystemType)
{
    // The magic numbers of <linux/magic.h> and of the file systems that keep theirs apart.
    struct Known {
        quint64 type;
        const char *name;
    };
    static constexpr Known known[] = {
        {0x6969, "NFS"},
        {0x517B, "SMB"},
        {0xFF534D42, "SMB/CIFS"},
        {0xFE534D42, "SMB2/CIFS"},
        {0x564C, "NetWare (NCP)"},
        {0x65735546, "FUSE (sshfs, GlusterFS, virtiofs and the like)"},
        {0x01021997, "9P"},
        {0x00C36400, "Ceph"},
        {0x5346414F, "AFS"},
        {0x6B414653, "AFS"},
        {0x73757245, "Coda"},
        {0x7461636F, "OCFS2"},
        {0x01161970, "GFS2"},
        {0x0BD00BD0, "Lustre"},
        {0x47504653, "GPFS"},
        {0x19830326, "BeeGFS"},
        {0x20030528, "OrangeFS"},
        {0x786F4256, "VirtualBox shared folder"},
        {0x7C7C6673, "Parallels shared folder"},
    };
    for (const Known &k : known) {
        if (k.type == fileSystemType)
            return QString::fromLatin1(k.name);
    }
    return {};
}

QString SqliteFilePlace::refusalToOpen(const QString &file)
{
    struct statfs fs {};
    if (::statfs(existingPlace(file).constData(), &fs) != 0)
        return {}; // opening it says what is wrong
    const QString name = sharedFileSystemName(quint64(static_cast<unsigned long>(fs.f_type)) & 0xFFFFFFFFu);
    if (name.isEmpty())
        return {};
    return QStringLiteral("The database file %1 is on a network or FUSE file system (%2). The embedded database "
                          "serves the programs of one computer only: its locks do not reach other computers, and a "
                          "file written from several would be damaged. Put the file on a disk of this computer; "
                          "for several workstations use SQL Server.")
        .arg(QDir::toNativeSeparators(file), name);
}

QString SqliteFilePlace::writeProblem(const QString &file)
{
    const QFileInfo info(file);
    const bool exists = info.exists();
    const QByteArray path = QFile::encodeName(info.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    const QString shown = QDir::toNativeSeparators(file);
    struct statvfs fs {};
    if (::statvfs(existingPlace(file).constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY))
        return QStringLiteral("The database file %1 is on a read-only file system: nothing can be saved to it, and "
                              "a file in write-ahead mode cannot be opened there unless its log files are there "
                              "already. The file itself may well be sound. Have the file system mounted writable, "
                              "or copy the file to a writable disk.")
            .arg(shown);
    const QString user = userName(::geteuid());
    if (::access(folder.constData(), W_OK | X_OK) != 0)
        return QStringLiteral("The folder %1 of the database file is read-only for %2 (%3). The file itself may well "
                              "be sound, but the embedded database keeps its log files beside it. Give %2 write "
                              "access to the folder, or move the file to a folder %2 may write.")
            .arg(QDir::toNativeSeparators(info.absolutePath()), user, QString::fromLocal8Bit(std::strerror(errno)));
    if (exists && ::access(path.constData(), W_OK) != 0) {
        struct stat owner {};
        const QString belongs = ::stat(path.constData(), &owner) == 0 && owner.st_uid != ::geteuid()
            ? QStringLiteral("it belongs to %1").arg(userName(owner.st_uid))
            : QStringLiteral("its permissions forbid it");
        return QStringLiteral("The database file %1 cannot be written by %2: %3. The file itself may well be sound. "
                              "Give %2 write access to it.")
            .arg(shown, user, belongs);
    }
    return {};
}
