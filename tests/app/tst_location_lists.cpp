#include "app/DataComboBox.h"
#include "app/LocationLists.h"
#include "app/MessageBox.h"
#include "app/modInventory.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "support/FakeSession.h"
#include "support/TestDatabase.h"

#include <QTest>

// The location drop-downs, the access check and bar codes.
class TestLocationLists : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    Connection *m_connection = nullptr;

    QStringList listed(const DataComboBox &combo) const
    {
        QStringList names;
        for (int i = 0; i < combo.count(); ++i)
            names << combo.itemText(i);
        return names;
    }

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<TestDatabase>();
        m_connection = &FakeSession::signIn(*m_db);
    }

    void init()
    {
        MsgBoxScript::start();
        gstrDefaultLocationID = "20";
        gstrUserInventoryType = "A";
        m_connection->trace().clear();
    }

    void cleanupTestCase()
    {
        gCurrentUser.reset();
        MsgBoxScript::stop();
    }

    void theFirstMatchingRuleChoosesTheStatement_data()
    {
        QTest::addColumn<bool>("excludeDispensing");
        QTest::addColumn<bool>("excludeWarehouse");
        QTest::addColumn<bool>("mayOrderOnly");
        QTest::addColumn<bool>("userLocationsOnly");
        QTest::addColumn<QString>("statement");
        QTest::newRow("user") << true << true << true << true << "sp_Inv_UserLocation '1001'";
        QTest::newRow("both") << true << true << true << false
            << "Select Location, LocationID From tbInvLocation Where ( isWarehouse = 0 or isDispensingArea = 0 ) AND ( Not Status = 'I' or Status is Null ) ORDER BY Location";
        QTest::newRow("warehouse") << false << true << true << false
            << "Select Location, LocationID From tbInvLocation Where isWarehouse = 0 AND ( Not Status = 'I' or Status is Null ) ORDER BY Location";
        QTest::newRow("dispensing") << true << false << true << false
            << "Select Location, LocationID From tbInvLocation Where isDispensingArea = 0 AND ( Not Status = 'I' or Status is Null ) ORDER BY Location";
        QTest::newRow("order") << false << false << true << false
            << "Select Location, LocationID From tbInvLocation Where AllowOrder = 1 AND ( Not Status = 'I' or Status is Null ) ORDER BY Location";
        QTest::newRow("all") << false << false << false << false
            << "Select Location, LocationID From tbInvLocation Where Not Status = 'I' or Status is Null  ORDER BY Location";
    }

    void theFirstMatchingRuleChoosesTheStatement()
    {
        QFETCH(bool, excludeDispensing);
        QFETCH(bool, excludeWarehouse);
        QFETCH(bool, mayOrderOnly);
        QFETCH(bool, userLocationsOnly);
        QFETCH(QString, statement);
        DataComboBox combo;
        LoadLocation(&combo, excludeDispensing, false, excludeWarehouse, mayOrderOnly, userLocationsOnly);
        QCOMPARE(m_connection->trace().statements(), QStringList({statement}));
        QVERIFY(combo.count() > 0);
        QVERIFY(MsgBoxScript::shown().empty());
    }

    void theRequestingLocationsOfTheUserWithTheDefault()
    {
        DataComboBox combo;
        combo.setTag("stale");
        LoadLocation(&combo, true, true, true, false, true);
        QCOMPARE(listed(combo), QStringList({"EMERGENCY ROOM", "MEDICAL WARD - 3RD FLOOR", "O'BRIEN WARD (MATERNITY)",
                                             "PEDIATRIC WARD", "SURGICAL WARD - 4TH FLOOR"}));
        QCOMPARE(combo.Text(), QStringLiteral("MEDICAL WARD - 3RD FLOOR"));
        QCOMPARE(combo.Tag(), QStringLiteral("20"));
        QCOMPARE(m_connection->trace().statements().last(),
                 QStringLiteral("Select Location From tbInvLocation Where LocationID = '20'"));
    }

    void aMissingDefaultLeavesTextAndTagEmpty()
    {
        gstrDefaultLocationID = "77";
        DataComboBox combo;
        LoadLocation(&combo, true, true, true, false, true);
        QVERIFY(combo.count() > 0);
        QCOMPARE(combo.Tag(), QString());
        QCOMPARE(combo.Text(), QString());
    }

    void anEmptyUserListStillPreselectsTheDefault()
    {
        FakeSession::signIn(*m_db, "9999"); // an employee with no locations
        DataComboBox combo;
        LoadLocation(&combo, true, true, true, false, true);
        QCOMPARE(combo.count(), 0);
        QCOMPARE(combo.Text(), QStringLiteral("MEDICAL WARD - 3RD FLOOR"));
        QCOMPARE(combo.Tag(), QStringLiteral("20"));
        m_connection = &FakeSession::signIn(*m_db);
    }

    void aFailureIsReportedWithTheProcedureName()
    {
        DataComboBox combo;
        m_connection->failStatementAt(1, "lost connection");
        LoadLocation(&combo, false, false, false, false, false);
        QCOMPARE(MsgBoxScript::shown().size(), size_t(1));
        QCOMPARE(MsgBoxScript::shown()[0].prompt, QStringLiteral("Called from: Sub LoadLocation -lost connection"));
        QCOMPARE(MsgBoxScript::shown()[0].title, QStringLiteral("Quellar"));
    }

    void validateLocationResolvesNamesAndChecksAccess()
    {
        QString id = "x";
        bool retail = true;
        QVERIFY(!ValidateLocation("NO SUCH WARD", id, retail, true));
        QCOMPARE(id, QString());
        QVERIFY(!retail);
        QVERIFY(MsgBoxScript::shown().empty());

        QVERIFY(ValidateLocation("medical ward - 3rd floor", id, retail, true)); // server collation
        QCOMPARE(id, QStringLiteral("20"));
        QVERIFY(retail);
        QVERIFY(ValidateLocation("O'BRIEN WARD (MATERNITY)", id, retail, false));
        QCOMPARE(id, QStringLiteral("23"));

        // A location that is both warehouse and dispensing area is not for retail.
        m_connection->Execute("Update tbInvLocation Set IsWareHouse = 1, isDispensingArea = 1, InventoryType = 'MS' Where LocationID = '30'");
        QVERIFY(ValidateLocation("EMERGENCY ROOM", id, retail, false));
        QVERIFY(!retail);

        gstrUserInventoryType = "M";
        QVERIFY(ValidateLocation("EMERGENCY ROOM", id, retail, true)); // "M" within "MS"
        gstrUserInventoryType = "m";
        QVERIFY(!ValidateLocation("EMERGENCY ROOM", id, retail, true)); // case-sensitive
        QCOMPARE(id, QString());
        QCOMPARE(MsgBoxScript::shown().back().prompt, QStringLiteral("Unauthorized Access..."));
        gstrUserInventoryType = "X";
        m_connection->Execute("Update tbInvLocation Set InventoryType = NULL Where LocationID = '30'");
        QVERIFY(ValidateLocation("EMERGENCY ROOM", id, retail, true)); // no types: anyone
        gstrUserInventoryType = "";
        QVERIFY(!ValidateLocation("EMERGENCY ROOM", id, retail, true));
        QCOMPARE(id, QString());
    }

    void barCodesBecomeItemIds()
    {
        const QString barcode = m_connection->Execute("Select BarCode From tbInvMaster Where ItemID = '10'").Fields("BarCode").toString();
        QCOMPARE(GetItemIDFromBarcode(barcode), QStringLiteral("10"));
        QCOMPARE(GetItemIDFromBarcode("142"), QStringLiteral("142")); // no bar code: passes through
        m_connection->trace().clear();
        QCOMPARE(GetItemIDFromBarcode(""), QString());
        QVERIFY(m_connection->trace().statements().isEmpty());
        QCOMPARE(GetItemIDFromBarcode("12'3"), QStringLiteral("12'3"));
    }
    // A typed location name or product code holding a character no statement can carry is
    // refused with a message naming it; nothing reaches the database.
    void unstorableTypedTextsAreRefused()
    {
        m_connection->trace().setRecording(true);
        m_connection->trace().clear();
        QString id = "stale";
        bool retail = true;
        QVERIFY(!ValidateLocation(QStringLiteral("WARD") + QChar(0xDC00), id, retail, true));
        QVERIFY_THROWS_EXCEPTION(DbError, GetItemIDFromBarcode(QStringLiteral("48") + QChar(u'\0')));
        QCOMPARE(m_connection->trace().statements(), QStringList());
        QCOMPARE(MsgBoxScript::shown().size(), size_t(2));
        QCOMPARE(MsgBoxScript::shown()[0].prompt,
                 QStringLiteral("The location name holds a character that cannot be stored (U+DC00 at position 5)."));
        QCOMPARE(MsgBoxScript::shown()[1].prompt,
                 QStringLiteral("The product code holds a character that cannot be stored (U+0000 at position 3)."));
    }
};

QTEST_MAIN(TestLocationLists)
#include "tst_location_lists.moc"
