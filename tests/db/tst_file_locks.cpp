#include "db/Connection.h"
#include "db/DbError.h"
#include "db/dialects/sqlite/SqliteFileLocks.h"
#include "support/AnotherProcess.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QFile>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QMimeDatabase>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

// Everything a file dialog and its icons do to the files of a folder: their types read from
// their contents, each file opened and closed, a file-system model with Qt's own icons.
void lookAtEveryFileOf(const QString &file)
{
    for (const QString suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        QMimeDatabase().mimeTypeForFile(file + suffix, QMimeDatabase::MatchContent);
        QFile plain(file + suffix);
        if (plain.open(QIODevice::ReadOnly))
            plain.read(100);
    }
    QFileSystemModel model;
    QFileIconProvider icons;
    model.setIconProvider(&icons);
    const QModelIndex root = model.setRootPath(QFileInfo(file).absolutePath());
    QTest::qWaitFor([&] { return model.rowCount(root) >= 2; }, 10000);
    for (int row = 0; row < model.rowCount(root); ++row) {
        model.index(row, 0, root).data(Qt::DecorationRole);
        model.index(row, 2, root).data(); // the type column
    }
}

const QString insert = QStringLiteral(
    "Insert tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID ) "
    "Values ('%1','142',1,2.5000,'N', '0', '20', '1', '12/07/2026 02:05:09 PM', '1001')");

QString linesOf(const QString &file, const QString &number)
{
    return readInAnotherProcess(file, QStringLiteral("Select count(*) From tbInvWithdrawRequest Where DocumentNumber = '%1'").arg(number));
}

// The child of aWriteReportedDoneSurvivesAKill: connects, lets everything look at the file,
// waits for the word, writes one line and says so, then waits to be killed.
int peekAndWrite(const QString &file)
{
    try {
        ConnectionSettings settings;
        settings.databaseFile = file;
        Connection connection(settings);
        connection.Execute(QStringLiteral("Select count(*) From tbInvWithdrawRequest"));
        lookAtEveryFileOf(file);
        std::printf("peeked\n");
        std::fflush(stdout);
        std::string word;
        std::getline(std::cin, word);
        connection.Execute(insert.arg(QStringLiteral("901")));
        std::printf("written\n");
        std::fflush(stdout);
        std::getline(std::cin, word);
    } catch (const DbError &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.description()));
        return 1;
    }
    return 0;
}

} // namespace

// Nothing the process does to the database's files beside SQLite costs a write its place in
// the file, as other processes see it.
class TestFileLocks : public QObject
{
    Q_OBJECT

private slots:
    void lookingAtTheFileCostsNoWrite()
    {
        TestDatabase db;
        auto connection = db.connect();
        connection->Execute(insert.arg(QStringLiteral("900")));
        QVERIFY(SqliteFileLocks::installed());
        lookAtEveryFileOf(db.file());
        QCOMPARE(SqliteFileLocks::problem(db.file()), QString()); // still locked, still its log

        // Another process opens and closes the file: it must not take itself for the last user.
        QCOMPARE(linesOf(db.file(), QStringLiteral("900")), QStringLiteral("1"));
        QVERIFY(QFile::exists(db.file() + QStringLiteral("-wal")));
        connection->Execute(insert.arg(QStringLiteral("900")));
        QCOMPARE(linesOf(db.file(), QStringLiteral("900")), QStringLiteral("2"));

        // So for the password file beside it.
        lookAtEveryFileOf(ConnectionSettings::passwordFileFor(db.file()));
        QCOMPARE(SqliteFileLocks::problem(db.file()), QString());
    }

    void aWriteReportedDoneSurvivesAKill()
    {
        TestDatabase db;
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--peek-and-write"), db.file()});
        QVERIFY(child.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(child.canReadLine() || child.state() != QProcess::Running, 30000);
        QCOMPARE(child.readLine().trimmed(), QByteArray("peeked"));
        QCOMPARE(linesOf(db.file(), QStringLiteral("901")), QStringLiteral("0"));
        child.write("go\n");
        QTRY_VERIFY_WITH_TIMEOUT(child.canReadLine() || child.state() != QProcess::Running, 30000);
        QCOMPARE(child.readLine().trimmed(), QByteArray("written"));
        QCOMPARE(linesOf(db.file(), QStringLiteral("901")), QStringLiteral("1"));
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished());
        QCOMPARE(linesOf(db.file(), QStringLiteral("901")), QStringLiteral("1"));
        QCOMPARE(readInAnotherProcess(db.file(), QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    }

    void aRemovedLogIsNoticedBeforeTheNextWrite()
    {
        // Another program removes the log under the open connection: the next write goes
        // to a log of the file's own (the connection opens anew), never into the lost one.
        TestDatabase db;
        auto connection = db.connect();
        connection->Execute(insert.arg(QStringLiteral("902")));
        connection->Execute(QStringLiteral("Select count(*) From tbInvWithdrawRequest"));
        QVERIFY(QFile::remove(db.file() + QStringLiteral("-wal")));
        QVERIFY(!SqliteFileLocks::problem(db.file()).isEmpty());
        connection->Execute(insert.arg(QStringLiteral("903")));
        QCOMPARE(SqliteFileLocks::problem(db.file()), QString());
        QCOMPARE(linesOf(db.file(), QStringLiteral("903")), QStringLiteral("1"));
        QCOMPARE(readInAnotherProcess(db.file(), QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    }
};

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--peek-and-write") == 0)
        return peekAndWrite(QString::fromLocal8Bit(argv[2]));
    TestFileLocks test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_file_locks.moc"
