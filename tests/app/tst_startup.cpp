#include "app/MessageBox.h"
#include "app/program/Startup.h"
#include "app/modInventory.h"
#include "db/Connection.h"
#include "session/SessionComponent.h"
#include "support/FakeSession.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

namespace {

QList<QWidget *> visibleWindows()
{
    QList<QWidget *> shown;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible())
            shown << w;
    }
    return shown;
}

} // namespace

// Start-up: log-in, hospital information, globals and the main window.
class TestStartup : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    QStringList m_calls;

    void useSession(std::optional<bool> connects)
    {
        SessionComponent::registerFactory("Orvane_User.clsCurrentUser", [this, connects] {
            return std::make_unique<FakeSession>(*m_db, connects, &m_calls);
        });
    }

private slots:
    void initTestCase() { m_db = std::make_unique<TestDatabase>(); }

    void init()
    {
        m_calls.clear();
        MsgBoxScript::start();
        gstrHospitalName.clear();
        gstrHospitalAddress.clear();
        gstrServerDate.clear();
        gstrDefaultLocationID.clear();
        gstrUserInventoryType.clear();
    }

    void cleanup()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            w->close();
        QApplication::processEvents();
        gCurrentUser.reset();
        MsgBoxScript::stop();
    }

    void cancelledLogInEndsWithoutAWindowOrMessage_data()
    {
        QTest::addColumn<int>("answer"); // 0 false, 1 NULL
        QTest::newRow("false") << 0;
        QTest::newRow("null") << 1;
    }

    void cancelledLogInEndsWithoutAWindowOrMessage()
    {
        QFETCH(int, answer);
        useSession(answer == 0 ? std::optional<bool>(false) : std::nullopt);
        Main();
        QVERIFY(visibleWindows().isEmpty());
        QVERIFY(MsgBoxScript::shown().empty());
        QCOMPARE(m_calls, QStringList({"PasswordDeptCode=4", "ShowMain", "Connected"}));
        QVERIFY(gstrDefaultLocationID.isEmpty());
    }

    void logInLoadsTheHospitalAndShowsTheMainWindow()
    {
        useSession(true);
        Main();
        QCOMPARE(m_calls.first(), QStringLiteral("PasswordDeptCode=4"));
        QCOMPARE(gstrHospitalName, QStringLiteral("St. Brigid's General Hospital"));
        QVERIFY(!gstrHospitalAddress.isEmpty());
        QVERIFY(qAbs(parseGeneralDate(gstrServerDate).secsTo(QDateTime::currentDateTime())) < 60);
        QCOMPARE(gstrDefaultLocationID, QStringLiteral("20"));
        QCOMPARE(gstrUserInventoryType, QStringLiteral("A"));
        const auto windows = visibleWindows();
        QCOMPARE(windows.size(), 1);
        QCOMPARE(windows.first()->windowTitle(), QStringLiteral("Quellar"));
        QVERIFY(!windows.first()->isModal());
    }

    void missingHospitalIsReportedAndStartUpGoesOn()
    {
        TestDatabase empty(false);
        SessionComponent::registerFactory("Orvane_User.clsCurrentUser", [this, &empty] {
            return std::make_unique<FakeSession>(empty, true, &m_calls);
        });
        Main();
        QCOMPARE(MsgBoxScript::shown().size(), size_t(1));
        QCOMPARE(MsgBoxScript::shown()[0].prompt, QStringLiteral("No Hospital information was found"));
        QCOMPARE(MsgBoxScript::shown()[0].title, QStringLiteral("MESSAGE"));
        QCOMPARE(MsgBoxScript::shown()[0].style, vbInformation + vbOKOnly);
        QVERIFY(gstrHospitalName.isEmpty());
        QVERIFY(gstrServerDate.isEmpty());
        QCOMPARE(visibleWindows().size(), 1);
        for (QWidget *w : QApplication::topLevelWidgets())
            w->close();
        gCurrentUser.reset(); // before the database goes
    }

    void onlyTheFirstHospitalRowCounts()
    {
        {
            auto connection = m_db->connect();
            connection->Execute("Insert Into tbHospitalInfo (HospitalID, Company, Address1) Values (2, 'SECOND', 'ELSEWHERE')");
            connection->Execute("Update tbHospitalInfo Set Company = NULL Where HospitalID = 1");
        }
        useSession(true);
        Main();
        QCOMPARE(gstrHospitalName, QString()); // a NULL name is the empty text
        QVERIFY(gstrHospitalAddress != QStringLiteral("ELSEWHERE"));
    }

    void aMissingSessionComponentFails()
    {
        SessionComponent::registerFactory("Orvane_User.clsCurrentUser", {});
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, Main());
        QVERIFY(visibleWindows().isEmpty());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
