#include "TdsResponder.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/dialects/SqlServerDialect.h"
#include "auth_report/frmDeletePassword.h"
#include "db/ResultTable.h"
#include "records/clsTerms.h"
#include "reporting/ReportDocument.h"
#include "reporting/ReportEngine.h"
#include "reporting/ReportError.h"
#include "requests/RequestStore.h"
#include "session/clsCurrentUser.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

// What reaches SQL Server on the wire, through Qt's ODBC driver and FreeTDS as installed,
// with a loopback responder in the server's place: every statement goes as a plain batch
// (never a cursor call, in which settings and transactions do not last), the connection
// is set up once, a save is one transaction, and a failed commit is never a save.
class TestTdsWire : public QObject
{
    Q_OBJECT

    QTemporaryDir m_odbcConfig;
    QTemporaryDir m_userConfig; // the session settings IT would set
    std::unique_ptr<TdsResponder> m_responder;

    ConnectionSettings settings() const
    {
        ConnectionSettings settings;
        settings.kind = ConnectionSettings::Kind::OdbcString;
        settings.connectionString = QStringLiteral("DRIVER=FreeTDS;SERVER=127.0.0.1;PORT=%1;DATABASE=inventory;UID=ward;"
                                                   "PWD=x;TDS_Version=7.4;ClientCharset=UTF-8")
                                        .arg(m_responder->port());
        return settings;
    }

    // The connection the log-in window makes.
    ConnectionSettings loginSettings() const
    {
        ConnectionSettings settings;
        settings.kind = ConnectionSettings::Kind::SqlServer;
        settings.server = QStringLiteral("127.0.0.1,%1").arg(m_responder->port());
        settings.database = QStringLiteral("inventory");
        settings.user = QStringLiteral("ward");
        settings.password = QStringLiteral("x");
        return settings;
    }

    static RequestDocument document(const QString &number)
    {
        RequestDocument doc;
        doc.documentNumber = number;
        doc.transDate = QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9));
        doc.locationId = QStringLiteral("20");
        doc.targetLocationId = QStringLiteral("1");
        doc.lines.push_back({"10", "5", "12.5000", "Y", "N"});
        doc.lines.push_back({"11", "2", "3.0000", "N", "Y"});
        doc.lines.push_back({QString(), QString(), QString(), QString(), QString()}); // blank entry row
        return doc;
    }

    // A connection to the responder: else the message is the failure.
    static std::unique_ptr<Connection> open(const ConnectionSettings &how)
    {
        try {
            return std::make_unique<Connection>(how);
        } catch (const DbError &error) {
            QTest::qFail(qPrintable(QStringLiteral("cannot connect: ") + error.description()), __FILE__, __LINE__);
            return nullptr;
        }
    }

    // A save that should succeed: else its message is the failure.
    static QString save(RequestStore &store, const RequestDocument &document, const QString &verifier = {})
    {
        try {
            return store.save(document, QStringLiteral("1001"), verifier);
        } catch (const DbError &error) {
            QTest::qFail(qPrintable(QStringLiteral("the save failed: ") + error.description()), __FILE__, __LINE__);
            return {};
        }
    }

    // Qt's ODBC driver sends "SET QUOTED_IDENTIFIER ON" itself while it opens a connection
    // to SQL Server, on a statement of its own that asks for a cursor; the program's set-up
    // sends the setting again as a batch.
    static bool isQtsOwnOpening(const TdsResponder::Request &request)
    {
        return request.isCursorCall() && request.text == QLatin1String("SET QUOTED_IDENTIFIER ON");
    }

    // FreeTDS sends the text size it is configured with on its own.
    static bool isDriversOwn(const TdsResponder::Request &request)
    {
        return request.kind == TdsResponder::Request::Kind::Batch
            && request.text.startsWith(QLatin1String("SET TEXTSIZE"), Qt::CaseInsensitive);
    }

    // What the program sent on a session, in order.
    std::vector<TdsResponder::Request> programRequests(int session) const
    {
        std::vector<TdsResponder::Request> requests = m_responder->requestsOf(session);
        if (!requests.empty() && isQtsOwnOpening(requests.front()))
            requests.erase(requests.begin());
        std::erase_if(requests, isDriversOwn);
        return requests;
    }

    // The texts the program sent on a session, from its request `from` on.
    QStringList textsOf(int session, qsizetype from = 0) const
    {
        QStringList texts;
        const std::vector<TdsResponder::Request> requests = programRequests(session);
        for (size_t i = size_t(from); i < requests.size(); ++i)
            texts << requests[i].text.trimmed();
        return texts;
    }

    qsizetype countOf(int session) const { return qsizetype(programRequests(session).size()); }

    // The program's requests from `from` on are batches, and nothing waits in a transaction.
    void requireBatchesOutsideTransactions(int session, qsizetype from)
    {
        const std::vector<TdsResponder::Request> requests = programRequests(session);
        for (size_t i = size_t(from); i < requests.size(); ++i)
            QVERIFY2(requests[i].kind == TdsResponder::Request::Kind::Batch, qPrintable(requests[i].describe()));
        QCOMPARE(m_responder->transactionCount(session), 0);
    }

    static void configure(const QString &driver, const QString &options)
    {
        QSettings session(QStringLiteral("Quellar"), QStringLiteral("Session"));
        session.setValue(QStringLiteral("sqlserver/driver"), driver);
        session.setValue(QStringLiteral("sqlserver/options"), options);
    }

    // A report of one table on the responder, logged on as the log-in would hand it on.
    std::shared_ptr<ReportDocument> reportOnResponder() const
    {
        const QJsonObject definition{
            {"format", "quellar-report/1"},
            {"parameters", QJsonArray{QJsonObject{{"name", "Code"}}}},
            {"tables", QJsonArray{QJsonObject{{"name", "M"}, {"location", "inventory.dbo.tbInvMaster"}}}},
            {"query", "Select ItemID From {table:M} Where ItemID = '{?Code}'"},
            {"columns", QJsonArray{QJsonObject{{"title", "Code"}, {"value", "{ItemID}"}}}},
        };
        const QString path = m_userConfig.filePath(QStringLiteral("items.rpt"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(definition).toJson()) < 0)
            qFatal("cannot write %s", qPrintable(path));
        file.close();
        auto report = ReportEngine::OpenReport(path);
        for (DatabaseTable &table : report->Database().Tables())
            table.SetLogOnInfo(QStringLiteral("127.0.0.1,%1").arg(m_responder->port()), QStringLiteral("inventory"),
                               QStringLiteral("ward"), QStringLiteral("x"));
        report->ParameterFields().front().AddCurrentValue(QStringLiteral("10"));
        return report;
    }

private slots:
    void initTestCase()
    {
        // The same driver also under the name a hospital may have given it.
        const QString unusable = TdsResponder::useFreeTds(m_odbcConfig.path(), {QStringLiteral("FreeTDS"), QStringLiteral("Hospital TDS")});
        if (!unusable.isEmpty())
            QFAIL(qPrintable(unusable));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_userConfig.path());
        m_responder = std::make_unique<TdsResponder>();
        m_responder->answerRows(QStringLiteral("Select (max(Cast(DocumentNumber as int)) + 1) as DocNum"),
                                {QStringLiteral("DocNum#")}, {{42}});
        m_responder->answerRows(QStringLiteral("sp_Inv_ListofWithdrawalRequest"), {"DocumentNumber", "LocationID"},
                                {{"7", "20"}, {"42", "20"}});
        m_responder->answerRows(QStringLiteral("Select * From tbInvTerms Where TermsID"),
                                {"TermsID#", "Terms", "NoDays#", "Status"}, {});
        m_responder->answerRows(QStringLiteral("Select Max( TermsID ) + 1 As NewCode"), {QStringLiteral("NewCode#")}, {{5}});
    }

    void cleanup()
    {
        m_responder->forgetFailures(); // one not met must not fail the next test
        // on every connection, also those opened again after one was closed
        for (int session = 1; session <= m_responder->lastSession(); ++session) {
            for (const TdsResponder::Request &request : programRequests(session))
                QVERIFY2(!request.isCursorCall(), qPrintable(request.describe()));
            const QStringList texts = textsOf(session);
            for (const QString &statement : SqlServerDialect::sessionSetup())
                QVERIFY2(texts.count(statement) == 1,
                         qPrintable(QStringLiteral("session %1: \"%2\" is not sent once").arg(session).arg(statement)));
        }
    }

    // The log-in's values reach the server as typed, separators and braces included
    // (FreeTDS reads a braced "}}" as two braces, so a "}" goes unbraced). A user typed
    // as DOMAIN\user makes FreeTDS ask for Windows authentication (NTLM) instead of
    // sending the password.
    void logInValuesReachTheServerAsTyped()
    {
        for (const QString &password : {QStringLiteral("p;w"), QStringLiteral("p}w"), QStringLiteral("p=w{")}) {
            ConnectionSettings how = loginSettings();
            how.password = password;
            const std::unique_ptr<Connection> opened = open(how);
            QVERIFY(opened);
            const TdsResponder::LogIn logIn = m_responder->logInOf(m_responder->lastSession());
            QCOMPARE(logIn.password, password);
            QCOMPARE(logIn.user, QStringLiteral("ward"));
            QVERIFY(!logIn.windowsAuthentication);
        }
        ConnectionSettings how = loginSettings();
        how.user = QStringLiteral("HOSPITAL\\ward");
        const std::unique_ptr<Connection> opened = open(how);
        QVERIFY(opened);
        const TdsResponder::LogIn logIn = m_responder->logInOf(m_responder->lastSession());
        QVERIFY(logIn.windowsAuthentication);
        QCOMPARE(logIn.password, QString());
    }

    void everyConnectionIsSetUpOnceWithPlainBatches()
    {
        for (const ConnectionSettings &how : {loginSettings(), settings()}) {
            const std::unique_ptr<Connection> opened = open(how);
            QVERIFY(opened);
            Connection &connection = *opened;
            QCOMPARE(connection.databaseSystem(), QStringLiteral("Microsoft SQL Server"));
            connection.Execute(QStringLiteral("Update tbInvLocation Set Status = 'A' Where LocationID = '20'"));
            const int session = m_responder->lastSession();
            // first, in order (sent once: see cleanup), and then the program's statement
            QStringList expected = SqlServerDialect::sessionSetup();
            expected << QStringLiteral("Update tbInvLocation Set Status = 'A' Where LocationID = '20'");
            QCOMPARE(textsOf(session), expected);
            requireBatchesOutsideTransactions(session, 0);
        }
    }

    void aSaveIsOneTransactionOfBatchesAndNothingStaysOpen()
    {
        const std::unique_ptr<Connection> opened = open(settings());
        QVERIFY(opened);
        Connection &connection = *opened;
        RequestStore store(connection);
        const int session = m_responder->lastSession();
        for (const QString &number : {QStringLiteral("NEW"), QStringLiteral("7")}) {
            const qsizetype before = countOf(session);
            QCOMPARE(save(store, document(number), QStringLiteral("2001")),
                     number == QLatin1String("NEW") ? QStringLiteral("42") : number);
            const QStringList batches = textsOf(session, before);
            QCOMPARE(batches.constFirst(), SqlServerDialect::beginTransactionStatement());
            QCOMPARE(batches.constLast(), SqlServerDialect::commitStatement());
            QCOMPARE(batches.count(SqlServerDialect::beginTransactionStatement()), 1);
            QCOMPARE(batches.count(SqlServerDialect::commitStatement()), 1);
            const QString documentNumber = number == QLatin1String("NEW") ? QStringLiteral("42") : number;
            QStringList expected;
            if (number == QLatin1String("NEW")) {
                expected << connection.dialect().exclusiveLockStatement(QStringLiteral("tbInvWithdrawRequest.DocumentNumber"))
                         << QStringLiteral("Select (max(Cast(DocumentNumber as int)) + 1) as DocNum From tbInvWithdrawRequest");
            }
            expected << QStringLiteral("Delete tbInvWithdrawRequest Where DocumentNumber = '%1'").arg(documentNumber);
            QCOMPARE(batches.mid(1, expected.size()), expected);
            QCOMPARE(batches.filter(QRegularExpression("^Insert tbInvWithdrawRequest ")).size(), 2);
            QVERIFY(batches.at(batches.size() - 2).startsWith("Update tbInvWithdrawRequest Set VerifiedBy = '2001'"));
            requireBatchesOutsideTransactions(session, before);
        }
    }

    void theListingADeleteMarkAndARecordUpdateStandOnTheirOwn()
    {
        const std::unique_ptr<Connection> opened = open(settings());
        QVERIFY(opened);
        Connection &connection = *opened;
        const int session = m_responder->lastSession();
        qsizetype before = countOf(session);
        const std::unique_ptr<ResultCursor> listing = connection.openCursor(RequestStore::listStatement(false));
        QCOMPARE(listing->fetchRest()->rowCount(), 2);
        QCOMPARE(textsOf(session, before), QStringList {RequestStore::listStatement(false)});
        requireBatchesOutsideTransactions(session, before);

        before = countOf(session);
        RequestStore(connection).markDeleted(QStringLiteral("7"), QStringLiteral("1001"));
        QCOMPARE(textsOf(session, before).size(), 1);
        requireBatchesOutsideTransactions(session, before);

        before = countOf(session);
        clsTerms terms;
        terms.setActiveConnection(&connection);
        terms.setCode(0);
        terms.setDescription(QStringLiteral("30 days"));
        terms.setNumberOfDays(30);
        QVERIFY(terms.Update());
        QCOMPARE(terms.Code(), qint16(5));
        QCOMPARE(textsOf(session, before).size(), 3); // does it exist, the next code, the insert
        QVERIFY(textsOf(session, before).constLast().startsWith("Insert Into tbInvTerms"));
        requireBatchesOutsideTransactions(session, before);
    }

    void aFailedSaveIsRolledBack()
    {
        const std::unique_ptr<Connection> opened = open(settings());
        QVERIFY(opened);
        Connection &connection = *opened;
        RequestStore store(connection);
        const int session = m_responder->lastSession();
        m_responder->failNext(QStringLiteral("Insert tbInvWithdrawRequest"), 547,
                              QStringLiteral("The INSERT statement conflicted with the FOREIGN KEY constraint."));
        try {
            store.save(document("7"), QStringLiteral("1001"));
            QFAIL("a save whose line failed was reported as saved");
        } catch (const DbError &error) {
            QVERIFY2(error.description().contains("FOREIGN KEY"), qPrintable(error.description()));
        }
        QVERIFY(!connection.inTransaction());
        QCOMPARE(textsOf(session).constLast(), SqlServerDialect::rollbackStatement());
        QVERIFY(!textsOf(session).contains(SqlServerDialect::commitStatement()));
        requireBatchesOutsideTransactions(session, 0);
    }

    void anErrorOnCommitIsReportedAndEndsTheTransaction()
    {
        const std::unique_ptr<Connection> opened = open(settings());
        QVERIFY(opened);
        Connection &connection = *opened;
        RequestStore store(connection);
        const int session = m_responder->lastSession();
        // The server stays inside the transaction the commit could not end.
        m_responder->failNext(SqlServerDialect::commitStatement(), 266,
                              QStringLiteral("Transaction count after EXECUTE indicates a mismatching number of BEGIN and COMMIT statements."));
        try {
            store.save(document("7"), QStringLiteral("1001"));
            QFAIL("a save whose commit failed was reported as saved");
        } catch (const DbError &error) {
            QVERIFY2(error.description().contains("mismatching number of BEGIN and COMMIT"), qPrintable(error.description()));
        }
        QVERIFY(!connection.inTransaction());
        QCOMPARE(textsOf(session).constLast(), SqlServerDialect::rollbackStatement());
        requireBatchesOutsideTransactions(session, 0);
        // The next write stands on its own.
        store.markDeleted(QStringLiteral("7"), QStringLiteral("1001"));
        QCOMPARE(m_responder->transactionCount(session), 0);
    }

    void aFailedBeginLeavesNoTransactionBehind()
    {
        const std::unique_ptr<Connection> opened = open(settings());
        QVERIFY(opened);
        Connection &connection = *opened;
        RequestStore store(connection);
        const int session = m_responder->lastSession();
        // The server began the transaction, but the answer was an error.
        m_responder->failNext(SqlServerDialect::beginTransactionStatement(), 266,
                              QStringLiteral("Transaction count after EXECUTE indicates a mismatching number of BEGIN and COMMIT statements."),
                              true);
        QVERIFY_THROWS_EXCEPTION(DbError, store.save(document("7"), QStringLiteral("1001")));
        QVERIFY(!connection.inTransaction());
        // rolled back, or the link closed, which ends the transaction too
        QTRY_VERIFY(m_responder->transactionCount(session) == 0 || m_responder->sessionClosed(session));
        QVERIFY(!textsOf(session).contains(QStringLiteral("Delete tbInvWithdrawRequest Where DocumentNumber = '7'")));
        // and the next save is a transaction of its own again
        QCOMPARE(save(store, document("7")), QStringLiteral("7"));
        QCOMPARE(m_responder->transactionCount(m_responder->lastSession()), 0);
    }

    // The report logs on through the driver and with the options IT configured, as the
    // log-in does: a driver nobody installed fails its log-on, extra options reach the
    // driver (the application name shows in the server's log-in), a braced value keeps
    // its semicolon, and an option the program sets itself is refused.
    void theReportLogsOnThroughTheConfiguredDriverAndOptions()
    {
        m_responder->answerRows(QStringLiteral("Select ItemID From tbInvMaster"), {QStringLiteral("ItemID")}, {{"10"}});
        const auto cleanUp = qScopeGuard([] { configure({}, {}); });

        configure(QStringLiteral("No Such Driver"), {});
        try {
            reportOnResponder()->ReadRecords();
            QFAIL("the report logged on without the configured driver");
        } catch (const ReportError &error) {
            QVERIFY2(error.message().contains(QLatin1String("cannot log on")), qPrintable(error.message()));
        }

        configure(QStringLiteral("Hospital TDS"), QStringLiteral("TDS_Version=7.4; APP=Quellar ward report"));
        const int before = m_responder->lastSession();
        const std::shared_ptr<ReportDocument> report = reportOnResponder();
        report->ReadRecords();
        QCOMPARE(report->records()->rowCount(), 1);
        QCOMPARE(m_responder->lastSession(), before + 1);
        // FreeTDS ends the name it was given with a NUL
        QCOMPARE(m_responder->logInOf(before + 1).application.remove(QChar()), QStringLiteral("Quellar ward report"));
        QCOMPARE(m_responder->logInOf(before + 1).user, QStringLiteral("ward"));
        QCOMPARE(textsOf(before + 1).constLast(), QStringLiteral("Select ItemID From tbInvMaster Where ItemID = '10'"));

        configure(QStringLiteral("Hospital TDS"), QStringLiteral("Encrypt=no;PWD=other"));
        try {
            reportOnResponder()->ReadRecords();
            QFAIL("an option that names the password was taken");
        } catch (const ReportError &error) {
            QVERIFY2(error.message().contains(QLatin1String("PWD")), qPrintable(error.message()));
        }
        QCOMPARE(m_responder->lastSession(), before + 1); // nothing was tried
    }

    // The log-in asks a SQL Server whether it can read the shared password database by its
    // three-part name: Azure SQL Database cannot, a case-sensitive password database would
    // not find the verification's "Employeeid"; both are refused before any password is
    // sent. Otherwise the password statements go as the program writes them.
    void aServerThatCannotReadThePasswordsIsRefusedAtLogIn()
    {
        const std::unique_ptr<Connection> opened = open(settings());
        QVERIFY(opened);
        Connection &connection = *opened;
        const int session = m_responder->lastSession();
        clsCurrentUser user;
        user.setPasswordDeptCode(QStringLiteral("4"));
        const QString check = clsCurrentUser::serverCheckStatement();
        const QStringList columns {QStringLiteral("EngineEdition#"), QStringLiteral("PasswordCollation")};
        const auto refusal = [&](const char *expected) {
            try {
                user.credentialsMatch(connection, QStringLiteral("1001"), QStringLiteral("demo"));
                return QStringLiteral("the log-in went on");
            } catch (const DbError &error) {
                return error.description().contains(QLatin1String(expected)) ? QString() : error.description();
            }
        };

        m_responder->answerRows(check, columns, {{5, "SQL_Latin1_General_CP1_CI_AS"}});
        QCOMPARE(refusal("Azure SQL Database"), QString());
        m_responder->answerRows(check, columns, {{3, "Latin1_General_100_CS_AS_SC_UTF8"}});
        QCOMPARE(refusal("case-sensitive collation Latin1_General_100_CS_AS_SC_UTF8"), QString());
        m_responder->answerRows(check, columns, {{2, "Latin1_General_BIN2"}});
        QCOMPARE(refusal("case-sensitive"), QString());
        QCOMPARE(textsOf(session).filter(QStringLiteral("tbpasswordmain")), QStringList());

        m_responder->answerRows(check, columns, {{3, "SQL_Latin1_General_CP1_CI_AS"}});
        m_responder->answerRows(QStringLiteral("Select EmployeeId From password..tbpasswordmain"),
                                {QStringLiteral("EmployeeId")}, {});
        QVERIFY(!user.credentialsMatch(connection, QStringLiteral("1001"), QStringLiteral("demo")));
        const QString verification = frmDeletePassword::passwordStatement(QStringLiteral("2001"), QStringLiteral("5A1B"));
        connection.Execute(verification);
        const QStringList sent = textsOf(session);
        QCOMPARE(sent.constLast(), QStringLiteral(
            "Select EmployeeId, Password from password..tbpasswordmain where departmentid in ('4','00') "
            "and Right_Code1 = 'A' and Right_Code2 = 'S' and Employeeid = '2001' and Password = '5A1B'"));
        QCOMPARE(sent.at(sent.size() - 3), check);
        QVERIFY(sent.at(sent.size() - 2).startsWith(QLatin1String("Select EmployeeId From password..tbpasswordmain")));
    }
};

QTEST_GUILESS_MAIN(TestTdsWire)
#include "tst_tds_wire.moc"
