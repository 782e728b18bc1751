#pragma once

#include <QString>

// The locks that keep the embedded database sound while several processes use it.
//
// SQLite's locks on Linux are POSIX record locks, which belong to the process: closing
// any descriptor of the file, opened by any code of the process (a file dialog looking
// at the file to choose an icon), drops all of them. Another process then believes it is
// the only user, checkpoints and removes the write-ahead log, and this process goes on
// writing into a log nobody will read. Open-file-description locks belong to SQLite's
// own descriptor instead, so no other close can cost them; they conflict with POSIX
// locks of other processes exactly as POSIX locks do, so other programs (the sqlite3
// shell, older versions of this program) keep out as before.
class SqliteFileLocks
{
public:
    // Makes SQLite take open-file-description locks, once per process and before the
    // first database is opened. Throws DbError when the kernel lacks them.
    static void install();

    // True when the SQLite this program links takes open-file-description locks.
    static bool installed();

    // What is wrong with how this process holds the embedded database file, or empty when
    // nothing is: it must hold a lock on the file, and the log it writes into must still
    // be the file's log. Reads only /proc, never the database's files.
    static QString problem(const QString &databaseFile);
};
