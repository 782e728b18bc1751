#include "app/admin/AdminCommand.h"
#include "auth_report/Module1.h"
#include "reporting/ReportTestSupport.h"
#include "support/ReadOnlyMount.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// The administration command as an administrator uses it.
class TestAdmin : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    struct Result {
        int code;
        QString out;
        QString err;
    };

    Result admin(const QStringList &arguments, const QString &program = QStringLiteral(QUELLAR_ADMIN),
                 const QByteArray &input = {})
    {
        QProcess process;
        process.start(program, arguments);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(60000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    // passwd with the password on standard input, as a script gives it.
    Result passwd(const QStringList &arguments, const QString &password)
    {
        return admin(QStringList{QStringLiteral("passwd")} + arguments, QStringLiteral(QUELLAR_ADMIN),
                     password.toUtf8() + '\n');
    }

    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private slots:
    void demoDatabaseAnswersStatements()
    {
        const QString db = file("demo.db");
        QCOMPARE(admin({"demo", db}).code, 0);
        QVERIFY(QFile::exists(file("demo.password.db")));
        const Result result = admin({"sql", db, "Select LocationID, Location From tbInvLocation Where LocationID = '20'"});
        QCOMPARE(result.code, 0);
        const QStringList lines = result.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], QStringLiteral("LocationID\tLocation"));
        QVERIFY(lines[1].startsWith(QStringLiteral("20\t")));

        // The demo users' passwords are stored enciphered.
        const QString enciphered = CryptPassword("E", "VELTAMORQUISH", "verify");
        const Result verifier = admin({"sql", db,
            QStringLiteral("Select EmployeeId, Password from password..tbpasswordmain where departmentid in ('4','00') "
                           "and Right_Code1 = 'A' and Right_Code2 = 'S' and Employeeid = '2001' and Password = '%1'").arg(enciphered)});
        QCOMPARE(verifier.out.split('\n', Qt::SkipEmptyParts).size(), 2);

        QCOMPARE(admin({"demo", db}).code, 1); // never over an existing database

        // Figures come out whole, not in six significant digits.
        QCOMPARE(admin({"sql", db, "Select 123456.7891 As Amount, 0.0001 As Small"}).out,
                 QStringLiteral("Amount\tSmall\n123456.7891\t0.0001\n"));

        // Stock and passwords are for the owner's eyes only.
        for (const QString &created : {db, file("demo.password.db")})
            QCOMPARE(QFile::permissions(created) & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup | QFileDevice::WriteOther),
                     QFileDevice::Permissions());
    }

    // The pre-flight check on an embedded file, which another program changed.
    void checkTellsWhetherTheDatabaseIsAsTheProgramNeeds()
    {
        const QString db = file("check.db");
        QCOMPARE(admin({"demo", db}).code, 0);
        const Result sound = admin({"check", db});
        QVERIFY2(sound.code == 0, qPrintable(sound.out + sound.err));
        QVERIFY(sound.out.contains("\nok: sp_Inv_SearchItem_In_Invent answers \"sp_Inv_SearchItem_In_Invent '',''\" with every column the program reads (32)\n"));
        QVERIFY(sound.out.endsWith("All is well: the program can run on this database.\n"));

        QCOMPARE(admin({"sql", db, "Delete sysProcedures Where Name = 'sp_Inv_LoadWithdrawalRequest'"}).code, 0);
        QCOMPARE(admin({"sql", db, "Alter Table tbInvLocation Drop Column AllowOrder"}).code, 0);
        const Result faults = admin({"check", db});
        QCOMPARE(faults.code, 1);
        const QStringList problems = faults.out.split('\n').filter(QRegularExpression("^PROBLEM: "));
        QCOMPARE(problems.size(), 2);
        QVERIFY2(problems[0].startsWith("PROBLEM: table tbInvLocation has no column AllowOrder ("), qPrintable(problems[0]));
        QVERIFY2(problems[1].startsWith("PROBLEM: sp_Inv_LoadWithdrawalRequest fails on \"sp_Inv_LoadWithdrawalRequest 'NEW'\""),
                 qPrintable(problems[1]));
        QVERIFY(faults.out.endsWith("2 problem(s) found.\n"));

        const Result embedded = admin({"install", db});
        QCOMPARE(embedded.code, 1);
        QVERIFY(embedded.err.startsWith("install adds to a SQL Server database"));
    }

    void passwdStoresAndReplaces()
    {
        const QString db = file("empty.db");
        QCOMPARE(admin({"init", db}).code, 0);
        QCOMPARE(passwd({db, "3001"}, "first").code, 0);
        QCOMPARE(passwd({db, "3001", "--verifier"}, "it's second").code, 0);
        const Result result = admin({"sql", db, "Select EmployeeId, Password, Right_Code2 From password..tbpasswordmain"});
        QCOMPARE(result.out,
                 QStringLiteral("EmployeeId\tPassword\tRight_Code2\n3001\t%1\tS\n")
                     .arg(CryptPassword("E", "VELTAMORQUISH", "it's second")));

        // A password in the code page of the hospital's other programs is stored as they
        // store it; one with a character that code page lacks is refused, and nothing is stored.
        QCOMPARE(passwd({db, "3002"}, QStringLiteral(u"\u20acuro")).code, 0);
        const Result refused = passwd({db, "3003"}, QStringLiteral(u"\u03a9mega"));
        QCOMPARE(refused.code, 1);
        QCOMPARE(refused.err, QStringLiteral(u"A password cannot contain the character \"\u03a9\".\n"));
        QCOMPARE(admin({"sql", db, "Select EmployeeId, Password From password..tbpasswordmain Where EmployeeId > '3001'"}).out,
                 QStringLiteral("EmployeeId\tPassword\n3002\t5A8C47F531\n"));
    }

    void longCommandsTellTheirProgressOnStandardError()
    {
        const Result run = admin({"generate", file("small.db"), "--scale", "0.002"});
        QCOMPARE(run.code, 0);
        // Standard output is only the outcome, for a script; progress goes to standard error.
        QCOMPARE(run.out.count(QLatin1Char('\n')), 1);
        QVERIFY2(run.out.startsWith(QStringLiteral("Created ") + file("small.db")), qPrintable(run.out));
        QVERIFY2(run.err.contains(QRegularExpression(QStringLiteral("^  100% of [0-9,]+ rows\\.\\.\\.$"),
                                                     QRegularExpression::MultilineOption)),
                 qPrintable(run.err));
    }

    void employeesAreLookedAfterOneAtATime()
    {
        const QString db = file("staff.db");
        QCOMPARE(admin({"demo", db}).code, 0);
        QCOMPARE(passwd({db, "3001"}, "third").code, 0);
        auto passwords = [&] {
            return admin({"sql", db, "Select EmployeeId, Password, Right_Code1, Right_Code2 From password..tbpasswordmain "
                                     "Order By EmployeeId"}).out;
        };
        const QString before = passwords();

        // A new password changes that employee's alone.
        QCOMPARE(passwd({db, "1001"}, "renewed").code, 0);
        QString expected = before;
        expected.replace(CryptPassword("E", "VELTAMORQUISH", "demo"), CryptPassword("E", "VELTAMORQUISH", "renewed"));
        QCOMPARE(passwords(), expected);

        QCOMPARE(admin({"employees", db}).out,
                 QStringLiteral("EmployeeId\tEmployeeName\tRight\n1001\tANA REYES\t-\n2001\tMARCO DELA CRUZ\tverifier\n"
                                "3001\t\t-\n"));
        QCOMPARE(admin({"grant-verifier", db, "3001"}).code, 0);
        QCOMPARE(admin({"revoke-verifier", db, "2001"}).code, 0);
        QCOMPARE(admin({"employees", db}).out,
                 QStringLiteral("EmployeeId\tEmployeeName\tRight\n1001\tANA REYES\t-\n2001\tMARCO DELA CRUZ\t-\n"
                                "3001\t\tverifier\n"));
        QCOMPARE(admin({"remove-employee", db, "2001"}).code, 0);
        QCOMPARE(admin({"sql", db, "Select EmployeeId From password..tbpasswordmain Order By EmployeeId"}).out,
                 QStringLiteral("EmployeeId\n1001\n3001\n"));

        // An employee who is not there is said so, and nobody else is touched.
        const QString now = passwords();
        for (const char *command : {"grant-verifier", "revoke-verifier", "remove-employee"}) {
            const Result missing = admin({command, db, "9999"});
            QCOMPARE(missing.code, 1);
            QVERIFY2(missing.err.contains("Employee 9999 is not in the password table"), qPrintable(missing.err));
        }
        QCOMPARE(passwords(), now);

        // Never a password on the command line, nor "-" or nothing for one.
        const Result onCommandLine = admin({"passwd", db, "1001", "secret"});
        QCOMPARE(onCommandLine.code, 2);
        QVERIFY2(onCommandLine.err.contains("passwd takes 2 argument(s), not 3"), qPrintable(onCommandLine.err));
        QCOMPARE(passwd({db, "1001"}, "-").err, QStringLiteral("\"-\" is refused as a password.\n"));
        QCOMPARE(admin({"passwd", db, "1001"}).err,
                 QStringLiteral("No password was given: type it when asked, or give it on standard input.\n"));
        QCOMPARE(passwd({db, "1001"}, "  ").err, QStringLiteral("An empty password is refused.\n"));
        QCOMPARE(passwords(), now);
    }

    void errorsAreClearAndExitNonZero()
    {
        Result missing = admin({"sql", file("nothing.db"), "Select 1"});
        QCOMPARE(missing.code, 1);
        QVERIFY2(missing.err.contains("does not exist"), qPrintable(missing.err));

        QFile junk(file("junk.db"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        QFile::copy(file("junk.db"), file("junk.password.db"));
        Result damaged = admin({"sql", file("junk.db"), "Select 1"});
        QCOMPARE(damaged.code, 1);
        QVERIFY2(damaged.err.contains("damaged"), qPrintable(damaged.err));

        const QString db = file("ro.db");
        QCOMPARE(admin({"init", db}).code, 0);
        Result bad = admin({"sql", db, "Select Nonsense From tbInvLocation"});
        QCOMPARE(bad.code, 1);
        QVERIFY2(bad.err.contains("Nonsense"), qPrintable(bad.err));

        QCOMPARE(admin({"frobnicate"}).code, 2);

        // File permissions do not bind root, who runs CI; a read-only mount of the file does.
        Result readOnly;
        if (geteuid() == 0) {
            if (!ReadOnlyMount::unavailable().isEmpty())
                QSKIP(qPrintable("running as root, whom permissions do not bind, and " + ReadOnlyMount::unavailable()));
            const ReadOnlyMount::Result mounted = ReadOnlyMount::run({db}, QUELLAR_ADMIN, {"passwd", db, "1"});
            readOnly = {mounted.exitCode, mounted.out, mounted.err};
        } else {
            QFile::setPermissions(db, QFileDevice::ReadOwner | QFileDevice::ReadUser);
            readOnly = passwd({db, "1"}, "x");
        }
        QCOMPARE(readOnly.code, 1);
        QVERIFY2(readOnly.err.contains("read-only"), qPrintable(readOnly.err));
    }

    void databasesAreWrittenAheadAndSynced()
    {
        const QString db = file("modes.db");
        QCOMPARE(admin({"demo", db}).code, 0);
        QCOMPARE(admin({"sql", db, "PRAGMA journal_mode"}).out, QStringLiteral("journal_mode\nwal\n"));
        QCOMPARE(admin({"sql", db, "PRAGMA synchronous"}).out, QStringLiteral("synchronous\n2\n"));
    }

    void reportPrintsARequestToPdfForTheArchive()
    {
        const QString db = file("archive.db");
        QCOMPARE(admin({"demo", db}).code, 0);
        QCOMPARE(admin({"sql", db, "Update tbInvWithdrawRequest Set Status = 'D', ProcessDate = '20261201 14:30:00' "
                                   "Where DocumentNumber = '4'"}).code, 0);

        // From another folder, as a cron job runs it (no desktop session): the report file
        // is the one beside the program, and nothing goes to standard error, which cron mails.
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        QProcessEnvironment cron = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "QT_QPA_PLATFORM"})
            cron.remove(QLatin1String(name));
        process.setProcessEnvironment(cron);
        process.start(QStringLiteral(QUELLAR_ADMIN), {"report", "archive.db", " 1 ", "request-1.pdf"});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.readAllStandardError(), QByteArray());
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(QFile::exists(file("request-1.pdf")));
        const QString first = pdfPages(file("request-1.pdf")).join(QString());
        for (const char *expected : {"St. Brigid's General Hospital", "DEPARTMENT REQUEST", "Document No.: 1",
                                     "MEDICAL WARD - 3RD FLOOR (20)", "GRAND TOTAL:", "945.4862", "Page 1 of 1"})
            QVERIFY2(first.contains(QLatin1String(expected)), expected);
        QVERIFY(!first.contains(QLatin1String("DELETED")));

        QCOMPARE(admin({"report", db, "4", file("request-4.pdf")}).code, 0);
        QVERIFY(pdfPages(file("request-4.pdf")).join(QString()).contains(QLatin1String("DELETED 12/01/2026 02:30 PM")));

        // Through ODBC, as its help says: the report logs on to what the string names.
        const QString odbc = QStringLiteral("odbc:DRIVER=SQLite3;Database=%1;LoadExt=%2")
                                 .arg(db, qEnvironmentVariable("QUELLAR_SQLITE_LIBRARY"));
        const Result overOdbc = admin({"report", odbc, "1", file("request-1-odbc.pdf")});
        QVERIFY2(overOdbc.code == 0, qPrintable(overOdbc.err));
        // The same pages, but for the minute they were printed in.
        const QRegularExpression printed(QStringLiteral("Printed [0-9/]+ [0-9:]+ [AP]M"));
        QCOMPARE(pdfPages(file("request-1-odbc.pdf")).join(QString()).replace(printed, QStringLiteral("Printed")),
                 QString(first).replace(printed, QStringLiteral("Printed")));

        const Result missing = admin({"report", db, "42", file("request-42.pdf")});
        QCOMPARE(missing.code, 1);
        QVERIFY2(missing.err.contains("Request 42 was not found"), qPrintable(missing.err));
        QVERIFY(!QFile::exists(file("request-42.pdf")));

        const Result noDatabase = admin({"report", file("none.db"), "1", file("none.pdf")});
        QCOMPARE(noDatabase.code, 1);
        QVERIFY2(noDatabase.err.contains("does not exist"), qPrintable(noDatabase.err));
        QVERIFY(!QFile::exists(file("none.pdf")));

        // A program without its report file beside it.
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("alone")));
        const QString alone = file("alone/quellar-admin");
        QVERIFY(QFile::copy(QStringLiteral(QUELLAR_ADMIN), alone));
        const Result noReport = admin({"report", db, "1", file("alone.pdf")}, alone);
        QCOMPARE(noReport.code, 1);
        QVERIFY2(noReport.err.contains("DepartmentRequest.rpt was not found"), qPrintable(noReport.err));
        QVERIFY(!QFile::exists(file("alone.pdf")));

        QCOMPARE(admin({"report", db, "1"}).code, 2);
    }
};

QTEST_GUILESS_MAIN(TestAdmin)
#include "tst_admin.moc"
