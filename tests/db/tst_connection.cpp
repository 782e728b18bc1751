#include "app/admin/AdminCommand.h"
#include "db/Connection.h"
#include "db/DatabaseSetup.h"
#include "db/DbError.h"
#include "db/dialects/sqlite/SqliteFilePlace.h"
#include "db/SqlQuote.h"
#include "session/clsCurrentUser.h"
#include "support/ReadOnlyMount.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// How the embedded database files are opened and kept: journal and sync modes, a busy
// file against a damaged one, the trace file, and text no statement can carry.
class TestConnection : public QObject
{
    Q_OBJECT

    // A plain SQLite connection beside the program's, to see the file as any other
    // program opening it does. Removed with the object.
    class RawFile
    {
    public:
        explicit RawFile(const QString &file) : m_name(QStringLiteral("raw-%1").arg(++s_count))
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
            db.setDatabaseName(file);
            if (!db.open())
                qFatal("cannot open %s", qPrintable(file));
        }
        ~RawFile()
        {
            QSqlDatabase::database(m_name).close();
            QSqlDatabase::removeDatabase(m_name);
        }
        QString answer(const QString &sql) const
        {
            QSqlQuery query(QSqlDatabase::database(m_name));
            if (!query.exec(sql))
                return QStringLiteral("error: ") + query.lastError().text();
            return query.next() ? query.value(0).toString() : QString();
        }

    private:
        static inline int s_count = 0;
        QString m_name;
    };

    static QString journalModeOf(const QString &file) { return RawFile(file).answer("PRAGMA journal_mode"); }

    static QString adminOutput(const QStringList &arguments)
    {
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        AdminCommand command(outStream, errStream);
        if (command.run(arguments) != 0)
            return QStringLiteral("failed: ") + err;
        outStream.flush();
        return out;
    }

    // quellar-admin run with the given files or folders read-only to it: by their
    // permissions for a plain user, by a read-only mount for the superuser.
    struct Outcome {
        int code = -1;
        QString out;
        QString err;
        QString skipped; // why it could not be run here
    };
    static Outcome asUnwritable(const QStringList &paths, const QStringList &arguments)
    {
        Outcome outcome;
        if (::geteuid() == 0) {
            outcome.skipped = ReadOnlyMount::unavailable();
            if (!outcome.skipped.isEmpty()) {
                outcome.skipped.prepend("running as the superuser, whom permissions do not bind, and ");
                return outcome;
            }
            const ReadOnlyMount::Result result = ReadOnlyMount::run(paths, QUELLAR_ADMIN, arguments);
            outcome.code = result.exitCode;
            outcome.out = result.out;
            outcome.err = result.err;
            return outcome;
        }
        std::vector<std::pair<QString, QFileDevice::Permissions>> kept;
        for (const QString &path : paths) {
            kept.emplace_back(path, QFile::permissions(path));
            QFile::setPermissions(path, QFileInfo(path).isDir() ? QFileDevice::ReadOwner | QFileDevice::ExeOwner
                                                                : QFileDevice::ReadOwner);
        }
        QProcess admin;
        admin.start(QUELLAR_ADMIN, arguments);
        admin.waitForFinished(120000);
        for (const auto &[path, permissions] : kept)
            QFile::setPermissions(path, permissions);
        outcome.code = admin.exitCode();
        outcome.out = QString::fromLocal8Bit(admin.readAllStandardOutput());
        outcome.err = QString::fromLocal8Bit(admin.readAllStandardError());
        return outcome;
    }

    static QString failureOf(const ConnectionSettings &settings)
    {
        try {
            Connection connection(settings);
        } catch (const DbError &error) {
            return error.description();
        }
        return {};
    }

private slots:
    void insertedValuesAreStoredExactlyAsTheirLiteralsRead()
    {
        // Inserts of many rows run on one prepared statement; each value must still be
        // stored with the type and digits its literal reads as, in every kind of column.
        TestDatabase db(false);
        auto connection = db.connect();
        connection->runNativeScript(QStringLiteral(
            "CREATE TABLE tSent (k INTEGER PRIMARY KEY, a, b NUMERIC, c REAL, d TEXT, e DATETIME);"
            "CREATE TABLE tWritten (k INTEGER PRIMARY KEY, a, b NUMERIC, c REAL, d TEXT, e DATETIME)"));
        RawFile raw(db.file());
        const QStringList literals = {"7", "007", "1.5", ".5", "2.50", "1e3", "0.1", "123456789.123456789",
                                      "-3", "-2.5", "NULL", "'x''y'", "N'n'", "''", "'12'", "'1.50'", "' 5 '",
                                      "12345678901234567890"};
        int k = 0;
        for (const QString &literal : literals) {
            ++k;
            const QString values = QStringLiteral("%1, %2, %2, %2, %2").arg(QString::number(k), literal);
            connection->Execute(QStringLiteral("Insert tSent (k, a, b, c, d, e) Values (%1, '12/07/2026 02:05:09 PM')").arg(values));
            const QString written = literal.startsWith("N'") ? literal.mid(1) : literal;
            QCOMPARE(raw.answer(QStringLiteral("INSERT INTO tWritten (k, a, b, c, d, e) VALUES (%1, %2, %2, %2, %2, "
                                               "'2026-12-07 14:05:09.000')").arg(QString::number(k), written)),
                     QString());
        }
        const QString columns = QStringLiteral("k, typeof(a) || quote(a), typeof(b) || quote(b), typeof(c) || quote(c), "
                                               "typeof(d) || quote(d), typeof(e) || quote(e)");
        QCOMPARE(raw.answer(QStringLiteral("SELECT count(*) FROM (SELECT %1 FROM tSent EXCEPT SELECT %1 FROM tWritten)").arg(columns)),
                 QStringLiteral("0"));
        QCOMPARE(raw.answer("SELECT count(*) FROM tSent"), QString::number(literals.size()));

        // A row refused keeps the next ones from going wrong.
        try {
            connection->Execute("Insert tSent (k, a) Values (1, 'again')");
            QFAIL("a second row 1 must be refused");
        } catch (const DbError &error) {
            QVERIFY2(error.description().contains("UNIQUE"), qPrintable(error.description()));
        }
        connection->Execute("Insert tSent (k, a) Values (100, 'after')");
        QCOMPARE(raw.answer("SELECT a FROM tSent WHERE k = 100"), QStringLiteral("after"));
    }

    void procedureArgumentsReadAsTheirLiterals()
    {
        // A procedure's body is prepared once and its arguments bound; each call must see
        // its own arguments, each with the type and value its literal has.
        TestDatabase db(false);
        auto connection = db.connect();
        connection->Execute("Insert Into sysProcedures (Name, Parameters, Body) Values ('sp_Probe', '@a @b', "
                            "'SELECT typeof(@a) || quote(@a) AS v, @b = ''x'' AS isX')");
        const QStringList literals = {"'x''y'", "N'n'", "''", "'7'", "7", "007", "1.5", ".5", "1e3", "0.1",
                                      "NULL", "-3", "-2.5", "123456789012345678901"};
        for (const QString &literal : literals) {
            const QString written = literal.startsWith("N'") ? literal.mid(1) : literal;
            const auto called = connection->run(QStringLiteral("sp_Probe %1, 'x'").arg(literal));
            const auto direct = connection->run(QStringLiteral("Select typeof(%1) || quote(%1) AS v").arg(written));
            QCOMPARE(called->value(0, 0).toString(), direct->value(0, 0).toString());
            QCOMPARE(called->value(0, 1).toInt(), 1);
            QCOMPARE(connection->run(QStringLiteral("sp_Probe %1, 'y'").arg(literal))->value(0, 1).toInt(), 0);
        }
    }

    void everyFileIsWrittenAheadAndSyncedAtEachSave()
    {
        QTemporaryDir dir;
        const QString init = dir.filePath("init.db");
        const QString demo = dir.filePath("demo.db");
        const QString generated = dir.filePath("generated.db");
        QVERIFY(adminOutput({"init", init}).startsWith("Created"));
        QVERIFY(adminOutput({"demo", demo}).startsWith("Created"));
        QVERIFY(adminOutput({"generate", generated, "--scale", "0.0005"}).contains("Created"));
        for (const QString &file : {init, demo, generated}) {
            QCOMPARE(journalModeOf(file), QStringLiteral("wal"));
            QCOMPARE(adminOutput({"sql", file, "PRAGMA journal_mode"}), QStringLiteral("journal_mode\nwal\n"));
            QCOMPARE(adminOutput({"sql", file, "PRAGMA synchronous"}), QStringLiteral("synchronous\n2\n"));
        }

        // A file made in the rollback journal's mode (by an older program) switches when
        // the log-in opens it, and stays switched.
        const QString older = dir.filePath("older.db");
        DatabaseSetup::createEmbedded(older);
        QCOMPARE(RawFile(older).answer("PRAGMA journal_mode = DELETE"), QStringLiteral("delete"));
        QCOMPARE(journalModeOf(older), QStringLiteral("delete"));
        ConnectionSettings settings;
        settings.databaseFile = older;
        {
            Connection connection(settings);
            QCOMPARE(connection.Execute("PRAGMA synchronous").Fields("synchronous").toInt(), 2);
            connection.Execute("Insert Into tbInvTerms (TermsID, Terms) Values (90, 'NINETY DAYS')");
        }
        QCOMPARE(journalModeOf(older), QStringLiteral("wal"));
        QCOMPARE(RawFile(older).answer("Select Terms From tbInvTerms Where TermsID = 90"), QStringLiteral("NINETY DAYS"));
    }

    void aFileNobodyMayWriteKeepsItsModeAndCanBeRead()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("readonly.db");
        QVERIFY(adminOutput({"demo", file}).startsWith("Created"));
        QCOMPARE(RawFile(file).answer("PRAGMA journal_mode = DELETE"), QStringLiteral("delete"));
        const QString walFile = dir.filePath("readonly-wal.db");
        QVERIFY(adminOutput({"demo", walFile}).startsWith("Created"));
        for (const QString &path : {file, walFile}) {
            // Permissions do not bind the superuser; a read-only mount of the file does.
            const Outcome read = asUnwritable({path}, {"sql", path, "Select LocationID From tbInvLocation Where LocationID = '20'"});
            if (!read.skipped.isEmpty())
                QSKIP(qPrintable(read.skipped));
            QCOMPARE(read.out, QStringLiteral("LocationID\n20\n"));
            // A write says why it cannot be made, and nothing is written.
            const Outcome write = asUnwritable({path}, {"sql", path, "Update tbInvTerms Set Terms = 'X'"});
            QCOMPARE(write.code, 1);
            QVERIFY2(write.err.contains(::geteuid() == 0 ? "read-only file system" : "cannot be written by")
                         && write.err.contains("Nothing was written") && !write.err.contains("damaged"),
                     qPrintable(write.err));
        }
        QCOMPARE(journalModeOf(file), QStringLiteral("delete"));
        QCOMPARE(journalModeOf(walFile), QStringLiteral("wal"));
        QCOMPARE(RawFile(walFile).answer("Select count(*) From tbInvTerms Where (Terms || '') = 'X'"), QStringLiteral("0"));
    }

    // A sound file in a folder this user may not write is not called damaged: the message
    // says what is wrong, so that nobody restores a backup over a good file.
    void aSoundFileInAReadOnlyFolderIsNamedAsSuch()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("ward");
        QVERIFY(QDir().mkdir(folder));
        const QString file = folder + "/inventory.db";
        QVERIFY(adminOutput({"demo", file}).startsWith("Created"));
        QVERIFY(!QFile::exists(file + "-shm")); // closed cleanly: the log files are made at the next opening
        const Outcome opened = asUnwritable({folder}, {"sql", file, "Select 1"});
        if (!opened.skipped.isEmpty())
            QSKIP(qPrintable(opened.skipped));
        QCOMPARE(opened.code, 1);
        QVERIFY2(!opened.err.contains("damaged"), qPrintable(opened.err));
        if (::geteuid() == 0)
            QVERIFY2(opened.err.contains("is on a read-only file system"), qPrintable(opened.err));
        else
            QVERIFY2(opened.err.contains("The folder " + folder + " of the database file is read-only for"), qPrintable(opened.err));
        // The same file where it may be written opens and reads.
        QCOMPARE(adminOutput({"sql", file, "Select count(*) as N From tbInvLocation Where LocationID = '20'"}),
                 QStringLiteral("N\n1\n"));

        // A file of another user, in a folder anyone may write: whose it is is said.
        const QString setpriv = QStandardPaths::findExecutable("setpriv");
        if (::geteuid() != 0 || setpriv.isEmpty())
            QSKIP("a file of another user needs the superuser and setpriv to be tried");
        const QString shared = dir.filePath("shared");
        QVERIFY(QDir().mkdir(shared));
        const QString theirs = shared + "/inventory.db";
        QVERIFY(adminOutput({"demo", theirs}).startsWith("Created"));
        const auto readable = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        QVERIFY(QFile::setPermissions(dir.path(), readable | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther));
        QVERIFY(::chmod(QFile::encodeName(shared).constData(), 01777) == 0);
        QVERIFY(QFile::setPermissions(theirs, readable) && QFile::setPermissions(ConnectionSettings::passwordFileFor(theirs), readable));
        QProcess asNobody;
        asNobody.start(setpriv, {"--reuid=65534", "--regid=65534", "--clear-groups", QUELLAR_ADMIN, "sql", theirs,
                                 "Update tbInvTerms Set Terms = 'X'"});
        QVERIFY(asNobody.waitForFinished(60000));
        const QString refused = QString::fromLocal8Bit(asNobody.readAllStandardError());
        QCOMPARE(asNobody.exitCode(), 1);
        QVERIFY2(refused.contains("cannot be written by") && refused.contains("it belongs to root")
                     && !refused.contains("damaged"),
                 qPrintable(refused));
    }

    // WAL keeps its writers apart only on one computer: a file on a network or FUSE file
    // system is refused before SQLite touches it, naming SQL Server for several workstations.
    void anEmbeddedFileOnASharedFileSystemIsRefused()
    {
        QCOMPARE(SqliteFilePlace::sharedFileSystemName(0x6969), QStringLiteral("NFS"));
        QVERIFY(SqliteFilePlace::sharedFileSystemName(0xFF534D42).contains("CIFS"));
        QVERIFY(SqliteFilePlace::sharedFileSystemName(0xFE534D42).contains("SMB2"));
        QVERIFY(SqliteFilePlace::sharedFileSystemName(0x65735546).startsWith("FUSE"));
        QCOMPARE(SqliteFilePlace::sharedFileSystemName(0x01021997), QStringLiteral("9P"));
        QCOMPARE(SqliteFilePlace::sharedFileSystemName(0x00C36400), QStringLiteral("Ceph"));
        QCOMPARE(SqliteFilePlace::sharedFileSystemName(0x6B414653), QStringLiteral("AFS"));
        for (const quint64 local : {0xEF53ULL /* ext2-4 */, 0x58465342ULL /* xfs */, 0x9123683EULL /* btrfs */,
                                    0x01021994ULL /* tmpfs */, 0x794C7630ULL /* overlayfs */})
            QVERIFY2(SqliteFilePlace::sharedFileSystemName(local).isEmpty(), qPrintable(QString::number(local, 16)));

        const QString bindfs = QStandardPaths::findExecutable("bindfs");
        if (bindfs.isEmpty())
            QSKIP("bindfs is not installed: no FUSE file system to try the refusal on");
        QTemporaryDir dir;
        const QString source = dir.filePath("share");
        const QString mounted = dir.filePath("mounted");
        QVERIFY(QDir().mkdir(source) && QDir().mkdir(mounted));
        QVERIFY(adminOutput({"demo", source + "/inventory.db"}).startsWith("Created"));
        QProcess mount;
        mount.start(bindfs, {source, mounted});
        if (!mount.waitForFinished(30000) || mount.exitCode() != 0)
            QSKIP(qPrintable("FUSE cannot mount here: " + QString::fromLocal8Bit(mount.readAllStandardError())));
        const auto unmount = qScopeGuard([&] {
            QProcess::execute(QStandardPaths::findExecutable("fusermount3").isEmpty() ? "umount" : "fusermount3",
                              QStandardPaths::findExecutable("fusermount3").isEmpty() ? QStringList{mounted}
                                                                                        : QStringList{"-u", mounted});
        });

        ConnectionSettings settings;
        settings.databaseFile = mounted + "/inventory.db";
        const QString refused = failureOf(settings);
        QVERIFY2(refused.contains("network or FUSE file system") && refused.contains("SQL Server")
                     && refused.contains("one computer"),
                 qPrintable(refused));
        QVERIFY(!QFile::exists(source + "/inventory.db-shm")); // SQLite never opened it
        settings.databaseFile = mounted + "/new.db";
        settings.createIfMissing = true;
        QVERIFY(failureOf(settings).contains("network or FUSE file system"));
        QVERIFY(!QFile::exists(source + "/new.db"));
        QVERIFY(adminOutput({"init", mounted + "/made.db"}).contains("network or FUSE file system"));
        // The same file where it lies on the local disk opens.
        settings.databaseFile = source + "/inventory.db";
        settings.createIfMissing = false;
        QCOMPARE(failureOf(settings), QString());
    }

    void aLockedFileIsBusyADamagedFileIsDamaged()
    {
        TestDatabase db;
        ConnectionSettings settings = db.settings();
        settings.busyTimeoutMs = 300;
        Connection reconnecting(settings);
        reconnecting.simulateLostConnection();
        {
            // Another program holds the file locked for longer than the busy timeout.
            RawFile holder(db.file());
            QCOMPARE(holder.answer("PRAGMA locking_mode = EXCLUSIVE"), QStringLiteral("exclusive"));
            QCOMPARE(holder.answer("BEGIN EXCLUSIVE"), QString());
            QCOMPARE(holder.answer("Update tbInvTerms Set Terms = Terms"), QString());

            QElapsedTimer timer;
            timer.start();
            const QString atLogIn = failureOf(settings);
            QVERIFY(timer.elapsed() < 5000);
            QVERIFY2(atLogIn.startsWith("The database is busy") && !atLogIn.contains("damaged"), qPrintable(atLogIn));
            try {
                reconnecting.Execute("Select Terms From tbInvTerms");
                QFAIL("the reconnect should find the file busy");
            } catch (const DbError &error) {
                QVERIFY2(error.description().startsWith("The database is busy") && !error.description().contains("damaged"),
                         qPrintable(error.description()));
            }
        }
        // Free again: the same connection works at its next action.
        QVERIFY(reconnecting.Execute("Select Terms From tbInvTerms").RecordCount() > 0);

        const QString damaged = db.folder() + "/damaged.db";
        {
            QFile file(damaged);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(8192, 'x'));
        }
        settings.databaseFile = damaged;
        QCOMPARE(failureOf(settings), QStringLiteral("The database file is damaged or is not a database: file is not a database"));
    }

    void aFailedRollbackLeavesTheConnectionReadyToSave()
    {
        // The link breaks in the middle of a save, so its rollback fails too: the
        // connection must still take the next save, on the same connection, and store it.
        TestDatabase db;
        auto connection = db.connect();
        try {
            TransactionScope save(*connection);
            connection->Execute("Insert Into tbInvTerms (TermsID, Terms) Values (91, 'lost')");
            connection->simulateLostConnection();
            connection->Execute("Insert Into tbInvTerms (TermsID, Terms) Values (92, 'lost')");
            QFAIL("a statement over a closed link must fail");
        } catch (const DbError &) {
            // the rollback of the scope failed as well, silently
        }
        QVERIFY(!connection->inTransaction());
        {
            TransactionScope save(*connection);
            connection->Execute("Insert Into tbInvTerms (TermsID, Terms) Values (93, 'kept')");
            save.commit();
        }
        // An explicit rollback that fails says so, and ends the transaction all the same.
        connection->BeginTrans();
        connection->Execute("Insert Into tbInvTerms (TermsID, Terms) Values (94, 'lost')");
        connection->simulateLostConnection();
        QVERIFY_THROWS_EXCEPTION(DbError, connection->RollbackTrans());
        QVERIFY(!connection->inTransaction());
        connection->BeginTrans();
        connection->Execute("Insert Into tbInvTerms (TermsID, Terms) Values (95, 'kept')");
        connection->CommitTrans();

        RawFile other(db.file());
        QCOMPARE(other.answer("SELECT group_concat(TermsID, ',') FROM (SELECT TermsID FROM tbInvTerms "
                              "WHERE TermsID > 90 ORDER BY TermsID)"),
                 QStringLiteral("93,95"));
        QCOMPARE(other.answer("SELECT Terms FROM tbInvTerms WHERE TermsID = 95"), QStringLiteral("kept"));
    }

    void theTraceFileIsForItsOwnerOnly()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("statements.log");
        const mode_t previous = ::umask(022);
        StatementTrace trace;
        trace.setFile(path);
        trace.record("Select 1");
        ::umask(previous);
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0600));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().endsWith("\tSelect 1\n"));
    }

    void textNoStatementCanCarryIsRefusedByName()
    {
        const QString loneHigh = QStringLiteral("A") + QChar(0xD800) + QStringLiteral("1");
        const QString loneLow = QString(QChar(0xDC00)) + QStringLiteral("B");
        const QString withNul = QStringLiteral("10") + QChar(0) + QStringLiteral("; Delete tbInvMaster");
        const QString pair = QStringLiteral("X") + QString::fromUcs4(U"\U0001F600");

        const auto problemOf = [](const QString &value) {
            try {
                requireStorableText(value, QStringLiteral("The item code"));
            } catch (const DbError &error) {
                return error.description();
            }
            return QString();
        };
        QCOMPARE(problemOf(loneHigh), QStringLiteral("The item code holds a character that cannot be stored (U+D800 at position 2)."));
        QCOMPARE(problemOf(loneLow), QStringLiteral("The item code holds a character that cannot be stored (U+DC00 at position 1)."));
        QCOMPARE(problemOf(withNul), QStringLiteral("The item code holds a character that cannot be stored (U+0000 at position 3)."));
        QCOMPARE(problemOf(pair), QString()); // a character outside the basic plane is whole
        QCOMPARE(problemOf(QString(pair).chopped(1)), QStringLiteral("The item code holds a character that cannot be stored (U+D83D at position 2)."));

        // Any statement that still holds one is not sent; a whole pair travels unchanged.
        TestDatabase db;
        auto connection = db.connect();
        for (const QString &value : {loneHigh, loneLow, withNul}) {
            try {
                connection->Execute("Insert Into tbInvTerms (TermsID, Terms) Values (88, '" + value + "')");
                QFAIL("the statement should be refused");
            } catch (const DbError &error) {
                QVERIFY2(error.description().startsWith("A value holds a character that cannot be stored (U+"),
                         qPrintable(error.description()));
            }
        }
        QCOMPARE(connection->Execute("Select * From tbInvTerms Where TermsID = 88").RecordCount(), 0);
        connection->Execute("Insert Into tbInvTerms (TermsID, Terms) Values (88, '" + pair + "')");
        QCOMPARE(connection->Execute("Select Terms From tbInvTerms Where TermsID = 88").Fields("Terms").toString(), pair);

        // So do the log-in and the administration command.
        clsCurrentUser user;
        user.setPasswordDeptCode("4");
        const auto logInProblem = [&](const QString &id, const QString &password) {
            try {
                user.credentialsMatch(*connection, id, password);
            } catch (const DbError &error) {
                return error.description();
            }
            return QString();
        };
        QCOMPARE(logInProblem(withNul, "demo"), QStringLiteral("The employee ID holds a character that cannot be stored (U+0000 at position 3)."));
        QCOMPARE(logInProblem("1001", loneLow), QStringLiteral("The password holds a character that cannot be stored (U+DC00 at position 1)."));
        QCOMPARE(logInProblem("1001", "demo"), QString());
        try {
            AdminCommand::setPassword(db.file(), loneHigh, QStringLiteral("secret"), false);
            QFAIL("the employee ID should be refused");
        } catch (const DbError &error) {
            QCOMPARE(error.description(), QStringLiteral("The employee ID holds a character that cannot be stored (U+D800 at position 2)."));
        }
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
