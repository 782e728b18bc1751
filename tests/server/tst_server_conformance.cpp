#include "app/MessageBox.h"
#include "app/modInventory.h"
#include "auth_report/ReportPrinting.h"
#include "auth_report/frmDeletePassword.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/OdbcConfiguration.h"
#include "lookup/frmLookup.h"
#include "records/clsItem.h"
#include "records/clsItemMaster.h"
#include "records/clsLocation.h"
#include "records/clsTerms.h"
#include "reporting/ReportDocument.h"
#include "app/Conversions.h"
#include "db/ResultTable.h"
#include "requests/RequestStore.h"
#include "session/SessionComponent.h"
#include "session/clsCurrentUser.h"

#include <QMap>
#include <QScopeGuard>
#include <QSet>
#include <QTest>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

ConnectionSettings serverSettings(const QString &connectionString)
{
    ConnectionSettings settings;
    settings.kind = ConnectionSettings::Kind::OdbcString;
    settings.connectionString = connectionString;
    return settings;
}

// The session the program would have after a log-in on the server under test: its
// connection, and for report log-on the server, database, login and password of the
// connection string (an embedded database reached through ODBC has only its file).
class ServerSession : public SessionComponent
{
public:
    explicit ServerSession(const QString &connectionString)
        : m_logOn(OdbcConfiguration::logOnOf(connectionString)), m_connection(std::make_unique<Connection>(serverSettings(connectionString)))
    {
        m_connection->trace().setRecording(true);
    }

    void setPasswordDeptCode(const QString &) override { }
    void ShowMain() override { }
    std::optional<bool> Connected() const override { return true; }
    Connection &SQLConnection() override { return *m_connection; }
    QString EmployeeCode() const override { return QStringLiteral("1001"); }
    QString ServerName() const override { return m_logOn.server; }
    QString Database() const override { return m_logOn.database; }
    QString ServerPassword() const override { return m_logOn.password; }
    QString ServerUser() const override { return m_logOn.user; }

private:
    ConnectionSettings m_logOn;
    std::unique_ptr<Connection> m_connection;
};

RequestDocument newRequest(const QString &itemId, const QString &quantity)
{
    RequestDocument document;
    document.documentNumber = QStringLiteral("NEW");
    document.transDate = QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9));
    document.locationId = QStringLiteral("20");
    document.targetLocationId = QStringLiteral("1");
    document.lines = {{itemId, quantity, QStringLiteral("12.5000"), QStringLiteral("Y"), QStringLiteral("N")},
                      {QStringLiteral("11"), QStringLiteral("2"), QStringLiteral("3.2500"), QStringLiteral("N"),
                       QStringLiteral("Y")}};
    return document;
}

// SQL Server's session and transaction state; the embedded database reached through ODBC
// has neither @@OPTIONS nor @@TRANCOUNT.
bool isSqlServer(Connection &connection)
{
    return connection.databaseSystem() != QLatin1String("SQLite");
}

constexpr const char *noSessionOptions =
    "@@OPTIONS, @@LANGUAGE and @@DATEFIRST are SQL Server's; the embedded database reached through "
    "ODBC has no session options (tst_tds_wire holds that the set-up goes once per connection as batches)";

// The listing's total of one document; empty when it is not listed.
QString listedTotal(Connection &connection, const QString &number)
{
    const auto listing = connection.run(RequestStore::listStatement(false));
    for (int row = 0; row < listing->rowCount(); ++row) {
        if (listing->value(row, 0).toString().trimmed() == number)
            return listing->value(row, 4).toString();
    }
    return {};
}

} // namespace

// What a hospital's IT runs against the SQL Server database before the program goes
// live (see the README): saving, numbering from several workstations at once, records,
// lookups, passwords and report log-on, on a database set up with sql/sqlserver and the
// demo data. QUELLAR_TEST_SERVER holds the ODBC connection string; without it every
// check is skipped. Documents are written with numbers above the demo's; the database
// should be a test copy.
class TestServerConformance : public QObject
{
    Q_OBJECT

    QString m_connectionString;

    Connection &connection() { return gCurrentUser->SQLConnection(); }

    // No transaction is left open: the server counts none, and another connection can
    // write the rows a save writes (an open write transaction would keep it waiting).
    void requireNothingOpen()
    {
        if (isSqlServer(connection()))
            QCOMPARE(connection().Execute(QStringLiteral("Select @@TRANCOUNT as Open")).Fields("Open").toInt(), 0);
        Connection other(serverSettings(m_connectionString));
        if (isSqlServer(other))
            other.Execute(QStringLiteral("SET LOCK_TIMEOUT 5000"));
        other.Execute(QStringLiteral("Update tbInvWithdrawRequest Set UserID = UserID Where DocumentNumber = '0'"));
    }

private slots:
    void initTestCase()
    {
        m_connectionString = qEnvironmentVariable("QUELLAR_TEST_SERVER");
        if (m_connectionString.isEmpty())
            QSKIP("no server configured: set QUELLAR_TEST_SERVER to an ODBC connection string to run the server checks");
        MsgBoxScript::start();
        gCurrentUser = std::make_unique<ServerSession>(m_connectionString);
        gstrDefaultLocationID = QStringLiteral("20");
        gstrUserInventoryType = QStringLiteral("A");
    }

    void cleanupTestCase()
    {
        gReport.reset();
        gCurrentUser.reset();
    }

    void init()
    {
        MsgBoxScript::clearShown();
    }

    void cleanup()
    {
        QStringList messages;
        for (const MsgBoxScript::Shown &box : MsgBoxScript::shown())
            messages << box.prompt;
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
    }

    // A save is read back line by line with its date as written (month first, whatever
    // the login's language), replaced by a second save, verified and marked deleted.
    void storeKeepsWhatWasSaved()
    {
        RequestStore store(connection());
        const QString number = store.save(newRequest(QStringLiteral("10"), QStringLiteral("5")), QStringLiteral("1001"));
        Recordset lines = connection().Execute(RequestStore::loadStatement(number));
        QCOMPARE(lines.RecordCount(), 2);
        QCOMPARE(lines.Fields("ItemID").toString().trimmed(), QStringLiteral("10"));
        QCOMPARE(lines.Fields("Quantity").toDouble(), 5.0);
        QCOMPARE(lines.Fields("UnitCost").toDouble(), 12.5);
        QCOMPARE(lines.Fields("LocationID").toString().trimmed(), QStringLiteral("20"));
        Recordset date = connection().Execute(
            QStringLiteral("Select TransDate From tbInvWithdrawRequest Where DocumentNumber = '%1'").arg(number));
        QCOMPARE(date.Fields("TransDate").toDateTime(), QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9)));

        RequestDocument again = newRequest(QStringLiteral("12"), QStringLiteral("1"));
        again.documentNumber = number;
        again.lines.pop_back();
        QCOMPARE(store.save(again, QStringLiteral("1001"), QStringLiteral("2001")), number);
        Recordset replaced = connection().Execute(RequestStore::loadStatement(number));
        QCOMPARE(replaced.RecordCount(), 1);
        QCOMPARE(replaced.Fields("ItemID").toString().trimmed(), QStringLiteral("12"));
        QCOMPARE(connection()
                     .Execute(QStringLiteral("Select VerifiedBy From tbInvWithdrawRequest Where DocumentNumber = '%1'").arg(number))
                     .Fields("VerifiedBy").toString().trimmed(),
                 QStringLiteral("2001"));

        store.markDeleted(number, QStringLiteral("1001"));
        QCOMPARE(connection()
                     .Execute(QStringLiteral("Select Status From tbInvWithdrawRequest Where DocumentNumber = '%1'").arg(number))
                     .Fields("Status").toString(),
                 QStringLiteral("D"));
        QVERIFY(store.GetNewDocNumber().toInt() > number.toInt());
    }

    // The largest lines the editor accepts, two in one request: the save goes through
    // every trigger and the listing gives the exact total, past 64-bit ten-thousandths.
    void theLargestLinesListTheirExactTotal()
    {
        RequestStore store(connection());
        RequestDocument document = newRequest(QStringLiteral("10"), QStringLiteral("1"));
        for (RequestLine &line : document.lines) {
            line.quantity = QStringLiteral("999999999");
            line.unitCost = QStringLiteral("999999999.9999");
        }
        const QString number = store.save(document, QStringLiteral("1001"));
        const auto listing = connection().run(RequestStore::listStatement(false));
        QString total;
        for (int row = 0; row < listing->rowCount(); ++row) {
            if (listing->value(row, 0).toString().trimmed() == number)
                total = listing->value(row, 4).toString();
        }
        QCOMPARE(total, QStringLiteral("1999999997999800000.0002"));
        store.markDeleted(number, QStringLiteral("1001"));

        // A line no editor writes, from another program: no trigger refuses it.
        const QString absurd = store.GetNewDocNumber();
        for (const char *quantity : {"1e300", "-1e300", "12345678901234.5"})
            connection().Execute(QStringLiteral(
                "Insert tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS, LocationID, "
                "TargetLocationID, TransDate, UserID ) Values ('%1','10',%2,922337203685477.5807,'N', '0', '20', '1', "
                "'12/07/2026 02:05:09 PM', '1001')").arg(absurd, QLatin1String(quantity)));
        const auto listed = connection().run(RequestStore::listStatement(false));
        QCOMPARE(listed->value(0, 0).toString().trimmed(), absurd);
        QVERIFY(!listed->value(0, 4).toString().isEmpty());
        store.markDeleted(absurd, QStringLiteral("1001"));
    }

    // The settings of the connection set-up hold right after connecting and after a save:
    // each went as a batch of its own, not inside a call whose end would undo it.
    void sessionSettingsHoldAfterConnectingAndAfterASave()
    {
        if (!isSqlServer(connection()))
            QSKIP(noSessionOptions);
        Connection fresh(serverSettings(m_connectionString));
        const auto requireSettings = [](Connection &connection, const char *when) {
            Recordset session = connection.Execute(QStringLiteral(
                "Select @@OPTIONS as Options, @@LANGUAGE as Language, @@DATEFIRST as DateFirst, "
                "Month(Cast('12/07/2026' as datetime)) as DateMonth"));
            const int options = session.Fields("Options").toInt();
            // ANSI_WARNINGS 8, ANSI_PADDING 16, ANSI_NULLS 32, ARITHABORT 64, QUOTED_IDENTIFIER 256,
            // ANSI_NULL_DFLT_ON 1024, CONCAT_NULL_YIELDS_NULL 4096, XACT_ABORT 16384
            const int on = 8 | 16 | 32 | 64 | 256 | 1024 | 4096 | 16384;
            // IMPLICIT_TRANSACTIONS 2, NUMERIC_ROUNDABORT 8192
            const int off = 2 | 8192;
            QVERIFY2((options & on) == on && (options & off) == 0,
                     qPrintable(QStringLiteral("%1: @@OPTIONS is %2").arg(QLatin1String(when)).arg(options)));
            QCOMPARE(session.Fields("Language").toString().trimmed(), QStringLiteral("us_english"));
            QCOMPARE(session.Fields("DateFirst").toInt(), 7);
            QCOMPARE(session.Fields("DateMonth").toInt(), 12); // month first
        };
        requireSettings(fresh, "right after connecting");
        RequestStore store(fresh);
        const QString number = store.save(newRequest(QStringLiteral("10"), QStringLiteral("1")), QStringLiteral("1001"));
        requireSettings(fresh, "after a save");
        store.markDeleted(number, QStringLiteral("1001"));
        requireSettings(fresh, "after a delete mark");
    }

    // A save that fails at its second line leaves the stored request as it was and no
    // transaction open; so does one that succeeds.
    void aFailedSaveIsRolledBackAndNothingStaysOpen()
    {
        RequestStore store(connection());
        const QString number = store.save(newRequest(QStringLiteral("10"), QStringLiteral("4")), QStringLiteral("1001"));
        requireNothingOpen();

        RequestDocument changed = newRequest(QStringLiteral("12"), QStringLiteral("9"));
        changed.documentNumber = number;
        int inserts = 0;
        connection().setBeforeStatement([&inserts](const QString &sql) {
            if (sql.startsWith(QLatin1String("Insert tbInvWithdrawRequest")) && ++inserts == 2)
                throw DbError(QStringLiteral("the second line was refused"));
        });
        QVERIFY_THROWS_EXCEPTION(DbError, store.save(changed, QStringLiteral("1001")));
        connection().setBeforeStatement({});
        QCOMPARE(inserts, 2);
        QVERIFY(!connection().inTransaction());
        requireNothingOpen();

        // as another workstation reads it: the first save's lines, none of the second's
        Connection other(serverSettings(m_connectionString));
        Recordset lines = other.Execute(RequestStore::loadStatement(number));
        QCOMPARE(lines.RecordCount(), 2);
        QCOMPARE(lines.Fields("ItemID").toString().trimmed(), QStringLiteral("10"));
        QCOMPARE(lines.Fields("Quantity").toDouble(), 4.0);

        store.markDeleted(number, QStringLiteral("1001"));
        requireNothingOpen();
    }

    // The listing's total follows every kind of write: a save, a save over it, another
    // program changing a line directly, a delete mark.
    void theListingSummaryFollowsEdits()
    {
        RequestStore store(connection());
        const QString number = store.save(newRequest(QStringLiteral("10"), QStringLiteral("5")), QStringLiteral("1001"));
        QCOMPARE(listedTotal(connection(), number).toDouble(), 5 * 12.5 + 2 * 3.25);

        RequestDocument again = newRequest(QStringLiteral("12"), QStringLiteral("3"));
        again.documentNumber = number;
        again.lines.pop_back();
        store.save(again, QStringLiteral("1001"));
        QCOMPARE(listedTotal(connection(), number).toDouble(), 3 * 12.5);

        Connection other(serverSettings(m_connectionString));
        other.Execute(QStringLiteral("Update tbInvWithdrawRequest Set Quantity = 7 Where DocumentNumber = '%1'").arg(number));
        QCOMPARE(listedTotal(connection(), number).toDouble(), 7 * 12.5);

        store.markDeleted(number, QStringLiteral("1001"));
        QVERIFY(listedTotal(connection(), number).isEmpty());
    }

    // Text outside ASCII comes back as it was written, read by another connection. A
    // database whose collation is not UTF-8 keeps only its code page's characters, so
    // there only Western European letters are asked of it; the SQLite ODBC driver mangles
    // characters beyond the first 65,536 (it knows no UTF-16 pairs), so those only go to
    // SQL Server.
    void textRoundTripsAsUtf8()
    {
        QString text = QStringLiteral("Station S\u00fcd \u00c4rzte \u00e7\u00f1");
        if (!isSqlServer(connection()))
            text += QStringLiteral(" \u03a9 \u75c5\u68df");
        else if (connection()
                     .Execute(QStringLiteral("Select Cast(DatabasePropertyEx(Db_Name(), 'Collation') as varchar(128)) as Name"))
                     .Fields("Name").toString().contains(QLatin1String("UTF8"), Qt::CaseInsensitive))
            text += QStringLiteral(" \u03a9 \u75c5\u68df \U0001F3E5");
        clsLocation ward;
        ward.setActiveConnection(&connection());
        QVERIFY(ward.LoadLocation(QStringLiteral("20")));
        const QString name = ward.Description();
        const auto restore = qScopeGuard([&ward, &name] {
            ward.setDescription(name);
            ward.Update();
        });
        ward.setDescription(text);
        QVERIFY(ward.Update());
        Connection other(serverSettings(m_connectionString));
        clsLocation read;
        read.setActiveConnection(&other);
        QVERIFY(read.LoadLocation(QStringLiteral("20")));
        QCOMPARE(read.Description().trimmed(), text);
    }

    // A never-delivered item's last delivery date is the date zero, 30 December 1899.
    void aNeverDeliveredItemHasTheDateZero()
    {
        connection().Execute(QStringLiteral("Delete tbInvent Where ItemID = '10' And LocationID = '99'"));
        connection().Execute(QStringLiteral(
            "Insert tbInvent (ItemID, LocationID, MinimumOrAverage, IsFloor, IsCeiling, Floor, Ceiling, IsADSStock, "
            "ADSStock) Values ('10', '99', 0, 0, 0, 0, 0, 0, 0)"));
        clsItem item;
        item.setActiveConnection(&connection());
        const bool loaded = item.LoadItem(QStringLiteral("10"), QStringLiteral("99"));
        connection().Execute(QStringLiteral("Delete tbInvent Where ItemID = '10' And LocationID = '99'"));
        QVERIFY(loaded);
        QCOMPARE(item.LastDeliveryDate(), Convert::dateZero());
        QCOMPARE(item.LastDeliveryDate().date(), QDate(1899, 12, 30));
        QCOMPARE(item.ExpiryDate(), Convert::dateZero());
    }

    // A code longer than its column never finds the item of its first characters.
    void tooLongCodesFindNothing()
    {
        QCOMPARE(connection().Execute(QStringLiteral("sp_Inv_SearchItem_In_Invent '10','20'")).RecordCount(), 1);
        QCOMPARE(connection().Execute(QStringLiteral("sp_Inv_SearchItem_In_Invent '10','20XXX'")).RecordCount(), 0);
        QCOMPARE(connection().Execute(QStringLiteral("sp_Inv_SearchItem_In_Invent '10         X','20'")).RecordCount(), 0);
        QCOMPARE(connection().Execute(QStringLiteral("sp_Inv_UserLocation '1001XXXXXXXXXXXXXXXXXXXXXXX'")).RecordCount(), 0);
    }

    // Four workstations save new requests at the same moment: every request gets its own
    // number and keeps all its lines.
    void numbersStayUniqueUnderConcurrency()
    {
        constexpr int workstations = 4;
        constexpr int savesEach = 8;
        std::mutex lock;
        QStringList numbers;
        QStringList failures;
        std::vector<std::thread> threads;
        for (int w = 0; w < workstations; ++w) {
            threads.emplace_back([&, w] {
                try {
                    Connection own(serverSettings(m_connectionString));
                    RequestStore store(own);
                    for (int i = 0; i < savesEach; ++i) {
                        // A save refused because the database is busy is tried again, as a
                        // user would; it must never be stored twice or under a taken number.
                        for (int attempt = 1;; ++attempt) {
                            try {
                                const QString number = store.save(newRequest(QStringLiteral("10"), QString::number(w + 1)),
                                                                  QStringLiteral("1001"));
                                const std::lock_guard<std::mutex> guard(lock);
                                numbers << number;
                                break;
                            } catch (const DbError &error) {
                                if (attempt == 20)
                                    throw;
                            }
                        }
                    }
                } catch (const DbError &error) {
                    const std::lock_guard<std::mutex> guard(lock);
                    failures << error.description();
                }
            });
        }
        for (std::thread &thread : threads)
            thread.join();
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
        QCOMPARE(numbers.size(), workstations * savesEach);
        QCOMPARE(QSet<QString>(numbers.begin(), numbers.end()).size(), numbers.size());
        for (const QString &number : numbers)
            QCOMPARE(connection().Execute(RequestStore::loadStatement(number)).RecordCount(), 2);
    }

    void recordsLoadAndWrite()
    {
        clsItem item;
        item.setActiveConnection(&connection());
        QVERIFY(item.LoadItem(QStringLiteral("10"), QStringLiteral("20")));
        QVERIFY(!item.ItemMaster()->ItemName().isEmpty());

        clsLocation ward;
        ward.setActiveConnection(&connection());
        QVERIFY(ward.LoadLocation(QStringLiteral("20")));
        const QString name = ward.Description();
        ward.setDescription(QStringLiteral("CONFORMANCE WARD"));
        QVERIFY(ward.Update());
        clsLocation again;
        again.setActiveConnection(&connection());
        QVERIFY(again.LoadLocation(QStringLiteral("20")));
        QCOMPARE(again.Description().trimmed(), QStringLiteral("CONFORMANCE WARD"));
        again.setDescription(name);
        QVERIFY(again.Update());

        clsTerms terms;
        terms.setActiveConnection(&connection());
        terms.setCode(0); // a new row under the next key the server gives
        terms.setDescription(QStringLiteral("NET 45"));
        terms.setNumberOfDays(45);
        QVERIFY(terms.Update());
        Recordset stored = connection().Execute(QStringLiteral("Select TermsID, NoDays From tbInvTerms Where Terms = 'NET 45'"));
        QVERIFY(stored.RecordCount() >= 1);
        QCOMPARE(stored.Fields("NoDays").toInt(), 45);
    }

    // Text comparisons ignore case and trailing blanks, as the program's lookups expect.
    void lookupsFindByNameAndCode()
    {
        frmLookup suppliers;
        suppliers.setLookupType(frmLookup::lookupSuppliers);
        QVERIFY(suppliers.RunSearch(QStringLiteral("meridian")));
        QVERIFY(suppliers.RunSearch(QStringLiteral("1")));
        QCOMPARE(connection().Execute(QStringLiteral("Select * From tbInvLocation Where Location = 'central warehouse   '")).RecordCount(),
                 1);
    }

    void passwordsAreChecked()
    {
        const QString employee = qEnvironmentVariable("QUELLAR_TEST_EMPLOYEE", QStringLiteral("1001"));
        const QString password = qEnvironmentVariable("QUELLAR_TEST_PASSWORD", QStringLiteral("demo"));
        clsCurrentUser user;
        user.setPasswordDeptCode(QStringLiteral("4"));
        QVERIFY(user.credentialsMatch(connection(), employee, password));
        QVERIFY(!user.credentialsMatch(connection(), employee, password + QStringLiteral("x")));
        frmDeletePassword verification;
        QVERIFY(verification.GetPassword(qEnvironmentVariable("QUELLAR_TEST_VERIFIER", QStringLiteral("2001")),
                                         qEnvironmentVariable("QUELLAR_TEST_VERIFIER_PASSWORD", QStringLiteral("verify"))));
    }

    // The report logs on with the session's own login and reads the saved request.
    void reportLogsOnWithTheSessionLogin()
    {
        RequestStore store(connection());
        const QString number = store.save(newRequest(QStringLiteral("10"), QStringLiteral("3")), QStringLiteral("1001"));
        PrepareReport(QStringLiteral(QUELLAR_REPORTS_DIR "/DepartmentRequest.rpt"),
                      {QStringLiteral("HOSPITAL"), QStringLiteral("ADDRESS"), number});
        QVERIFY(gReport);
        for (const DatabaseTable &table : gReport->Database().Tables())
            QCOMPARE(table.logOnInfo()->user, gCurrentUser->ServerUser());
        gReport->ReadRecords();
        QCOMPARE(gReport->records()->rowCount(), 2);
    }
};

QTEST_MAIN(TestServerConformance)
#include "tst_server_conformance.moc"
