#pragma once

#include <QString>

class QSqlDatabase;
class QSqlError;
struct ConnectionSettings;

// Readies a connection to the embedded database (its functions, the busy timeout, the
// write-ahead log, full syncs, the attached password database) and keeps its log short.
class SqliteSetup
{
public:
    // throughOdbc: the connection is made by the SQLite ODBC driver, which must have
    // loaded the function library itself (LoadExt). Throws DbError.
    static void prepare(QSqlDatabase &db, const ConnectionSettings &settings, bool throughOdbc);

    // After a commit: has the log copied back whole once it is large (see the .cpp).
    static void startLogOverWhenLarge(QSqlDatabase &db, bool throughOdbc);

    // Runs a statement of the set-up; throws DbError (busy when the database was held).
    static void exec(QSqlDatabase &db, const QString &sql);
    // The first column of a statement's answer; throws DbError when it fails.
    static QString firstValue(QSqlDatabase &db, const QString &sql);

    // Another connection held the database locked past the busy timeout.
    static bool isBusy(const QSqlError &error);
    // The database refused a write because the file, its folder or its file system is
    // read-only to this process.
    static bool isReadOnlyRefusal(const QSqlError &error);

private:
    static bool isReadOnly(QSqlDatabase &db, const QString &mainFile, bool throughOdbc);
};
