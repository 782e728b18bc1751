#include "app/ClassError.h"
#include "app/Conversions.h"
#include "app/modInventory.h"
#include "db/Connection.h"
#include "records/clsGeneric.h"
#include "records/clsItemClass.h"
#include "records/colGeneric.h"
#include "support/FakeSession.h"
#include "support/TestDatabase.h"

#include <QTest>

namespace {

template <typename Operation>
QString recordErrorSource(Operation operation)
{
    try {
        operation();
    } catch (const ClassError &error) {
        return error.number() == -2147211505 ? error.source() : QStringLiteral("malformed record error");
    }
    return QStringLiteral("none");
}

} // namespace

// Item classifications, generic names and the generic order collection.
class TestItemClasses : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    Connection *m_connection = nullptr;

    void useDatabase(bool withDemoData)
    {
        gCurrentUser.reset();
        m_db = std::make_unique<TestDatabase>(withDemoData);
        m_connection = &FakeSession::signIn(*m_db);
        m_connection->trace().setRecording(true);
        m_connection->trace().clear();
    }
    QStringList sent() const { return m_connection->trace().statements(); }

    // The code a new classification ends up with.
    QString insertedCode(const QString &code)
    {
        clsItemClass itemClass;
        itemClass.setActiveConnection(m_connection);
        itemClass.setCode(code);
        itemClass.setDescription("IMPLANTS");
        itemClass.setStatus("A");
        m_connection->trace().clear();
        return itemClass.Update() ? itemClass.Code() : QStringLiteral("failed");
    }

private slots:
    void init() { useDatabase(true); }
    void cleanupTestCase() { gCurrentUser.reset(); }

    void classLoad()
    {
        m_connection->Execute("Update tbInvClassification Set Status = Null Where ItemClassificationID = 'C'");
        m_connection->trace().clear();
        clsItemClass itemClass;
        itemClass.setActiveConnection(m_connection);
        QVERIFY(itemClass.LoadItemClass("C"));
        QVERIFY(itemClass.LoadItemClass("C"));
        QVERIFY(itemClass.LoadItemClass(" "));
        QCOMPARE(sent(), QStringList({"Select * From tbInvClassification Where ItemClassificationID = 'C'"}));
        QVERIFY(itemClass.LoadItemClass("C"));
        QCOMPARE(itemClass.Description(), QStringLiteral("LABORATORY SUPPLIES"));
        QCOMPARE(itemClass.Status(), QStringLiteral("A")); // no status counts as active
        QVERIFY(!itemClass.LoadItemClass("Q"));
        QCOMPARE(itemClass.Code() + itemClass.Description() + itemClass.Status(), QString());

        m_connection->failStatementAt(1);
        QCOMPARE(recordErrorSource([&] { itemClass.LoadItemClass("A"); }), QStringLiteral("clsItemClass:LoadItemClass Method"));
    }

    void classUpdate()
    {
        m_connection->Execute("Delete From tbInvClassification Where ItemClassificationID > 'B'");
        QCOMPARE(insertedCode("New"), QStringLiteral("C"));
        QCOMPARE(sent(), QStringList({"Select * From tbInvClassification Where ItemClassificationID = 'New'",
                                      "Select Max( ItemClassificationID ) As MaxCode From tbInvClassification ",
                                      "Insert Into tbInvClassification (ItemClassificationID,ItemClassificationName, Status ) Values ('C','IMPLANTS','A')"}));
        m_connection->Execute("Insert Into tbInvClassification (ItemClassificationID) Values ('D12')");
        QCOMPARE(insertedCode("  "), QStringLiteral("E")); // only the first character of D12 counts
        QCOMPARE(insertedCode("new"), QStringLiteral("new"));
        QCOMPARE(insertedCode("C"), QStringLiteral("C"));
        QCOMPARE(sent().last(), QStringLiteral("Update tbInvClassification Set ItemClassificationName = 'IMPLANTS', Status = 'A' Where ItemClassificationID = 'C'"));

        m_connection->failStatementAt(2);
        QCOMPARE(recordErrorSource([&] { insertedCode("Z"); }), QStringLiteral("clsItemClass:Update Method"));
        useDatabase(false);
        QCOMPARE(insertedCode(""), QStringLiteral("A"));
    }

    void genericJoinsTheNodeBeforeTheFirstPoint()
    {
        clsGeneric generic;
        generic.setActiveConnection(m_connection);
        QVERIFY(generic.LoadGeneric("G015")); // Node_Key 3.2.7
        QVERIFY(generic.LoadGeneric("G015")); // asked again
        const QString statement =
            " Select C.GenericID, C.GenericName, D.ClassificationName  From tbforGeneric C Left Outer Join "
            " tbforClassification D ON SubString(C.Node_Key,1,Case When PatIndex('%.%',C.Node_Key) = 0 Then 1 Else "
            "PatIndex('%.%',C.Node_Key) -1 End ) = D.Node_Key  Where C.GenericID = 'G015'";
        QCOMPARE(sent(), QStringList({statement, statement}));
        QCOMPARE(generic.GenericName(), QStringLiteral("METRONIDAZOLE"));
        QCOMPARE(generic.Classification(), QStringLiteral("ANTI-INFECTIVES"));

        QVERIFY(generic.LoadGeneric("G040")); // Node_Key 12 has no point: its first character counts
        QCOMPARE(generic.Classification(), QStringLiteral("ANESTHETICS"));
        m_connection->Execute("Update tbforGeneric Set Node_Key = '99.1' Where GenericID = 'G041'");
        QVERIFY(generic.LoadGeneric("G041"));
        QCOMPARE(generic.Classification(), QString());
        QVERIFY(!generic.LoadGeneric("NONE"));
        QCOMPARE(generic.GenericID() + generic.GenericName(), QString());

        m_connection->failStatementAt(1);
        QCOMPARE(recordErrorSource([&] { generic.LoadGeneric("G001"); }), QStringLiteral("clsGeneric:LoadGeneric Method"));
    }

    void genericCollection()
    {
        colGeneric generics;
        const QDateTime delivered(QDate(2024, 3, 1), QTime(0, 0));
        auto add = [&](const QString &name, double quantity, const QString &key = {}) {
            return generics.Add(name, "1140-01", delivered, quantity, 10, 4, 2, 8, "TABLET", "1", 0.85, true, 7, 14, key);
        };
        const auto first = add("PARACETAMOL", 2.5, "G001");
        QCOMPARE(first->LastDeliveryQuantity(), qint16(2)); // nearest, halves to even
        QCOMPARE(first->SSL(), 14.0);
        add("IBUPROFEN", 3.5);
        add("AMOXICILLIN", 0);
        QCOMPARE(generics.Count(), 3);
        QCOMPARE(generics.Item(2)->LastDeliveryQuantity(), qint16(4));
        QCOMPARE(generics.Item("G001"), first);

        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, add("OTHER", 0, "G001"));
        QVERIFY_THROWS_EXCEPTION(ConversionError, add("TOO MANY", 40000));
        QCOMPARE(generics.Count(), 3);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, generics.Item(0));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, generics.Item(4));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, generics.Item(""));

        generics.Remove("G001");
        add("PARACETAMOL", 0, "G001"); // the key is free again
        generics.Remove(1);
        QStringList names;
        for (const auto &item : generics)
            names << item->GenericName();
        QCOMPARE(names, QStringList({"AMOXICILLIN", "PARACETAMOL"}));
    }
};

QTEST_MAIN(TestItemClasses)
#include "tst_item_classes.moc"
