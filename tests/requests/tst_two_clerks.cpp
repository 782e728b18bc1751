#include "EditorFixture.h"
#include "requests/RequestConflict.h"
#include "requests/RequestStore.h"

#include <QLabel>
#include <QProcess>

// A request another workstation saved, marked deleted or processed while this window had
// it open is never written over; processed requests and rights are asked and checked at
// the save; a line left in the entry fields is not dropped unasked. What is stored is read
// by other processes.
class TestTwoClerks : public QObject
{
    Q_OBJECT

    // Runs one statement in another process; the rows it prints, without the titles.
    static QStringList otherProcess(const EditorFixture &f, const QString &statement)
    {
        QProcess process;
        process.start(QStringLiteral(QUELLAR_ADMIN), {"sql", f.db->file(), statement});
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            qWarning("quellar-admin sql failed: %s", process.readAllStandardError().constData());
        QStringList rows = QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        if (!rows.isEmpty())
            rows.removeFirst();
        return rows;
    }

    // The lines of a request as another process reads them.
    static QStringList stored(const EditorFixture &f, const QString &number)
    {
        return otherProcess(f, "Select ItemID, UserID, Status, ProcessBy, VerifiedBy, ProcessDate Is Null As Open "
                               "From tbInvWithdrawRequest Where DocumentNumber = '" + number + "' Order By LineID");
    }

    // A second clerk, in another process, opens the request and saves it with these items.
    static QString otherClerkSaves(const EditorFixture &f, const QString &number, const QString &codes)
    {
        QProcess process;
        process.start(QStringLiteral(QUELLAR_STORE_WRITER), {f.db->file(), "edit", number, "2001", codes});
        process.waitForFinished(60000);
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

    static void open(const EditorFixture &f, const QString &number)
    {
        f.select(number);
        f.click("cmdEdit");
    }

    static QString state(const EditorFixture &f) { return f.control<QLabel>("lblRequestState")->text(); }
    static int tab(const EditorFixture &f) { return f.control<QTabWidget>("SSTab1")->currentIndex(); }
    static int lastStyle() { return MsgBoxScript::shown().back().style; }

private slots:
    void theLaterOfTwoEditsIsRefusedAndMayReload()
    {
        EditorFixture f;
        open(f, "4");
        QCOMPARE(state(f), QStringLiteral("Pending, not verified."));
        f.click("cmdDelete"); // this clerk drops the first line
        QCOMPARE(otherClerkSaves(f, "4", "10,142"), QStringLiteral("saved 4"));
        const QStringList theirs = stored(f, "4");
        QCOMPARE(theirs.size(), 2);

        MsgBoxScript::answer(vbNo);
        f.click("cmdSave");
        QCOMPARE(f.lastMessage(), QStringLiteral("Request 4 was changed since you opened it (last saved by 2001). "
                                                 "Nothing was saved.\n\nReload request 4 as it is stored now? Yes "
                                                 "replaces the lines on your screen; No keeps them."));
        QVERIFY(lastStyle() & vbDefaultButton2);
        QCOMPARE(stored(f, "4"), theirs);
        QCOMPARE(tab(f), 1);
        QCOMPARE(f.grid()->lineCount(), 4); // this clerk's lines stay on screen

        MsgBoxScript::answer(vbYes);
        f.click("cmdSave");
        QCOMPARE(stored(f, "4"), theirs);
        QCOMPARE(f.column(0), QStringList({"10", "142", ""}));
        f.click("cmdSave"); // the reloaded request is the stored one
        QCOMPARE(tab(f), 0);
        QCOMPARE(stored(f, "4"), QStringList({"10\t1001\tNULL\tNULL\tNULL\t1", "142\t1001\tNULL\tNULL\tNULL\t1"}));
    }

    void aRequestDeletedOrProcessedMeanwhileIsNotSavedOver_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("happened");
        QTest::addColumn<QString>("shownState");
        QTest::newRow("deleted") << "Update tbInvWithDrawRequest set Status = 'D', ProcessDate = getdate(), ProcessBy = '3001'  where DocumentNumber = '4'"
                                 << "Request 4 was marked deleted by 3001 on " << "Deleted by 3001 on ";
        QTest::newRow("processed") << "Update tbInvWithdrawRequest Set ProcessDate = getdate(), ProcessBy = '3001' Where DocumentNumber = '4'"
                                   << "Request 4 was processed by 3001 on " << "Processed by 3001 on ";
        QTest::newRow("verified") << "Update tbInvWithdrawRequest Set VerifiedBy = '2001', VerifiedDate = getdate() Where DocumentNumber = '4'"
                                  << "Request 4 was verified by 2001 on " << "Pending, verified by 2001 on ";
    }

    void aRequestDeletedOrProcessedMeanwhileIsNotSavedOver()
    {
        QFETCH(QString, statement);
        QFETCH(QString, happened);
        QFETCH(QString, shownState);
        EditorFixture f;
        open(f, "4");
        f.click("cmdDelete");
        otherProcess(f, statement);
        const QStringList theirs = stored(f, "4");
        QCOMPARE(theirs.size(), 5);

        MsgBoxScript::answer(vbYes); // reload
        f.click("cmdSave");
        QVERIFY2(f.lastMessage().startsWith(happened), qPrintable(f.lastMessage()));
        QVERIFY(f.lastMessage().contains(" since you opened it. Nothing was saved."));
        QCOMPARE(stored(f, "4"), theirs);
        QVERIFY2(state(f).startsWith(shownState), qPrintable(state(f)));
        QCOMPARE(f.grid()->lineCount(), 5);

        // Opened as it is now: a deleted request is refused, a processed or verified one
        // asked about.
        const bool deleted = QString(QTest::currentDataTag()) == "deleted";
        if (!deleted)
            MsgBoxScript::answer(vbNo);
        f.click("cmdSave");
        if (deleted) {
            QVERIFY(f.lastMessage().endsWith("; a deleted request is never saved over. Nothing was saved."));
        } else {
            QVERIFY2(f.lastMessage().contains(QString(QTest::currentDataTag()) == "processed"
                                                  ? "; the warehouse may have issued it already.\nSaving it makes it pending again."
                                                  : ".\nSaving it clears the verification; it must be verified again."),
                     qPrintable(f.lastMessage()));
            QVERIFY(lastStyle() & vbDefaultButton2);
        }
        QCOMPARE(stored(f, "4"), theirs);
        QCOMPARE(tab(f), 1);
    }

    void aProcessedRequestIsSavedOverOnlyWhenTheClerkSaysSo()
    {
        EditorFixture f;
        f.click("optOptions_1");
        open(f, "1");
        QCOMPARE(state(f), QStringLiteral("Processed by 2001 on 11/24/2026 03:10 PM, verified by 2001 on 11/24/2026 10:05 AM."));
        f.click("cmdDelete");
        const QStringList before = stored(f, "1");
        MsgBoxScript::answer(vbNo);
        f.click("cmdSave");
        QCOMPARE(f.lastMessage(), QStringLiteral("Request 1 was processed by 2001 on 11/24/2026 03:10 PM; the warehouse may "
                                                 "have issued it already.\nSaving it makes it pending again and clears its "
                                                 "verification by 2001 on 11/24/2026 10:05 AM.\n\nSave it anyway?"));
        QVERIFY(lastStyle() & vbDefaultButton2);
        QCOMPARE(stored(f, "1"), before);

        MsgBoxScript::answer(vbYes);
        f.click("cmdSave");
        QCOMPARE(tab(f), 0);
        QCOMPARE(state(f), QString());
        QCOMPARE(stored(f, "1"), QStringList({"183\t1001\tNULL\tNULL\tNULL\t1", "223\t1001\tNULL\tNULL\tNULL\t1", "182\t1001\tNULL\tNULL\tNULL\t1"}));
    }

    void aDeleteMarkIsRefusedWhenTheListedRequestChanged()
    {
        EditorFixture f;
        auto refusedDelete = [&f](const QString &number) {
            f.select(number);
            MsgBoxScript::clearShown();
            f.click("cmdDeleteReq");
            if (MsgBoxScript::shown().size() != 1) // refused before the question
                return QStringLiteral("asked or not refused: ") + f.lastMessage();
            return f.lastMessage();
        };
        QCOMPARE(otherClerkSaves(f, "4", "10,142"), QStringLiteral("saved 4"));
        QCOMPARE(refusedDelete("4"), QStringLiteral("Request 4 was changed since the list showed it (last saved by 2001): its "
                                                    "total is now 12.0000, the list shows 1312.0702. Nothing was deleted. "
                                                    "The list is shown anew."));
        otherProcess(f, "Update tbInvWithdrawRequest Set ProcessDate = getdate(), ProcessBy = '3001' Where DocumentNumber = '5'");
        QVERIFY(refusedDelete("5").startsWith("Request 5 was processed by 3001 on "));
        otherProcess(f, "Update tbInvWithDrawRequest set Status = 'D', ProcessDate = getdate(), ProcessBy = '3001'  where DocumentNumber = '6'");
        QVERIFY(refusedDelete("6").startsWith("Request 6 was marked deleted by 3001 on "));
        QVERIFY(stored(f, "4").filter("\tD\t").isEmpty());
        QCOMPARE(stored(f, "5").filter("\t3001\t").size(), 3);

        // A change while the clerk is asked: the mark goes only onto what was read before.
        RequestStore store(*f.connection);
        const StoredRequest asked = store.readStored("4");
        otherProcess(f, "Update tbInvWithdrawRequest Set Quantity = 7 Where DocumentNumber = '4'");
        try {
            store.markDeleted("4", "1001", asked);
            QFAIL("the mark should be refused");
        } catch (const RequestConflict &conflict) {
            QCOMPARE(conflict.description(), QStringLiteral("Request 4 was changed since the list showed it (last saved "
                                                            "by 2001). Nothing was deleted."));
        }
        QVERIFY(stored(f, "4").filter("\tD\t").isEmpty());

        // A processed request asks first, and No leaves it the warehouse's.
        f.click("optOptions_1");
        f.select("1");
        MsgBoxScript::answer(vbNo);
        f.click("cmdDeleteReq");
        QCOMPARE(f.lastMessage(), QStringLiteral("Request 1 was processed by 2001 on 11/24/2026 03:10 PM. Marking it deleted "
                                                 "overwrites who processed it and when.\n\nAre you sure you want to delete this record?"));
        QVERIFY(lastStyle() & vbDefaultButton2);
        QCOMPARE(stored(f, "1").filter("\t2001\t2001\t0").size(), 4);
        MsgBoxScript::answer(vbYes);
        f.click("cmdDeleteReq");
        QCOMPARE(stored(f, "1").filter("\tD\t1001\t2001\t0").size(), 4);
    }

    void theSaveChecksTheEmployeesRightToTheLocation()
    {
        EditorFixture f;
        f.startNewRequest();
        f.enterLine("142", "5");
        otherProcess(f, "Delete tbInvUserLocation Where EmployeeID = '1001'"); // rights withdrawn meanwhile
        f.click("cmdSave");
        QCOMPARE(f.lastMessage(), QStringLiteral("You may not request from location 20 (MEDICAL WARD - 3RD FLOOR): it is not "
                                                 "among the locations of employee 1001. Nothing was saved."));
        QCOMPARE(tab(f), 1);
        QCOMPARE(f.field("txtDocNum")->text(), QStringLiteral("NEW"));
        QVERIFY(stored(f, "7").isEmpty());

        otherProcess(f, "Insert tbInvUserLocation (EmployeeID, LocationID) Values ('1001', '20')");
        gstrUserInventoryType = QStringLiteral("X");
        f.click("cmdSave");
        QCOMPARE(f.lastMessage(), QStringLiteral("You may not request from location 20 (MEDICAL WARD - 3RD FLOOR): its inventory "
                                                 "types (MS) do not include yours (X). Nothing was saved."));
        QVERIFY(stored(f, "7").isEmpty());
        gstrUserInventoryType = QStringLiteral("S");
        f.click("cmdSave");
        QCOMPARE(tab(f), 0);
        QCOMPARE(stored(f, "7").size(), 1);
    }

    void aLineLeftInTheEntryFieldsIsAddedDroppedOrGoneBackTo()
    {
        EditorFixture f;
        auto typeLineWithoutUpdate = [&f] {
            f.startNewRequest();
            f.enterLine("142", "5");
            f.replaceText(f.field("txtProdCode"), "116");
            f.tab();
            f.replaceText(f.field("txtWithdraw"), "2");
            f.tab();
        };
        typeLineWithoutUpdate();
        MsgBoxScript::answer(vbCancel);
        f.click("cmdSave");
        QCOMPARE(f.lastMessage(), QStringLiteral("The line in the entry fields (item 116, quantity 2) has not been added with "
                                                 "\"Update\".\n\nYes: add it, then save.\nNo: leave it out and save.\n"
                                                 "Cancel: go back to it; nothing is saved."));
        QVERIFY(lastStyle() & vbDefaultButton3);
        QCOMPARE(tab(f), 1);
        QCOMPARE(f.field("txtProdCode")->text(), QStringLiteral("116"));
        QVERIFY(stored(f, "7").isEmpty());

        MsgBoxScript::answer(vbNo);
        f.click("cmdSave");
        QCOMPARE(tab(f), 0);
        QCOMPARE(stored(f, "7"), QStringList({"142\t1001\tNULL\tNULL\tNULL\t1"}));

        typeLineWithoutUpdate();
        MsgBoxScript::answer(vbYes);
        f.click("cmdSave");
        QCOMPARE(tab(f), 0);
        QCOMPARE(stored(f, "8"), QStringList({"142\t1001\tNULL\tNULL\tNULL\t1", "116\t1001\tNULL\tNULL\tNULL\t1"}));
    }
};

QTEST_MAIN(TestTwoClerks)
#include "tst_two_clerks.moc"
