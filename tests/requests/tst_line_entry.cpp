#include "EditorFixture.h"

#include "app/NumberHandling.h"

#include <QLocale>
#include <QTabBar>

// Roads through the line entry where what is stored or shown could quietly differ from
// what the clerk saw: the ADS mark, the unit cost, the totals, the keyboard, the widths.
class TestLineEntry : public QObject
{
    Q_OBJECT

    static bool commaDecimals() { return QLocale().decimalPoint() == QLatin1String(","); }

    struct Stored {
        QString item;
        double unitCost;
        bool ads;
        QString retail;
    };

    static QList<Stored> storedLines(const EditorFixture &f, const QString &number)
    {
        QList<Stored> lines;
        Recordset rs = f.connection->Execute("Select ItemID, UnitCost, isADS, ForRetail From tbInvWithdrawRequest Where DocumentNumber = '"
                                             + number + "' Order By LineID");
        while (!rs.isEOF()) {
            lines.append({rs.Fields("ItemID").toString(), rs.Fields("UnitCost").toDouble(), rs.Fields("isADS").toBool(),
                          rs.Fields("ForRetail").toString()});
            rs.MoveNext();
        }
        return lines;
    }

private slots:
    void theLocaleTheseTestsRunUnder()
    {
        // The suite runs this file under C and under de_DE.UTF-8; make sure the second
        // really is a comma-decimal desktop.
        if (qEnvironmentVariable("LC_ALL").startsWith(u"de_DE"))
            QVERIFY(commaDecimals());
    }

    void theAdsMarkStoredIsTheOneShown()
    {
        EditorFixture f;
        // The listing's first request has ADS lines: New loads it on its way to an empty one.
        f.startNewRequest();
        auto *ads = f.control<QCheckBox>("chkAdS");
        // The empty entry shows no ADS stock of the request seen before.
        QVERIFY(!ads->isVisible());
        QVERIFY(!ads->isChecked());
        f.enterLine("142", "5");
        // An ADS item, corrected to one without ADS stock at the ward.
        f.replaceText(f.field("txtProdCode"), "10");
        f.tab();
        QVERIFY(ads->isVisible() && ads->isChecked());
        f.replaceText(f.field("txtProdCode"), "116");
        f.tab();
        QVERIFY(!ads->isVisible());
        QVERIFY(!ads->isChecked());
        f.replaceText(f.field("txtWithdraw"), "2");
        f.tab();
        f.click("cmdOK");
        f.enterLine("10", "1");
        QCOMPARE(f.column(6), QStringList({"N", "N", "Y", ""}));
        f.click("cmdSave");
        const QList<Stored> lines = storedLines(f, "7");
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0].item, QStringLiteral("142"));
        QVERIFY(!lines[0].ads);
        QCOMPARE(lines[1].item, QStringLiteral("116"));
        QVERIFY(!lines[1].ads);
        QCOMPARE(lines[2].item, QStringLiteral("10"));
        QVERIFY(lines[2].ads);
    }

    void aCorrectedCodeBringsItsOwnUnitCost()
    {
        EditorFixture f;
        // A stored line keeps the cost it was requested at when its item is entered again.
        f.connection->Execute("Update tbInvWithdrawRequest Set UnitCost = 45 Where DocumentNumber = '4' And ItemID = '10'");
        f.select("4");
        f.click("cmdEdit");
        QCOMPARE(f.field("txtProdCode")->text(), QStringLiteral("10"));
        QCOMPARE(f.field("txtUnitCost")->text(), QStringLiteral("45"));
        f.replaceText(f.field("txtProdCode"), "10");
        f.tab();
        QCOMPARE(f.field("txtUnitCost")->text(), QStringLiteral("45"));
        f.replaceText(f.field("txtWithdraw"), "3");
        f.tab();
        QCOMPARE(f.field("txtTotalCost")->text(), QStringLiteral("135.0000"));
        f.click("cmdOK");

        // Another item typed over a line's code takes that item's cost.
        f.grid()->setRow(2);
        QCOMPARE(f.field("txtUnitCost")->text(), QStringLiteral("3.2665"));
        f.replaceText(f.field("txtProdCode"), "10");
        f.tab();
        QCOMPARE(f.field("txtUnitCost")->text(), QStringLiteral("49.2231"));
        f.click("cmdOK");

        // On the blank row: one item looked up, then corrected to another.
        f.click("cmdAdd");
        f.replaceText(f.field("txtProdCode"), "10");
        f.tab();
        f.replaceText(f.field("txtProdCode"), "142");
        f.tab();
        QCOMPARE(f.field("txtProdName")->text().left(7), QStringLiteral("SYRINGE"));
        QCOMPARE(f.field("txtUnitCost")->text(), QStringLiteral("3.2665"));
        f.replaceText(f.field("txtWithdraw"), "5");
        f.tab();
        QCOMPARE(f.field("txtTotalCost")->text(), QStringLiteral("16.3325"));
        f.click("cmdOK");
        f.click("cmdSave");
        const QList<Stored> lines = storedLines(f, "4");
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines[0].unitCost, 45.0);
        QCOMPARE(lines[1].item, QStringLiteral("10"));
        QCOMPARE(lines[1].unitCost, 49.2231);
        QCOMPARE(lines[5].item, QStringLiteral("142"));
        QCOMPARE(lines[5].unitCost, 3.2665);
    }

    void theTotalsAlwaysDescribeTheGridShown()
    {
        EditorFixture f;
        f.select("6");
        f.click("cmdEdit");
        QCOMPARE(f.field("txtTotalCounter")->text(), QStringLiteral("4,848.1959"));
        QCOMPARE(f.field("txtLineCounter")->text(), QStringLiteral(" 1/ 7"));
        MsgBoxScript::answer(vbYes);
        f.click("cmdCancel");
        f.click("cmdNew");
        QCOMPARE(f.field("txtTotalCounter")->text(), QStringLiteral("0.0000"));
        QCOMPARE(f.field("txtLineCounter")->text(), QStringLiteral(" 1/ 1"));
        f.replaceText(f.combo("cboTargetLocation"), "CENTRAL WAREHOUSE");
        f.tab();
        f.enterLine("142", "5");
        QCOMPARE(f.field("txtTotalCounter")->text(), QStringLiteral("16.3325"));
        f.click("cmdSave");
        QCOMPARE(f.field("txtTotalCounter")->text(), QStringLiteral("0.0000"));
        QCOMPARE(f.field("txtLineCounter")->text(), QStringLiteral(" 1/ 1"));
    }

    void theGrandTotalAddsTheLineTotalsAsShown()
    {
        EditorFixture f;
        // Two stored lines whose totals, 1.00005 each, are shown rounded to 1.0001.
        f.connection->Execute("Insert Into tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS, LocationID, "
                              "TargetLocationID, TransDate, UserID) Values "
                              "('800', '142', 1.00005, 1, 'N', 0, '20', '1', '2026-12-01 08:00:00.000', '1001'), "
                              "('800', '116', 1.00005, 1, 'N', 0, '20', '1', '2026-12-01 08:00:00.000', '1001')");
        f.click("optOptions_0");
        f.select("800");
        f.click("cmdEdit");
        QCOMPARE(f.grid()->Rows(), 4);
        QCOMPARE(f.field("txtTotalCounter")->text(), QStringLiteral("2.0002"));
    }

    void theGrandTotalFollowsEveryChangeOfTheLines()
    {
        EditorFixture f;
        // The grand total recomputed from the totals shown, each rounded to four decimals.
        auto recomputed = [&f] {
            qint64 tenThousandths = 0;
            for (const QString &cell : f.column(4)) {
                if (NumberHandling::isNumeric(cell))
                    tenThousandths += NumberHandling::format(NumberHandling::numericValue(cell), NumberHandling::costPicture)
                                          .remove(u'.').toLongLong();
            }
            return NumberHandling::format(double(tenThousandths) / 10000, NumberHandling::amountPicture);
        };
        f.connection->Execute("Update tbInvWithdrawRequest Set Quantity = 1.00005, UnitCost = 1 Where DocumentNumber = '6' And ItemID = '101'");
        f.select("6");
        f.click("cmdEdit");
        QCOMPARE(f.field("txtTotalCounter")->text(), recomputed());
        f.grid()->setRow(2); // a stored line changed
        f.replaceText(f.field("txtWithdraw"), "7");
        f.tab();
        f.click("cmdOK");
        QCOMPARE(f.field("txtTotalCounter")->text(), recomputed());
        f.grid()->setRow(1); // a stored line removed
        f.click("cmdDelete");
        QCOMPARE(f.field("txtTotalCounter")->text(), recomputed());
        f.click("cmdAdd"); // and two entered, one of them removed again
        f.enterLine("142", "3");
        f.enterLine("116", "2");
        f.grid()->setRow(f.grid()->Rows() - 2);
        f.click("cmdDelete");
        QCOMPARE(f.column(0).size(), 7);
        QCOMPARE(f.field("txtTotalCounter")->text(), recomputed());
        QCOMPARE(f.field("txtTotalCounter")->text(), QStringLiteral("3,600.7998"));
        // Another request loaded over it starts afresh.
        MsgBoxScript::answer(vbYes);
        f.click("cmdCancel");
        f.select("5");
        f.click("cmdEdit");
        QCOMPARE(f.field("txtTotalCounter")->text(), QStringLiteral("1,034.1805"));
        QCOMPARE(f.field("txtTotalCounter")->text(), recomputed());
    }

    void nothingIsCutOffInTheGrid()
    {
        EditorFixture f;
        f.select("6"); // a line of 2,848.3404
        f.click("cmdEdit");
        QCOMPARE(f.cutTexts(), QStringList());
        MsgBoxScript::answer(vbYes);
        f.click("cmdCancel");
        f.startNewRequest();
        f.enterLine("140", "2"); // 1,262.1428
        MsgBoxScript::answer(vbYes); // more than the stock
        f.enterLine("139", "1000");
        QCOMPARE(f.grid()->TextMatrix(2, 4), QStringLiteral("246,558.8000"));
        QCOMPARE(f.cutTexts(), QStringList());
    }

    void aNameAFewPixelsTooWideWidensItsColumn()
    {
        EditorFixture f;
        f.startNewRequest();
        LineGrid *g = f.grid();
        // Twice: past the set width, then past the width the first name gave.
        for (const QString code : {"10", "142"}) {
            const QString name = EditorFixture::textWiderThan(g, EditorFixture::textRoom(g, 1), "WIDE ");
            QVERIFY(g->fontMetrics().horizontalAdvance(name) - EditorFixture::textRoom(g, 1) <= 4);
            f.connection->Execute("Update tbInvMaster Set ItemName = 'WIDE', ItemDesc = '" + name.mid(5) + "' Where ItemID = '" + code + "'");
            f.enterLine(code, "1");
            QCOMPARE(g->TextMatrix(g->lineCount(), 1), name);
            QVERIFY2(g->fontMetrics().horizontalAdvance(name) <= EditorFixture::textRoom(g, 1), qPrintable(name));
        }
    }

    void theStockQuestionOnlyForMoreThanTheStock()
    {
        EditorFixture f;
        f.startNewRequest();
        f.enterLine("142", "15"); // exactly the 15 on hand
        QVERIFY(MsgBoxScript::shown().empty());
        QCOMPARE(f.column(0), QStringList({"142", ""}));
        MsgBoxScript::answer(vbNo);
        f.enterLine("142", "16");
        QCOMPARE(f.lastMessage(), QStringLiteral("Quantity is greater than current stock.  Do you want to continue?"));
        QCOMPARE(f.column(0), QStringList({"142", ""}));
    }

    void aRetailLineReenteredUnderATargetWithoutRetail()
    {
        EditorFixture f;
        f.startNewRequest();
        f.enterLine("142", "5");
        QCOMPARE(f.grid()->TextMatrix(1, 5), QStringLiteral("Y"));
        // The target changes to one that takes no retail lines.
        f.connection->Execute("Update tbInvLocation Set IsWareHouse = 1, isDispensingArea = 1 Where LocationID = '2'");
        f.replaceText(f.combo("cboTargetLocation"), "MAIN PHARMACY");
        f.tab();
        f.grid()->setRow(1);
        auto *yes = f.control<QRadioButton>("optConsumed_0");
        QVERIFY(!yes->isEnabled());
        QVERIFY(!yes->isChecked());
        QVERIFY(f.control<QRadioButton>("optConsumed_1")->isChecked());
        f.click("cmdOK");
        f.click("cmdSave");
        const QList<Stored> lines = storedLines(f, "7");
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].retail, QStringLiteral("N"));
    }

    void aZeroCostLineThroughTheKeyboard()
    {
        EditorFixture f;
        f.connection->Execute("Update tbInvMaster Set AverageCost = 0 Where ItemID = '142'");
        f.startNewRequest();
        f.replaceText(f.field("txtProdCode"), "142");
        f.tab();
        QCOMPARE(f.field("txtUnitCost")->text(), QStringLiteral("0.0000"));
        f.replaceText(f.field("txtWithdraw"), "5");
        f.tab();
        // Enter in the unit cost checks it as Tab does, then goes to "&Update".
        QCOMPARE(f.focused(), f.field("txtUnitCost"));
        f.enter();
        QCOMPARE(f.field("txtUnitCost")->text(), QStringLiteral("0.00"));
        QCOMPARE(f.focused(), static_cast<QWidget *>(f.control("cmdOK")));
        f.enter();
        QCOMPARE(f.column(3), QStringList({"0.00", ""}));

        // The item's average cost changes meanwhile; leaving the line's "0.00" shows it as
        // the line's cost again.
        f.connection->Execute("Update tbInvMaster Set AverageCost = 7 Where ItemID = '142'");
        f.grid()->setRow(1);
        QCOMPARE(f.field("txtAverageCost")->text(), QStringLiteral("7.0000"));
        f.focus(f.field("txtUnitCost"));
        f.tab();
        QCOMPARE(f.field("txtAverageCost")->text(), QStringLiteral("0.0000"));
        QCOMPARE(f.field("txtTotalCost")->text(), QStringLiteral("0.0000"));
    }

    void enterMovesOnFromEveryFieldButACommandButton()
    {
        EditorFixture f;
        // The tab bar's arrows never open "Details".
        auto *tabs = f.control<QTabWidget>("SSTab1");
        f.focus(tabs->tabBar());
        QTest::keyClick(tabs->tabBar(), Qt::Key_Right);
        QTest::keyClick(tabs->tabBar(), Qt::Key_End);
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(f.field("txtDocNum")->text(), QString());

        f.startNewRequest();
        auto *date = f.control<QDateTimeEdit>("txtTransDate");
        const QDateTime when = date->dateTime();
        f.focus(date);
        f.enter();
        QCOMPARE(f.focused(), f.field("txtProdCode"));
        QCOMPARE(date->dateTime(), when);

        f.replaceText(f.field("txtProdCode"), "10");
        f.tab();
        f.replaceText(f.field("txtWithdraw"), "1");
        f.tab();
        f.focus(f.control("chkAdS"));
        f.enter();
        QCOMPARE(f.focused(), static_cast<QWidget *>(f.control("cmdOK")));
        QVERIFY(f.control<QCheckBox>("chkAdS")->isChecked());
        f.enter();
        QCOMPARE(f.column(0), QStringList({"10", ""}));

        // A line updated in place leaves "&Update" off; Enter on an option still moves on.
        f.grid()->setRow(1);
        f.replaceText(f.field("txtWithdraw"), "2");
        f.tab();
        f.click("cmdOK");
        QVERIFY(!f.control("cmdOK")->isEnabled());
        auto *no = f.control<QRadioButton>("optConsumed_1");
        f.focus(no);
        f.enter();
        QVERIFY(f.focused() != no);

        // A command button that does nothing keeps the focus: Enter only pressed it.
        f.focus(f.control("cmdExit"));
        MsgBoxScript::answer(vbNo);
        f.enter();
        QCOMPARE(f.lastMessage(), QStringLiteral("Are you sure you want to exit without saving?"));
        QCOMPARE(f.focused(), f.control("cmdExit"));
    }

    void theSearchButtonListsOnceThenTypedCodesAreExact()
    {
        EditorFixture f;
        f.startNewRequest();
        f.replaceText(f.field("txtProdCode"), "142");
        // "..." lists every product of the location whatever the field holds.
        int listed = 0;
        QString picked;
        ModalDialogs::script([&listed, &picked](QDialog &dialog) {
            auto *rows = dialog.findChild<QTableView *>("grdLookup");
            listed = rows->model()->rowCount();
            rows->setCurrentIndex(rows->model()->index(1, 0));
            picked = rows->currentIndex().data().toString();
            dialog.findChild<QPushButton *>("cmdOptions_1")->click();
        });
        f.click("cmdCode");
        QVERIFY(listed > 1);
        QVERIFY(picked != u"142");
        QCOMPARE(f.field("txtProdCode")->text(), picked);
        f.replaceText(f.field("txtWithdraw"), "1");
        f.tab();
        f.click("cmdOK");

        // After it, each typed code is looked up as it is: no list comes, twice over.
        for (const QString code : {"142", "10"}) {
            f.replaceText(f.field("txtProdCode"), code);
            f.tab();
            QCOMPARE(ModalDialogs::unscripted(), QStringList());
            QCOMPARE(f.field("txtProdCode")->text(), code);
            QVERIFY(!f.field("txtProdName")->text().trimmed().isEmpty());
            QCOMPARE(f.focused(), f.field("txtWithdraw"));
            f.replaceText(f.field("txtWithdraw"), "1");
            f.tab();
            f.click("cmdOK");
        }
        f.click("cmdSave");
        QCOMPARE(storedLines(f, "7").size(), 3);
        QCOMPARE(storedLines(f, "7")[0].item, picked);
        QCOMPARE(storedLines(f, "7")[1].item, QStringLiteral("142"));
        QCOMPARE(storedLines(f, "7")[2].item, QStringLiteral("10"));
    }

    void aQuantityTheDesktopWouldReadOtherwise()
    {
        EditorFixture f;
        f.startNewRequest();
        f.replaceText(f.field("txtProdCode"), "116");
        f.tab();
        QCOMPARE(f.field("txtUnitCost")->text(), QStringLiteral("24.1566"));
        f.replaceText(f.field("txtWithdraw"), "1.000");
        f.tab();
        if (commaDecimals()) {
            // One thousand to this clerk, one to the program: refused, never stored as 1.
            QCOMPARE(f.lastMessage(), QStringLiteral("Invalid entry..."));
            QCOMPARE(f.focused(), f.field("txtWithdraw"));
            f.replaceText(f.field("txtWithdraw"), "1000");
            f.tab();
        }
        QCOMPARE(f.field("txtTotalCost")->text(), commaDecimals() ? QStringLiteral("24,156.6000") : QStringLiteral("24.1566"));
        f.click("cmdOK");
        f.click("cmdSave");
        Recordset rs = f.connection->Execute("Select Quantity, UnitCost From tbInvWithdrawRequest Where DocumentNumber = '7'");
        QCOMPARE(rs.RecordCount(), 1);
        QCOMPARE(rs.Fields("Quantity").toDouble(), commaDecimals() ? 1000.0 : 1.0);
        QCOMPARE(rs.Fields("UnitCost").toDouble(), 24.1566);
    }
};

QTEST_MAIN(TestLineEntry)
#include "tst_line_entry.moc"
