#include "db/ConnectionSettings.h"
#include "db/DbError.h"
#include "db/dialects/SqlServerDialect.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QTest>

// What the SQL Server dialect sends on its own: the set-up of every connection, the
// transaction statements and the numbering lock. A real server is exercised by
// tst_server_conformance.
class TestSqlServerDialect : public QObject
{
    Q_OBJECT

    static qsizetype indexOf(const QStringList &statements, const QString &statement)
    {
        return statements.indexOf(statement);
    }

private slots:
    // The save writes "12/07/2026 02:05:09 PM" for 7 December: the date order must be
    // month first on every connection, also for a login whose language reads day first.
    // SET LANGUAGE resets the date order, so it has to come before SET DATEFORMAT.
    void everyConnectionReadsDatesMonthFirst()
    {
        const QStringList setup = SqlServerDialect::sessionSetup();
        const qsizetype language = indexOf(setup, "SET LANGUAGE us_english");
        const qsizetype dateFormat = indexOf(setup, "SET DATEFORMAT mdy");
        const qsizetype dateFirst = indexOf(setup, "SET DATEFIRST 7");
        QVERIFY(language >= 0);
        QVERIFY(dateFormat > language);
        QVERIFY(dateFirst > language);
    }

    // The options the procedures, indexes and NULL comparisons of the statements need,
    // whatever the login's or the driver's defaults are.
    void theAnsiOptionsAreSet()
    {
        const QStringList setup = SqlServerDialect::sessionSetup();
        for (const char *option : {"SET ANSI_NULLS ON", "SET ANSI_PADDING ON", "SET ANSI_WARNINGS ON",
                                   "SET CONCAT_NULL_YIELDS_NULL ON", "SET QUOTED_IDENTIFIER ON", "SET ARITHABORT ON",
                                   "SET NUMERIC_ROUNDABORT OFF", "SET IMPLICIT_TRANSACTIONS OFF", "SET XACT_ABORT ON"})
            QVERIFY2(setup.contains(QLatin1String(option)), option);
        for (const QString &statement : setup)
            QVERIFY2(statement.startsWith("SET ") && !statement.contains(';'), qPrintable(statement));
    }

    void theSetUpIsSentInOrderAndStopsAtAFailure()
    {
        QStringList sent;
        SqlServerDialect::runSessionSetup([&](const QString &statement, QString &) {
            sent << statement;
            return true;
        });
        QCOMPARE(sent, SqlServerDialect::sessionSetup());

        sent.clear();
        try {
            SqlServerDialect::runSessionSetup([&](const QString &statement, QString &message) {
                sent << statement;
                message = QStringLiteral("Cannot set the date order.");
                return !statement.startsWith("SET DATEFORMAT");
            });
            QFAIL("a failed set-up must not be taken for a usable connection");
        } catch (const DbError &error) {
            QVERIFY2(error.description().contains("SET DATEFORMAT mdy"), qPrintable(error.description()));
            QVERIFY(error.description().contains("Cannot set the date order."));
        }
        QCOMPARE(sent.last(), QStringLiteral("SET DATEFORMAT mdy"));
    }

    // prepare() on a database that does not understand the set-up refuses the connection.
    void prepareThrowsWhenTheServerRefuses()
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("refuses"));
            db.setDatabaseName(QStringLiteral(":memory:"));
            QVERIFY(db.open());
            SqlServerDialect dialect(QStringLiteral("Microsoft SQL Server"));
            QVERIFY_THROWS_EXCEPTION(DbError, dialect.prepare(db, ConnectionSettings{}));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("refuses"));
    }

    // Transactions are T-SQL's own, the same with every driver; a rollback after an error
    // that already ended the transaction is no second error.
    void transactionStatements()
    {
        QCOMPARE(SqlServerDialect::beginTransactionStatement(), QStringLiteral("BEGIN TRANSACTION"));
        QCOMPARE(SqlServerDialect::commitStatement(), QStringLiteral("COMMIT TRANSACTION"));
        QCOMPARE(SqlServerDialect::rollbackStatement(), QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION"));
    }

    // The lock belongs to the transaction, waits at most 30 s, and anything but a granted
    // lock (timeout -1, cancel -2, deadlock -3, error -999, or no open transaction) raises
    // an error of severity 16 that nothing precedes: no row count comes before it.
    void theNumberingLockRaisesWhenNotGranted()
    {
        const SqlServerDialect dialect(QStringLiteral("Microsoft SQL Server"));
        const QString lock = dialect.exclusiveLockStatement(QStringLiteral("tbInvWithdrawRequest.DocumentNumber"));
        QCOMPARE(lock,
                 QStringLiteral("SET NOCOUNT ON; DECLARE @result int = -999; IF @@TRANCOUNT > 0 "
                                "EXEC @result = sp_getapplock @Resource = 'tbInvWithdrawRequest.DocumentNumber', "
                                "@LockMode = 'Exclusive', @LockOwner = 'Transaction', @LockTimeout = 30000; "
                                "SET NOCOUNT OFF; IF @result < 0 RAISERROR('Another workstation is saving; try again "
                                "in a moment. (sp_getapplock %d)', 16, 1, @result)"));
        const QRegularExpression raise(QStringLiteral(R"(IF @result < 0 RAISERROR\('[^']*', (1[1-9]|2[0-5]), 1, @result\)$)"));
        QVERIFY(raise.match(lock).hasMatch());
        QVERIFY(lock.indexOf("SET NOCOUNT ON") < lock.indexOf("sp_getapplock"));

        const QString quoted = dialect.exclusiveLockStatement(QStringLiteral("o'brien"));
        QVERIFY(quoted.contains("@Resource = 'o''brien'"));
    }
};

QTEST_GUILESS_MAIN(TestSqlServerDialect)
#include "tst_sqlserver_dialect.moc"
