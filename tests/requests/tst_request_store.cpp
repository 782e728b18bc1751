#include "app/MessageBox.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "requests/RequestConflict.h"
#include "requests/RequestStore.h"
#include "support/TestDatabase.h"

#include <QProcess>
#include <QSet>
#include <QTest>

// Numbering, saving, verifying and marking requests deleted, statement by statement.
class TestRequestStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<Connection> m_connection;

    static RequestDocument document(const QString &number, const QStringList &codes)
    {
        RequestDocument doc;
        doc.documentNumber = number;
        doc.transDate = QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9));
        doc.locationId = QStringLiteral("20");
        doc.targetLocationId = QStringLiteral("1");
        for (const QString &code : codes)
            doc.lines.push_back({code, QStringLiteral("5"), QStringLiteral("12.5000"), QStringLiteral("Y"), QStringLiteral("N")});
        doc.lines.push_back({QString(), QString(), QString(), QString(), QString()}); // blank entry row
        return doc;
    }

    QStringList storedCodes(const QString &number)
    {
        QStringList codes;
        Recordset rs = m_connection->Execute("Select ItemID From tbInvWithdrawRequest Where DocumentNumber = '" + number + "' Order By LineID");
        for (; !rs.isEOF(); rs.MoveNext())
            codes << rs.Fields("ItemID").toString();
        return codes;
    }

private slots:
    void init()
    {
        m_connection.reset();
        m_db = std::make_unique<TestDatabase>();
        m_connection = m_db->connect();
    }

    void cleanup() { m_connection.reset(); }

    void theSaveSendsTheExactStatements()
    {
        RequestStore store(*m_connection);
        RequestDocument doc = document("15", {});
        doc.targetLocationId = "07";
        doc.lines.insert(doc.lines.begin(), {"A1", "5", "12.5000", "Y", "N"});
        m_connection->trace().clear();
        store.save(doc, "E01");
        QCOMPARE(m_connection->trace().statements(), QStringList({
            "Delete tbInvWithdrawRequest Where DocumentNumber = '15'",
            "Insert tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID ) "
            "Values ('15','A1',5,12.5000,'Y', '0', '20', '07', '12/07/2026 02:05:09 PM', 'E01')"}));

        m_connection->trace().clear();
        store.VerifySaved("15", "2001");
        store.markDeleted("15", "1001");
        QCOMPARE(m_connection->trace().statements(), QStringList({
            "Update tbInvWithdrawRequest Set VerifiedBy = '2001', VerifiedDate = getdate() Where DocumentNumber = '15'",
            "Update tbInvWithDrawRequest set Status = 'D', ProcessDate = getdate(), ProcessBy = '1001'  where DocumentNumber = '15'"}));
        QCOMPARE(RequestStore::listStatement(false), QStringLiteral("sp_Inv_ListofWithdrawalRequest ''"));
        QCOMPARE(RequestStore::listStatement(true), QStringLiteral("sp_Inv_ListofWithdrawalRequest 'P'"));
        QCOMPARE(RequestStore::loadStatement("12"), QStringLiteral("sp_Inv_LoadWithdrawalRequest '12'"));
        QCOMPARE(RequestStore::transDateText(QDateTime(QDate(2026, 1, 2), QTime(0, 5, 9))),
                 QStringLiteral("01/02/2026 12:05:09 AM"));
    }

    void theHoursAroundMidnightAndNoonAreStoredAsGiven()
    {
        RequestStore store(*m_connection);
        const QList<QTime> times{{0, 0, 0}, {0, 5, 9}, {0, 59, 59}, {1, 0, 0}, {11, 59, 59}, {12, 0, 0}, {12, 30, 5}, {23, 59, 59}};
        for (int k = 0; k < times.size(); ++k) {
            RequestDocument doc = document(QString::number(20 + k), {"142"});
            doc.transDate = QDateTime(QDate(2026, 12, 7), times[k]);
            store.save(doc, "E01");
        }
        const auto other = m_db->connect();
        for (int k = 0; k < times.size(); ++k) {
            Recordset rs = other->Execute("Select TransDate From tbInvWithdrawRequest Where DocumentNumber = '" + QString::number(20 + k) + "'");
            QCOMPARE(rs.Fields("TransDate").toDateTime(), QDateTime(QDate(2026, 12, 7), times[k]));
        }
    }

    void aCheckedSaveWritesOnlyOverTheRequestItOpened()
    {
        RequestStore store(*m_connection);
        SaveChecks checks;
        checks.opened = store.readStored("4");
        checks.userInventoryType = "A";
        store.save(document("4", {"10"}), "1001", {}, checks);
        // The opened request is now out of date, and a number not opened must be free.
        QVERIFY_THROWS_EXCEPTION(RequestConflict, store.save(document("4", {"142"}), "1001", {}, checks));
        checks.opened.reset();
        QVERIFY_THROWS_EXCEPTION(RequestConflict, store.save(document("4", {"142"}), "1001", {}, checks));
        QCOMPARE(storedCodes("4"), QStringList({"10"}));
        QCOMPARE(store.save(document("41", {"142"}), "1001", {}, checks), QStringLiteral("41"));
    }

    void numberingTakesTheNumericMaximumOfEveryDocument()
    {
        m_connection->Execute("Delete tbInvWithdrawRequest Where DocumentNumber <> ''");
        RequestStore store(*m_connection);
        QCOMPARE(store.GetNewDocNumber(), QStringLiteral("1"));
        store.save(document("9", {"10"}), "1001");
        store.save(document("10", {"10"}), "1001");
        store.markDeleted("10", "1001");
        QCOMPARE(store.GetNewDocNumber(), QStringLiteral("11")); // not "9" + 1 as texts
        QCOMPARE(store.save(document("NEW", {"10", "142"}), "1001"), QStringLiteral("11"));
        QCOMPARE(storedCodes("11"), QStringList({"10", "142"}));
    }

    void aSaveReplacesTheWholeDocument()
    {
        RequestStore store(*m_connection);
        store.save(document("30", {"10", "142", "223"}), "1001");
        store.VerifySaved("30", "2001");
        store.save(document("30", {"116", "207"}), "1001");
        QCOMPARE(storedCodes("30"), QStringList({"116", "207"}));
        // Saving again clears the earlier verification.
        QVERIFY(!m_connection->Execute("Select VerifiedBy From tbInvWithdrawRequest Where DocumentNumber = '30'").Fields("VerifiedBy").isValid());
        store.save(document("30", {}), "1001"); // only the blank row: the delete alone
        QVERIFY(storedCodes("30").isEmpty());
    }

    void aVerifiedSaveStampsEveryLineInTheSameTransaction()
    {
        RequestStore store(*m_connection);
        const QString number = store.save(document("NEW", {"10", "142"}), "1001", "2001");
        Recordset rs = m_connection->Execute("Select VerifiedBy, VerifiedDate From tbInvWithdrawRequest Where DocumentNumber = '" + number + "'");
        QCOMPARE(rs.RecordCount(), 2);
        for (; !rs.isEOF(); rs.MoveNext()) {
            QCOMPARE(rs.Fields("VerifiedBy").toString(), QStringLiteral("2001"));
            QCOMPARE(rs.Fields("VerifiedDate").typeId(), QMetaType::QDateTime);
        }
    }

    void aFailureAtAnyStatementLeavesTheStoredDocumentAsItWas()
    {
        RequestStore store(*m_connection);
        // Document 4 of the demo has five lines; statements: delete, 3 inserts, verify.
        const QStringList before = storedCodes("4");
        QCOMPARE(before.size(), 5);
        for (int k = 1; k <= 5; ++k) {
            m_connection->failStatementAt(k, "disk full");
            QVERIFY_THROWS_EXCEPTION(DbError, store.save(document("4", {"10", "142", "223"}), "1001", "2001"));
            QCOMPARE(storedCodes("4"), before);
            QVERIFY(!m_connection->inTransaction());
        }
        m_connection->failStatementAt(0);
        store.save(document("4", {"10", "142", "223"}), "1001");
        QCOMPARE(storedCodes("4"), QStringList({"10", "142", "223"}));
    }

    void aFailedNumberingWritesNothing()
    {
        RequestStore store(*m_connection);
        const int rows = m_connection->Execute("Select * From tbInvWithdrawRequest").RecordCount();
        m_connection->failStatementAt(1, "numbering failed");
        try {
            store.save(document("NEW", {"10"}), "1001");
            QFAIL("the save should have failed");
        } catch (const DbError &error) {
            QCOMPARE(error.description(), QStringLiteral("numbering failed"));
        }
        QCOMPARE(m_connection->Execute("Select * From tbInvWithdrawRequest").RecordCount(), rows);
        QVERIFY(storedCodes("1").size() > 0); // document 1 untouched
    }

    void valuesCannotChangeTheStatement()
    {
        RequestStore store(*m_connection);
        RequestDocument doc = document("40", {"O'NEIL"});
        doc.locationId = "2'0";
        store.save(doc, "10'01");
        QCOMPARE(storedCodes("40"), QStringList({"O'NEIL"}));
        doc.lines[0].quantity = "5); Delete tbInvMaster --";
        QVERIFY_THROWS_EXCEPTION(DbError, store.save(doc, "1001"));
        QVERIFY(m_connection->Execute("Select * From tbInvMaster").RecordCount() > 0);
        QCOMPARE(storedCodes("40"), QStringList({"O'NEIL"}));
    }

    void twoWorkstationsSavingAtOnceNeverShareANumber()
    {
        m_connection.reset();
        QProcess first, second;
        const QString writer = QStringLiteral(QUELLAR_STORE_WRITER);
        first.start(writer, {m_db->file(), "50", "A"});
        second.start(writer, {m_db->file(), "50", "B"});
        QVERIFY(first.waitForFinished(120000));
        QVERIFY(second.waitForFinished(120000));
        QVERIFY2(first.exitCode() == 0, first.readAllStandardError().constData());
        QVERIFY2(second.exitCode() == 0, second.readAllStandardError().constData());

        m_connection = m_db->connect();
        Recordset rs = m_connection->Execute(
            "Select DocumentNumber, ItemID From tbInvWithdrawRequest Where UserID In ('A', 'B')");
        QSet<QString> numbers;
        int lines = 0;
        for (; !rs.isEOF(); rs.MoveNext()) {
            numbers.insert(rs.Fields("DocumentNumber").toString());
            ++lines;
        }
        QCOMPARE(numbers.size(), 100);
        QCOMPARE(lines, 200);
    }
};

QTEST_MAIN(TestRequestStore)
#include "tst_request_store.moc"
