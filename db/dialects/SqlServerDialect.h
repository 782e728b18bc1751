#pragma once

#include "db/Dialect.h"

#include <QStringList>

#include <functional>

// SQL Server, reached through ODBC (FreeTDS or Microsoft's driver): the statements go out
// exactly as written. What they rely on of the session is set right after connecting.
class SqlServerDialect : public Dialect
{
public:
    explicit SqlServerDialect(QString reportedName) : m_name(std::move(reportedName)) { }

    QString name() const override { return m_name; }

    // Sends sessionSetup(), one statement at a time. Throws DbError naming the statement
    // that failed.
    void prepare(QSqlDatabase &db, const ConnectionSettings &settings) override;
    Translated translate(const QString &sql, QSqlDatabase &) override { return {sql, {}}; }

    // What every connection needs whatever the login's defaults are: the save writes dates
    // as "12/07/2026 02:05:09 PM" (month first), and the procedures, indexes and
    // comparisons need the ANSI options SQL Server's own tools use.
    static QStringList sessionSetup();

    // Runs the set-up through a sender (true for success) so it can be checked without a
    // server. Throws DbError naming the statement that failed, with the sender's message.
    static void runSessionSetup(const std::function<bool(const QString &statement, QString &message)> &send);

    // Transactions are begun and ended with T-SQL, the connection staying in autocommit
    // mode: Microsoft's driver and FreeTDS treat ODBC's manual-commit mode differently
    // (implicit transactions, or a transaction begun at once), and the numbering lock
    // needs a transaction that is already open.
    void beginTransaction(QSqlDatabase &db) override;
    void commit(QSqlDatabase &db) override;
    void rollback(QSqlDatabase &db) override;
    // Sends the rollback statement, which does nothing when the server holds no transaction.
    bool endFailedTransaction(QSqlDatabase &db) override;

    static QString beginTransactionStatement();
    static QString commitStatement();
    static QString rollbackStatement();

    // An application lock owned by the transaction: released by its commit or rollback.
    // A lock that is not granted (timeout, deadlock, no transaction) raises an error of
    // severity 16; no row count or result comes before it, so the driver reports it on
    // the statement itself.
    QString exclusiveLockStatement(const QString &resource) const override;

private:
    QString m_name;
};
