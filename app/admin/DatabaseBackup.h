#pragma once

#include <QString>
#include <QTextStream>

// Copies of an embedded database (the inventory file and its password file) that are
// safe to take while clerks work, and their way back.
//
// A copy of the files as they lie on disk is not a database: the write-ahead log holds
// saves not yet in the file, and a copy taken during a checkpoint mixes two states.
// A backup is therefore written by SQLite itself from one read transaction (VACUUM INTO),
// so it holds exactly the saves committed before it began, and is checked once written.
class DatabaseBackup
{
public:
    explicit DatabaseBackup(QTextStream &out) : m_out(out) { }

    // Writes the backup of databaseFile to backupFile (and its password file beside it).
    // Neither may exist. Both get owner-only permissions. Throws DbError.
    void backup(const QString &databaseFile, const QString &backupFile);

    // Puts a backup in place of databaseFile and its password file; the files replaced
    // are kept aside (inventory.db as inventory.replaced-TIME.db). Refused while any process has the database
    // open, and when the backup is not sound. Throws DbError.
    void restore(const QString &backupFile, const QString &databaseFile);

    // The processes' hold on a database file: true while any process has it open through
    // SQLite (a lock on its shared-memory index or on the file itself).
    static bool inUse(const QString &databaseFile);

private:
    // PRAGMA integrity_check of the file and its password file; throws DbError unless both
    // answer "ok".
    static void requireSound(const QString &databaseFile);
    // Copies from to a new file beside to, flushed to disk, then renames it over to.
    static void replaceFile(const QString &from, const QString &to);

    QTextStream &m_out;
};
