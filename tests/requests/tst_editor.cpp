#include "EditorFixture.h"

#include "app/NumberHandling.h"
#include "requests/LineModel.h"

#include <QKeyEvent>

#include <random>

// The request editor driven through the real window, from the keyboard where a person
// would use it.
class TestEditor : public QObject
{
    Q_OBJECT

private slots:
    void typedTextLosesQuotesAndTurnsUpperCase()
    {
        EditorFixture f;
        f.click("cmdNew");
        f.type(f.field("txtProdCode"), "abc'd");
        QCOMPARE(f.field("txtProdCode")->text(), QStringLiteral("ABCD"));
    }

    void enterOnAButtonPressesItAndMovesNothingElse()
    {
        EditorFixture f;
        f.click("cmdNew");
        f.focus(f.control("cmdCancel"));
        MsgBoxScript::answer(vbNo);
        f.enter();
        QCOMPARE(f.lastMessage(), QStringLiteral("Do you want to leave without saving?"));
        QCOMPARE(MsgBoxScript::shown().back().title, QStringLiteral("Message"));
        // No: back to the code, still on "Details".
        QCOMPARE(f.focused(), f.field("txtProdCode"));
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 1);
    }

    void enterMovesToTheNextField()
    {
        EditorFixture f;
        f.click("cmdNew");
        f.focus(f.field("txtDocNum"));
        f.enter();
        QCOMPARE(f.focused(), f.control<QDateTimeEdit>("txtTransDate"));
    }

    void aLineByCodeByBarCodeAndByNameSearch()
    {
        EditorFixture f;
        f.startNewRequest();
        QCOMPARE(f.combo("cboTargetLocation")->Tag(), QStringLiteral("1"));

        // By code: the stock panel and the unit cost come from the records.
        f.replaceText(f.field("txtProdCode"), "10");
        f.tab();
        QCOMPARE(f.field("txtProdName")->text(), QStringLiteral("IBUPROFEN 100MG/5ML SUSPENSION 60ML"));
        QCOMPARE(f.field("txtUnitCost")->text(), QStringLiteral("49.2231"));
        QCOMPARE(f.field("txtAverageCost")->text(), QStringLiteral("49.2231"));
        QCOMPARE(f.field("txtOnhand")->text(), QStringLiteral("25"));
        QVERIFY(f.control<QCheckBox>("chkAdS")->isVisible());
        QVERIFY(f.control<QCheckBox>("chkAdS")->isChecked());
        QCOMPARE(f.focused(), f.field("txtWithdraw"));
        f.replaceText(f.field("txtWithdraw"), "2.6");
        f.tab();
        QCOMPARE(f.field("txtWithdraw")->text(), QStringLiteral("3"));
        QCOMPARE(f.field("txtTotalCost")->text(), QStringLiteral("147.6693"));
        f.click("cmdOK");
        QCOMPARE(f.column(0), QStringList({"10", ""}));
        QCOMPARE(f.grid()->TextMatrix(1, 6), QStringLiteral("Y"));
        QCOMPARE(f.focused(), f.field("txtProdCode"));

        // By bar code: the code becomes the item id.
        f.enterLine("4804028003953", "5");
        QCOMPARE(f.column(0), QStringList({"10", "142", ""}));
        QCOMPARE(f.grid()->TextMatrix(2, 1), QStringLiteral("SYRINGE DISPOSABLE 3CC WITH NEEDLE G23"));

        // By name: several products start so; the user picks one in the search dialog.
        ModalDialogs::script([](QDialog &dialog) {
            auto *grid = dialog.findChild<QTableView *>("grdLookup");
            QVERIFY(grid && grid->model()->rowCount() > 1);
            grid->setCurrentIndex(grid->model()->index(1, 0));
            QTest::mouseClick(dialog.findChild<QPushButton *>("cmdOptions_1"), Qt::LeftButton);
        });
        f.replaceText(f.field("txtProdCode"), "para");
        f.tab();
        QVERIFY(!ModalDialogs::hasScript());
        QVERIFY(!f.field("txtProdCode")->text().isEmpty());
        QVERIFY(f.field("txtProdName")->text().startsWith("PARA"));
        QCOMPARE(f.focused(), f.field("txtWithdraw"));
    }

    void aProductTheLocationDoesNotStockKeepsTheFocus()
    {
        EditorFixture f;
        f.startNewRequest();
        ModalDialogs::script([](QDialog &dialog) { dialog.reject(); }); // nothing found: "&Close"
        f.replaceText(f.field("txtProdCode"), "NO SUCH THING");
        f.tab();
        QCOMPARE(f.focused(), f.field("txtProdCode"));
    }

    void theUpdateChecksInOrder()
    {
        EditorFixture f;
        f.startNewRequest();
        f.click("cmdOK");
        QCOMPARE(f.lastMessage(), QStringLiteral("Invalid product code..."));
        QCOMPARE(MsgBoxScript::shown().back().title, QStringLiteral("MESSAGE"));
        QCOMPARE(f.focused(), f.field("txtProdCode"));

        f.replaceText(f.field("txtProdCode"), "142");
        f.tab();
        f.field("txtWithdraw")->clear();
        f.tab(); // an empty quantity becomes "0"
        QCOMPARE(f.field("txtWithdraw")->text(), QStringLiteral("0"));
        f.click("cmdOK");
        QCOMPARE(f.lastMessage(), QStringLiteral("Please enter a value for Quantity."));
        QCOMPARE(f.focused(), f.field("txtWithdraw"));

        // A refused quantity keeps the focus, and a button clicked meanwhile is not pressed.
        f.replaceText(f.field("txtWithdraw"), "ABC");
        const size_t before = MsgBoxScript::shown().size();
        f.click("cmdOK");
        QCOMPARE(f.lastMessage(), QStringLiteral("Invalid entry..."));
        QCOMPARE(MsgBoxScript::shown().size(), before + 1); // only the field's own message
        QCOMPARE(f.focused(), f.field("txtWithdraw"));
        QCOMPARE(f.grid()->Rows(), 2);

        f.replaceText(f.field("txtWithdraw"), "-2");
        f.tab();
        f.click("cmdOK");
        QCOMPARE(f.lastMessage(), QStringLiteral("Quantity must not be lesser than zero."));
        QCOMPARE(MsgBoxScript::shown().back().title, QStringLiteral("HEY!"));

        // More than the stock shown: the user is asked, and No writes nothing.
        f.replaceText(f.field("txtWithdraw"), "500");
        f.tab();
        MsgBoxScript::answer(vbNo);
        f.click("cmdOK");
        QCOMPARE(f.lastMessage(), QStringLiteral("Quantity is greater than current stock.  Do you want to continue?"));
        QCOMPARE(f.grid()->Rows(), 2);
        QCOMPARE(f.focused(), f.field("txtWithdraw"));
        MsgBoxScript::answer(vbYes);
        f.click("cmdOK");
        QCOMPARE(f.grid()->Rows(), 3);
    }

    void updatingAnEarlierRowReplacesItInPlace()
    {
        EditorFixture f;
        f.startNewRequest();
        f.enterLine("142", "5");
        f.enterLine("116", "2");
        QCOMPARE(f.grid()->Rows(), 4);
        f.grid()->setRow(1);
        QCOMPARE(f.field("txtProdCode")->text(), QStringLiteral("142"));
        f.replaceText(f.field("txtWithdraw"), "7");
        f.tab();
        f.click("cmdOK");
        QCOMPARE(f.grid()->Rows(), 4);
        QCOMPARE(f.column(2), QStringList({"7", "2", ""}));
        QCOMPARE(f.focused(), static_cast<QWidget *>(f.grid()));
        QCOMPARE(f.field("txtLineCounter")->text(), QStringLiteral(" 1/ 3"));
    }

    void deletingLinesButNeverTheBlankRow()
    {
        EditorFixture f;
        f.startNewRequest();
        f.enterLine("142", "5");
        f.enterLine("116", "2");
        f.grid()->setRow(3); // the blank row
        f.click("cmdDelete");
        QCOMPARE(f.grid()->Rows(), 4);
        f.grid()->setRow(1);
        f.focus(f.grid());
        QTest::keyClick(f.grid(), Qt::Key_Period);
        QCOMPARE(f.column(0), QStringList({"116", ""}));
        QCOMPARE(f.field("txtTotalCounter")->text(), QStringLiteral("48.3132"));
        // A full stop typed into an entry field is just a character.
        f.type(f.field("txtWithdraw"), ".");
        QCOMPARE(f.grid()->Rows(), 3);
    }

    void grandTotalAndLineCounter()
    {
        EditorFixture f;
        f.click("cmdNew");
        LineGrid *grid = f.grid();
        {
            const QSignalBlocker quiet(*grid);
            grid->setRows(4);
            grid->setTextMatrix(1, 4, "1,234.5000");
            grid->setTextMatrix(2, 4, "10");
            grid->setRow(2);
        }
        f.focus(grid);
        QTest::keyClick(grid, Qt::Key_Return); // as a double-click: also the line counter
        f.grid()->setRow(3);
        f.click("cmdDelete"); // on the blank row: nothing removed, totals recomputed
        QCOMPARE(f.field("txtTotalCounter")->text(), QStringLiteral("1,244.5000"));
        grid->setRow(2);
        QCOMPARE(f.field("txtLineCounter")->text(), QStringLiteral(" 2/ 3"));
    }

    // Stored numbers are written and counted without the general conversions when they
    // have at most four decimals; the texts and amounts must be the same as theirs.
    void storedNumbersReadAsTheGeneralConversionsReadThem()
    {
        auto general = [](double v) { return QString::number(v, 'g', 15); };
        auto counted = [](double v) {
            const QString digits = NumberHandling::roundedDigits(v, 4, false);
            LineModel::Money amount = 0;
            for (const QChar c : digits) {
                if (c.isDigit())
                    amount = amount * 10 + (c.unicode() - '0');
            }
            return v < 0 ? -amount : amount;
        };
        std::vector<double> values{0, -0.0, 1, -1, 0.1, 0.1 + 0.2, 12.5, 1.0001, 0.0001, 0.00005, 3.14159, 1e-7,
                                   99999999999.9999, 1e11, 123456789012.5, -42.125, 150000, 1e15, 2.5e-5,
                                   1000.00000000001, 1.23456789, 7.0 / 3.0};
        std::mt19937_64 random(7);
        for (int k = 0; k < 20000; ++k) {
            // Quantities and costs as they are stored, and their products.
            const double quantity = double(std::uniform_int_distribution<int>(-500, 200000)(random));
            const double cost = double(std::uniform_int_distribution<qint64>(0, 99999999)(random)) / 10000.0;
            values.push_back(quantity);
            values.push_back(cost);
            values.push_back(std::nextafter(cost, 1e300)); // a hair beside a four-decimal value
            values.push_back(quantity * cost);
            values.push_back(std::uniform_real_distribution<double>(-1e6, 1e6)(random));
        }
        for (const double v : values) {
            QCOMPARE(LineModel::plainText(v), general(v));
            QCOMPARE(LineModel::countedTotal(v), counted(v));
        }
    }

    void newOnTheListingTakesTheSelectedRequestsLocations()
    {
        EditorFixture f;
        auto *listing = f.control<QTableView>("grdListing");
        listing->setCurrentIndex(listing->model()->index(1, 0)); // request 5: ward 23 to pharmacy
        f.click("cmdNew");
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 1);
        QCOMPARE(f.combo("cboLocation")->Tag(), QStringLiteral("23"));
        QCOMPARE(f.combo("cboTargetLocation")->Text(), QStringLiteral("MAIN PHARMACY"));
        QVERIFY(f.combo("cboLocation")->isEnabled());
        QVERIFY(f.combo("cboTargetLocation")->isEnabled());
        QCOMPARE(f.field("txtDocNum")->text(), QStringLiteral("NEW"));
        QCOMPARE(f.grid()->Rows(), 2);
        QCOMPARE(f.focused(), f.field("txtProdCode"));
    }

    void editShowsTheLinesAndLocksTheLocations()
    {
        EditorFixture f;
        auto *listing = f.control<QTableView>("grdListing");
        listing->setCurrentIndex(listing->model()->index(1, 0)); // request 5 has three lines
        f.click("cmdEdit");
        QCOMPARE(f.grid()->Rows(), 5);
        QCOMPARE(f.field("txtDocNum")->text(), QStringLiteral("5"));
        QCOMPARE(f.field("txtProdCode")->text(), f.grid()->TextMatrix(1, 0));
        QVERIFY(!f.combo("cboLocation")->isEnabled());
        QVERIFY(!f.combo("cboTargetLocation")->isEnabled());
        QCOMPARE(f.field("txtTotalCounter")->text(), QStringLiteral("1,034.1805"));

        // Five lines, then three: exactly the new lines and the blank row remain.
        MsgBoxScript::answer(vbYes);
        f.click("cmdCancel");
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 0);
        listing->setCurrentIndex(listing->model()->index(2, 0)); // request 4: five lines
        f.click("cmdEdit");
        QCOMPARE(f.grid()->Rows(), 7);
        MsgBoxScript::answer(vbYes);
        f.click("cmdCancel");
        listing->setCurrentIndex(listing->model()->index(1, 0));
        f.click("cmdEdit");
        QCOMPARE(f.grid()->Rows(), 5);
        QVERIFY(f.grid()->TextMatrix(4, 0).isEmpty());
    }

    void theTargetMustDifferFromTheSourceAndDecidesRetail()
    {
        EditorFixture f;
        f.click("cmdNew");
        f.replaceText(f.combo("cboTargetLocation"), "MEDICAL WARD - 3RD FLOOR");
        f.tab();
        QCOMPARE(f.lastMessage(), QStringLiteral("Invalid Target Location..."));
        QCOMPARE(MsgBoxScript::shown().back().style, int(vbCritical));
        QCOMPARE(f.focused(), static_cast<QWidget *>(f.combo("cboTargetLocation")));

        f.connection->Execute("Update tbInvLocation Set IsWareHouse = 1, isDispensingArea = 1 Where LocationID = '2'");
        f.replaceText(f.combo("cboTargetLocation"), "MAIN PHARMACY");
        f.tab();
        QVERIFY(!f.control<QRadioButton>("optConsumed_0")->isEnabled());
        QVERIFY(f.control<QRadioButton>("optConsumed_1")->isChecked());
        f.replaceText(f.combo("cboTargetLocation"), "CENTRAL WAREHOUSE");
        f.tab();
        QVERIFY(f.control<QRadioButton>("optConsumed_0")->isEnabled());
        QVERIFY(f.control<QRadioButton>("optConsumed_0")->isChecked());
    }

    void anUnknownSourceLocationKeepsTheFocus()
    {
        EditorFixture f;
        f.click("cmdNew");
        f.replaceText(f.combo("cboLocation"), "NOWHERE");
        f.tab();
        QCOMPARE(f.focused(), static_cast<QWidget *>(f.combo("cboLocation")));
        QCOMPARE(f.combo("cboLocation")->Tag(), QString());
    }
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
