#include "ReadOnlyMount.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

// Mounts each of the first $1 arguments read-only onto itself, then runs the rest.
const QString script = QStringLiteral(
    "n=$1; shift; while [ \"$n\" -gt 0 ]; do "
    "mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\" \"$1\" || exit 125; "
    "shift; n=$((n - 1)); done; exec \"$@\"");

constexpr int mountFailed = 125;

} // namespace

QString ReadOnlyMount::unavailable()
{
    static const QString reason = [] {
        if (::geteuid() != 0)
            return QStringLiteral("bind mounts need the superuser");
        if (QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
            return QStringLiteral("unshare (util-linux) is not installed");
        QTemporaryDir dir;
        const Result probe = run({dir.path()}, QStringLiteral("/bin/sh"),
                                 {QStringLiteral("-c"), QStringLiteral("! touch \"$0\"/x 2>/dev/null"), dir.path()});
        if (probe.exitCode != 0 || QFile::exists(dir.filePath(QStringLiteral("x"))))
            return QStringLiteral("no read-only bind mount could be made here (%1)").arg(probe.err.trimmed());
        return QString();
    }();
    return reason;
}

ReadOnlyMount::Result ReadOnlyMount::run(const QStringList &readOnlyPaths, const QString &program,
                                         const QStringList &arguments)
{
    QStringList all{QStringLiteral("-m"), QStringLiteral("/bin/sh"), QStringLiteral("-c"), script,
                    QStringLiteral("sh"), QString::number(readOnlyPaths.size())};
    for (const QString &path : readOnlyPaths)
        all << QDir(path).absolutePath();
    all << program << arguments;
    QProcess process;
    process.start(QStringLiteral("unshare"), all);
    Result result;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        result.err = QStringLiteral("timed out");
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    if (result.exitCode == mountFailed)
        result.err.prepend(QStringLiteral("the read-only mount failed: "));
    return result;
}
