#include "EditorFixture.h"
#include "support/AnotherProcess.h"
#include "db/CursorModel.h"

#include <QAbstractItemDelegate>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QProcess>
#include <QScrollBar>
#include <QStyleOptionViewItem>

// The listing through the real window: what the clerk reads in it after saves, delete
// marks and processing elsewhere, whether every title and amount can be read whole, and
// a listing far longer than one screen.
class TestListingWindow : public QObject
{
    Q_OBJECT

    static QTableView *listing(EditorFixture &f) { return f.control<QTableView>("grdListing"); }

    static QStringList column(QTableView *grid, int column)
    {
        QStringList cells;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            cells << grid->model()->index(row, column).data().toString();
        return cells;
    }

    // The listing row of a document; -1 when it is not listed.
    static int rowOf(QTableView *grid, const QString &document)
    {
        return int(column(grid, 0).indexOf(document));
    }

    static QString totalOf(QTableView *grid, const QString &document)
    {
        const int row = rowOf(grid, document);
        return row < 0 ? QString() : grid->model()->index(row, 4).data().toString();
    }

    // As a mouse does it: a click, then the second press that makes it a double-click.
    static void doubleClick(QTableView *grid, const QModelIndex &index)
    {
        const QPoint at = grid->visualRect(index).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, at);
        QApplication::processEvents();
    }

    static void refresh(EditorFixture &f, bool processed)
    {
        // Clicking the option that is already chosen lists again.
        f.click(processed ? "optOptions_1" : "optOptions_0");
    }

    // Every row, as the grid reads on when the clerk presses Ctrl+End until the last.
    static QStringList scrolledToTheEnd(QTableView *grid)
    {
        for (int k = 0; k < 100 && grid->model()->canFetchMore({}); ++k) {
            QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
            QApplication::processEvents();
        }
        return column(grid, 0);
    }

    // The pending listing as another workstation reads it now.
    static QStringList pendingNow(EditorFixture &f)
    {
        const auto rows = f.db->connect()->run("sp_Inv_ListofWithdrawalRequest ''");
        QStringList documents;
        for (int row = 0; row < rows->rowCount(); ++row)
            documents << rows->value(row, 0).toString();
        return documents;
    }

    static void insertDocument(Connection &connection, const QString &document, const QString &quantity,
                               const QString &unitCost)
    {
        connection.Execute(QStringLiteral(
            "Insert tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS, LocationID, "
            "TargetLocationID, TransDate, UserID ) Values ('%1','142',%2,%3,'N', '0', '20', '07', "
            "'12/07/2026 02:05:09 PM', 'E01')").arg(document, quantity, unitCost));
    }

private slots:
    void amountsAndTitlesShowWholeInTheirColumns()
    {
        EditorFixture f;
        insertDocument(*f.connection, "20", "1000", "1424.1735");
        insertDocument(*f.connection, "21", "2", "2424.1");
        insertDocument(*f.connection, "22", "3", "0.00005");
        refresh(f, false);
        QTableView *grid = listing(f);
        QCOMPARE(totalOf(grid, "20"), QStringLiteral("1424173.5000"));
        QCOMPARE(totalOf(grid, "21"), QStringLiteral("4848.2000"));
        QCOMPARE(totalOf(grid, "22"), QStringLiteral("0.0002"));
        // Each amount is the procedure's value with its four decimals.
        const auto procedure = f.connection->run("sp_Inv_ListofWithdrawalRequest ''");
        QCOMPARE(grid->model()->rowCount(), procedure->rowCount());
        for (int row = 0; row < procedure->rowCount(); ++row)
            QCOMPARE(grid->model()->index(row, 4).data().toString(),
                     QString::number(procedure->value(row, 4).toDouble(), 'f', 4));
        QCOMPARE(grid->model()->index(0, 4).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask,
                 Qt::AlignRight);

        // Every title and every cell fits its column as the view measures it.
        QHeaderView *header = grid->horizontalHeader();
        QStyleOptionViewItem option;
        option.initFrom(grid);
        option.font = grid->font();
        option.fontMetrics = grid->fontMetrics();
        option.widget = grid;
        const int minimums[] = {1200, 2000, 2000, 1200, 1200, 2500};
        for (int c = 0; c < 6; ++c) {
            QVERIFY(grid->columnWidth(c) >= qRound(minimums[c] * grid->logicalDpiX() / 1440.0));
            QVERIFY2(header->sectionSizeHint(c) <= grid->columnWidth(c), qPrintable(QString::number(c)));
            for (int row = 0; row < grid->model()->rowCount(); ++row) {
                const QModelIndex index = grid->model()->index(row, c);
                QVERIFY2(grid->itemDelegate()->sizeHint(option, index).width() < grid->columnWidth(c),
                         qPrintable(index.data().toString()));
            }
        }
    }

    void aLocationAFewPixelsTooWideWidensItsColumn()
    {
        EditorFixture f;
        QTableView *grid = listing(f);
        // Every listed request goes to location 1: its name alone widens the column past
        // its least width.
        const int margins = grid->columnWidth(2) - EditorFixture::textRoom(grid, 2);
        const int least = std::max(qRound(2000 * grid->logicalDpiX() / 1440.0), grid->horizontalHeader()->sectionSizeHint(2));
        const QString name = EditorFixture::textWiderThan(grid, least - margins, "WIDE ");
        QVERIFY(grid->fontMetrics().horizontalAdvance(name) - (least - margins) <= 4);
        f.connection->Execute("Update tbInvLocation Set Location = '" + name + "' Where LocationID = '1'");
        f.storeRequest("20", 1); // to location 1
        refresh(f, false);
        QCOMPARE(grid->model()->index(rowOf(grid, "20"), 2).data().toString(), name);
        QVERIFY2(grid->fontMetrics().horizontalAdvance(name) <= EditorFixture::textRoom(grid, 2), qPrintable(name));
    }

    void theListingFollowsSavesDeleteMarksAndProcessingElsewhere()
    {
        EditorFixture f;
        QTableView *grid = listing(f);
        QCOMPARE(column(grid, 0), QStringList({"6", "5", "4"}));
        const QString oldTotal = totalOf(grid, "6");

        // A new request: listed first, with the total the editor showed.
        f.startNewRequest();
        f.enterLine("142", "5");
        f.enterLine("116", "2");
        const QString grandTotal = f.field("txtTotalCounter")->text().remove(QLatin1Char(','));
        f.click("cmdSave");
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 0);
        QCOMPARE(column(grid, 0), QStringList({"7", "6", "5", "4"}));
        QCOMPARE(totalOf(grid, "7"), grandTotal);
        QCOMPARE(grid->currentIndex().row(), 0);

        // Request 6 opened, one line more, saved again: its total changes in place.
        f.focus(grid);
        const QModelIndex six = grid->model()->index(rowOf(grid, "6"), 0);
        QCOMPARE(grid->indexAt(grid->visualRect(six).center()), six);
        doubleClick(grid, six);
        QCOMPARE(f.field("txtDocNum")->text(), QStringLiteral("6"));
        f.click("cmdAdd");
        f.enterLine("116", "1");
        const QString changedTotal = f.field("txtTotalCounter")->text().remove(QLatin1Char(','));
        QVERIFY(changedTotal != oldTotal);
        f.click("cmdSave");
        QCOMPARE(column(grid, 0), QStringList({"7", "6", "5", "4"}));
        QCOMPARE(totalOf(grid, "6"), changedTotal);

        // Request 5 marked deleted: gone from the listing, the others stay.
        grid->setCurrentIndex(grid->model()->index(rowOf(grid, "5"), 0));
        MsgBoxScript::answer(vbYes);
        f.click("cmdDeleteReq");
        QCOMPARE(column(grid, 0), QStringList({"7", "6", "4"}));

        // Another program of the hospital issues request 4: it moves to the processed listing.
        const QString total4 = totalOf(grid, "4");
        auto issuing = f.db->connect();
        issuing->Execute("Update tbInvWithdrawRequest Set ProcessDate = getdate(), ProcessBy = '3001' Where DocumentNumber = '4'");
        refresh(f, false);
        QCOMPARE(column(grid, 0), QStringList({"7", "6"}));
        refresh(f, true);
        QCOMPARE(column(grid, 0), QStringList({"4", "2", "1"}));
        QCOMPARE(totalOf(grid, "4"), total4);
        QCOMPARE(MsgBoxScript::shown().size(), size_t(1)); // only the question of the delete mark
    }

    // Every connection puts the file in WAL mode, where the listing is read as it scrolls.
    static void requireWriteAheadLog(EditorFixture &f)
    {
        QCOMPARE(f.connection->run("PRAGMA journal_mode")->value(0, 0).toString(), QStringLiteral("wal"));
    }

    void aLongListingScrollsToItsEndAndOpensAnyRow()
    {
        EditorFixture f;
        requireWriteAheadLog(f);
        constexpr int documents = 3000;
        {
            TransactionScope transaction(*f.connection);
            for (int d = 1001; d < 1001 + documents; ++d)
                insertDocument(*f.connection, QString::number(d), QString::number(d % 7 + 1), "1.5");
            transaction.commit();
        }
        refresh(f, false);
        QTableView *grid = listing(f);
        QVERIFY(grid->model()->rowCount() < documents); // only the first rows were read
        QCOMPARE(grid->currentIndex().row(), 0);

        // A grid with room for more rows than were read first fills itself without any
        // scrolling (rows made tiny here, as a tall window would show many).
        QHeaderView *rows = grid->verticalHeader();
        const int rowHeight = rows->defaultSectionSize();
        rows->setMinimumSectionSize(1);
        rows->setDefaultSectionSize(2);
        QVERIFY(grid->viewport()->height() > 2 * CursorModel::firstBlockRows);
        QTRY_VERIFY(grid->rowViewportPosition(grid->model()->rowCount() - 1) > grid->viewport()->height());
        rows->setDefaultSectionSize(rowHeight);

        for (int k = 0; k < 100 && grid->model()->canFetchMore({}); ++k) {
            QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
            QApplication::processEvents();
        }
        QVERIFY(!grid->model()->canFetchMore({}));
        QStringList expected;
        for (int d = 1000 + documents; d > 1000; --d)
            expected << QString::number(d);
        expected << "6" << "5" << "4";
        QCOMPARE(column(grid, 0), expected);
        QCOMPARE(totalOf(grid, "2026"), QStringLiteral("6.0000")); // 2026 % 7 + 1 = 4 at 1.5

        // A row far down the listing opens by double-click.
        const QModelIndex far = grid->model()->index(2500, 0);
        grid->scrollTo(far);
        f.focus(grid);
        doubleClick(grid, far);
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 1);
        QCOMPARE(f.field("txtDocNum")->text(), far.data().toString());
        QCOMPARE(f.grid()->TextMatrix(1, 0), QStringLiteral("142"));
    }

    void anUnfinishedListingHoldsUpNoSave()
    {
        // Another workstation saves while the listing is open (in WAL mode it has read only
        // its first rows); that save and this workstation's next one must go through, the
        // latter numbered after the former.
        EditorFixture f;
        requireWriteAheadLog(f);
        {
            TransactionScope transaction(*f.connection);
            for (int d = 1001; d <= 1600; ++d)
                insertDocument(*f.connection, QString::number(d), "1", "1");
            transaction.commit();
        }
        refresh(f, false);
        QTableView *grid = listing(f);
        QVERIFY(grid->model()->canFetchMore({}));
        auto other = f.db->connect();
        insertDocument(*other, "5000", "2", "3");

        f.startNewRequest();
        f.enterLine("142", "5");
        f.click("cmdSave");
        QVERIFY2(MsgBoxScript::shown().empty(), qPrintable(f.lastMessage()));
        QCOMPARE(column(grid, 0).mid(0, 3), QStringList({"5001", "5000", "1600"}));
        QCOMPARE(f.connection->run("Select count(*) From tbInvWithdrawRequest Where DocumentNumber = '5001'")->value(0, 0).toInt(), 1);
    }

    // Whether another workstation can copy the whole write-ahead log back into the file,
    // which it cannot while any connection still reads an older state of the file.
    static bool nothingPinned(Connection &other)
    {
        const auto result = other.run("PRAGMA wal_checkpoint(TRUNCATE)");
        return result && result->value(0, 0).toInt() == 0;
    }

    void aRefreshedListingKeepsNoOldReadOpen()
    {
        // Listings are read on reading connections that are kept for the next listing;
        // a listing read to its end, or replaced by another, must let go of its read, and
        // a kept connection must show what was saved since it was last used.
        EditorFixture f;
        requireWriteAheadLog(f);
        auto other = f.db->connect();
        other->run("PRAGMA busy_timeout = 200"); // the pinned case below need not wait long
        for (int k = 0; k < 3; ++k) {
            refresh(f, true);
            refresh(f, false);
        }
        insertDocument(*other, "7001", "1", "1");
        QVERIFY(nothingPinned(*other));
        refresh(f, false);
        QCOMPARE(column(listing(f), 0).value(0), QStringLiteral("7001"));

        // A listing longer than its first block lets go of its read once nobody asks for
        // more rows, and reads on with what was saved after its last row meanwhile.
        {
            TransactionScope transaction(*other);
            for (int d = 2001; d <= 2600; ++d)
                insertDocument(*other, QString::number(d), "1", "1");
            transaction.commit();
        }
        refresh(f, false);
        QVERIFY(listing(f)->model()->canFetchMore({}));
        insertDocument(*other, "1999", "1", "1");
        QTRY_VERIFY(nothingPinned(*other));
        QCOMPARE(scrolledToTheEnd(listing(f)), pendingNow(f));
        insertDocument(*other, "7002", "1", "1");
        // ... and no longer once the short listing of processed requests replaced it.
        refresh(f, true);
        QVERIFY(!listing(f)->model()->canFetchMore({}));
        QVERIFY(nothingPinned(*other));
        refresh(f, false);
        QCOMPARE(column(listing(f), 0).value(0), QStringLiteral("7002"));
    }

    void aListingLeftOpenWhileOthersSaveKeepsTheLogSmall()
    {
        // Three workstations save 750 requests while the clerk leaves a long listing at
        // its first rows, a request 40 rows down chosen. A listing that kept its read open
        // let the log grow past 30 MB here, and on with every further save.
        EditorFixture f;
        requireWriteAheadLog(f);
        {
            TransactionScope transaction(*f.connection);
            for (int d = 1001; d <= 2500; ++d)
                insertDocument(*f.connection, QString::number(d), "1", "1");
            transaction.commit();
        }
        refresh(f, false);
        QTableView *grid = listing(f);
        QVERIFY(grid->model()->canFetchMore({}));
        grid->setCurrentIndex(grid->model()->index(40, 0));
        const QString chosen = grid->currentIndex().data().toString();

        std::vector<std::unique_ptr<QProcess>> writers;
        for (const char *user : {"W1", "W2", "W3"}) {
            writers.push_back(std::make_unique<QProcess>());
            writers.back()->start(QStringLiteral(QUELLAR_STORE_WRITER), {f.db->file(), "250", user, "30"});
            QVERIFY(writers.back()->waitForStarted());
        }
        const auto running = [&] {
            return std::any_of(writers.begin(), writers.end(),
                               [](const auto &writer) { return writer->state() != QProcess::NotRunning; });
        };
        qint64 largestLog = 0;
        QElapsedTimer clock;
        clock.start();
        while (running() && clock.elapsed() < 200000) {
            QTest::qWait(10);
            largestLog = std::max(largestLog, QFileInfo(f.db->file() + "-wal").size());
        }
        for (const auto &writer : writers)
            QVERIFY2(writer->exitCode() == 0, writer->readAllStandardError().constData());
        // How large the log grows while they save depends on how their saves interleave;
        // what the listing must not do is hold it: with the listing still open, another
        // program copies the whole log back and empties it.
        qInfo("largest log while they saved: %lld bytes", largestLog);
        QCOMPARE(readInAnotherProcess(f.db->file(), "PRAGMA wal_checkpoint(TRUNCATE)"), QStringLiteral("0\t0\t0"));
        QCOMPARE(QFileInfo(f.db->file() + "-wal").size(), 0);
        // Once the log is copied back, the next save starts it over, cut back to 4 MB.
        auto other = f.db->connect();
        other->run("PRAGMA wal_checkpoint(PASSIVE)");
        insertDocument(*other, "1000", "1", "1");
        QVERIFY(QFileInfo(f.db->file() + "-wal").size() <= 4 * 1024 * 1024);

        // Scrolling on shows the new requests first, keeps the chosen request current, and
        // lists every pending request once, in order.
        grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
        QApplication::processEvents();
        QCOMPARE(grid->currentIndex().data().toString(), chosen);
        const QStringList expected = pendingNow(f);
        QCOMPARE(expected.size(), 1500 + 3 + 750 + 1);
        QCOMPARE(scrolledToTheEnd(grid), expected);
    }
};

QTEST_MAIN(TestListingWindow)
#include "tst_listing_window.moc"
