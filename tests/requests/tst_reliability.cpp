#include "db/Connection.h"
#include "db/DbError.h"
#include "requests/RequestStore.h"
#include "support/TestDatabase.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <csignal>

// Saves survive killed processes and workstations saving at the same moment.
class TestReliability : public QObject
{
    Q_OBJECT

    static QString writer() { return QStringLiteral(QUELLAR_STORE_WRITER); }

    // Lines per document saved by the given user.
    static QHash<QString, int> documentsOf(Connection &connection, const QString &user)
    {
        QHash<QString, int> lines;
        Recordset rs = connection.Execute("Select DocumentNumber From tbInvWithdrawRequest Where UserID = '" + user + "'");
        for (; !rs.isEOF(); rs.MoveNext())
            ++lines[rs.Fields("DocumentNumber").toString()];
        return lines;
    }

private slots:
    void killedInTheMiddleOfSavesLeavesNoHalfDocument()
    {
        TestDatabase db;
        QRandomGenerator random(20261208);
        for (int round = 0; round < 50; ++round) {
            QProcess process;
            process.start(writer(), {db.file(), "0", "K", "5"});
            QVERIFY(process.waitForStarted());
            QTest::qWait(int(random.bounded(40, 160)));
            ::kill(pid_t(process.processId()), SIGKILL);
            QVERIFY(process.waitForFinished(10000));
        }
        Connection connection(db.settings());
        QCOMPARE(connection.Execute("PRAGMA integrity_check").Fields("integrity_check").toString(), QStringLiteral("ok"));
        const auto documents = documentsOf(connection, "K");
        QVERIFY2(documents.size() > 10, "the writers should have saved something before being killed");
        for (auto it = documents.cbegin(); it != documents.cend(); ++it)
            QVERIFY2(it.value() == 5, qPrintable("document " + it.key() + " is incomplete"));
    }

    void fourWorkstationsSavingAtOnce()
    {
        TestDatabase db;
        std::vector<std::unique_ptr<QProcess>> processes;
        for (const char *user : {"W1", "W2", "W3", "W4"}) {
            processes.push_back(std::make_unique<QProcess>());
            processes.back()->start(writer(), {db.file(), "200", user, "2"});
        }
        for (auto &process : processes) {
            QVERIFY(process->waitForFinished(300000));
            QVERIFY2(process->exitCode() == 0, process->readAllStandardError().constData());
        }
        Connection connection(db.settings());
        QSet<QString> numbers;
        for (const char *user : {"W1", "W2", "W3", "W4"}) {
            const auto documents = documentsOf(connection, user);
            QCOMPARE(documents.size(), 200);
            for (auto it = documents.cbegin(); it != documents.cend(); ++it) {
                QCOMPARE(it.value(), 2);
                numbers.insert(it.key());
            }
        }
        QCOMPARE(numbers.size(), 800);
    }

    void aLockedDatabaseGivesAClearMessageNotAHang()
    {
        TestDatabase db;
        Connection holder(db.settings());
        holder.BeginTrans();
        holder.Execute("Update tbInvTerms Set Status = Status");

        ConnectionSettings settings = db.settings();
        settings.busyTimeoutMs = 300;
        Connection waiting(settings);
        RequestStore store(waiting);
        RequestDocument doc;
        doc.documentNumber = "NEW";
        doc.transDate = QDateTime::currentDateTime();
        doc.lines = {{"10", "1", "2", "N", "N"}};
        QElapsedTimer timer;
        timer.start();
        try {
            store.save(doc, "1001");
            QFAIL("the save should wait and then fail");
        } catch (const DbError &error) {
            QVERIFY2(error.description().contains("busy", Qt::CaseInsensitive)
                         || error.description().contains("locked", Qt::CaseInsensitive),
                     qPrintable(error.description()));
        }
        QVERIFY(timer.elapsed() < 5000);
        holder.RollbackTrans();
        QCOMPARE(store.save(doc, "1001"), QStringLiteral("7"));
    }
};

QTEST_GUILESS_MAIN(TestReliability)
#include "tst_reliability.moc"
