#include "app/DataComboBox.h"
#include "app/MessageBox.h"
#include "app/modInventory.h"
#include "db/Connection.h"
#include "requests/frmMain.h"
#include "support/FakeSession.h"
#include "support/TestDatabase.h"

#include <QHeaderView>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

// The main window as it opens: location drop-downs, the listing and its two options.
class TestListing : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    Connection *m_connection = nullptr;

    template <typename T>
    static T *child(QWidget &window, const char *name)
    {
        T *widget = window.findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

    static QStringList column0(QTableView *grid)
    {
        QStringList values;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            values << grid->model()->index(row, 0).data().toString();
        return values;
    }

private slots:
    void init()
    {
        m_db = std::make_unique<TestDatabase>();
        m_connection = &FakeSession::signIn(*m_db);
        MsgBoxScript::start();
    }

    void cleanup()
    {
        gCurrentUser.reset();
        MsgBoxScript::stop();
    }

    void theWindowOpensOnThePendingRequests()
    {
        frmMain window;
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Quellar"));
        auto *location = child<DataComboBox>(window, "cboLocation");
        auto *target = child<DataComboBox>(window, "cboTargetLocation");
        QCOMPARE(location->Tag(), QStringLiteral("20"));
        QCOMPARE(location->count(), 5);
        QCOMPARE(target->count(), 13);
        QCOMPARE(target->Tag(), QString());

        auto *grid = child<QTableView>(window, "grdListing");
        QVERIFY(grid->isEnabled());
        QCOMPARE(column0(grid), QStringList({"6", "5", "4"}));
        QCOMPARE(grid->currentIndex().row(), 0);
        QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Doc #     "));
        QCOMPARE(grid->model()->headerData(5, Qt::Horizontal).toString(), QStringLiteral("Requested By"));
        // The widths are minimums: wider only where a title or value needs it.
        QVERIFY(grid->columnWidth(1) >= qRound(2000 * grid->logicalDpiX() / 1440.0));
        QCOMPARE(grid->columnWidth(5), std::max(qRound(2500 * grid->logicalDpiX() / 1440.0),
                                                grid->horizontalHeader()->sectionSizeHint(5)));
        QCOMPARE(child<QTabWidget>(window, "SSTab1")->currentIndex(), 0);
    }

    void theOptionsSwitchBetweenPendingAndProcessed()
    {
        frmMain window;
        window.show();
        auto *grid = child<QTableView>(window, "grdListing");
        m_connection->trace().clear();
        QTest::mouseClick(child<QRadioButton>(window, "optOptions_1"), Qt::LeftButton, {}, QPoint(6, 6));
        QCOMPARE(m_connection->trace().statements(), QStringList({"sp_Inv_ListofWithdrawalRequest 'P'"}));
        QCOMPARE(column0(grid), QStringList({"2", "1"}));
        QTest::mouseClick(child<QRadioButton>(window, "optOptions_0"), Qt::LeftButton, {}, QPoint(6, 6));
        QCOMPARE(m_connection->trace().statements().last(), QStringLiteral("sp_Inv_ListofWithdrawalRequest ''"));
        QCOMPARE(column0(grid), QStringList({"6", "5", "4"}));
    }

    void anEmptyListingShowsOnlyTheTitlesAndIsDisabled()
    {
        m_connection->Execute("Update tbInvWithdrawRequest Set Status = 'D'");
        frmMain window;
        window.show();
        auto *grid = child<QTableView>(window, "grdListing");
        QVERIFY(!grid->isEnabled());
        QCOMPARE(grid->model()->rowCount(), 0);
        QCOMPARE(grid->model()->columnCount(), 6);
        QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString().trimmed(), QStringLiteral("Request From"));
    }

    void aListingFailureKeepsWhatTheGridShowed()
    {
        frmMain window;
        window.show();
        auto *grid = child<QTableView>(window, "grdListing");
        m_connection->failStatementAt(1, "connection lost");
        QTest::mouseClick(child<QRadioButton>(window, "optOptions_1"), Qt::LeftButton, {}, QPoint(6, 6));
        QCOMPARE(MsgBoxScript::shown().back().prompt, QStringLiteral("connection lost"));
        QCOMPARE(column0(grid), QStringList({"6", "5", "4"}));
    }

    void detailsCannotBeChosenByClicking()
    {
        frmMain window;
        window.show();
        auto *tabs = child<QTabWidget>(window, "SSTab1");
        QTabBar *bar = tabs->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        QCOMPARE(tabs->currentIndex(), 0);
        QTest::keyClick(tabs, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 0);
    }
};

QTEST_MAIN(TestListing)
#include "tst_listing.moc"
