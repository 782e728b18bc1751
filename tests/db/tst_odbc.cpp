#include "db/Connection.h"
#include "db/DbError.h"
#include "support/TestDatabase.h"

#include <QSqlDatabase>
#include <QTest>

// The ODBC path, for real, against the SQLite ODBC driver: the dialect is chosen from the
// database system the driver reports, and the program's statements run unchanged.
class TestOdbc : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;

    ConnectionSettings odbc(bool withLibrary) const
    {
        ConnectionSettings settings;
        settings.kind = ConnectionSettings::Kind::OdbcString;
        settings.connectionString = QStringLiteral("DRIVER=SQLite3;Database=%1").arg(m_db->file());
        if (withLibrary)
            settings.connectionString += QStringLiteral(";LoadExt=%1").arg(qEnvironmentVariable("QUELLAR_SQLITE_LIBRARY"));
        return settings;
    }

private slots:
    void initTestCase()
    {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")))
            QFAIL("Qt's ODBC driver is not installed (libqt6sql6-odbc)");
        m_db = std::make_unique<TestDatabase>();
    }

    void statementsRunThroughTheSqliteOdbcDriver()
    {
        Connection connection(odbc(true));
        QCOMPARE(connection.databaseSystem(), QStringLiteral("SQLite"));
        QCOMPARE(connection.Execute("sp_Inv_UserLocation '1001'").RecordCount(), 5);
        QCOMPARE(connection.Execute("Select * From tbInvLocation Where Location = 'o''brien ward (maternity) '").RecordCount(), 1);
        connection.Execute("Insert tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID ) "
                           "Values ('50','10',5,12.5000,'Y', '1', '20', '1', '12/07/2026 02:05:09 PM', '1001')");
        Recordset line = connection.Execute("sp_Inv_LoadWithdrawalRequest '50'");
        QCOMPARE(line.RecordCount(), 1);
        QCOMPARE(line.Fields("Quantity").toDouble(), 5.0);
        QVERIFY(line.Fields("isADS").toBool());
        Recordset date = connection.Execute("Select TransDate From tbInvWithdrawRequest Where DocumentNumber = '50'");
        QCOMPARE(date.Fields("TransDate").toDateTime(), QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9)));
        QCOMPARE(connection.Execute("Select EmployeeId from password..tbpasswordmain where Employeeid = '2001'").RecordCount(), 1);
    }

    void withoutTheFunctionLibraryTheMessageSaysWhatToAdd()
    {
        try {
            Connection connection(odbc(false));
            QFAIL("the connection should have been refused");
        } catch (const DbError &error) {
            QVERIFY2(error.description().contains("LoadExt"), qPrintable(error.description()));
        }
    }

    void anUnknownDriverIsAClearError()
    {
        ConnectionSettings settings;
        settings.kind = ConnectionSettings::Kind::OdbcString;
        settings.connectionString = QStringLiteral("DRIVER=NoSuchDriver;Database=x");
        QVERIFY_THROWS_EXCEPTION(DbError, Connection{settings});
    }
};

QTEST_GUILESS_MAIN(TestOdbc)
#include "tst_odbc.moc"
