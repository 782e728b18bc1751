#include "db/Connection.h"
#include "db/DbError.h"
#include "db/OdbcConfiguration.h"
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

    // IT's extra options follow the program's parts, each value as ODBC reads it; what
    // is not a sound option is refused with its name before anything connects.
    void extraOptionsFollowTheLogInSafely_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("appended"); // empty: refused
        QTest::newRow("none") << QString() << QString();
        QTest::newRow("driver 18") << " Encrypt=yes; TrustServerCertificate=yes ;"
                                   << ";Encrypt=yes;TrustServerCertificate=yes";
        QTest::newRow("equals sign in a value") << "ServerSPN=MSSQLSvc/db1=x" << ";ServerSPN=MSSQLSvc/db1=x";
        QTest::newRow("braced as given") << "APP={Ward; 4}" << ";APP={Ward; 4}";
        QTest::newRow("braces in a value") << "APP=Ward{4};Encrypt=yes" << ";APP=Ward{4};Encrypt=yes";
        QTest::newRow("the password") << "Encrypt=yes;pwd=other" << "";
        QTest::newRow("another server") << "Server=evil" << "";
        QTest::newRow("no value") << "Encrypt" << "";
        QTest::newRow("unclosed brace") << "APP={Ward" << "";
        QTest::newRow("smuggled key") << "A;B=1" << "";
    }

    void extraOptionsFollowTheLogInSafely()
    {
        QFETCH(QString, options);
        QFETCH(QString, appended);
        ConnectionSettings settings = OdbcConfiguration::sqlServer(
            QStringLiteral("db1\\ward"), QStringLiteral("inventory"), QStringLiteral("HOSPITAL\\ana"), QStringLiteral("p;w}d"));
        settings.odbcDriver = QStringLiteral("ODBC Driver 18 for SQL Server");
        settings.odbcOptions = options;
        const QString program = QStringLiteral("DRIVER={ODBC Driver 18 for SQL Server};SERVER=db1\\ward;DATABASE=inventory;"
                                               "UID=HOSPITAL\\ana;PWD={p;w}}d};ClientCharset=UTF-8");
        if (appended.isEmpty() && !options.isEmpty()) {
            try {
                OdbcConfiguration::connectionString(settings);
                QFAIL("the options were taken");
            } catch (const DbError &error) {
                QVERIFY2(error.description().contains(QLatin1String("sqlserver/options")), qPrintable(error.description()));
            }
            return;
        }
        QCOMPARE(OdbcConfiguration::connectionString(settings), program + appended);
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
