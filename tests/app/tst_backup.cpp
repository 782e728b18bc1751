// Backups taken while a clerk saves, and their way back, as other processes see them.
#include "support/AnotherProcess.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct AdminRun {
    int exitCode = -1;
    QString out;
    QString err;
};

AdminRun admin(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(QUELLAR_ADMIN), arguments);
    AdminRun run;
    if (!process.waitForFinished(120000))
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// A clerk's workstation saving requests until it is stopped; each committed save is
// reported before the next begins.
class SavingClerk
{
public:
    explicit SavingClerk(const QString &file)
    {
        m_process.start(QStringLiteral(QUELLAR_STORE_WRITER), {file, QStringLiteral("0"), QStringLiteral("1001"), QStringLiteral("3,400")});
    }
    ~SavingClerk()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    // The requests reported saved so far, waiting until there are at least `count`.
    QStringList saved(int count)
    {
        while (m_saved.size() < count && m_process.waitForReadyRead(30000)) {
            while (m_process.canReadLine()) {
                const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
                if (line.startsWith(QLatin1String("saved "))) {
                    m_saved << line.section(QLatin1Char(' '), 1, 1);
                    m_lines[m_saved.back()] = line.section(QLatin1Char(' '), 2, 2);
                }
            }
        }
        return m_saved;
    }
    // How many lines the clerk saved in a request.
    QString lines(const QString &number) const { return m_lines.value(number); }

private:
    QHash<QString, QString> m_lines;
    QProcess m_process;
    QStringList m_saved;
};

QString documents(const QString &file)
{
    return readInAnotherProcess(file, QStringLiteral("Select Count(Distinct DocumentNumber) From tbInvWithdrawRequest"));
}

bool ownerOnly(const QString &file)
{
    return QFileInfo(file).permissions()
        == (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
}

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT

private slots:
    void aBackupTakenWhileAClerkSavesHoldsEverySaveReportedBeforeIt()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("inventory.db"));
        const QString backup = dir.filePath(QStringLiteral("copy.db"));
        QCOMPARE(admin({QStringLiteral("demo"), file}).exitCode, 0);
        QStringList before;
        QHash<QString, QString> lines;
        {
            SavingClerk clerk(file);
            before = clerk.saved(4);
            QVERIFY(before.size() >= 4);
            const AdminRun run = admin({QStringLiteral("backup"), file, backup});
            QVERIFY2(run.exitCode == 0, qPrintable(run.err));
            QVERIFY(clerk.saved(before.size() + 2).size() > before.size()); // the clerk went on saving
            for (const QString &number : before)
                lines[number] = clerk.lines(number);
        }
        for (const QString &number : before) {
            QCOMPARE(readInAnotherProcess(backup, QStringLiteral("Select Count(*) From tbInvWithdrawRequest "
                                                                  "Where DocumentNumber = '%1'").arg(number)),
                     lines.value(number));
        }
        QVERIFY(ownerOnly(backup));
        QVERIFY(ownerOnly(dir.filePath(QStringLiteral("copy.password.db"))));
        QCOMPARE(readInAnotherProcess(backup, QStringLiteral("Select Count(*) From password..tbpasswordmain")),
                 QStringLiteral("2"));
        const AdminRun check = admin({QStringLiteral("check"), backup});
        QVERIFY2(check.exitCode == 0, qPrintable(check.out + check.err));
        // The stock sqlite3 shell reads it once the function library is loaded.
        QProcess shell;
        shell.start(QStringLiteral("sqlite3"), {backup, QStringLiteral(".load ") + qEnvironmentVariable("QUELLAR_SQLITE_LIBRARY"),
                                                QStringLiteral("SELECT count(*) FROM tbInvWithdrawRequest WHERE DocumentNumber = '%1'")
                                                    .arg(before.first())});
        QVERIFY(shell.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(shell.readAllStandardOutput()).trimmed(), lines.value(before.first()));

        // A backup never overwrites: not a file of its own, not the database.
        const AdminRun again = admin({QStringLiteral("backup"), file, backup});
        QCOMPARE(again.exitCode, 1);
        QVERIFY(again.err.contains(QLatin1String("exists already")));
        QCOMPARE(admin({QStringLiteral("backup"), file, file}).exitCode, 1);
        QVERIFY(QFileInfo(file).size() > 0);
    }

    void restoreIsRefusedWhileTheDatabaseIsOpenAndKeepsWhatItReplaces()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("inventory.db"));
        const QString backup = dir.filePath(QStringLiteral("copy.db"));
        QCOMPARE(admin({QStringLiteral("demo"), file}).exitCode, 0);
        const QString atBackup = documents(file);
        QCOMPARE(admin({QStringLiteral("backup"), file, backup}).exitCode, 0);
        QString afterBackup;
        {
            SavingClerk clerk(file);
            QVERIFY(clerk.saved(2).size() >= 2);
            const AdminRun refused = admin({QStringLiteral("restore"), backup, file});
            QCOMPARE(refused.exitCode, 1);
            QVERIFY2(refused.err.contains(QLatin1String("in use")), qPrintable(refused.err));
            QVERIFY(clerk.saved(3).size() >= 3); // the clerk's database was not touched
        }
        afterBackup = documents(file);
        QVERIFY(afterBackup.toInt() > atBackup.toInt());

        const AdminRun run = admin({QStringLiteral("restore"), backup, file});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(documents(file), atBackup);
        QVERIFY(ownerOnly(file));
        QVERIFY(!QFileInfo::exists(file + QStringLiteral("-wal")) || QFileInfo(file + QStringLiteral("-wal")).size() == 0);
        // The database it replaced is kept whole, with every save of the clerk.
        const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("inventory.replaced-*.db")});
        QCOMPARE(aside.size(), 2); // with its password file
        const QString kept = aside.filter(QStringLiteral(".password.")).isEmpty() ? QString()
            : aside.first().contains(QLatin1String(".password.")) ? aside.last() : aside.first();
        QCOMPARE(documents(dir.filePath(kept)), afterBackup);
        const AdminRun check = admin({QStringLiteral("check"), file});
        QVERIFY2(check.exitCode == 0, qPrintable(check.out + check.err));
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
