#include "db/Connection.h"
#include "db/DbError.h"
#include "support/TestDatabase.h"

#include <QTest>

// Every statement text the program sends, with realistic values, runs on the embedded
// database and answers as SQL Server would. The statements run in order on one demo
// database, so the writes build on each other.
class TestStatementCorpus : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<Connection> m_connection;

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<TestDatabase>();
        m_connection = m_db->connect();
    }

    void statement_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("rows"); // -1: not checked; -2: a statement without rows

        auto add = [](const char *name, const QString &sql, int rows) {
            QTest::newRow(name) << sql << rows;
        };

        // Start-up, location lists, bar codes
        add("hospital", "Select *, GetDate() as CurDate From tbHospitalInfo", 1);
        add("user locations", "sp_Inv_UserLocation '1001'", 5);
        add("locations not both", "Select Location, LocationID From tbInvLocation Where ( isWarehouse = 0 or isDispensingArea = 0 ) AND ( Not Status = 'I' or Status is Null ) ORDER BY Location", 13);
        add("locations not warehouse", "Select Location, LocationID From tbInvLocation Where isWarehouse = 0 AND ( Not Status = 'I' or Status is Null ) ORDER BY Location", 12);
        add("locations not dispensing", "Select Location, LocationID From tbInvLocation Where isDispensingArea = 0 AND ( Not Status = 'I' or Status is Null ) ORDER BY Location", 12);
        add("locations may order", "Select Location, LocationID From tbInvLocation Where AllowOrder = 1 AND ( Not Status = 'I' or Status is Null ) ORDER BY Location", -1);
        add("locations all active", "Select Location, LocationID From tbInvLocation Where Not Status = 'I' or Status is Null  ORDER BY Location", 13);
        add("default location", "Select Location From tbInvLocation Where LocationID = '20'", 1);
        add("validate location", "Select * From tbInvLocation Where Location = 'O''BRIEN WARD (MATERNITY)'", 1);
        add("barcode", "Select ItemID from tbInvMaster Where Barcode = '4800000000000'", -1);

        // Requests
        add("pending", "sp_Inv_ListofWithdrawalRequest ''", 3);
        add("processed", "sp_Inv_ListofWithdrawalRequest 'P'", 2);
        add("load", "sp_Inv_LoadWithdrawalRequest '4'", 5);
        add("load new", "sp_Inv_LoadWithdrawalRequest 'NEW'", 0);
        add("item at location", "sp_Inv_SearchItem_In_Invent '10','20'", 1);
        add("stored rows", "Select DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID, Status, ProcessDate, ProcessBy, VerifiedBy, VerifiedDate From tbInvWithdrawRequest Where DocumentNumber = '4'", 5);
        add("stored rows locked", "Select DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID, Status, ProcessDate, ProcessBy, VerifiedBy, VerifiedDate From tbInvWithdrawRequest With (UPDLOCK, HOLDLOCK) Where DocumentNumber = '4'", 5);
        add("numbering", "Select (max(Cast(DocumentNumber as int)) + 1) as DocNum From tbInvWithdrawRequest", 1);
        add("save delete", "Delete tbInvWithdrawRequest Where DocumentNumber = '15'", -2);
        add("save insert",
            "Insert tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID ) "
            "Values ('15','10',5,12.5000,'Y', '0', '20', '1', '12/07/2026 02:05:09 PM', '1001')", -2);
        add("verify", "Update tbInvWithdrawRequest Set VerifiedBy = '2001', VerifiedDate = getdate() Where DocumentNumber = '15'", -2);
        add("delete mark", "Update tbInvWithDrawRequest set Status = 'D', ProcessDate = getdate(), ProcessBy = '1001'  where DocumentNumber = '15'", -2);

        // Item master
        add("item load", "Select * From tbInvMaster Where ItemID = '10'", 1);
        add("item exists", "Select ItemID From tbInvMaster Where ItemID = '10'", 1);
        add("item next id", "Select Convert(VarChar(4),Max( Convert(Integer,Replace(itemid,'P','')) ) + 1)  as MaxCode From tbInvMaster", 1);
        add("item insert",
            "Insert Into tbInvMaster (ItemID,ItemName, ItemDesc, SupplierId, MarkupIn,  MarkupOut, DownTime, Listcost, ItemClassificationID, ItemStatus,  "
            "UnitOfMeasureID, Packing, BarCode, MedicareType,IncludeInStatement,OralInject, AverageCost, ManufacturerID, IsSeniorDiscounted, WithLOTNumber, MedicareCategory, GLCode ) "
            "Values ('298','GAUZE ROLL','4IN X 10YDS','1',10,15,7.00,1.5000,'A', 0,1,0,'4809999999998','2',1,'X',0.0000, '2',0,1,'A','')", -2);
        add("item insert medicare",
            "Insert Into tbInvMaster (ItemID,ItemName, ItemDesc, SupplierId, MarkupIn,  MarkupOut, DownTime, Listcost, ItemClassificationID, ItemStatus,  "
            "UnitOfMeasureID, Packing, BarCode, MedicareType,IncludeInStatement,OralInject, AverageCost, ManufacturerID, IsSeniorDiscounted, WithLOTNumber, MedicareCategory, GLCode ) "
            "Values ('299','GAUZE PAD','2IN X 2IN','1',10,15,0.00,2.2500,'A', 0,1,100,'4809999999999','N',1,'X',1.1000, '2',1,0,'A','GL-1')", -2);
        add("item update",
            "Update tbInvMaster Set ItemName = 'GAUZE ROLL ', ItemDesc = '4IN X 10YDS', SupplierId = '1', MarkupIn = 10, MarkupOut = 15, DownTime = 7.00, Listcost = 1.5000"
            ", ItemClassificationID = 'A', ItemStatus =  0, UnitOfMeasureID = 1, Packing = 0, AverageCost = 0.0000"
            ", BarCode = '4809999999998', OralInject = 'X',  ManufacturerID = '2' , IsSeniorDiscounted = 0, WithLOTNumber = 1"
            ", MedicareCategory = 'A' , GLCode = '', ItemClass = ''  Where ItemID = '298'", -2);
        add("item update medicare",
            "Update tbInvMaster Set ItemName = 'GAUZE PAD', ItemDesc = '2IN X 2IN', SupplierId = '1', MarkupIn = 10, MarkupOut = 15, DownTime = 0.00, Listcost = 2.2500"
            ", ItemClassificationID = 'A', ItemStatus = -1, UnitOfMeasureID = 1, Packing = 100, AverageCost = 1.1000"
            ", BarCode = '4809999999999', OralInject = 'X',  ManufacturerID = '2' , IsSeniorDiscounted = 1, WithLOTNumber = 0"
            ", MedicareType = 'N' , MedicareCategory = 'A' , GLCode = 'GL-1', ItemClass = 'MEDICAL SUPPLIES' Where ItemID = '299'", -2);

        // Location record
        add("location load", "Select * From tbInvLocation Where LocationID = '20'", 1);
        add("location next id", "Select Convert( VarChar(4),Max( Convert(Integer,LocationID ) ) + 1 ) As NewLocationID From tbInvLocation", 1);
        add("location insert", "Insert Into tbInvLocation (LocationId, Location, Status, IsWareHouse, isDispensingArea, AllowOrder ) Values ('1011',' BURN UNIT','A', 0, 0,1)", -2);
        add("location update", "Update tbInvLocation Set Location = 'BURN UNIT', Status = 'A', isWarehouse = -1, isDispensingArea =  0, AllowOrder = 1 Where LocationID = '1011'", -2);

        // Supplier record
        add("supplier load", "Select * From tbInvSupplier Where SupplierID = '1'", 1);
        add("supplier exists", "Select SupplierID From tbInvSupplier Where SupplierID = '1'", 1);
        add("supplier next id", "Select Convert( VarChar(4),Max( Convert(Integer,SupplierID) ) + 1) As NewSupplierID From tbInvSupplier ", 1);
        add("supplier insert",
            "Insert Into tbInvSupplier (SupplierID, SupplierName, Status, SupplierType, Address1, Address2, Address3, TermsID, TelNum, FreeGoods, isVAT, ContactPerson ) "
            "Values ('13','MERIDIAN PHARMA ','A','LOCAL','12 DOCK ST','','', 5,'555-0100', 1,0,'J. SANTOS' )", -2);
        add("supplier update",
            "Update tbInvSupplier Set SupplierName = 'MERIDIAN PHARMA', Status = 'A', SupplierType = 'LOCAL', Address1 = '12 DOCK ST', Address2 = '', Address3 = '', "
            "TermsID = null, TelNum = '555-0100', FreeGoods = 0, isVAT = 1, ContactPerson = 'J. SANTOS' where SupplierID = '13'", -2);

        // Terms and units
        add("terms load", "Select * From tbInvTerms Where TermsID =  5 or Terms = ''", 1);
        add("terms exists", "Select * From tbInvTerms Where TermsID = 5", 1);
        add("terms next", "Select Max( TermsID ) + 1 As NewCode From tbInvTerms", 1);
        add("terms insert", "Insert Into tbInvTerms ( TermsID, Terms, NoDays, Status ) Values ( 70,'NET 45', 45,'A')", -2);
        add("terms update", "Update tbInvTerms Set Terms = 'NET 45 DAYS', NoDays = 45, Status = 'A' Where TermsID = 70", -2);
        add("uom load", "Select * From tbInvUnitOfMeasure Where UnitOfMeasureID = 3", 1);
        add("uom exists", "Select UnitOfMeasureID From tbInvUnitOfMeasure Where UnitOfMeasureID = 3", 1);
        add("uom next", "Select Max( UnitOfMeasureID ) + 1 As NewCode From tbInvUnitOfMeasure ", 1);
        add("uom insert", "Insert Into tbInvUnitOfMeasure ( UnitOfMeasureID, UnitOfMeasure, Status ) Values ( 70 ,'DROPS','A')", -2);
        add("uom update", "Update tbInvUnitOfMeasure Set UnitOfMeasure = 'DROP', Status = '' Where UnitOfMeasureID = 70", -2);

        // Classifications and generics
        add("class load", "Select * From tbInvClassification Where ItemClassificationID = 'A'", 1);
        add("class max", "Select Max( ItemClassificationID ) As MaxCode From tbInvClassification ", 1);
        add("class insert", "Insert Into tbInvClassification (ItemClassificationID,ItemClassificationName, Status ) Values ('I','IMPLANTS','A')", -2);
        add("class update", "Update tbInvClassification Set ItemClassificationName = 'IMPLANTS', Status = 'I' Where ItemClassificationID = 'I'", -2);
        add("generic",
            " Select C.GenericID, C.GenericName, D.ClassificationName  From tbforGeneric C Left Outer Join "
            " tbforClassification D ON SubString(C.Node_Key,1,Case When PatIndex('%.%',C.Node_Key) = 0 Then 1 Else PatIndex('%.%',C.Node_Key) -1 End ) = D.Node_Key "
            " Where C.GenericID = 'G001'", 1);

        // Product search
        const QString locationSearch = QStringLiteral(
            "Select A.ItemID as Code, A.ItemName As [Product Name], "
            "A.ItemDesc As Description, B.SupplierName As Supplier, D.Markup_In As [In-Patient Markup], D.Markup_Out As [Out-Patient Markup],"
            "Case when D.ItemStatus = 1 then 'Inactive' Else 'Active' end  As Status, A.Packing, A.ListCost,  "
            "C.ItemClassificationName "
            "From tbInvMaster A "
            "Left Outer Join tbInvent D ON A.ItemID = D.ItemID "
            "Left Outer Join tbInvSupplier B ON A.SupplierID = B.SupplierID "
            "Left Outer join tbInvClassification C ON A.ItemClassificationID = C.ItemClassificationID "
            "Where D.LocationID = '20' and  ( D.ItemStatus = 0 or D.ItemStatus is Null ) and ");
        add("product search location name", locationSearch + " A.ItemName Like 'PARA%'  Order by A.ItemName, A.ItemDesc", -1);
        add("product search location code", locationSearch + " A.ItemID = '10'  Order by A.ItemName, A.ItemDesc", 1);
        const QString masterSearch = QStringLiteral(
            "Select A.ItemID as Code, A.ItemName As [Product Name], "
            "A.ItemDesc As Description, B.SupplierName As Supplier, A.MarkupIn As [In-Patient Markup], A.MarkupOut As [Out-Patient Markup],"
            "Case when A.ItemStatus = 1 then 'Inactive' Else 'Active' End  As Status, A.Packing, A.ListCost,  "
            "C.ItemClassificationName "
            "From tbInvMaster A "
            "Left Outer Join tbInvSupplier B ON A.SupplierID = B.SupplierID "
            "Left Outer Join tbInvClassification C ON A.ItemClassificationID = C.ItemClassificationID "
            " Where ( A.ItemStatus = 0 or A.ItemStatus is Null ) and ");
        add("product search master name", masterSearch + " A.ItemName Like '%'  Order by A.ItemName, A.ItemDesc", -1);
        add("product search master code", masterSearch + " A.ItemID = '10'  Order by A.ItemName, A.ItemDesc", 1);

        // Reference lookups
        add("lookup supplier code", "Select DISTINCT SupplierName as Supplier,SupplierID As Code From tbinvSupplier  Where SupplierID = '1' and  (not Status = 'I' or Status is null) ORDER by SupplierName", 1);
        add("lookup supplier name", "Select DISTINCT SupplierName as Supplier,SupplierID As Code From tbinvSupplier  Where SupplierName Like '%' and  (not Status = 'I' or Status is null) ORDER by SupplierName", -1);
        add("lookup terms code", "Select DISTINCT Terms AS [Terms of Payment] , TermsID as Code From tbinvTerms  Where TermsID = 5 and  (not Status = 'I' or Status is null) Order by Terms", 1);
        add("lookup terms name", "Select DISTINCT Terms AS [Terms of Payment] , TermsID as Code From tbinvTerms  Where Terms Like 'NET%' and  (not Status = 'I' or Status is null) Order by Terms", -1);
        add("lookup uom code", "Select UnitOfMeasure As [Unit of Measure], UnitOfMeasureID as Code From tbinvUnitOfMeasure  Where UnitOfMeasureID = 3 and ( Not Status = 'I' or Status is Null ) Order by UnitOfMeasure", 1);
        add("lookup uom name", "Select UnitOfMeasure As [Unit of Measure], UnitOfMeasureID as Code From tbinvUnitOfMeasure  Where UnitOfMeasure Like 'TAB%' and ( Not Status = 'I' or Status is Null ) Order by UnitOfMeasure", 1);

        // Verification password
        add("password",
            "Select EmployeeId, Password from password..tbpasswordmain where departmentid in ('4','00') "
            "and Right_Code1 = 'A' and Right_Code2 = 'S' and Employeeid = '2001' and Password = 'nothing'", 0);
    }

    void statement()
    {
        QFETCH(QString, sql);
        QFETCH(int, rows);
        try {
            const Recordset result = m_connection->Execute(sql);
            if (rows == -2)
                QCOMPARE(result.State(), int(Recordset::adStateClosed));
            else if (rows >= 0)
                QCOMPARE(result.RecordCount(), rows);
        } catch (const DbError &error) {
            QFAIL(qPrintable(error.description()));
        }
    }

    // What the writes above left behind reads back as SQL Server would give it.
    void writesReadBack()
    {
        Recordset line = m_connection->Execute("Select * From tbInvWithdrawRequest Where DocumentNumber = '15'");
        QCOMPARE(line.RecordCount(), 1);
        QCOMPARE(line.Fields("Status").toString(), QStringLiteral("D"));
        QCOMPARE(line.Fields("TransDate").toDateTime(), QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9)));
        QCOMPARE(line.Fields("VerifiedBy").toString(), QStringLiteral("2001"));
        QCOMPARE(line.Fields("VerifiedDate").typeId(), QMetaType::QDateTime);
        QCOMPARE(line.Fields("ProcessDate").typeId(), QMetaType::QDateTime);

        Recordset numbering = m_connection->Execute("Select (max(Cast(DocumentNumber as int)) + 1) as DocNum From tbInvWithdrawRequest");
        QCOMPARE(numbering.Fields("DocNum").toInt(), 16); // deleted documents count too

        Recordset location = m_connection->Execute("Select * From tbInvLocation Where LocationID = '1011'");
        QCOMPARE(location.Fields("IsWareHouse"), QVariant(true)); // -1 written to a bit
        QCOMPARE(m_connection->Execute("Select Convert( VarChar(4),Max( Convert(Integer,LocationID ) ) + 1 ) As NewLocationID From tbInvLocation")
                     .Fields("NewLocationID"), QVariant(QStringLiteral("1012")));
        Recordset supplier = m_connection->Execute("Select * From tbInvSupplier Where SupplierID = '13'");
        QVERIFY(!supplier.Fields("TermsID").isValid());
        QCOMPARE(supplier.Fields("isVAT"), QVariant(true));
        Recordset item = m_connection->Execute("Select * From tbInvMaster Where ItemID = '299'");
        QCOMPARE(item.Fields("ItemStatus").toInt(), -1);
        QCOMPARE(item.Fields("AverageCost").toDouble(), 1.1);
    }
};

QTEST_GUILESS_MAIN(TestStatementCorpus)
#include "tst_statement_corpus.moc"
