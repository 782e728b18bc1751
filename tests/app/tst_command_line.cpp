#include "app/ProgramFiles.h"
#include "auth_report/Module1.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The command lines of both programs, as a shell user meets them: without a display.
class TestCommandLine : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    struct Result {
        int code;
        QString out;
        QString err;
    };

    static Result run(const char *program, const QStringList &arguments, const QByteArray &input = {})
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        process.setProcessEnvironment(environment);
        process.start(QString::fromLatin1(program), arguments);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            return {-1, {}, QStringLiteral("did not end normally")};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
    static Result admin(const QStringList &arguments, const QByteArray &input = {})
    {
        return run(QUELLAR_ADMIN, arguments, input);
    }

    // Wrong usage: exit code 2, nothing on standard output, the usage on standard error.
    static void verifyUsageError(const Result &result, const QString &usage)
    {
        QCOMPARE(result.code, 2);
        QCOMPARE(result.out, QString());
        QVERIFY2(result.err.contains(usage), qPrintable(result.err));
    }

private slots:
    void programAnswersHelpAndVersionWithoutADisplay()
    {
        const Result help = run(QUELLAR_PROGRAM, {"--help"});
        QCOMPARE(help.code, 0);
        QVERIFY2(help.out.startsWith("Usage: quellar"), qPrintable(help.out));
        QVERIFY(help.out.contains("--version"));
        QVERIFY2(!help.out.contains("platform"), qPrintable(help.out)); // Qt's own stay hidden
        QCOMPARE(help.err, QString());
        QCOMPARE(run(QUELLAR_PROGRAM, {"-h"}).out, help.out);

        const Result version = run(QUELLAR_PROGRAM, {"--version"});
        QCOMPARE(version.code, 0);
        QCOMPARE(version.out, QStringLiteral("quellar " QUELLAR_VERSION "\n"));

        verifyUsageError(run(QUELLAR_PROGRAM, {"--frobnicate"}), "Usage: quellar");
        verifyUsageError(run(QUELLAR_PROGRAM, {"some.db"}), "unexpected argument 'some.db'");
        // A Qt option with its value is Qt's business, not a wrong usage.
        QCOMPARE(run(QUELLAR_PROGRAM, {"-platform", "offscreen", "--version"}).code, 0);
    }

    void adminHelpListsEveryCommand()
    {
        const Result help = admin({"--help"});
        QCOMPARE(help.code, 0);
        for (const char *line : {"init FILE", "demo FILE", "passwd FILE EMPLOYEE [--verifier]", "backup FILE BACKUP",
                                 "employees FILE",
                                 "sql FILE \"STATEMENT\"", "generate FILE [--seed N] [--scale F]", "help COMMAND"})
            QVERIFY2(help.out.contains(QStringLiteral("\n  ") + QLatin1String(line)), line);
        QCOMPARE(admin({"help"}).out, help.out);
        QCOMPARE(admin({"-h"}).out, help.out);
        QCOMPARE(admin({"--version"}).out, QStringLiteral("quellar-admin " QUELLAR_VERSION "\n"));

        // One command's help, both ways, names its arguments and options.
        const Result passwd = admin({"help", "passwd"});
        QCOMPARE(passwd.code, 0);
        QVERIFY2(passwd.out.startsWith("Usage: quellar-admin passwd FILE EMPLOYEE [--verifier]\n"),
                 qPrintable(passwd.out));
        for (const char *word : {"--verifier", "EMPLOYEE", "standard input", "odbc:"})
            QVERIFY2(passwd.out.contains(QLatin1String(word)), word);
        QCOMPARE(admin({"passwd", "--help"}).out, passwd.out);
        QVERIFY(admin({"generate", "--help"}).out.contains("--scale <F>"));
    }

    void adminWrongUsageExitsWithTwo()
    {
        const QString db = m_dir.filePath("usage.db");
        verifyUsageError(admin({}), "Usage: quellar-admin COMMAND");
        verifyUsageError(admin({"frobnicate", db}), "no such command: frobnicate");
        verifyUsageError(admin({"help", "frobnicate"}), "Usage: quellar-admin COMMAND");
        verifyUsageError(admin({"--frobnicate"}), "Usage: quellar-admin COMMAND");
        verifyUsageError(admin({"init"}), "Usage: quellar-admin init FILE");
        verifyUsageError(admin({"init", db, "more"}), "Usage: quellar-admin init FILE");
        verifyUsageError(admin({"passwd", db, "1", "--verify"}), "Unknown option 'verify'");
        verifyUsageError(admin({"generate", db, "--scale", "big"}), "Usage: quellar-admin generate");
        verifyUsageError(admin({"generate", db, "--scale", "-1"}), "Usage: quellar-admin generate");
        // None of them created anything.
        QVERIFY(!QFile::exists(db));
    }

    void adminCommandsTakeOptionsAnywhereAndDashedValuesAfterDoubleDash()
    {
        const QString db = m_dir.filePath("dash.db");
        QCOMPARE(admin({"init", db}).code, 0);
        QCOMPARE(admin({"passwd", "--verifier", db, "3001"}, "first\n").code, 0);
        QCOMPARE(admin({"passwd", db, "--", "-3002"}, "second\n").code, 0);
        const Result rows = admin({"sql", db, "Select EmployeeId, Password, Right_Code2 From password..tbpasswordmain "
                                              "Order By EmployeeId"});
        QCOMPARE(rows.code, 0);
        QCOMPARE(rows.out, QStringLiteral("EmployeeId\tPassword\tRight_Code2\n-3002\t%2\tU\n3001\t%1\tS\n")
                               .arg(CryptPassword("E", "VELTAMORQUISH", "first"),
                                    CryptPassword("E", "VELTAMORQUISH", "second")));
    }

    void programFilesLieBesideTheProgramOrInItsShareFolder()
    {
        QTemporaryDir root;
        const QString bin = root.filePath("usr/bin");
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QDir().mkpath(root.filePath("usr/share/quellar")));
        // Neither: the place beside the program, for the message.
        QCOMPARE(programDataFile("DepartmentRequest.rpt", bin), bin + "/DepartmentRequest.rpt");
        // Installed.
        const QString installed = root.filePath("usr/share/quellar/DepartmentRequest.rpt");
        QFile(installed).open(QIODevice::WriteOnly);
        QCOMPARE(programDataFile("DepartmentRequest.rpt", bin), installed);
        // A report beside the program (the build tree) comes first.
        QFile(bin + "/DepartmentRequest.rpt").open(QIODevice::WriteOnly);
        QCOMPARE(programDataFile("DepartmentRequest.rpt", bin), bin + "/DepartmentRequest.rpt");
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
