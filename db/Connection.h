#pragma once

#include "ConnectionSettings.h"
#include "Dialect.h"
#include "Recordset.h"
#include "ResultCursor.h"
#include "StatementTrace.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <functional>
#include <memory>

// One open database connection. Statements are sent as the program writes them (SQL
// Server's texts); the connection's dialect decides what actually reaches the database.
class Connection
{
public:
    // Opens the connection; throws DbError with a message a user can act on.
    explicit Connection(const ConnectionSettings &settings);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Runs one statement. A select returns an open result set holding all its rows;
    // anything else runs and returns a closed one. Throws DbError.
    Recordset Execute(const QString &sql);

    // Runs one statement and fetches its rows; null for a statement without rows.
    std::shared_ptr<const ResultTable> run(const QString &sql);

    // Runs a statement that returns rows and hands them out a block at a time (see
    // ResultCursor), read by the plan the caller names for it. Throws DbError.
    std::unique_ptr<ResultCursor> openCursor(const QString &sql, const ReadPlan &plan = {});

    // Transactions for the layers above; see also TransactionScope.
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool inTransaction() const { return m_inTransaction; }
    // Inside a transaction: waits until no other connection holds the named resource and
    // keeps it to the end of the transaction (on SQLite the write transaction does that).
    void lockExclusively(const QString &resource);

    // Runs a script of the database's own dialect (statements separated by ";" or GO
    // lines) without translation or trace; used to create and fill databases.
    void runNativeScript(const QString &script);

    StatementTrace &trace() { return m_trace; }

    // Makes the k-th statement from now fail (1 = the next one) with the given message,
    // before it reaches the database. 0 switches it off.
    void failStatementAt(int k, const QString &message = QStringLiteral("Injected failure"));

    // Runs before each statement is sent (after the trace); tests use it to change the
    // world in the middle of a save. An empty function switches it off.
    void setBeforeStatement(std::function<void(const QString &)> hook) { m_beforeStatement = std::move(hook); }

    // Closes the link to the database under the connection's feet, as a server that goes
    // away does; for tests of what the user then sees.
    void simulateLostConnection()
    {
        m_prepared.clear();
        m_db.close();
    }

    // "SQLite", "Microsoft SQL Server", ...
    QString databaseSystem() const;
    const ConnectionSettings &settings() const { return m_settings; }
    Dialect &dialect() { return *m_dialect; }

private:
    friend class ResultCursor; // reads on with a further statement on its reading connection

    void open();
    void close();
    void openEmbedded();
    // The embedded database file must still be the one that was opened: a file that has
    // gone is reported, and one put back (restored from a copy) is opened again.
    void checkEmbeddedFile();
    // The embedded file is still the one that was opened (true for other databases).
    bool embeddedFileUnchanged() const;
    [[noreturn]] void fail(const QSqlError &error);
    std::shared_ptr<const ResultTable> send(const QString &sql);
    // Before a write: this process still holds the embedded file safely (its lock, its
    // log), else it connects anew, and refuses the write when that does not mend it.
    void requireHeldFile();
    // After a write: the same, or the write is reported as not known to be stored.
    void requireWriteReachedFile();
    // The SQLite connection will be closed without copying its log into the file.
    void abandonSqliteConnection();
    // After a lost connection, the next action connects again (and says so if it cannot).
    void reconnectIfLost();
    // After a begin, commit or rollback that failed: the database holds no transaction of
    // this connection, or the link is closed.
    void leaveFailedTransaction();
    bool answers();
    // The embedded database keeps its journal in a write-ahead log (readers never hold
    // up a writer).
    bool inWalMode();
    void openOdbc(const QString &connectionString);
    void chooseDialect();
    // Runs a statement as its dialect translated it: with values, on a statement
    // prepared once for its text and kept; its rows, or null when it returns none.
    std::shared_ptr<const ResultTable> execute(const Translated &statement);
    // A reading connection for a cursor: an idle one still sound, else a new one.
    std::unique_ptr<Connection> takeReader();

    ConnectionSettings m_settings;
    QString m_name;
    QSqlDatabase m_db;
    std::unique_ptr<Dialect> m_dialect;
    StatementTrace m_trace;
    bool m_inTransaction = false;
    quint64 m_fileIdentity = 0; // device and inode of the embedded file when opened
    bool m_lost = false;        // the link to the database broke; reconnect before the next statement
    bool m_guarded = false;     // an embedded file in WAL mode, whose locks each write checks
    int m_failCountdown = 0;
    QString m_failMessage;
    std::function<void(const QString &)> m_beforeStatement;
    // Statements with bound values prepared by text, so that a save of many lines
    // compiles its insert once.
    QHash<QString, QSqlQuery> m_prepared;
    // Reading connections of finished cursors (embedded database in WAL mode).
    std::shared_ptr<IdleReaders> m_idleReaders = std::make_shared<IdleReaders>();
};

// Begins a transaction and rolls it back unless commit() was called, so that a save
// that fails half-way leaves the stored data as it was.
class TransactionScope
{
public:
    explicit TransactionScope(Connection &connection);
    ~TransactionScope();
    TransactionScope(const TransactionScope &) = delete;
    TransactionScope &operator=(const TransactionScope &) = delete;

    void commit();

private:
    Connection &m_connection;
    bool m_done = false;
};
