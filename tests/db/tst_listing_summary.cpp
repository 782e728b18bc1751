#include "bench/DatabaseGenerator.h"
#include "db/Connection.h"
#include "db/CursorModel.h"
#include "db/DbError.h"
#include "support/TestDatabase.h"

#include <QTemporaryDir>
#include <QTest>

// The listing procedure reads a summary that triggers keep beside the request lines.
// Whatever writes the lines, directly and in any way, the listing must say what grouping
// the lines themselves says.
class TestListingSummary : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<Connection> m_connection;

    // The listing as the lines say it: per document, the lines of that listing that are
    // not deleted; the header values of its first line; the sum of the line totals, each
    // rounded to four decimals. Newest first.
    static QString expected(Connection &connection, bool processed)
    {
        const QString listing = QStringLiteral(
            "CASE WHEN upper(rtrim(X.Status)) = 'D' THEN NULL WHEN X.ProcessDate IS NULL THEN '' ELSE 'P' END");
        QString sql = QStringLiteral(
            "SELECT F.DocumentNumber, L.Location, T.Location, strftime('%m/%d/%Y', F.TransDate), "
            "printf('%.4f', G.Total / 10000.0), F.UserID "
            "FROM (SELECT X.DocumentNumber AS Doc, min(X.LineID) AS First, "
            "             sum(CAST(round(round(coalesce(X.Quantity, 0) * coalesce(X.UnitCost, 0), 4) * 10000) AS INTEGER)) AS Total "
            "        FROM tbInvWithdrawRequest X WHERE :listing = ':selector' GROUP BY X.DocumentNumber) G "
            "JOIN tbInvWithdrawRequest F ON F.LineID = G.First "
            "LEFT JOIN tbInvLocation L ON L.LocationID = F.LocationID "
            "LEFT JOIN tbInvLocation T ON T.LocationID = F.TargetLocationID "
            "ORDER BY CAST(G.Doc AS int) DESC");
        sql.replace(QLatin1String(":listing"), listing);
        sql.replace(QLatin1String(":selector"), processed ? QStringLiteral("P") : QString());
        return rowsText(*connection.run(sql));
    }

    // The procedure's rows, amounts as the listing shows them.
    static QString listed(Connection &connection, bool processed)
    {
        CursorModel model;
        model.setCursor(connection.openCursor(processed ? QStringLiteral("sp_Inv_ListofWithdrawalRequest 'P'")
                                                        : QStringLiteral("sp_Inv_ListofWithdrawalRequest ''")));
        while (model.canFetchMore())
            model.fetchMore();
        QStringList rows;
        for (int row = 0; row < model.rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < 6; ++column)
                cells << model.text(row, column);
            rows << cells.join(QLatin1Char('|'));
        }
        return rows.join(QLatin1Char('\n'));
    }

    static QString rowsText(const ResultTable &table)
    {
        QStringList rows;
        for (int row = 0; row < table.rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < table.columnCount(); ++column)
                cells << table.value(row, column).toString();
            rows << cells.join(QLatin1Char('|'));
        }
        return rows.join(QLatin1Char('\n'));
    }

    // Whether both listings say what the lines say; the difference is printed when not.
    bool agrees(const char *after)
    {
        for (const bool processed : {false, true}) {
            const QString want = expected(*m_connection, processed);
            const QString got = listed(*m_connection, processed);
            if (want != got) {
                qWarning("after %s (%s):\nlisted:\n%s\nlines say:\n%s", after, processed ? "processed" : "pending",
                         qPrintable(got), qPrintable(want));
                return false;
            }
        }
        return true;
    }

    void insertLines(const QString &document, int count, const QString &extraColumns = {},
                     const QString &extraValues = {})
    {
        for (int k = 0; k < count; ++k)
            m_connection->Execute(QStringLiteral(
                "Insert tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, LocationID, "
                "TargetLocationID, TransDate, UserID%1) Values ('%2', '%3', %4, %5, 'N', '20', '07', "
                "'12/07/2026 02:05:09 PM', 'E%6'%7)")
                                      .arg(extraColumns, document, QString::number(100 + k), QString::number(k + 1),
                                           QStringLiteral("12.3456"), QString::number(k), extraValues));
    }

private slots:
    void init()
    {
        m_db = std::make_unique<TestDatabase>();
        m_connection = m_db->connect();
    }

    void cleanup()
    {
        m_connection.reset();
        m_db.reset();
    }

    void theDemoDatabaseIsSummarised() { QVERIFY(agrees("demo")); }

    void everyKindOfDirectWriteKeepsTheListingRight()
    {
        insertLines(QStringLiteral("40"), 5);
        QVERIFY(agrees("insert"));
        insertLines(QStringLiteral("41"), 3, QStringLiteral(", Status, ProcessDate"),
                    QStringLiteral(", NULL, '12/08/2026 09:00:00 AM'"));
        insertLines(QStringLiteral("42"), 2, QStringLiteral(", Status"), QStringLiteral(", 'd'"));
        QVERIFY(agrees("insert of processed and deleted lines"));

        // Processing by another program, line by line and out of order: a document in both listings.
        m_connection->Execute("Update tbInvWithdrawRequest Set ProcessDate = getdate(), ProcessBy = 'X' "
                              "Where DocumentNumber = '40' And ItemID In ('100', '103')");
        QVERIFY(agrees("processing two lines, the first among them"));
        m_connection->Execute("Update tbInvWithdrawRequest Set Quantity = 7.5, UnitCost = 0.33335 Where DocumentNumber = '40' And ItemID = '101'");
        m_connection->Execute("Update tbInvWithdrawRequest Set Quantity = NULL Where DocumentNumber = '40' And ItemID = '102'");
        m_connection->Execute("Update tbInvWithdrawRequest Set UnitCost = NULL Where DocumentNumber = '41' And ItemID = '100'");
        QVERIFY(agrees("quantity and unit cost changes"));
        m_connection->Execute("Update tbInvWithdrawRequest Set Status = 'D ' Where DocumentNumber = '40' And ItemID = '101'");
        m_connection->Execute("Update tbInvWithdrawRequest Set Status = NULL Where DocumentNumber = '42' And ItemID = '101'");
        QVERIFY(agrees("status changes both ways"));
        m_connection->Execute("Update tbInvWithdrawRequest Set ProcessDate = NULL Where DocumentNumber = '41' And ItemID = '101'");
        m_connection->Execute("Update tbInvWithdrawRequest Set DocumentNumber = '43' Where DocumentNumber = '41' And ItemID = '102'");
        QVERIFY(agrees("unprocessing and moving a line to another document"));
        m_connection->Execute("Update tbInvWithdrawRequest Set LocationID = '21', UserID = 'Z' Where DocumentNumber = '40'");
        m_connection->Execute("Update tbInvWithdrawRequest Set VerifiedBy = '2001', VerifiedDate = getdate() Where DocumentNumber = '40'");
        QVERIFY(agrees("header and verification changes"));
        m_connection->Execute("Delete tbInvWithdrawRequest Where DocumentNumber = '40' And ItemID = '104'");
        m_connection->Execute("Delete tbInvWithdrawRequest Where DocumentNumber = '43'");
        QVERIFY(agrees("deleting lines"));
        m_connection->Execute("Update tbInvWithdrawRequest Set Status = 'D', ProcessDate = getdate() Where DocumentNumber = '40'");
        QVERIFY(agrees("delete-mark of a document in both listings"));
        m_connection->Execute("Delete tbInvWithdrawRequest");
        QVERIFY(agrees("emptying the table"));
        QCOMPARE(m_connection->run("Select count(*) From tbInvWithdrawRequestSummary")->value(0, 0).toInt(), 0);
    }

    void aSaveThatFailsHalfWayLeavesTheSummaryAsItWas()
    {
        // A rolled-back save takes its summary changes with it.
        insertLines(QStringLiteral("50"), 3);
        m_connection->BeginTrans();
        m_connection->Execute("Delete tbInvWithdrawRequest Where DocumentNumber = '50'");
        insertLines(QStringLiteral("50"), 1);
        m_connection->RollbackTrans();
        QVERIFY(agrees("a rolled-back save"));
        QCOMPARE(listed(*m_connection, false).split('\n').first().section('|', 4, 4), QStringLiteral("74.0736"));
    }

    void aSevenDigitTotalKeepsItsFourDecimals()
    {
        m_connection->Execute("Insert tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, LocationID, TargetLocationID) "
                              "Values ('60', 'A1', 1000, 1424.1735, '20', '07')");
        m_connection->Execute("Insert tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, LocationID, TargetLocationID) "
                              "Values ('60', 'A2', 3, 0.00005, '20', '07')");
        QCOMPARE(listed(*m_connection, false).split('\n').first().section('|', 4, 4), QStringLiteral("1424173.5002"));
        QVERIFY(agrees("a large total"));
    }

    void aGeneratedDatabaseIsSummarised()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("large.db"));
        DatabaseGenerator({7, 0.002}).generate(file);
        ConnectionSettings settings;
        settings.databaseFile = file;
        Connection connection(settings);
        for (const bool processed : {false, true}) {
            const QString want = expected(connection, processed);
            QVERIFY(!want.isEmpty());
            QCOMPARE(listed(connection, processed), want);
        }
        // The triggers are back after the generator filled the summary itself.
        connection.Execute("Update tbInvWithdrawRequest Set Status = 'D' Where DocumentNumber = '1'");
        QCOMPARE(listed(connection, true), expected(connection, true));
    }
};

QTEST_MAIN(TestListingSummary)
#include "tst_listing_summary.moc"
