#include "app/ClassError.h"
#include "app/LocationLists.h"
#include "app/MessageBox.h"
#include "app/modInventory.h"
#include "db/Connection.h"
#include "records/clsLocation.h"
#include "support/FakeSession.h"
#include "support/TestDatabase.h"

#include <QTest>

// Loading and writing back one location; each test writes to its own database.
class TestLocation : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    Connection *m_connection = nullptr;

    void useDatabase(bool withDemoData)
    {
        gCurrentUser.reset();
        m_db = std::make_unique<TestDatabase>(withDemoData);
        m_connection = &FakeSession::signIn(*m_db);
    }

    QStringList sent() const { return m_connection->trace().statements(); }

    QVariant stored(const QString &id, const QString &column) const
    {
        const Recordset rs = m_connection->Execute(
            QStringLiteral("Select %1 From tbInvLocation Where LocationID = '%2'").arg(column, id));
        return rs.BOF() && rs.isEOF() ? QVariant() : rs.Fields(column);
    }

    clsLocation connectedRecord() const
    {
        clsLocation location;
        location.setActiveConnection(m_connection);
        return location;
    }

    static void verifyRecordError(const ClassError &error, const QString &source)
    {
        QCOMPARE(error.number(), qint32(-2147211505));
        QCOMPARE(error.source(), source);
        QCOMPARE(error.description(), QStringLiteral("An unknown error has occurred!"));
    }

private slots:
    void init()
    {
        useDatabase(true);
        MsgBoxScript::start();
    }

    void cleanup()
    {
        gCurrentUser.reset();
        m_db.reset();
        MsgBoxScript::stop();
    }

    void aLoadKeepsFlagNumbersAndAFailedOneKeepsAllowedForPO()
    {
        clsLocation location = connectedRecord();
        QVERIFY(location.LoadLocation("1"));
        QCOMPARE(sent(), QStringList({"Select * From tbInvLocation Where LocationID = '1'"}));
        QCOMPARE(location.Code(), QStringLiteral("1"));
        QCOMPARE(location.Description(), QStringLiteral("CENTRAL WAREHOUSE"));
        QCOMPARE(location.IsWareHouse(), qint16(-1));
        QCOMPARE(location.isDispensingArea(), qint16(0));
        QVERIFY(location.AllowedForPO());

        QVERIFY(!location.LoadLocation("77"));
        QCOMPARE(location.Code(), QString());
        QCOMPARE(location.Description(), QString());
        QCOMPARE(location.Status(), QStringLiteral("A"));
        QCOMPARE(location.IsWareHouse(), qint16(1));
        QCOMPARE(location.isDispensingArea(), qint16(1));
        QVERIFY(location.AllowedForPO());
    }

    void anUpdateWritesSignedFlagsAndANullStatusAsActive()
    {
        QVERIFY(!stored("31", "Status").isValid());
        clsLocation ward = connectedRecord();
        QVERIFY(ward.LoadLocation("31"));
        QVERIFY(ward.Update());
        QCOMPARE(sent().last(),
                 QStringLiteral("Update tbInvLocation Set Location = 'OPERATING ROOM COMPLEX', Status = 'A', isWarehouse =  0, isDispensingArea =  0, AllowOrder = 0 Where LocationID = '31'"));
        QCOMPARE(stored("31", "Status").toString(), QStringLiteral("A"));

        clsLocation warehouse = connectedRecord();
        QVERIFY(warehouse.LoadLocation("1"));
        warehouse.setAllowedForPO(false);
        QVERIFY(warehouse.Update());
        QCOMPARE(sent().last(),
                 QStringLiteral("Update tbInvLocation Set Location = 'CENTRAL WAREHOUSE', Status = 'A', isWarehouse = -1, isDispensingArea =  0, AllowOrder = 0 Where LocationID = '1'"));
        QVERIFY(warehouse.LoadLocation("1"));
        QCOMPARE(warehouse.IsWareHouse(), qint16(-1));
        QVERIFY(!warehouse.AllowedForPO());
    }

    void aNewLocationGetsTheNextIdentifierAndItsNameAsTyped()
    {
        clsLocation location = connectedRecord();
        location.setDescription("O'NEIL WING");
        location.setIsWareHouse(0);
        location.setIsDispensingArea(-1);
        location.setAllowedForPO(true);
        m_connection->trace().clear();
        QVERIFY(location.Update());
        QCOMPARE(sent(), QStringList({
            "Select * From tbInvLocation Where LocationID = ''",
            "Select Convert( VarChar(4),Max( Convert(Integer,LocationID ) ) + 1 ) As NewLocationID From tbInvLocation",
            "Insert Into tbInvLocation (LocationId, Location, Status, IsWareHouse, isDispensingArea, AllowOrder ) Values ('1011','O''NEIL WING','A', 0,-1,1)"}));
        QCOMPARE(location.Code(), QStringLiteral("1011"));

        // Found by the name the user typed; a second write updates the same row.
        QString id;
        bool retail = false;
        QVERIFY(ValidateLocation("O'NEIL WING", id, retail, false));
        QCOMPARE(id, QStringLiteral("1011"));
        QVERIFY(location.Update());
        QVERIFY(sent().last().startsWith("Update tbInvLocation"));
    }

    void theFirstLocationOfAnEmptyTableIsOne()
    {
        useDatabase(false);
        clsLocation location = connectedRecord();
        location.setDescription("FIRST WARD");
        QVERIFY(location.Update());
        QCOMPARE(stored("1", "Location").toString(), QStringLiteral("FIRST WARD"));
    }

    void noNextIdentifierFailsTheUpdate_data()
    {
        QTest::addColumn<QString>("existingId");
        QTest::addColumn<QString>("message");
        QTest::newRow("9999 is the last") << "9999" << "Arithmetic overflow error converting expression to data type varchar.";
        QTest::newRow("not a number") << "AB" << "Conversion failed when converting the varchar value 'AB' to data type int.";
    }

    void noNextIdentifierFailsTheUpdate()
    {
        QFETCH(QString, existingId);
        QFETCH(QString, message);
        m_connection->Execute(QStringLiteral("Insert Into tbInvLocation (LocationID, Location) Values ('%1', 'LAST')").arg(existingId));
        clsLocation location = connectedRecord();
        location.setDescription("ONE TOO MANY");
        try {
            location.Update();
            QFAIL("Update did not raise");
        } catch (const ClassError &error) {
            verifyRecordError(error, "clsLocation:Update Method");
        }
        QCOMPARE(MsgBoxScript::shown().size(), size_t(1));
        QCOMPARE(MsgBoxScript::shown()[0].prompt, message);
        QCOMPARE(MsgBoxScript::shown()[0].title, QStringLiteral("Quellar"));
        QCOMPARE(MsgBoxScript::shown()[0].style, int(vbOKOnly));
        QVERIFY(!m_connection->Execute("Select * From tbInvLocation Where Location = 'ONE TOO MANY'").RecordCount());
    }

    void failuresRaiseTheRecordError()
    {
        clsLocation location = connectedRecord();
        m_connection->failStatementAt(1, "lost connection");
        try {
            location.LoadLocation("1");
            QFAIL("LoadLocation did not raise");
        } catch (const ClassError &error) {
            verifyRecordError(error, "clsLocation:LoadLocation Method");
        }
        QVERIFY(MsgBoxScript::shown().empty());

        clsLocation unconnected;
        QVERIFY_THROWS_EXCEPTION(ClassError, unconnected.Update());
        QCOMPARE(MsgBoxScript::shown().size(), size_t(1));
    }
};

QTEST_MAIN(TestLocation)
#include "tst_location.moc"
