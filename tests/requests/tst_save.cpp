#include "EditorFixture.h"
#include "auth_report/Module1.h"
#include "auth_report/frmDeletePassword.h"

// The whole road of one request through the window: new, lines, save, verify, delete.
class TestSave : public QObject
{
    Q_OBJECT

    static QStringList listed(const EditorFixture &f)
    {
        auto *listing = f.control<QTableView>("grdListing");
        QStringList numbers;
        for (int row = 0; row < listing->model()->rowCount(); ++row)
            numbers << listing->model()->index(row, 0).data().toString();
        return numbers;
    }

    static void answerPassword(const QString &id, const QString &password)
    {
        ModalDialogs::script([id, password](QDialog &dialog) {
            auto *user = dialog.findChild<QLineEdit *>("txtUserID");
            auto *secret = dialog.findChild<QLineEdit *>("txtPassword");
            QTest::keyClicks(user, id);
            QTest::keyClick(user, Qt::Key_Return);
            QTest::keyClicks(secret, password);
            QTest::keyClick(secret, Qt::Key_Return);
        });
    }

    // The verification stamps of every request but the new one, read through another connection.
    static QStringList otherStamps(const EditorFixture &f)
    {
        QStringList stamps;
        Recordset rs = f.db->connect()->Execute("Select DocumentNumber, VerifiedBy, VerifiedDate From tbInvWithdrawRequest "
                                                "Where DocumentNumber <> '7' Order By LineID");
        for (; !rs.isEOF(); rs.MoveNext()) {
            QStringList row;
            for (const char *name : {"DocumentNumber", "VerifiedBy", "VerifiedDate"})
                row << (rs.Fields(name).isValid() ? rs.Fields(name).toString() : QStringLiteral("NULL"));
            stamps << row.join(u'\t');
        }
        return stamps;
    }

private slots:
    void aNewRequestIsSavedListedAndTheEditorCleared()
    {
        EditorFixture f;
        f.startNewRequest();
        f.enterLine(f.connection->Execute("Select BarCode From tbInvMaster Where ItemID = '142'").Fields("BarCode").toString(), "5");
        f.enterLine("116", "2");
        f.connection->trace().clear();
        f.click("cmdSave");
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 0);
        QCOMPARE(listed(f).first(), QStringLiteral("7"));
        QCOMPARE(f.field("txtDocNum")->text(), QStringLiteral("7"));
        QCOMPARE(f.grid()->Rows(), 2);
        QVERIFY(f.field("txtProdCode")->text().isEmpty());

        Recordset rs = f.connection->Execute("Select * From tbInvWithdrawRequest Where DocumentNumber = '7' Order By LineID");
        QCOMPARE(rs.RecordCount(), 2);
        QCOMPARE(rs.Fields("ItemID").toString(), QStringLiteral("142"));
        QCOMPARE(rs.Fields("Quantity").toDouble(), 5.0);
        QCOMPARE(rs.Fields("UnitCost").toDouble(), 3.2665);
        QCOMPARE(rs.Fields("ForRetail").toString(), QStringLiteral("Y"));
        QCOMPARE(rs.Fields("LocationID").toString(), QStringLiteral("20"));
        QCOMPARE(rs.Fields("TargetLocationID").toString(), QStringLiteral("1"));
        QCOMPARE(rs.Fields("UserID").toString(), QStringLiteral("1001"));
        QCOMPARE(rs.Fields("TransDate").toDateTime(), QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9)));
        QVERIFY(!rs.Fields("VerifiedBy").isValid());
        rs.MoveNext();
        QCOMPARE(rs.Fields("ItemID").toString(), QStringLiteral("116"));
    }

    void aTimeChosenAfterMidnightIsStoredSo()
    {
        EditorFixture f;
        f.startNewRequest();
        auto *date = f.control<QDateTimeEdit>("txtTransDate");
        f.focus(date);
        date->setSelectedSection(QDateTimeEdit::HourSection);
        QTest::keyClicks(date, "00");
        QCOMPARE(date->dateTime(), QDateTime(QDate(2026, 12, 7), QTime(0, 5, 9)));
        f.enterLine("142", "5");
        f.click("cmdSave");
        Recordset rs = f.db->connect()->Execute("Select TransDate From tbInvWithdrawRequest Where DocumentNumber = '7'");
        QCOMPARE(rs.Fields("TransDate").toDateTime(), QDateTime(QDate(2026, 12, 7), QTime(0, 5, 9)));
    }

    void anEmptyTargetWritesNothing()
    {
        EditorFixture f;
        f.click("cmdNew");
        f.combo("cboTargetLocation")->setText(QString());
        f.field("txtDocNum")->clear();
        const int rows = f.connection->Execute("Select * From tbInvWithdrawRequest").RecordCount();
        f.click("cmdSave");
        QCOMPARE(f.lastMessage(), QStringLiteral("Invalid target location..."));
        QCOMPARE(f.focused(), static_cast<QWidget *>(f.combo("cboTargetLocation")));
        QCOMPARE(f.connection->Execute("Select * From tbInvWithdrawRequest").RecordCount(), rows);
    }

    void aFailedSaveKeepsTheEditorAndNew()
    {
        EditorFixture f;
        f.startNewRequest();
        f.enterLine("142", "5");
        f.connection->failStatementAt(3, "the disk is full"); // during the inserts
        f.click("cmdSave");
        QCOMPARE(f.lastMessage(), QStringLiteral("the disk is full"));
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 1);
        QCOMPARE(f.field("txtDocNum")->text(), QStringLiteral("NEW"));
        QCOMPARE(f.grid()->Rows(), 3);
        QCOMPARE(f.connection->Execute("Select * From tbInvWithdrawRequest Where DocumentNumber = '7'").RecordCount(), 0);
        f.click("cmdSave"); // the retry succeeds
        QCOMPARE(f.connection->Execute("Select * From tbInvWithdrawRequest Where DocumentNumber = '7'").RecordCount(), 1);
    }

    void aRequestWithoutLinesIsNeitherNumberedNorErased()
    {
        EditorFixture f;
        f.startNewRequest();
        f.connection->trace().clear();
        f.click("cmdSave");
        QCOMPARE(f.lastMessage(), QStringLiteral("This request has no lines. Enter at least one line before saving."));
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 1);
        QCOMPARE(f.field("txtDocNum")->text(), QStringLiteral("NEW"));
        QVERIFY(f.connection->trace().statements().filter("tbInvWithdrawRequest").isEmpty()); // no number drawn

        // A stored request whose lines were all removed stays as it was stored.
        MsgBoxScript::answer(vbYes);
        f.click("cmdCancel");
        f.select("5");
        f.click("cmdEdit");
        for (int line = 0; line < 3; ++line)
            f.click("cmdDelete");
        QCOMPARE(f.grid()->Rows(), 2);
        QCOMPARE(f.field("txtTotalCounter")->text(), QStringLiteral("0.0000"));
        f.click("cmdSave");
        QVERIFY(f.lastMessage().contains("no lines left"));
        QVERIFY(f.lastMessage().contains("\"Delete\""));
        QCOMPARE(f.storedLines("5"), 3);
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 1);
        // So does save with verification.
        answerPassword("2001", "verify");
        f.click("cmdVerified");
        QVERIFY(f.lastMessage().contains("no lines left"));
        QCOMPARE(f.storedLines("5"), 3);
        QCOMPARE(listed(f), QStringList({"6", "5", "4"}));
    }

    void saveVerifyNeedsAnAcceptedPassword()
    {
        EditorFixture f;
        f.startNewRequest();
        f.enterLine("142", "5");

        ModalDialogs::script([](QDialog &dialog) { QTest::keyClick(dialog.findChild<QLineEdit *>("txtUserID"), Qt::Key_Escape); });
        f.click("cmdVerified");
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 1);

        answerPassword("2001", "wrong");
        f.click("cmdVerified");
        QCOMPARE(f.lastMessage(), QStringLiteral("Password not valid!"));
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 1);
        QCOMPARE(f.connection->Execute("Select * From tbInvWithdrawRequest Where DocumentNumber = '7'").RecordCount(), 0);

        answerPassword("1001", "demo"); // the requester may not verify
        f.click("cmdVerified");
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 1);

        const QStringList stampsBefore = otherStamps(f);
        answerPassword("  2001 ", " verify ");
        f.click("cmdVerified");
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 0);
        Recordset rs = f.connection->Execute("Select VerifiedBy, VerifiedDate From tbInvWithdrawRequest Where DocumentNumber = '7'");
        QCOMPARE(rs.RecordCount(), 1);
        QCOMPARE(rs.Fields("VerifiedBy").toString(), QStringLiteral("2001"));
        QCOMPARE(rs.Fields("VerifiedDate").typeId(), QMetaType::QDateTime);
        // Only this request is stamped, as another workstation reads it: the others keep
        // their stamps or none.
        QCOMPARE(otherStamps(f), stampsBefore);
        QVERIFY(stampsBefore.contains(u"4\tNULL\tNULL"));
    }

    void deleteMarksTheRequestSelectedInTheListing()
    {
        EditorFixture f;
        auto *listing = f.control<QTableView>("grdListing");
        listing->setCurrentIndex(listing->model()->index(2, 0)); // request 4
        f.click("cmdEdit");
        listing->setCurrentIndex(listing->model()->index(0, 0)); // request 6 selected meanwhile
        MsgBoxScript::answer(vbNo);
        f.click("cmdDeleteReq");
        QCOMPARE(f.lastMessage(), QStringLiteral("Are you sure you want to delete this record?"));
        QCOMPARE(listed(f), QStringList({"6", "5", "4"}));
        MsgBoxScript::answer(vbYes);
        f.click("cmdDeleteReq");
        QCOMPARE(listed(f), QStringList({"5", "4"}));
        Recordset rs = f.connection->Execute("Select Status, ProcessBy From tbInvWithdrawRequest Where DocumentNumber = '6'");
        QVERIFY(rs.RecordCount() > 0);
        QCOMPARE(rs.Fields("Status").toString(), QStringLiteral("D"));
        QCOMPARE(rs.Fields("ProcessBy").toString(), QStringLiteral("1001"));
        QCOMPARE(f.field("txtDocNum")->text(), QStringLiteral("4")); // the editor is untouched
    }

    void theVerifierStatementAndTheDialogsFreshStart()
    {
        QCOMPARE(frmDeletePassword::passwordStatement("2001", "5ACD"),
                 QStringLiteral("Select EmployeeId, Password from password..tbpasswordmain where departmentid in ('4','00') "
                                "and Right_Code1 = 'A' and Right_Code2 = 'S' and Employeeid = '2001' and Password = '5ACD'"));
        EditorFixture f;
        frmDeletePassword dialog;
        answerPassword("2001", "verify");
        ModalDialogs::exec(dialog);
        QVERIFY(dialog.OKCharge());
        QCOMPARE(dialog.VerifyID(), QStringLiteral("2001"));
        ModalDialogs::script([](QDialog &d) { QTest::keyClick(d.findChild<QLineEdit *>("txtPassword"), Qt::Key_Escape); });
        ModalDialogs::exec(dialog);
        QVERIFY(!dialog.OKCharge());
        QCOMPARE(dialog.VerifyID(), QString());
        // An empty password is enciphered and compared too.
        f.connection->trace().clear();
        QVERIFY(!dialog.GetPassword("2001", ""));
        QVERIFY(f.connection->trace().statements().last().endsWith("Password = '" + CryptPassword("E", "VELTAMORQUISH", "") + "'"));
    }
};

QTEST_MAIN(TestSave)
#include "tst_save.moc"
