#pragma once

#include "ResultTable.h"

#include <QString>

#include <limits>
#include <memory>

class QSqlDatabase;
class QSqlQuery;
struct ConnectionSettings;

// What differs between the database systems behind a connection. The program writes
// SQL Server's statement texts; a dialect decides what is actually sent and how rows are
// read back.
class Dialect
{
public:
    virtual ~Dialect() = default;

    // "SQLite", "Microsoft SQL Server", ...
    virtual QString name() const = 0;

    // Readies a freshly opened connection (functions, attached databases, modes).
    virtual void prepare(QSqlDatabase &db, const ConnectionSettings &settings) = 0;

    // The text to send for a statement as the program wrote it. Throws DbError with a
    // message in the database's manner when the statement cannot be run.
    virtual QString translate(const QString &sql, QSqlDatabase &db) = 0;

    // Reads the rows of an executed query: all of them, or at most maxRows when it is not
    // negative (the query is then left on the last row read, to go on from there).
    virtual std::shared_ptr<ResultTable> fetch(QSqlQuery &query, int maxRows = -1);

    // How to read on after the first rowsRead rows of a translated statement whose plan
    // shows its first rows soonest but is slow to read all of them: a statement that, run
    // while the first one still reads (so on the same state of the database), gives
    // exactly the rows it would still give, in the same order, planned for reading them
    // all. Empty when the statement's own plan serves as well.
    virtual QString continuation(const QString &translated, qint64 rowsRead) const
    {
        Q_UNUSED(translated);
        Q_UNUSED(rowsRead);
        return {};
    }

    // The rows of a translated statement from its row `row` on (0 the first), for reading
    // on after a pause without reading the rows before. Empty when there is no such text:
    // those rows are then read and passed over.
    virtual QString fromRow(const QString &translated, qint64 row) const
    {
        Q_UNUSED(translated);
        Q_UNUSED(row);
        return {};
    }

    // For a statement with a continuation read block by block: after how many rows the
    // continuation reads on sooner than the statement's own plan. Asks the database (on
    // the connection the statement reads on); the largest number when never.
    virtual qint64 rowsBeforeContinuing(const QString &translated, QSqlDatabase &db)
    {
        Q_UNUSED(translated);
        Q_UNUSED(db);
        return std::numeric_limits<qint64>::max();
    }

    virtual void beginTransaction(QSqlDatabase &db);
    virtual void commit(QSqlDatabase &db);
    virtual void rollback(QSqlDatabase &db);
    // After a begin, commit or rollback that failed: ends whatever transaction the
    // database may still hold for this connection. False when that is not known to have
    // worked; the connection must then be closed, which ends it.
    virtual bool endFailedTransaction(QSqlDatabase &db);

    // The statement that makes the current transaction the only one that may hold the
    // named resource until it ends; empty when beginning the transaction already did.
    virtual QString exclusiveLockStatement(const QString &resource) const
    {
        Q_UNUSED(resource);
        return {};
    }

    // Forgets what was learnt of the database's schema (after a script changed it).
    virtual void schemaChanged() { }
};
