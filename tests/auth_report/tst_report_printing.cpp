#include "app/MessageBox.h"
#include "app/modInventory.h"
#include "auth_report/ReportPrinting.h"
#include "auth_report/frmReportViewer.h"
#include "reporting/ReportDocument.h"
#include "reporting/ReportError.h"
#include "reporting/ReportViewer.h"
#include "support/FakeSession.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A session on another server and database than the test file.
class RemoteSession : public FakeSession
{
public:
    RemoteSession(const TestDatabase &db, const QString &server, const QString &database, const QString &user,
                  const QString &password)
        : FakeSession(db, true), m_server(server), m_database(database), m_user(user), m_password(password)
    {
    }
    QString ServerName() const override { return m_server; }
    QString Database() const override { return m_database; }
    QString ServerUser() const override { return m_user; }
    QString ServerPassword() const override { return m_password; }

private:
    QString m_server, m_database, m_user, m_password;
};

void signInAs(std::unique_ptr<FakeSession> session)
{
    session->ShowMain();
    gCurrentUser = std::move(session);
}

QList<frmReportViewer *> openViewers()
{
    QList<frmReportViewer *> viewers;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *viewer = qobject_cast<frmReportViewer *>(widget); viewer && viewer->isVisible())
            viewers << viewer;
    }
    return viewers;
}

QString reportBesideTheProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/DepartmentRequest.rpt");
}

QVariantList valuesOf(const ReportDocument &report)
{
    QVariantList values;
    for (const ParameterField &field : report.ParameterFields())
        values << QVariant(field.CurrentValues());
    return values;
}

} // namespace

// "&View": the report file beside the program, its tables moved to the session's
// database, its parameters, the viewer windows, and failures shown to the user.
class TestReportPrinting : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    QTemporaryDir m_scratch;
    QString m_startFolder;

    QString writeReport(const QJsonArray &parameters, const QJsonArray &tables)
    {
        const QJsonObject report{
            {"format", "quellar-report/1"},
            {"parameters", parameters},
            {"tables", tables},
            {"query", "Select ItemID From {table:M}"},
            {"columns", QJsonArray{QJsonObject{{"title", "Code"}, {"value", "{ItemID}"}}}},
        };
        const QString file = m_scratch.filePath(QStringLiteral("custom.rpt"));
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(QJsonDocument(report).toJson()) < 0)
            qFatal("cannot write %s", qPrintable(file));
        return file;
    }

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<TestDatabase>();
        m_startFolder = QDir::currentPath();
    }

    void init()
    {
        FakeSession::signIn(*m_db);
        gstrHospitalName = QStringLiteral("St. Brigid's General Hospital");
        gstrHospitalAddress = QStringLiteral("1200 Harbour View Road");
        MsgBoxScript::start();
        MsgBoxScript::clearShown();
    }

    void cleanup()
    {
        for (frmReportViewer *viewer : openViewers())
            viewer->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        gReport.reset();
        gCurrentUser.reset();
        MsgBoxScript::stop();
        QDir::setCurrent(m_startFolder);
    }

    // The session's own login, never the server's administrator.
    void everyTableMovesToTheSessionDatabaseAndLogsOnAsTheSessionLogin()
    {
        signInAs(std::make_unique<RemoteSession>(*m_db, QStringLiteral("DBSRV01"), QStringLiteral("hospital_live"),
                                                 QStringLiteral("ward20"), QStringLiteral("s3cret")));
        PrepareReport(reportBesideTheProgram(), {QStringLiteral("H"), QStringLiteral("A"), QStringLiteral("7")});
        QVERIFY(gReport);
        QCOMPARE(gReport->ReportTitle(), gstrHospitalName);
        QVERIFY(gReport->workingFile() != reportBesideTheProgram()); // a temporary copy
        QCOMPARE(gReport->Database().Tables().size(), size_t(3));
        for (const DatabaseTable &table : gReport->Database().Tables()) {
            QCOMPARE(table.Location(), QStringLiteral("hospital_live.dbo.") + table.Name());
            const LogOnInfo expected{QStringLiteral("DBSRV01"), QStringLiteral("hospital_live"), QStringLiteral("ward20"),
                                     QStringLiteral("s3cret")};
            QVERIFY(table.logOnInfo() == expected);
        }

        // Only the name before the first "." is replaced.
        const QString custom = writeReport(
            QJsonArray{}, QJsonArray{QJsonObject{{"name", "M"}, {"location", "old.db.dbo.tbInvMaster"}}});
        PrepareReport(custom, {});
        QCOMPARE(gReport->Database().Tables().front().Location(), QStringLiteral("hospital_live.db.dbo.tbInvMaster"));
    }

    void aLocationWithoutADatabaseIsRefused()
    {
        const QString custom = writeReport(QJsonArray{}, QJsonArray{QJsonObject{{"name", "M"}, {"location", "tbInvMaster"}}});
        try {
            PrepareReport(custom, {});
            QFAIL("prepared");
        } catch (const ReportError &error) {
            QVERIFY2(error.message().contains(QLatin1String("\"tbInvMaster\", which names no database")),
                     qPrintable(error.message()));
        }
        QVERIFY(!gReport);
    }

    void parameterValuesGoInOrderAndSupplierCodesGetABlank()
    {
        const QJsonArray parameters{QJsonObject{{"name", "SupplierID"}}, QJsonObject{{"name", "@SupplierCode"}},
                                    QJsonObject{{"name", "Supplier"}}, QJsonObject{{"name", "Spare"}}};
        const QString custom = writeReport(
            parameters, QJsonArray{QJsonObject{{"name", "M"}, {"location", "inventory.dbo.tbInvMaster"}}});
        const QString s1 = QStringLiteral("S01"), s2 = QStringLiteral("S02"), s3 = QStringLiteral("S03");

        PrepareReport(custom, {s1, s2, s3});
        QCOMPARE(gReport->ParameterFields()[0].Name(), QStringLiteral("{?SupplierID}"));
        QCOMPARE(valuesOf(*gReport),
                 QVariantList({QVariantList{"S01 "}, QVariantList{"S02 "}, QVariantList{"S03"}, QVariantList{}}));

        PrepareReport(custom, {});
        QCOMPARE(valuesOf(*gReport), QVariantList({QVariantList{}, QVariantList{}, QVariantList{}, QVariantList{}}));

        PrepareReport(custom, {s1, s2, s3, QStringLiteral("d"), QStringLiteral("ignored")});
        QCOMPARE(valuesOf(*gReport).last(), QVariant(QVariantList{"d"}));
    }

    void viewOpensTheRequestFromAnyCurrentFolder()
    {
        QVERIFY(QDir::setCurrent(m_scratch.path()));
        printDepartmentRequest(QStringLiteral("  1  "), nullptr);
        QVERIFY2(MsgBoxScript::shown().empty(), qPrintable(MsgBoxScript::shown().empty() ? QString() : MsgBoxScript::shown().front().prompt));
        QCOMPARE(QApplication::overrideCursor(), nullptr);

        const QList<frmReportViewer *> viewers = openViewers();
        QCOMPARE(viewers.size(), 1);
        frmReportViewer &window = *viewers.front();
        QCOMPARE(window.windowTitle(), QStringLiteral("Inventory Master File"));
        ReportViewer &viewer = window.CRViewer1();
        QCOMPARE(viewer.ReportSource(), gReport);
        QCOMPARE(valuesOf(*gReport), QVariantList({QVariantList{gstrHospitalName}, QVariantList{gstrHospitalAddress},
                                                   QVariantList{"1"}}));
        QCOMPARE(gReport->records()->rowCount(), 4);
        QCOMPARE(viewer.pageCount(), 1);
        QCOMPARE(viewer.zoomLevel(), 1);
        QVERIFY(!viewer.DisplayGroupTree());
        QVERIFY(!viewer.EnableGroupTree());
        // The viewer fills the window.
        window.resize(700, 500);
        QTRY_COMPARE(viewer.geometry(), window.rect());
    }

    void closingOneViewerLeavesTheOtherShowingItsReport()
    {
        printDepartmentRequest(QStringLiteral("1"), nullptr);
        QPointer<frmReportViewer> first = openViewers().value(0);
        printDepartmentRequest(QStringLiteral("4"), nullptr);
        QCOMPARE(openViewers().size(), 2);
        frmReportViewer *second = openViewers().front() == first ? openViewers().back() : openViewers().front();

        first->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        QVERIFY(!gReport);

        ReportViewer &viewer = second->CRViewer1();
        QVERIFY(viewer.ReportSource());
        QCOMPARE(viewer.ReportSource()->ParameterFields()[2].CurrentValues(), QVariantList{"4"});
        viewer.ViewReport();
        QCOMPARE(viewer.pageCount(), 1);
        QCOMPARE(viewer.ReportSource()->records()->rowCount(), 5);
    }

    void escOrCloseEndsTheViewer()
    {
        printDepartmentRequest(QStringLiteral("1"), nullptr);
        QPointer<frmReportViewer> first = openViewers().value(0);
        QVERIFY(first);
        // Esc from wherever the focus is in the window, here the zoom choice of the viewer.
        auto *zoom = first->findChild<QComboBox *>(QStringLiteral("cboZoom"));
        QVERIFY(zoom);
        zoom->setFocus();
        QTest::keyClick(zoom, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        QVERIFY(!gReport);

        printDepartmentRequest(QStringLiteral("4"), nullptr);
        QPointer<frmReportViewer> second = openViewers().value(0);
        QVERIFY(second);
        auto *close = second->findChild<QPushButton *>(QStringLiteral("cmdClose"));
        QVERIFY(close);
        QCOMPARE(close->text(), QStringLiteral("&Close"));
        QTest::mouseClick(close, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(second.isNull());
        QVERIFY(openViewers().isEmpty());
    }

    void aViewerClosesWithTheWindowItBelongsTo()
    {
        auto owner = std::make_unique<QWidget>();
        printDepartmentRequest(QStringLiteral("1"), owner.get());
        QPointer<frmReportViewer> viewer = owner->findChild<frmReportViewer *>();
        QVERIFY(viewer);
        QVERIFY(viewer->isWindow());
        owner.reset();
        QVERIFY(viewer.isNull());
    }

    void aMissingReportFileGivesAMessageAndANormalPointer()
    {
        const QString hidden = reportBesideTheProgram() + QStringLiteral(".hidden");
        QVERIFY(QFile::rename(reportBesideTheProgram(), hidden));
        const auto restore = qScopeGuard([&] { QFile::rename(hidden, reportBesideTheProgram()); });

        printDepartmentRequest(QStringLiteral("1"), nullptr);
        QCOMPARE(MsgBoxScript::shown().size(), size_t(1));
        const MsgBoxScript::Shown &message = MsgBoxScript::shown().front();
        QVERIFY2(message.prompt.contains(QLatin1String("DepartmentRequest.rpt was not found")), qPrintable(message.prompt));
        QCOMPARE(message.style, int(vbCritical));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(openViewers().isEmpty());
        QVERIFY(!gReport);
    }

    void aFailedLogOnGivesAMessageAndANormalPointer()
    {
        signInAs(std::make_unique<RemoteSession>(*m_db, QString(), QStringLiteral("/nowhere/hospital.db"), QString(), QString()));
        printDepartmentRequest(QStringLiteral("1"), nullptr);
        QCOMPARE(MsgBoxScript::shown().size(), size_t(1));
        QVERIFY2(MsgBoxScript::shown().front().prompt.contains(QLatin1String("/nowhere/hospital.db")),
                 qPrintable(MsgBoxScript::shown().front().prompt));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(openViewers().isEmpty());
        QVERIFY(!gReport);
    }
};

QTEST_MAIN(TestReportPrinting)
#include "tst_report_printing.moc"
