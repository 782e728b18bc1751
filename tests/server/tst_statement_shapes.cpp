#include "db/Connection.h"
#include "db/dialects/SqlServerDialect.h"
#include "app/modInventory.h"
#include "session/clsCurrentUser.h"
#include "support/FakeSession.h"
#include "support/ProgramStatements.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTest>

// Every kind of statement the program sends to SQL Server, as the program's own code
// builds it (the program's operations on a demo database with the statement trace on),
// and what the SQL Server dialect sends itself. The statements are written, one per
// shape, to a file that the T-SQL grammar check (sqlfluff, test tsql_grammar) parses.
class TestStatementShapes : public QObject
{
    Q_OBJECT

    QJsonArray m_shapes;
    QSet<QString> m_seen;

    void keep(const QString &kind, const QString &sql)
    {
        if (m_seen.contains(sql))
            return;
        m_seen.insert(sql);
        m_shapes.append(QJsonObject{{"kind", kind}, {"sql", sql}});
    }

private slots:
    void theProgramsStatements()
    {
        TestDatabase db;
        Connection &session = FakeSession::signIn(db);
        const ProgramStatements program(session, QStringLiteral(QUELLAR_REPORTS_DIR "/DepartmentRequest.rpt"));
        gCurrentUser.reset(); // its connection closes before the database goes
        QVERIFY2(program.problems().isEmpty(), qPrintable(program.problems().join("\n")));
        for (const ProgramStatements::Sent &sent : program.sent())
            keep(sent.operation, sent.sql);
    }

    // The set-up of each connection, the transaction statements and the numbering lock.
    void sqlServerSession()
    {
        for (const QString &sql : SqlServerDialect::sessionSetup())
            keep("connection set-up", sql);
        keep("transaction", SqlServerDialect::beginTransactionStatement());
        keep("transaction", SqlServerDialect::commitStatement());
        keep("transaction", SqlServerDialect::rollbackStatement());
        keep("numbering lock", SqlServerDialect(QStringLiteral("Microsoft SQL Server"))
                                   .exclusiveLockStatement(QStringLiteral("tbInvWithdrawRequest.DocumentNumber")));
        keep("log-in server check", clsCurrentUser::serverCheckStatement()); // sent to SQL Server only
    }

    void cleanupTestCase()
    {
        QFile file(QStringLiteral(QUELLAR_STATEMENT_SHAPES));
        QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(file.errorString()));
        file.write(QJsonDocument(m_shapes).toJson());
        QVERIFY(m_shapes.size() > 40);
    }
};

QTEST_MAIN(TestStatementShapes)
#include "tst_statement_shapes.moc"
