#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>

class Connection;

// What IT runs before going live on a database: whether its tables have the columns the
// program reads and writes, whether its procedures answer the program's calls with the
// columns the program reads by name, whether the password table is there and its stored
// passwords begin with this computer's cipher seed, and on SQL Server whether the
// server's version and the database's collation are as the program needs. One finding a
// line, "ok: ..." or "PROBLEM: ...". It changes no table or procedure.
class DatabaseCheck
{
public:
    DatabaseCheck(Connection &connection, QTextStream &out) : m_connection(connection), m_out(out) { }

    // Runs every check; returns the number of problems found.
    int run();

    // SQL Server's version, engine edition and database collation (Version, Edition, Collation).
    static QString serverStatement();
    // 2016 SP1 (13.0.4001) or later, or Azure SQL.
    static bool isRecentEnough(const QString &version, int edition);
    static bool isCaseInsensitive(const QString &collation);

private:
    void checkServer();
    void checkTable(const QString &table, const QStringList &columns);
    void checkProcedure(const QString &call, const QStringList &columns, int leastColumns);
    void checkPasswords();
    // The columns of the statement's result; throws DbError when it fails.
    QStringList resultColumns(const QString &statement);
    // The database's message when the statement fails.
    std::optional<QString> failureOf(const QString &statement);
    void ok(const QString &finding);
    void problem(const QString &finding);

    Connection &m_connection;
    QTextStream &m_out;
    int m_problems = 0;
};
