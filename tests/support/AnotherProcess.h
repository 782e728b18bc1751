#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// What another process reads from a database file: the rows of one statement through
// quellar-admin (its path is QUELLAR_ADMIN, given by the test target), tab-separated,
// without the line of column names.
inline QString readInAnotherProcess(const QString &file, const QString &statement)
{
    QProcess admin;
    admin.start(QStringLiteral(QUELLAR_ADMIN), {QStringLiteral("sql"), file, statement});
    if (!admin.waitForFinished(60000) || admin.exitCode() != 0)
        return QStringLiteral("failed: ") + QString::fromLocal8Bit(admin.readAllStandardError());
    QStringList lines = QString::fromUtf8(admin.readAllStandardOutput()).trimmed().split(QLatin1Char('\n'));
    lines.removeFirst();
    return lines.join(QLatin1Char('\n'));
}
