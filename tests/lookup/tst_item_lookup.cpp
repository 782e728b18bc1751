#include "app/MessageBox.h"
#include "app/modInventory.h"
#include "db/Connection.h"
#include "db/dialects/SqliteDialect.h"
#include "lookup/LookupGrid.h"
#include "lookup/frmItemLookup.h"
#include "support/FakeSession.h"
#include "support/TestDatabase.h"
#include "widgets/ModalDialogs.h"
#include "widgets/Twips.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

namespace {

const QString locationSearch = QStringLiteral(
    "Select A.ItemID as Code, A.ItemName As [Product Name], "
    "A.ItemDesc As Description, B.SupplierName As Supplier, D.Markup_In As [In-Patient Markup], D.Markup_Out As [Out-Patient Markup],"
    "Case when D.ItemStatus = 1 then 'Inactive' Else 'Active' end  As Status, A.Packing, A.ListCost,  "
    "C.ItemClassificationName From tbInvMaster A Left Outer Join tbInvent D ON A.ItemID = D.ItemID "
    "Left Outer Join tbInvSupplier B ON A.SupplierID = B.SupplierID "
    "Left Outer join tbInvClassification C ON A.ItemClassificationID = C.ItemClassificationID "
    "Where D.LocationID = '20' and  ( D.ItemStatus = 0 or D.ItemStatus is Null ) and ");

const QString masterSearch = QStringLiteral(
    "Select A.ItemID as Code, A.ItemName As [Product Name], "
    "A.ItemDesc As Description, B.SupplierName As Supplier, A.MarkupIn As [In-Patient Markup], A.MarkupOut As [Out-Patient Markup],"
    "Case when A.ItemStatus = 1 then 'Inactive' Else 'Active' End  As Status, A.Packing, A.ListCost,  "
    "C.ItemClassificationName From tbInvMaster A "
    "Left Outer Join tbInvSupplier B ON A.SupplierID = B.SupplierID "
    "Left Outer Join tbInvClassification C ON A.ItemClassificationID = C.ItemClassificationID "
    " Where ( A.ItemStatus = 0 or A.ItemStatus is Null ) and ");

const QString order = QStringLiteral(" Order by A.ItemName, A.ItemDesc");

template <typename T>
T *control(QDialog &dialog, const char *name)
{
    return dialog.findChild<T *>(QLatin1String(name));
}

LookupGrid *grid(QDialog &dialog) { return control<LookupGrid>(dialog, "grdLookup"); }
QLineEdit *searchBox(QDialog &dialog) { return control<QLineEdit>(dialog, "txtSearch"); }
QPushButton *button(QDialog &dialog, const char *name) { return control<QPushButton>(dialog, name); }

// Every row of the result, read to its end as a user scrolling down would.
QStringList column(QDialog &dialog, int index)
{
    QAbstractItemModel *model = grid(dialog)->model();
    while (model->canFetchMore({}))
        model->fetchMore({});
    QStringList values;
    for (int row = 0; row < model->rowCount(); ++row)
        values << model->index(row, index).data().toString();
    return values;
}

QString firstMessage()
{
    return MsgBoxScript::shown().empty() ? QString() : MsgBoxScript::shown().front().prompt;
}

// The focus only moves in an active window, as for a user.
bool activate(QDialog &dialog)
{
    dialog.activateWindow();
    return QTest::qWaitForWindowActive(&dialog);
}

// Whether the log of the database file can be emptied now: it cannot while some
// connection still reads an older state of the file.
bool logCanBeEmptied(const QString &file)
{
    bool emptied = false;
    {
        QSqlDatabase probe = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
        probe.setDatabaseName(file);
        probe.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        if (probe.open()) {
            QSqlQuery checkpoint(probe);
            emptied = checkpoint.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")) && checkpoint.next()
                && checkpoint.value(0).toInt() == 0;
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("probe"));
    return emptied;
}

} // namespace

// The product search: its statements, what it lists, and the window as a user drives it.
class TestItemLookup : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    Connection *m_connection = nullptr;

    static std::unique_ptr<frmItemLookup> loaded(const QString &locationCode, const QString &searchString)
    {
        auto dialog = std::make_unique<frmItemLookup>();
        dialog->setLocationCode(locationCode);
        dialog->setSearchString(searchString);
        dialog->Form_Load();
        return dialog;
    }

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<TestDatabase>();
        m_connection = &FakeSession::signIn(*m_db);
        m_connection->Execute("Insert Into tbInvMaster (ItemID, ItemName, ItemDesc, ItemStatus) Values ('900', '500 ML BOTTLE', 'PLASTIC', 0)");
        // Withdrawn from the master, still active in the stock of location 20.
        m_connection->Execute("Insert Into tbInvent (ItemID, LocationID, ItemStatus) Values ('23', '20', 0)");
    }

    void init()
    {
        MsgBoxScript::start();
        ModalDialogs::clearScript();
        gvarSearchValue = QStringLiteral("stale");
        m_connection->trace().clear();
    }

    void cleanupTestCase()
    {
        gCurrentUser.reset();
        MsgBoxScript::stop();
    }

    void theStatementFollowsPlaceAndKindOfText_data()
    {
        QTest::addColumn<QString>("locationCode");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("statement");
        QTest::newRow("location, name") << "20" << " para " << locationSearch + " A.ItemName Like 'PARA%' " + order;
        QTest::newRow("location, code") << "20" << " 12 " << locationSearch + " A.ItemID = '12' " + order;
        QTest::newRow("master, name") << "" << "amox" << masterSearch + " A.ItemName Like 'AMOX%' " + order;
        QTest::newRow("master, code") << "" << "12" << masterSearch + " A.ItemID = '12' " + order;
        QTest::newRow("blank location") << "   " << "" << masterSearch + " A.ItemName Like '%' " + order;
        QTest::newRow("quote") << "" << "lactated ringer's" << masterSearch + " A.ItemName Like 'LACTATED RINGER''S%' " + order;
    }

    void theStatementFollowsPlaceAndKindOfText()
    {
        QFETCH(QString, locationCode);
        QFETCH(QString, text);
        QFETCH(QString, statement);
        const auto dialog = loaded(locationCode, text);
        QCOMPARE(m_connection->trace().statements(), QStringList({statement}));
        QVERIFY2(MsgBoxScript::shown().empty(), qPrintable(firstMessage()));
        QVERIFY(grid(*dialog)->model()->rowCount() > 0);
        QCOMPARE(gvarSearchValue.toString(), QString());
    }

    void aNumberSearchesTheCodeAndOneMatchGivesItsCode()
    {
        const auto byNumber = loaded("", "500");
        QVERIFY(!byNumber->blnExactMatch());
        QVERIFY(!grid(*byNumber)->isEnabled());
        QVERIFY(!button(*byNumber, "cmdOptions_1")->isEnabled());
        QCOMPARE(grid(*byNumber)->model()->rowCount(), 0);
        QVERIFY2(MsgBoxScript::shown().empty(), qPrintable(firstMessage()));

        const auto byName = loaded("", "500 ml");
        QVERIFY(byName->blnExactMatch());
        QCOMPARE(byName->SearchString(), QStringLiteral("900"));
        QVERIFY(button(*byName, "cmdOptions_1")->isEnabled());

        const auto several = loaded("", "PARACETAMOL");
        QVERIFY(!several->blnExactMatch());
        QCOMPARE(several->SearchString(), QStringLiteral("PARACETAMOL"));
    }

    void anEmptyTextListsEveryActiveProductByNameThenDescription_data()
    {
        QTest::addColumn<QString>("locationCode");
        QTest::addColumn<QString>("countActive");
        QTest::newRow("item master") << "" << "Select Count(*) As N From tbInvMaster Where ItemStatus = 0 or ItemStatus is Null";
        QTest::newRow("location") << "20"
            << "Select Count(*) As N From tbInvent Where LocationID = '20' and (ItemStatus = 0 or ItemStatus is Null)";
    }

    void anEmptyTextListsEveryActiveProductByNameThenDescription()
    {
        QFETCH(QString, locationCode);
        QFETCH(QString, countActive);
        const auto dialog = loaded(locationCode, "");
        const QStringList names = column(*dialog, 1);
        const QStringList descriptions = column(*dialog, 2);
        QCOMPARE(names.size(), m_connection->Execute(countActive).Fields("N").toInt());
        for (qsizetype row = 1; row < names.size(); ++row) {
            const int byName = names[row - 1].compare(names[row], Qt::CaseInsensitive);
            QVERIFY2(byName < 0 || (byName == 0 && descriptions[row - 1].compare(descriptions[row], Qt::CaseInsensitive) <= 0),
                     qPrintable(names[row] + " " + descriptions[row]));
        }
        const QStringList statuses = column(*dialog, 6);
        QCOMPARE(QSet<QString>(statuses.begin(), statuses.end()), QSet<QString>({"Active"}));

        QAbstractItemModel *model = grid(*dialog)->model();
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Product Name"));
        QCOMPARE(model->headerData(5, Qt::Horizontal).toString(), QStringLiteral("Out-Patient Markup"));
        QCOMPARE(grid(*dialog)->columnWidth(1), twipsToPixels(grid(*dialog), 3000));
    }

    void theStatusOfTheSearchedPlaceDecides()
    {
        QVERIFY(!column(*loaded("20", "PARACETAMOL"), 0).contains("2"));
        QVERIFY(column(*loaded("", "PARACETAMOL"), 0).contains("2"));
        QVERIFY(column(*loaded("20", "CO-AMOX"), 0).contains("23"));
        QVERIFY(!column(*loaded("", "CO-AMOX"), 0).contains("23"));
    }

    void typedTextIsUpperCaseAndEnterSearchesThenSelects()
    {
        const auto dialog = loaded("20", "");
        QString expected;
        ModalDialogs::script([&](QDialog &shown) {
            QVERIFY(activate(shown));
            QLineEdit *text = searchBox(shown);
            text->setFocus();
            text->clear();
            QTest::keyClicks(text, "ara");
            QTest::keyClick(text, Qt::Key_Home);
            QTest::keyClicks(text, "p");
            QCOMPARE(text->text(), QStringLiteral("PARA"));
            QCOMPARE(text->cursorPosition(), 1);
            QVERIFY(button(shown, "cmdSearch")->isDefault());

            QTest::keyClick(text, Qt::Key_Return);
            QVERIFY(grid(shown)->hasFocus());
            QVERIFY(button(shown, "cmdOptions_1")->isDefault());
            QVERIFY(!button(shown, "cmdSearch")->isDefault());
            QTest::keyClick(grid(shown), Qt::Key_Down);
            expected = column(shown, 0).value(1);
            QTest::keyClick(grid(shown), Qt::Key_Return);
        });
        QCOMPARE(ModalDialogs::exec(*dialog), int(QDialog::Accepted));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(gvarSearchValue.toString(), expected);
    }

    void lettersAndBackspaceInTheGridEditTheSearchText()
    {
        const auto dialog = loaded("20", "");
        ModalDialogs::script([&](QDialog &shown) {
            QVERIFY(activate(shown));
            LookupGrid *rows = grid(shown);
            QLineEdit *text = searchBox(shown);
            rows->setFocus();
            const QList<QPair<QString, QString>> shortened{{"PARA", "PAR"}, {"  AB ", "  A"}, {"  ", "  "}};
            for (const auto &[before, after] : shortened) {
                text->setText(before);
                QTest::keyClick(rows, Qt::Key_Backspace);
                QCOMPARE(text->text(), after);
            }
            QVERIFY(rows->hasFocus());

            QTest::keyClick(rows, Qt::Key_Down);
            QKeyEvent controlM(QEvent::KeyPress, Qt::Key_M, Qt::ControlModifier, QStringLiteral("\r"));
            QApplication::sendEvent(rows, &controlM); // as a keyboard delivers it
            QCOMPARE(text->text(), QStringLiteral("  "));

            QTest::keyClick(rows, Qt::Key_Z);
            QCOMPARE(text->text(), QStringLiteral("Z"));
            QVERIFY(text->hasFocus());
            QCOMPARE(text->cursorPosition(), 1);

            // Nothing found: nothing to select, and "Close" gives no choice.
            QTest::keyClick(text, Qt::Key_Return);
            QVERIFY(!rows->isEnabled());
            QVERIFY(!button(shown, "cmdOptions_1")->isEnabled());
            QTest::mouseClick(button(shown, "cmdOptions_0"), Qt::LeftButton);
        });
        QCOMPARE(ModalDialogs::exec(*dialog), int(QDialog::Rejected));
        QCOMPARE(gvarSearchValue.toString(), QString());
    }

    void aDoubleClickChoosesThatRow()
    {
        const auto dialog = loaded("20", "");
        const QString expected = column(*dialog, 0).value(2);
        ModalDialogs::script([](QDialog &shown) {
            LookupGrid *rows = grid(shown);
            const QPoint at = rows->visualRect(rows->model()->index(2, 1)).center();
            QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(rows->viewport(), Qt::LeftButton, {}, at);
        });
        QCOMPARE(ModalDialogs::exec(*dialog), int(QDialog::Accepted));
        QCOMPARE(gvarSearchValue.toString(), expected);
    }

    void aFailedSearchIsReportedAndKeepsTheGrid()
    {
        const auto dialog = loaded("20", "PARA");
        const QStringList before = column(*dialog, 0);
        ModalDialogs::script([&](QDialog &shown) {
            QVERIFY(activate(shown));
            searchBox(shown)->setText("AMOX");
            m_connection->failStatementAt(1, "lost connection");
            QTest::mouseClick(button(shown, "cmdSearch"), Qt::LeftButton);
            QCOMPARE(firstMessage(), QStringLiteral("lost connection"));
            QCOMPARE(MsgBoxScript::shown()[0].title, QStringLiteral("Quellar"));
            QCOMPARE(column(shown, 0), before);
            QVERIFY(grid(shown)->isEnabled());
            QVERIFY(button(shown, "cmdOptions_1")->isEnabled());
            QVERIFY(searchBox(shown)->hasFocus());
        });
        ModalDialogs::exec(*dialog);
    }

    void aLargeResultScrollsToItsEndAndSelectsThere()
    {
        // More products than the grid takes in at once.
        m_connection->runNativeScript(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1200) "
            "INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, ItemStatus) "
            "SELECT 'L' || i, 'ZZ LARGE ' || substr('0000' || i, -4), 'PACK', 0 FROM n");
        const int paraRows = m_connection->Execute(
            "Select Count(*) As N From tbInvMaster Where ItemName Like 'PARA%' and (ItemStatus = 0 or ItemStatus is Null)").Fields("N").toInt();
        QStringList seen;
        ModalDialogs::script([&](QDialog &shown) {
            QVERIFY(activate(shown));
            LookupGrid *rows = grid(shown);
            QAbstractItemModel *model = rows->model();
            rows->setFocus();
            // Scrolled down to the bottom, step by step, the grid ends up with every row once, in order.
            while (rows->verticalScrollBar()->value() < rows->verticalScrollBar()->maximum() || model->canFetchMore({})) {
                rows->verticalScrollBar()->setValue(rows->verticalScrollBar()->maximum());
                QApplication::processEvents();
            }
            const QStringList names = column(shown, 1);
            seen << QString::number(names.size()) << names.value(0) << names.value(1199)
                 << QString::number(QSet<QString>(names.begin(), names.end()).size());

            // A new search from the grid: the shorter list replaces the long one.
            QTest::keyClick(rows, Qt::Key_P);
            QTest::keyClicks(searchBox(shown), "ara");
            QTest::keyClick(searchBox(shown), Qt::Key_Return);
            seen << QString::number(model->rowCount()) << QString::number(rows->currentIndex().row());

            // And again the long one, where Ctrl+End reaches the last product at once.
            rows->setFocus();
            QTest::keyClick(rows, Qt::Key_Z);
            QTest::keyClicks(searchBox(shown), "z");
            QTest::keyClick(searchBox(shown), Qt::Key_Return);
            QTest::keyClick(rows, Qt::Key_End, Qt::ControlModifier);
            seen << QString::number(model->rowCount()) << QString::number(rows->currentIndex().row());
            QTest::keyClick(rows, Qt::Key_Return);
        });
        frmItemLookup::pickCode("zz", QString(), QString());
        m_connection->runNativeScript("DELETE FROM tbInvMaster WHERE ItemID LIKE 'L%' AND ItemName LIKE 'ZZ LARGE%'");
        QCOMPARE(seen, QStringList({"1200", "ZZ LARGE 0001", "ZZ LARGE 1200", "1200", QString::number(paraRows), "0",
                                    "1200", "1199"}));
        QCOMPARE(gvarSearchValue.toString(), QStringLiteral("L1200"));
    }

    void aLongListShowsItsFirstRowsAndLetsGoWhenClosed()
    {
        constexpr int bulk = 3000;
        m_connection->runNativeScript(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, ItemStatus) "
            "SELECT 'B' || i, 'YY BULK ' || substr('0000' || i, -4), 'BOX', 0 FROM n").arg(bulk));
        {
            const auto dialog = loaded("", "yy");
            QAbstractItemModel *model = grid(*dialog)->model();
            // The first screen is there, the rest not yet read.
            QVERIFY(model->rowCount() > 20);
            QVERIFY(model->rowCount() < bulk);
            QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("YY BULK 0001"));
            QVERIFY(!dialog->blnExactMatch());

            // The open read keeps no one from saving; closed, the search holds nothing open.
            m_connection->Execute("Update tbInvMaster Set ItemDesc = 'CRATE' Where ItemID = 'B1'");
            QVERIFY(!logCanBeEmptied(m_db->file()));
            ModalDialogs::script([&](QDialog &shown) {
                QTest::mouseClick(button(shown, "cmdOptions_0"), Qt::LeftButton);
                QVERIFY(logCanBeEmptied(m_db->file()));
            });
            QCOMPARE(ModalDialogs::exec(*dialog), int(QDialog::Rejected));
        }

        // Scrolled down to the bottom, the grid has read every row once, in order.
        QStringList seen;
        ModalDialogs::script([&](QDialog &shown) {
            LookupGrid *rows = grid(shown);
            QAbstractItemModel *model = rows->model();
            while (rows->verticalScrollBar()->value() < rows->verticalScrollBar()->maximum() || model->canFetchMore({})) {
                rows->verticalScrollBar()->setValue(rows->verticalScrollBar()->maximum());
                QApplication::processEvents();
            }
            for (int row = 0; row < model->rowCount(); ++row)
                seen << model->index(row, 1).data().toString();
            QTest::mouseClick(button(shown, "cmdOptions_0"), Qt::LeftButton);
        });
        frmItemLookup::pickCode("yy", QString(), QString());
        QStringList expected;
        for (int i = 1; i <= bulk; ++i)
            expected << QStringLiteral("YY BULK %1").arg(i, 4, 10, QLatin1Char('0'));
        QCOMPARE(seen, expected);

        // One code among them is taken at once, and so is a name that only one item has.
        bool shown = false;
        ModalDialogs::script([&](QDialog &) { shown = true; });
        frmItemLookup::pickCode(" 900 ", QString(), QString());
        QCOMPARE(gvarSearchValue.toString(), QStringLiteral("900"));
        frmItemLookup::pickCode("yy bulk 2999", QString(), QString());
        QCOMPARE(gvarSearchValue.toString(), QStringLiteral("B2999"));
        QVERIFY(!shown);
        ModalDialogs::clearScript();
        m_connection->runNativeScript("DELETE FROM tbInvMaster WHERE ItemID LIKE 'B%' AND ItemName LIKE 'YY BULK%'");
    }

    void ctrlEndReachesTheLastProductOfALocationThatStocksMany()
    {
        // A ward that stocks so many products that its list is read in name order from the
        // first screen on; many share a name (in another case, or with trailing blanks) and
        // a description (or have none), so that their codes decide the order.
        m_connection->runNativeScript(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500) "
            "INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, ItemStatus) "
            "SELECT 'WS' || (5000 - i), CASE i % 3 WHEN 0 THEN 'WARD STOCK' WHEN 1 THEN 'ward stock ' "
            "ELSE 'WARD SUPPLY ' || (i % 40) END, CASE WHEN i % 4 = 0 THEN NULL ELSE 'BOX' END, 0 FROM n;"
            "INSERT INTO tbInvent (ItemID, LocationID, ItemStatus) SELECT ItemID, 'W1', "
            "CASE WHEN rowid % 9 = 0 THEN 1 ELSE 0 END FROM tbInvMaster WHERE ItemID LIKE 'WS%'");
        const QString wardSearch = QString(locationSearch).replace("LocationID = '20'", "LocationID = 'W1'")
            + " A.ItemName Like '%' " + order;
        {
            QSqlDatabase probe = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("plan"));
            probe.setDatabaseName(m_db->file());
            QVERIFY(probe.open());
            SqliteDialect dialect(false);
            dialect.prepare(probe, m_db->settings());
            QVERIFY2(dialect.cursorStatements(wardSearch, ReadPlan::locationProductsByName(QStringLiteral("W1")), probe)
                         .first.text.contains("INDEXED BY"),
                     "the ward is too small to be read in name order");
        }
        QSqlDatabase::removeDatabase(QStringLiteral("plan"));
        const auto sorted = m_connection->Execute(
            "Select A.ItemID As Code From tbInvMaster A Join tbInvent D ON A.ItemID = D.ItemID "
            "Where D.LocationID = 'W1' and (D.ItemStatus = 0 or D.ItemStatus is Null) "
            "Order by A.ItemName, A.ItemDesc, A.ItemID").table();
        QStringList expected;
        for (int row = 0; row < sorted->rowCount(); ++row)
            expected << sorted->value(row, 0).toString();

        QStringList seen;
        int readBefore = 0;
        int current = -1;
        bool readToTheEnd = false;
        ModalDialogs::script([&](QDialog &shown) {
            QVERIFY(activate(shown));
            LookupGrid *rows = grid(shown);
            QAbstractItemModel *model = rows->model();
            rows->setFocus();
            // A look a little further down first, then straight to the last product.
            rows->verticalScrollBar()->setValue(rows->verticalScrollBar()->maximum());
            QApplication::processEvents();
            readBefore = model->rowCount();
            QTest::keyClick(rows, Qt::Key_End, Qt::ControlModifier);
            readToTheEnd = !model->canFetchMore({});
            current = rows->currentIndex().row();
            seen = column(shown, 0);
            QTest::keyClick(rows, Qt::Key_Return);
        });
        frmItemLookup::pickCode("", "WARD ONE", "W1");
        m_connection->runNativeScript("DELETE FROM tbInvent WHERE LocationID = 'W1'; DELETE FROM tbInvMaster WHERE ItemID LIKE 'WS%'");
        QVERIFY2(MsgBoxScript::shown().empty(), qPrintable(firstMessage()));
        QVERIFY(readBefore > 256 && readBefore < expected.size());
        QVERIFY(readToTheEnd);
        QCOMPARE(seen, expected);
        QCOMPARE(current, expected.size() - 1);
        QCOMPARE(gvarSearchValue.toString(), expected.last());
    }
};

QTEST_MAIN(TestItemLookup)
#include "tst_item_lookup.moc"
