#include "EditorFixture.h"

#include "db/DbError.h"
#include "requests/RequestStore.h"

#include <QFile>
#include <QKeyEvent>

Q_DECLARE_METATYPE(RequestDocument)

// Texts and numbers that try to break a statement or a figure, typed or stored, and a
// database that goes away under the open window.
class TestHostileInput : public QObject
{
    Q_OBJECT

    static const QString &longText()
    {
        static const QString text = QString(3990, QChar(u'Ж')) + QStringLiteral("'; --[%]");
        return text;
    }

    static void storeHostileRows(Connection &c)
    {
        c.Execute("Insert Into tbInvLocation (LocationID, Location, IsWareHouse, isDispensingArea, AllowOrder) "
                  "Values ('55', 'WARD \"B\"; --[X] 100% O''NEIL', 0, 0, 1)");
        c.Execute("Insert Into tbInvMaster (ItemID, ItemName, ItemDesc, BarCode, AverageCost, ListCost, Packing, IsSeniorDiscounted, WithLotNumber) "
                  "Values ('X''1', 'ÉCOLE \"B\"; -- [1] 50%', '" + QString(longText()).replace("'", "''") + "', '[%]''\"', 2.5, 3, 1, 0, 0)");
        c.Execute("Insert Into tbInvent (ItemID, LocationID, OnHand, IsADSStock, ItemStatus) Values ('X''1', '20', 40, 0, 0)");
        // A numeric code, so that it is searched as a code; its bar code holds a quote.
        c.Execute("Insert Into tbInvMaster (ItemID, ItemName, BarCode, AverageCost, IsSeniorDiscounted, WithLotNumber) "
                  "Values ('9002', 'GAUZE [STERILE]', '12''34;--', 1, 0, 0)");
        c.Execute("Insert Into tbInvent (ItemID, LocationID, OnHand, IsADSStock, ItemStatus) Values ('9002', '20', 40, 0, 0)");
    }

    static int storedRows(Connection &c, const QString &where)
    {
        return c.Execute("Select * From tbInvWithdrawRequest Where " + where).RecordCount();
    }

private slots:
    void storedQuotesBracketsAndLongTextsTravelUnchanged()
    {
        EditorFixture f;
        storeHostileRows(*f.connection);
        f.click("cmdNew");
        // The location picked from the list, then the drop-down left.
        f.focus(f.combo("cboTargetLocation"));
        f.combo("cboTargetLocation")->setText("WARD \"B\"; --[X] 100% O'NEIL");
        f.tab();
        QCOMPARE(f.combo("cboTargetLocation")->Tag(), QStringLiteral("55"));

        // The product found by the start of its accented name, chosen in the dialog.
        ModalDialogs::script([](QDialog &dialog) {
            auto *grid = dialog.findChild<QTableView *>("grdLookup");
            QVERIFY(grid && grid->model()->rowCount() >= 1);
            QTest::mouseClick(dialog.findChild<QPushButton *>("cmdOptions_1"), Qt::LeftButton);
        });
        f.replaceText(f.field("txtProdCode"), "");
        for (const QChar c : QStringLiteral("école")) { // typed as a keyboard delivers accented letters
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(f.field("txtProdCode"), &press);
        }
        QCOMPARE(f.field("txtProdCode")->text(), QStringLiteral("ÉCOLE"));
        f.tab();
        // One product matches: it is taken without the dialog.
        ModalDialogs::clearScript();
        QCOMPARE(f.field("txtProdCode")->text(), QStringLiteral("X'1"));
        QCOMPARE(f.field("txtProdName")->text(), QStringLiteral("ÉCOLE \"B\"; -- [1] 50% ") + longText());
        f.replaceText(f.field("txtWithdraw"), "2");
        f.tab();
        f.click("cmdOK");
        f.click("cmdSave");
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 0);
        Recordset saved = f.connection->Execute("Select ItemID, TargetLocationID From tbInvWithdrawRequest Where DocumentNumber = '7'");
        QCOMPARE(saved.RecordCount(), 1);
        QCOMPARE(saved.Fields("ItemID").toString(), QStringLiteral("X'1"));
        QCOMPARE(saved.Fields("TargetLocationID").toString(), QStringLiteral("55"));
        // Nothing stored was changed on the way.
        QCOMPARE(f.connection->Execute("Select ItemDesc From tbInvMaster Where ItemID = 'X''1'").Fields("ItemDesc").toString(), longText());

        // The bar code with a quote and a comment mark finds its item.
        f.click("cmdNew");
        f.focus(f.field("txtProdCode"));
        f.field("txtProdCode")->setText("12'34;--"); // as a scanner delivers it
        f.tab();
        QCOMPARE(f.field("txtProdCode")->text(), QStringLiteral("9002"));
        QCOMPARE(f.field("txtProdName")->text(), QStringLiteral("GAUZE [STERILE] "));
    }

    void quantitiesThatAreNoSaneNumberAreRefusedClearly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("one billion") << "1000000000" << "Invalid entry... A quantity must be below 1,000,000,000.";
        QTest::newRow("huge") << "1E308" << "Invalid entry... A quantity must be below 1,000,000,000.";
        QTest::newRow("forty digits") << "1234567890123456789012345678901234567890" << "Invalid entry... A quantity must be below 1,000,000,000.";
        QTest::newRow("hex") << "0X10" << "Invalid entry...";
        QTest::newRow("loose grouping") << "1,2,3" << "Invalid entry...";
        QTest::newRow("statement") << "5); DELETE TBINVMASTER --" << "Invalid entry...";
    }

    void quantitiesThatAreNoSaneNumberAreRefusedClearly()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        EditorFixture f;
        f.startNewRequest();
        f.replaceText(f.field("txtProdCode"), "142");
        f.tab();
        f.replaceText(f.field("txtWithdraw"), typed);
        f.tab();
        QCOMPARE(f.lastMessage(), message);
        QCOMPARE(f.focused(), f.field("txtWithdraw"));
        QCOMPARE(f.grid()->Rows(), 2);
    }

    void minusZeroIsZero()
    {
        EditorFixture f;
        f.startNewRequest();
        f.replaceText(f.field("txtProdCode"), "142");
        f.tab();
        f.replaceText(f.field("txtWithdraw"), "-0");
        f.tab();
        QCOMPARE(f.field("txtWithdraw")->text(), QStringLiteral("0"));
        f.click("cmdOK");
        QCOMPARE(f.lastMessage(), QStringLiteral("Please enter a value for Quantity."));
    }

    void aRequestUpToTheLineLimit()
    {
        EditorFixture f;
        f.storeRequest("900", 32765);
        f.click("optOptions_0");
        f.select("900");
        f.click("cmdEdit");
        QCOMPARE(f.grid()->Rows(), 32767);
        QCOMPARE(f.field("txtTotalCounter")->text(), QStringLiteral("65,530.0000"));
        // One more line fits; the one after it does not.
        f.click("cmdAdd");
        f.enterLine("142", "1");
        QCOMPARE(f.grid()->Rows(), 32768);
        QCOMPARE(f.field("txtLineCounter")->text(), QStringLiteral(" 32767/ 32767"));
        f.enterLine("142", "1");
        QVERIFY(f.lastMessage().contains("at most 32766 lines"));
        QCOMPARE(f.grid()->Rows(), 32768);
        MsgBoxScript::answer(vbNo); // the line that did not fit is left out
        f.click("cmdSave");
        QVERIFY(f.lastMessage().startsWith("The line in the entry fields (item 142, quantity 1) has not been added"));
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 0);
        QCOMPARE(f.storedLines("900"), 32766);
    }

    void aStoredRequestBeyondTheLineLimitLosesNothing()
    {
        EditorFixture f;
        f.storeRequest("901", 32767);
        f.click("optOptions_0");
        f.select("901");
        MsgBoxScript::clearShown();
        f.click("cmdEdit");
        // Warned once, the first 32,766 lines shown.
        QCOMPARE(MsgBoxScript::shown().size(), size_t(1));
        QVERIFY(f.lastMessage().contains("32767 lines"));
        QCOMPARE(f.grid()->Rows(), 32768);
        QCOMPARE(f.grid()->TextMatrix(32767, 0), QString());
        // Its save would delete the line not shown: refused, with or without a change.
        f.click("cmdSave");
        QVERIFY(f.lastMessage().contains("It is not saved"));
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 1);
        f.grid()->setRow(1);
        f.click("cmdDelete");
        f.click("cmdSave");
        QCOMPARE(f.storedLines("901"), 32767);
        // A new request afterwards saves as usual.
        f.startNewRequest();
        f.enterLine("142", "1");
        f.click("cmdSave");
        QCOMPARE(f.storedLines("902"), 1);
    }

    void aConnectionThatDropsIsMadeAgainByTheNextAction()
    {
        EditorFixture f;
        f.startNewRequest();
        f.enterLine("142", "5");
        const QString file = f.db->file();
        // The link breaks while the database is away: the action says so and keeps the lines.
        f.connection->simulateLostConnection();
        QVERIFY(QFile::rename(file, file + ".away"));
        f.click("cmdSave");
        QVERIFY2(f.lastMessage().contains("does not exist") || f.lastMessage().contains("not there"),
                 qPrintable(f.lastMessage()));
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 1);
        QCOMPARE(f.column(0), QStringList({"142", ""}));
        // Back again: the next action connects anew and goes through.
        QVERIFY(QFile::rename(file + ".away", file));
        f.click("cmdSave");
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 0);
        QCOMPARE(storedRows(*f.connection, "DocumentNumber = '7'"), 1);
    }

    void aDatabaseThatGoesAwayAndComesBack()
    {
        EditorFixture f;
        f.startNewRequest();
        f.enterLine("142", "5");
        const QString file = f.db->file();
        const QString aside = file + ".aside";
        QVERIFY(QFile::rename(file, aside));
        f.click("cmdSave");
        QVERIFY2(f.lastMessage().contains("not there any more"), qPrintable(f.lastMessage()));
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 1);
        QCOMPARE(f.column(0), QStringList({"142", ""})); // what the user typed is kept
        QCOMPARE(f.field("txtDocNum")->text(), QStringLiteral("NEW"));
        QVERIFY(QFile::rename(aside, file));
        f.click("cmdSave");
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 0);
        QCOMPARE(storedRows(*f.connection, "DocumentNumber = '7'"), 1);

        // Removed, then restored from a copy: the program opens the restored file.
        f.connection->Execute("PRAGMA wal_checkpoint(TRUNCATE)");
        const QString copy = file + ".copy";
        QVERIFY(QFile::copy(file, copy));
        QVERIFY(QFile::remove(file));
        auto *listing = f.control<QTableView>("grdListing");
        listing->setCurrentIndex(listing->model()->index(0, 0));
        f.click("cmdEdit");
        QVERIFY2(f.lastMessage().contains("not there any more"), qPrintable(f.lastMessage()));
        QVERIFY(QFile::rename(copy, file));
        f.click("cmdEdit");
        QCOMPARE(f.field("txtDocNum")->text(), QStringLiteral("7"));
        QCOMPARE(f.column(0), QStringList({"142", ""}));
    }

    void aSaveUnderWayWhenTheFileIsDeletedIsReportedLost()
    {
        EditorFixture f;
        f.startNewRequest();
        f.enterLine("142", "5");
        f.enterLine("10", "2");
        const QString file = f.db->file();
        f.connection->Execute("PRAGMA wal_checkpoint(TRUNCATE)");
        QVERIFY(QFile::copy(file, file + ".copy1"));
        QVERIFY(QFile::copy(file, file + ".copy2"));
        const auto deleteFileAt = [&](const QString &when) {
            f.connection->setBeforeStatement([file, when](const QString &statement) {
                if (statement.startsWith(when))
                    QFile::remove(file);
            });
        };
        const auto checkLost = [&] {
            QVERIFY2(f.lastMessage().startsWith("The database file " + file + " was deleted or moved while this save was running: "
                                                "the save did not reach it and is lost."),
                     qPrintable(f.lastMessage()));
            QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 1);
            QCOMPARE(f.column(0), QStringList({"142", "10", ""}));
            QCOMPARE(f.field("txtDocNum")->text(), QStringLiteral("NEW"));
        };

        // Deleted while the lines are written, and deleted while the commit runs.
        deleteFileAt("Insert tbInvWithdrawRequest");
        f.click("cmdSave");
        checkLost();
        QVERIFY(QFile::rename(file + ".copy1", file));
        deleteFileAt("COMMIT");
        f.click("cmdSave");
        checkLost();

        // Restored from a copy, the file holds nothing of the lost saves (they do not come
        // back behind the user's back), and the next save stores the request once.
        f.connection->setBeforeStatement({});
        QVERIFY(QFile::rename(file + ".copy2", file));
        f.click("cmdSave");
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 0);
        QCOMPARE(storedRows(*f.connection, "DocumentNumber = '7'"), 2);
        QCOMPARE(storedRows(*f.connection, "DocumentNumber = '8'"), 0);
    }

    void charactersNoStatementCanCarryAreRefusedByName_data()
    {
        QTest::addColumn<RequestDocument>("document");
        QTest::addColumn<QString>("employee");
        QTest::addColumn<QString>("message");
        RequestDocument document;
        document.documentNumber = "3";
        document.transDate = QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9));
        document.locationId = "20";
        document.targetLocationId = "1";
        document.lines = {{"142", "1", "2", "N", "N"}, {"10", "1", "2", "N", "N"}};
        RequestDocument code = document;
        code.lines[1].itemId = QStringLiteral("A") + QChar(0xD800);
        QTest::newRow("half a pair in an item code") << code << "1001"
            << "The item code on line 2 holds a character that cannot be stored (U+D800 at position 2).";
        RequestDocument target = document;
        target.targetLocationId = QString(QChar(0xDC00));
        QTest::newRow("half a pair in the target") << target << "1001"
            << "The target location holds a character that cannot be stored (U+DC00 at position 1).";
        QTest::newRow("NUL in the employee code") << document << QStringLiteral("10") + QChar(0) + QStringLiteral("01")
            << "The employee code holds a character that cannot be stored (U+0000 at position 3).";
        RequestDocument number = document;
        number.documentNumber = QStringLiteral("3") + QChar(0) + QStringLiteral("' Or '1' = '1");
        QTest::newRow("NUL in the document number") << number << "1001"
            << "The document number holds a character that cannot be stored (U+0000 at position 2).";
    }

    void charactersNoStatementCanCarryAreRefusedByName()
    {
        QFETCH(RequestDocument, document);
        QFETCH(QString, employee);
        QFETCH(QString, message);
        TestDatabase db;
        auto connection = db.connect();
        const int before = storedRows(*connection, "DocumentNumber = '3'");
        connection->trace().clear();
        try {
            RequestStore(*connection).save(document, employee);
            QFAIL("the save should be refused");
        } catch (const DbError &error) {
            QCOMPARE(error.description(), message);
        }
        QCOMPARE(connection->trace().statements(), QStringList()); // refused before anything was sent
        QCOMPARE(storedRows(*connection, "DocumentNumber = '3'"), before);
    }
};

QTEST_MAIN(TestHostileInput)
#include "tst_hostile_input.moc"
