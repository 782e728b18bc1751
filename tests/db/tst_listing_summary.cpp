#include "app/admin/DatabaseGenerator.h"
#include "db/Connection.h"
#include "db/CursorModel.h"
#include "db/DatabaseSetup.h"
#include "db/DbError.h"
#include "support/TestDatabase.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <map>

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

    // An exact amount of ten-thousandths as the listing writes it: four decimals, no grouping.
    __extension__ typedef __int128 Amount;
    static QString amountText(Amount tenThousandths)
    {
        const bool negative = tenThousandths < 0;
        Amount rest = negative ? -tenThousandths : tenThousandths;
        QString digits;
        do {
            digits.prepend(QChar(u'0' + int(rest % 10)));
            rest /= 10;
        } while (rest > 0 || digits.size() < 5);
        digits.insert(digits.size() - 4, QLatin1Char('.'));
        return (negative ? QStringLiteral("-") : QString()) + digits;
    }

    // The listed total of one document, empty when it is not listed.
    QString listedTotal(const QString &document, bool processed = false)
    {
        for (const QString &row : listed(*m_connection, processed).split(QLatin1Char('\n'))) {
            if (row.section(QLatin1Char('|'), 0, 0) == document)
                return row.section(QLatin1Char('|'), 4, 4);
        }
        return {};
    }

    // A line as a save writes it: a whole quantity, a unit cost of four decimals.
    void insertLine(const QString &document, int line, qint64 quantity, qint64 unitCostTenThousandths)
    {
        m_connection->Execute(QStringLiteral(
            "Insert tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS, LocationID, "
            "TargetLocationID, TransDate, UserID ) Values ('%1','%2',%3,%4.%5,'N', '0', '20', '07', "
            "'12/07/2026 02:05:09 PM', 'E01')")
                                  .arg(document, QString::number(line), QString::number(quantity),
                                       QString::number(unitCostTenThousandths / 10000))
                                  .arg(unitCostTenThousandths % 10000, 4, 10, QLatin1Char('0')));
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

    // The editor takes quantities and unit costs below 1,000,000,000 (costs to four
    // decimals): their line totals pass 64-bit ten-thousandths, and are still listed to
    // the last decimal, alone, mixed with small ones, and after lines leave.
    void everyLineTheEditorAcceptsListsItsExactTotal()
    {
        constexpr qint64 largestQuantity = 999'999'999;
        constexpr qint64 largestCost = 9'999'999'999'999; // 999,999,999.9999
        insertLine("70", 1, 999'999, 9'999'999'990'000);
        QCOMPARE(listedTotal("70"), QStringLiteral("999998999000001.0000"));
        insertLine("71", 1, largestQuantity, largestCost);
        QCOMPARE(listedTotal("71"), QStringLiteral("999999998999900000.0001"));

        // Lines drawn over the whole range, some documents of many of them.
        std::map<QString, Amount> want;
        quint64 state = 0x9E3779B97F4A7C15ULL;
        auto draw = [&state](qint64 below) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            return qint64(state % quint64(below));
        };
        {
            TransactionScope save(*m_connection);
            for (int line = 0; line < 400; ++line) {
                const QString document = QString::number(72 + line % 7);
                const qint64 quantity = 1 + draw(line % 3 == 0 ? 1000 : largestQuantity);
                const qint64 cost = draw(line % 5 == 0 ? 100'000 : largestCost + 1);
                insertLine(document, line, quantity, cost);
                want[document] += Amount(quantity) * cost;
            }
            save.commit();
        }
        for (const auto &[document, total] : want)
            QCOMPARE(listedTotal(document), amountText(total));

        // The most lines a request holds, every one the largest: marked processed one by
        // one, half of them move to the other listing.
        {
            TransactionScope save(*m_connection);
            for (int line = 0; line < 32'766; ++line)
                insertLine("80", line, largestQuantity, largestCost);
            save.commit();
        }
        const Amount largestLine = Amount(largestQuantity) * largestCost;
        QCOMPARE(listedTotal("80"), QStringLiteral("32765999967230723400003.2766"));
        m_connection->Execute("Update tbInvWithdrawRequest Set ProcessDate = getdate() Where DocumentNumber = '80' And LineID % 2 = 0");
        const int processedLines = m_connection->run("Select count(*) From tbInvWithdrawRequest Where DocumentNumber = '80' "
                                                     "And ProcessDate Is Not Null")->value(0, 0).toInt();
        QCOMPARE(listedTotal("80"), amountText(largestLine * (32'766 - processedLines)));
        QCOMPARE(listedTotal("80", true), amountText(largestLine * processedLines));
        m_connection->Execute("Delete tbInvWithdrawRequest Where DocumentNumber = '80' And ProcessDate Is Null");
        QCOMPARE(listedTotal("80"), QString());
        QCOMPARE(listedTotal("80", true), amountText(largestLine * processedLines));
        m_connection->Execute("Update tbInvWithDrawRequest set Status = 'D', ProcessDate = getdate(), ProcessBy = '1001'  where DocumentNumber = '80'");
        QCOMPARE(listedTotal("80", true), QString());

        // Lines no editor writes (negative, fractional, absurd) never keep a write from
        // going through; their sum stays as exact as their values allow.
        m_connection->Execute("Insert tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost) Values ('81', 'X1', -3, 2.5)");
        m_connection->Execute("Insert tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost) Values ('81', 'X2', 0.5, 0.0004)");
        QCOMPARE(listedTotal("81"), QStringLiteral("-7.4998"));
        m_connection->Execute("Insert tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost) Values ('82', 'X3', 1e300, 1e300)");
        m_connection->Execute("Insert tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost) Values ('82', 'X4', 1e999, 0)");
        QVERIFY(!listedTotal("82").isEmpty());
        m_connection->Execute("Delete tbInvWithdrawRequest Where DocumentNumber = '82'");
        QCOMPARE(listedTotal("82"), QString());
    }

    // A line put in the place of another (INSERT OR REPLACE, UPDATE OR REPLACE) removes
    // the other through the delete trigger only where recursive triggers are on: on the
    // program's connections, and on another program's that turns them on. Where they are
    // off (SQLite's default) summary.sql sets the listing right again.
    void aLineReplacedInPlaceIsCountedOnce()
    {
        insertLines(QStringLiteral("90"), 3);
        insertLines(QStringLiteral("91"), 2);
        const auto lineOf = [this](const char *document, const char *item) {
            return m_connection->run(QStringLiteral("Select LineID From tbInvWithdrawRequest Where DocumentNumber = '%1' "
                                                    "And ItemID = '%2'").arg(document, item))->value(0, 0).toString();
        };
        m_connection->Execute("Update Or Replace tbInvWithdrawRequest Set LineID = " + lineOf("90", "100")
                              + " Where LineID = " + lineOf("91", "101"));
        QVERIFY(agrees("a line moved onto another by the program's connection"));

        const QString name = QStringLiteral("another program");
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            other.setDatabaseName(m_db->file());
            QVERIFY(other.open());
            QSqlQuery query(other);
            const QString replace = QStringLiteral(
                "INSERT OR REPLACE INTO tbInvWithdrawRequest (LineID, DocumentNumber, ItemID, Quantity, UnitCost) "
                "VALUES (%1, '%2', 'R1', 2, 3.5)");
            QVERIFY2(query.exec("PRAGMA recursive_triggers = ON"), qPrintable(query.lastError().text()));
            QVERIFY2(query.exec(replace.arg(lineOf("90", "101"), "90")), qPrintable(query.lastError().text()));
            QVERIFY(agrees("a line replaced by another program with recursive triggers on"));
            QVERIFY(query.exec("PRAGMA recursive_triggers = OFF"));
            QVERIFY2(query.exec(replace.arg(lineOf("90", "102"), "91")), qPrintable(query.lastError().text()));
            QVERIFY(!agrees("a line replaced by another program with recursive triggers off (expected to differ)"));
        }
        QSqlDatabase::removeDatabase(name);
        m_connection->runNativeScript(DatabaseSetup::builtInScript(QStringLiteral("sqlite/summary.sql")));
        QVERIFY(agrees("summary.sql"));
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
