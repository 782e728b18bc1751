#include "db/Connection.h"
#include "db/DbError.h"
#include "app/modInventory.h"
#include "session/SessionComponent.h"
#include "support/FakeSession.h"
#include "support/ProgramStatements.h"
#include "support/TestDatabase.h"

#include <QRegularExpression>
#include <QTest>

#include <optional>

namespace {

// How many rows statements of the corpus answer on the demo data, as SQL Server answers
// them; a statement takes the first entry whose text it contains.
struct Expected {
    const char *contains;
    int rows;
};
const Expected expectedRows[] = {
    {"From tbHospitalInfo", 1},
    {"sp_Inv_UserLocation '1001'", 5},
    {"Where ( isWarehouse = 0 or isDispensingArea = 0 ) AND", 13},
    {"Where isWarehouse = 0 AND", 12},
    {"Where isDispensingArea = 0 AND", 12},
    {"Where Not Status = 'I' or Status is Null  ORDER BY Location", 13},
    {"Select Location From tbInvLocation Where LocationID = '20'", 1},
    {"Where Location = 'O''BRIEN WARD (MATERNITY)'", 1},
    {"sp_Inv_ListofWithdrawalRequest ''", 3},
    {"sp_Inv_ListofWithdrawalRequest 'P'", 2},
    {"sp_Inv_LoadWithdrawalRequest '4'", 5},
    {"sp_Inv_LoadWithdrawalRequest 'NEW'", 0},
    {"sp_Inv_SearchItem_In_Invent '10','20'", 1},
    {"as DocNum From tbInvWithdrawRequest", 1},
    {"VerifiedBy, VerifiedDate From tbInvWithdrawRequest", 1}, // the saved request's one line, locked or not
    {"Select * From tbInvMaster Where ItemID = '1'", 1},
    {"Select ItemID From tbInvMaster Where ItemID = '1'", 1},
    {"as MaxCode From tbInvMaster", 1},
    {"Select * From tbInvLocation Where LocationID = '20'", 1},
    {"As NewLocationID From tbInvLocation", 1},
    {"Select * From tbInvSupplier Where SupplierID = '2'", 1},
    {"Select SupplierID From tbInvSupplier Where SupplierID = '2'", 1},
    {"As NewSupplierID From tbInvSupplier", 1},
    {"Select * From tbInvTerms Where TermsID =  1 or Terms = ''", 1},
    {"As NewCode From tbInvTerms", 1},
    {"Select * From tbInvUnitOfMeasure Where UnitOfMeasureID = 1", 1},
    {"As NewCode From tbInvUnitOfMeasure", 1},
    {"Select * From tbInvClassification Where ItemClassificationID = 'A'", 1},
    {"As MaxCode From tbInvClassification", 1},
    {"Where C.GenericID = 'G001'", 1},
    {"Select * From tbInvLocation Where LocationID = '77'", 0},
    {"A.ItemID = '10'", 1},
    {"A.ItemName Like 'PARA%'", 7},
    {"Where SupplierID = '1' and", 1},
    {"Where TermsID = 1 and", 1},
    {"Where UnitOfMeasureID = 1 and", 1},
    {"From password..tbpasswordmain Where EmployeeId = '1001'", 1},
    {"Employeeid = '2001' and Password", 1},
    {"R.DocumentNumber = '4'", 5},
};

bool isWrite(const QString &sql)
{
    static const QRegularExpression write(QStringLiteral("^\\s*(Insert|Update|Delete)\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    return write.match(sql).hasMatch();
}

std::optional<int> expectedRowsOf(const QString &sql)
{
    for (const Expected &expected : expectedRows) {
        if (sql.contains(QLatin1String(expected.contains)))
            return expected.rows;
    }
    return std::nullopt;
}

} // namespace

// Every statement the program sends (collected from the program's own operations on one
// demo database) runs again, in the order sent, on a second demo database and answers as
// SQL Server would: a read gives rows, a write none, and the writes build on each other.
class TestStatementCorpus : public QObject
{
    Q_OBJECT

    std::unique_ptr<ProgramStatements> m_program;
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<Connection> m_connection;

private slots:
    void initTestCase()
    {
        TestDatabase programDb;
        m_program = std::make_unique<ProgramStatements>(FakeSession::signIn(programDb),
                                                        QStringLiteral(QUELLAR_REPORTS_DIR "/DepartmentRequest.rpt"));
        gCurrentUser.reset(); // its connection closes before the database goes
        QVERIFY2(m_program->problems().isEmpty(), qPrintable(m_program->problems().join("\n")));
        QVERIFY(m_program->sent().size() > 60);
        m_db = std::make_unique<TestDatabase>();
        m_connection = m_db->connect();
    }

    // An expectation that no statement meets is one the program no longer sends.
    void everyExpectationIsSent()
    {
        for (const Expected &expected : expectedRows) {
            const bool sent = std::any_of(m_program->sent().cbegin(), m_program->sent().cend(),
                                          [&](const ProgramStatements::Sent &s) {
                                              return s.sql.contains(QLatin1String(expected.contains));
                                          });
            QVERIFY2(sent, expected.contains);
        }
    }

    void statement_data()
    {
        QTest::addColumn<QString>("sql");
        int n = 0;
        for (const ProgramStatements::Sent &sent : m_program->sent())
            QTest::addRow("%03d %s", ++n, qPrintable(sent.operation)) << sent.sql;
    }

    void statement()
    {
        QFETCH(QString, sql);
        try {
            const Recordset result = m_connection->Execute(sql);
            if (isWrite(sql)) {
                QCOMPARE(result.State(), int(Recordset::adStateClosed));
                return;
            }
            QCOMPARE(result.State(), int(Recordset::adStateOpen));
            if (const std::optional<int> rows = expectedRowsOf(sql))
                QCOMPARE(result.RecordCount(), *rows);
        } catch (const DbError &error) {
            QFAIL(qPrintable(error.description()));
        }
    }

    // What the writes above left behind reads back as SQL Server would give it.
    void writesReadBack()
    {
        const QString request = m_program->savedRequest();
        Recordset line = m_connection->Execute("Select * From tbInvWithdrawRequest Where DocumentNumber = '" + request + "'");
        QCOMPARE(line.RecordCount(), 1);
        QCOMPARE(line.Fields("Status").toString(), QStringLiteral("D"));
        QCOMPARE(line.Fields("TransDate").toDateTime(), QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9)));
        QCOMPARE(line.Fields("VerifiedBy").toString(), QStringLiteral("2001"));
        QCOMPARE(line.Fields("VerifiedDate").typeId(), QMetaType::QDateTime);
        QCOMPARE(line.Fields("ProcessDate").typeId(), QMetaType::QDateTime);

        Recordset numbering = m_connection->Execute("Select (max(Cast(DocumentNumber as int)) + 1) as DocNum From tbInvWithdrawRequest");
        QCOMPARE(numbering.Fields("DocNum").toInt(), request.toInt() + 1); // deleted documents count too

        const QString location = m_program->addedLocation();
        Recordset added = m_connection->Execute("Select * From tbInvLocation Where LocationID = '" + location + "'");
        QCOMPARE(added.Fields("IsWareHouse"), QVariant(true)); // -1 written to a bit
        QCOMPARE(added.Fields("Location").toString(), QStringLiteral(" BURN UNIT"));
        QCOMPARE(m_connection->Execute("Select Convert( VarChar(4),Max( Convert(Integer,LocationID ) ) + 1 ) As NewLocationID From tbInvLocation")
                     .Fields("NewLocationID"), QVariant(QString::number(location.toInt() + 1)));
        Recordset supplier = m_connection->Execute("Select * From tbInvSupplier Where SupplierID = '" + m_program->addedSupplier() + "'");
        QVERIFY(!supplier.Fields("TermsID").isValid());
        QCOMPARE(supplier.Fields("isVAT"), QVariant(true));
        Recordset item = m_connection->Execute("Select * From tbInvMaster Where ItemID = '" + m_program->addedItem() + "'");
        QCOMPARE(item.Fields("ItemStatus").toInt(), -1);
        QCOMPARE(item.Fields("AverageCost").toDouble(), 1.1);
        QCOMPARE(item.Fields("MedicareType").toString(), QStringLiteral("N")); // kept by the update without Medicare
    }
};

QTEST_MAIN(TestStatementCorpus)
#include "tst_statement_corpus.moc"
