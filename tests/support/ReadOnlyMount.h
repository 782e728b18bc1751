#pragma once

#include <QString>
#include <QStringList>

// Runs a program for which some files or folders are read-only as on a read-only file
// system: for the superuser too, whom no permission stops (the tests run as root in CI).
// The program runs in a mount namespace of its own (unshare -m) with each path
// bind-mounted read-only onto itself, so nothing changes for any other process.
class ReadOnlyMount
{
public:
    struct Result {
        int exitCode = -1;
        QString out;
        QString err;
    };

    // Why it cannot be done here (not the superuser, no unshare, no mounts allowed);
    // empty when it can.
    static QString unavailable();

    static Result run(const QStringList &readOnlyPaths, const QString &program, const QStringList &arguments);
};
