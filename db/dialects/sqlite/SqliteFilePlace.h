#pragma once

#include <QString>

// Where an embedded database file lies, as far as SQLite's file handling depends on it.
// SQLite's write-ahead log works only among the processes of one computer (its locks and
// its shared-memory index do not reach another one), and it needs to create its log files
// beside the database file.
class SqliteFilePlace
{
public:
    // The name of a network or FUSE file system of that statfs() type, whose files other
    // computers may write or whose locks are not the kernel's own; empty for a local one.
    static QString sharedFileSystemName(quint64 fileSystemType);

    // Why the embedded database must not be opened at that place (a network or FUSE file
    // system), as the user is told; empty when it may. The folder is looked at for a
    // file not made yet.
    static QString refusalToOpen(const QString &file);

    // Why this user cannot write the database there (a read-only file system, a folder or
    // a file this user may not write), as the user is told; empty when nothing stands in
    // the way.
    static QString writeProblem(const QString &file);
};
