#include "EditorFixture.h"

#include "app/CachedPanelStyle.h"
#include "app/GridTextDelegate.h"
#include "app/NumberHandling.h"
#include "requests/LineModel.h"

#include <QKeyEvent>
#include <QMap>
#include <QScreen>
#include <QScrollBar>
#include <QSet>

#include <random>

namespace {

// Pixels whose colours differ by more than one step in a channel (compositing a cached
// frame rounds once more than drawing it in place).
int differingPixels(const QImage &a, const QImage &b)
{
    int differing = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y) {
        for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > 1 || std::abs(qGreen(p) - qGreen(q)) > 1
                || std::abs(qBlue(p) - qBlue(q)) > 1)
                ++differing;
        }
    }
    return differing;
}

// The window's widgets back on the application's style, each painting as Qt does.
void paintPlainly(QWidget &window)
{
    for (QWidget *widget : window.findChildren<QWidget *>()) {
        if (widget->style() != QApplication::style())
            widget->setStyle(QApplication::style());
    }
    qDeleteAll(window.findChildren<CachedPanelStyle *>(Qt::FindDirectChildrenOnly));
    for (QWidget *widget : window.findChildren<QWidget *>()) {
        if (qobject_cast<QLineEdit *>(widget) || qobject_cast<QScrollBar *>(widget))
            QVERIFY2(!widget->testAttribute(Qt::WA_OpaquePaintEvent), qPrintable(widget->objectName()));
    }
}

} // namespace

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

    // The main window's fields draw their frames from a cache; what the clerk sees must be
    // what the style itself paints, pixel for pixel, with a request open and a field
    // holding the focus.
    void theWindowLooksAsTheStylePaintsIt()
    {
        EditorFixture f;
        f.startNewRequest();
        f.enterLine(QStringLiteral("10"), QStringLiteral("5"));
        f.focus(f.field("txtWithdraw"));
        auto grabWindow = [&] {
            f.window->repaint();
            return f.window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        };
        const QImage shown = grabWindow();
        paintPlainly(*f.window);
        const QImage styled = grabWindow();
        QCOMPARE(shown.size(), styled.size());
        QCOMPARE(differingPixels(shown, styled), 0);
    }

    // Fields and scroll bars paint the colour beneath them themselves and are opaque, so a
    // move through the lines leaves the panes under them alone. What the clerk has on the
    // screen after moving, resizing the window and changing its colours must still be what
    // a fresh painting in the style shows.
    void movingThroughTheLinesLeavesTheScreenAsAFreshPaintingShowsIt()
    {
        EditorFixture f;
        f.storeRequest(QStringLiteral("902"), 80);
        f.connection->Execute("Update tbInvWithdrawRequest Set Quantity = rowid % 7 + 1 Where DocumentNumber = '902'");
        f.connection->Execute("Update tbInvWithdrawRequest Set ItemID = '10' Where DocumentNumber = '902' And rowid % 3 = 0");
        f.click("optOptions_0");
        f.select(QStringLiteral("902"));
        f.click("cmdEdit");
        LineGrid *grid = f.grid();
        QCOMPARE(grid->Rows(), 82);
        QApplication::processEvents();
        const QList<QWidget *> backed{f.field("txtWithdraw"), f.field("txtProdName"), f.field("txtOnhand"),
                                      grid->verticalScrollBar()};
        for (QWidget *widget : backed)
            QVERIFY2(widget->testAttribute(Qt::WA_OpaquePaintEvent), qPrintable(widget->objectName()));

        auto screen = [&] {
            QApplication::processEvents();
            return f.window->screen()->grabWindow(f.window->winId()).toImage().convertToFormat(QImage::Format_ARGB32);
        };
        // Lines of item 10 show the ADS box, the others hide it; no field moves for that.
        auto places = [&] {
            QMap<QString, QRect> where;
            for (QLineEdit *field : f.window->findChildren<QLineEdit *>())
                where.insert(field->objectName(), field->geometry());
            return where;
        };
        QMap<QString, QRect> firstPlaces = places();
        QSet<bool> adsShown;
        int movedFields = 0;
        auto moveDown = [&](int times) {
            grid->setFocus();
            for (int k = 0; k < times; ++k) {
                QTest::keyClick(grid, Qt::Key_Down);
                QApplication::processEvents();
                adsShown.insert(f.control("chkAdS")->isVisible());
                if (places() != firstPlaces)
                    ++movedFields;
            }
        };
        auto comparedWithAFreshPainting = [&] {
            const QImage shown = screen();
            paintPlainly(*f.window);
            f.window->repaint();
            const QImage fresh = screen();
            QCOMPARE(shown.size(), fresh.size());
            QCOMPARE(differingPixels(shown, fresh), 0);
        };

        moveDown(30);
        QCOMPARE(grid->Row(), 31);
        QCOMPARE(adsShown, (QSet<bool>{true, false}));
        QCOMPARE(movedFields, 0);
        comparedWithAFreshPainting();

        CachedPanelStyle::applyTo(*f.window);
        f.window->resize(f.window->size() + QSize(40, 30));
        QApplication::processEvents();
        firstPlaces = places();
        moveDown(6);
        QPalette altered = f.window->palette();
        altered.setColor(QPalette::Window, QColor(0xd8, 0xe4, 0xd0));
        altered.setColor(QPalette::Button, QColor(0xd0, 0xdc, 0xe8));
        f.window->setPalette(altered);
        QApplication::processEvents();
        for (QWidget *widget : backed)
            QVERIFY2(widget->testAttribute(Qt::WA_OpaquePaintEvent), qPrintable(widget->objectName()));
        moveDown(6);
        QCOMPARE(grid->Row(), 43);
        comparedWithAFreshPainting();
    }

    // The line grid draws its grid lines itself; they must fall on the very pixels the
    // table view's own grid covers, with the cells painted as they were beside them.
    void theLineGridsLinesAreTheTableViewsLines()
    {
        LineGrid grid;
        grid.setRows(5); // four lines and the blank entry row
        const QStringList codes{"10", "PARA500", "3", "42"};
        for (int row = 1; row <= 4; ++row) {
            grid.setTextMatrix(row, 0, codes[row - 1]);
            grid.setTextMatrix(row, 1, QStringLiteral("IBUPROFEN 100MG/5ML SUSPENSION 60ML"));
            grid.setTextMatrix(row, 2, QString::number(row * 5));
            grid.setTextMatrix(row, 3, QStringLiteral("49.2231"));
            grid.setTextMatrix(row, 4, QStringLiteral("246.1155"));
            grid.setTextMatrix(row, 5, QStringLiteral("Y"));
        }
        grid.applyLayout();
        QTableView reference;
        reference.setModel(grid.model());
        reference.setItemDelegate(new GridTextDelegate(&reference));
        reference.setSelectionBehavior(QAbstractItemView::SelectRows);
        reference.verticalHeader()->setVisible(false);
        reference.verticalHeader()->setDefaultSectionSize(grid.verticalHeader()->defaultSectionSize());
        reference.horizontalHeader()->setHighlightSections(false);
        for (int column = 0; column < LineGrid::columns; ++column) {
            reference.setColumnWidth(column, grid.columnWidth(column));
            reference.setColumnHidden(column, grid.isColumnHidden(column));
        }
        for (QTableView *view : {static_cast<QTableView *>(&grid), &reference}) {
            view->resize(900, 200);
            view->show();
            QVERIFY(QTest::qWaitForWindowExposed(view));
        }
        auto grabActive = [](QTableView &view, int row) {
            view.activateWindow();
            if (!QTest::qWaitForWindowActive(&view))
                return QImage();
            view.setFocus();
            view.setCurrentIndex(view.model()->index(row, 1));
            view.viewport()->repaint();
            return view.viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        };
        for (int row : {0, 2, 4}) {
            const QImage own = grabActive(grid, row);
            const QImage tables = grabActive(reference, row);
            QVERIFY(!tables.isNull());
            QCOMPARE(own.size(), tables.size());
            QVERIFY2(own == tables, qPrintable(QStringLiteral("current row %1").arg(row)));
        }
        // A repaint of part of the grid draws the lines of that part alone, and the same.
        grid.viewport()->update(QRect(30, 10, 200, 30));
        grid.viewport()->repaint(QRect(30, 10, 200, 30));
        QCOMPARE(grid.viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32), grabActive(reference, 4));
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
