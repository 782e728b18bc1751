#include "SqlServerDialect.h"

#include "db/DbError.h"
#include "db/ForwardQuery.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// The statement's own error, or the driver's when the server sent none.
QString messageOf(const QSqlError &error)
{
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

void runOne(QSqlDatabase &db, const QString &statement, const char *what)
{
    QSqlQuery query = forwardQuery(db);
    if (!query.exec(statement))
        throw DbError(QStringLiteral("Cannot %1 the transaction: %2").arg(QLatin1String(what), messageOf(query.lastError())),
                      query.lastError().nativeErrorCode());
}

} // namespace

QStringList SqlServerDialect::sessionSetup()
{
    return {
        // The language first: SET LANGUAGE also sets the date order and the first day of
        // the week, so the two settings after it must come after it.
        QStringLiteral("SET LANGUAGE us_english"),
        QStringLiteral("SET DATEFORMAT mdy"),
        QStringLiteral("SET DATEFIRST 7"),
        QStringLiteral("SET ANSI_NULLS ON"),
        QStringLiteral("SET ANSI_PADDING ON"),
        QStringLiteral("SET ANSI_WARNINGS ON"),
        QStringLiteral("SET ANSI_NULL_DFLT_ON ON"),
        QStringLiteral("SET CONCAT_NULL_YIELDS_NULL ON"),
        QStringLiteral("SET QUOTED_IDENTIFIER ON"),
        QStringLiteral("SET ARITHABORT ON"),
        QStringLiteral("SET NUMERIC_ROUNDABORT OFF"),
        // Each statement outside the program's own transactions stands on its own.
        QStringLiteral("SET IMPLICIT_TRANSACTIONS OFF"),
        // A failed statement inside a transaction rolls all of it back, so that a save
        // never leaves half a request behind, whatever the driver does next.
        QStringLiteral("SET XACT_ABORT ON"),
    };
}

void SqlServerDialect::runSessionSetup(const std::function<bool(const QString &, QString &)> &send)
{
    for (const QString &statement : sessionSetup()) {
        QString message;
        if (!send(statement, message))
            throw DbError(QStringLiteral("The connection to SQL Server could not be set up (%1): %2").arg(statement, message));
    }
}

void SqlServerDialect::prepare(QSqlDatabase &db, const ConnectionSettings &)
{
    runSessionSetup([&db](const QString &statement, QString &message) {
        QSqlQuery query = forwardQuery(db);
        if (query.exec(statement))
            return true;
        message = messageOf(query.lastError());
        return false;
    });
}

QString SqlServerDialect::beginTransactionStatement()
{
    return QStringLiteral("BEGIN TRANSACTION");
}

QString SqlServerDialect::commitStatement()
{
    return QStringLiteral("COMMIT TRANSACTION");
}

// A transaction that an error already ended (XACT_ABORT) has nothing left to roll back.
QString SqlServerDialect::rollbackStatement()
{
    return QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION");
}

void SqlServerDialect::beginTransaction(QSqlDatabase &db)
{
    runOne(db, beginTransactionStatement(), "begin");
}

void SqlServerDialect::commit(QSqlDatabase &db)
{
    runOne(db, commitStatement(), "commit");
}

void SqlServerDialect::rollback(QSqlDatabase &db)
{
    runOne(db, rollbackStatement(), "roll back");
}

bool SqlServerDialect::endFailedTransaction(QSqlDatabase &db)
{
    QSqlQuery query = forwardQuery(db);
    return query.exec(rollbackStatement());
}

QString SqlServerDialect::exclusiveLockStatement(const QString &resource) const
{
    QString name = resource;
    name.replace(QLatin1Char('\''), QLatin1String("''"));
    // -999 stands for "no transaction": sp_getapplock refuses a transaction lock then.
    return QStringLiteral(
               "SET NOCOUNT ON; "
               "DECLARE @result int = -999; "
               "IF @@TRANCOUNT > 0 "
               "EXEC @result = sp_getapplock @Resource = '%1', @LockMode = 'Exclusive', "
               "@LockOwner = 'Transaction', @LockTimeout = 30000; "
               "SET NOCOUNT OFF; "
               "IF @result < 0 "
               "RAISERROR('Another workstation is saving; try again in a moment. (sp_getapplock %d)', 16, 1, @result)")
        .arg(name);
}
