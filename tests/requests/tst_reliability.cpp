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

    // Reads the writer's "saved NUMBER LINES" reports that have arrived.
    static void takeReports(QProcess &process, QByteArray &pending, QHash<QString, int> &saved)
    {
        pending += process.readAllStandardOutput();
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QList<QByteArray> words = pending.left(end).split(' ');
            pending.remove(0, end + 1);
            if (words.size() == 3 && words[0] == "saved")
                saved.insert(QString::fromLatin1(words[1]), words[2].toInt());
        }
    }

private slots:
    void killedInTheMiddleOfSavesLeavesNoHalfDocument()
    {
        // Requests of 5 and of 2,000 lines in turn. Each writer is killed once it has
        // reported one or three saves, a moment into the next one: a long one. Waiting for
        // the reports, not for a fixed time, keeps the test sound on a slow (sanitizer)
        // build.
        TestDatabase db;
        QRandomGenerator random(20261208);
        QHash<QString, int> acknowledged; // reported saved: number -> lines
        int killedMidSave = 0;
        qsizetype stored = 0;
        constexpr int rounds = 40;
        for (int round = 0; round < rounds; ++round) {
            QProcess process;
            process.start(writer(), {db.file(), "0", "K", "5,2000"});
            QVERIFY(process.waitForStarted());
            const int savesBeforeKill = random.bounded(2) ? 3 : 1;
            QHash<QString, int> saved;
            QByteArray pending;
            while (saved.size() < savesBeforeKill) {
                QVERIFY2(process.waitForReadyRead(120000) || process.bytesAvailable() > 0,
                         qPrintable("the writer reported no progress: " + process.readAllStandardError()));
                takeReports(process, pending, saved);
            }
            QTest::qWait(int(random.bounded(0, 20)));
            ::kill(pid_t(process.processId()), SIGKILL);
            QVERIFY(process.waitForFinished(10000));
            takeReports(process, pending, saved);
            acknowledged.insert(saved);

            Connection connection(db.settings());
            const qsizetype nowStored = documentsOf(connection, "K").size();
            if (nowStored == stored + saved.size())
                ++killedMidSave; // the save under way when it died left nothing behind
            stored = nowStored;
        }
        Connection connection(db.settings());
        QCOMPARE(connection.Execute("PRAGMA integrity_check").Fields("integrity_check").toString(), QStringLiteral("ok"));
        const auto documents = documentsOf(connection, "K");
        for (auto it = acknowledged.cbegin(); it != acknowledged.cend(); ++it)
            QVERIFY2(documents.value(it.key()) == it.value(), qPrintable("saved document " + it.key() + " is not complete"));
        for (auto it = documents.cbegin(); it != documents.cend(); ++it)
            QVERIFY2(it.value() == 5 || it.value() == 2000, qPrintable("document " + it.key() + " is incomplete"));
        qInfo("%d of %d writers were killed in the middle of a save", killedMidSave, rounds);
        QVERIFY2(killedMidSave > 0, "no writer was killed in the middle of a save");
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
            QVERIFY2(error.description().startsWith("The database is busy"), qPrintable(error.description()));
        }
        QVERIFY(timer.elapsed() < 5000);
        holder.RollbackTrans();
        QCOMPARE(store.save(doc, "1001"), QStringLiteral("7"));
    }
};

QTEST_GUILESS_MAIN(TestReliability)
#include "tst_reliability.moc"
