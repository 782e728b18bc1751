#include "SqliteSetup.h"

#include "SqliteFilePlace.h"
#include "SqliteFunctions.h"
#include "SqliteTokens.h"

#include "db/ConnectionSettings.h"
#include "db/DbError.h"
#include "db/ForwardQuery.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

using SqliteTokens::quoteLiteral;

namespace {

QString sqlError(const QSqlError &error)
{
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

} // namespace

void SqliteSetup::exec(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery query = forwardQuery(db);
    if (!query.exec(sql)) {
        const QSqlError error = query.lastError();
        if (isBusy(error))
            throw DbError::busy(sqlError(error), error.nativeErrorCode());
        throw DbError(sqlError(error), error.nativeErrorCode());
    }
}

QString SqliteSetup::firstValue(QSqlDatabase &db, const QString &pragma)
{
    QString value;
    {
        QSqlQuery query = forwardQuery(db);
        if (!query.exec(pragma)) {
            const QSqlError error = query.lastError();
            if (isBusy(error))
                throw DbError::busy(sqlError(error), error.nativeErrorCode());
            throw DbError(QStringLiteral("%1 failed: %2").arg(pragma, sqlError(error)), error.nativeErrorCode());
        }
        if (query.next())
            value = query.value(0).toString();
    }
    return value;
}

bool SqliteSetup::isBusy(const QSqlError &error)
{
    // Extended codes (BUSY_SNAPSHOT is 517) keep the primary code in their low byte.
    bool number = false;
    const int primary = error.nativeErrorCode().toInt(&number) & 0xff;
    return (number && (primary == SQLITE_BUSY || primary == SQLITE_LOCKED))
        || sqlError(error).contains(QLatin1String("database is locked"), Qt::CaseInsensitive);
}

bool SqliteSetup::isReadOnlyRefusal(const QSqlError &error)
{
    bool number = false;
    const int primary = error.nativeErrorCode().toInt(&number) & 0xff;
    return number && primary == SQLITE_READONLY;
}

bool SqliteSetup::isReadOnly(QSqlDatabase &db, const QString &mainFile, bool throughOdbc)
{
    if (!throughOdbc) {
        const QVariant handle = db.driver()->handle();
        if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
            return sqlite3_db_readonly(*static_cast<sqlite3 *const *>(handle.constData()), "main") == 1;
    }
    return !QFileInfo(mainFile).isWritable();
}

void SqliteSetup::prepare(QSqlDatabase &db, const ConnectionSettings &settings, bool throughOdbc)
{
    if (!throughOdbc) {
        const QVariant handle = db.driver()->handle();
        if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
            throw DbError(QStringLiteral("The SQLite driver gave no database handle."));
        sqlite3 *raw = *static_cast<sqlite3 *const *>(handle.constData());
        if (sqlite3_quellarsqlite_init(raw, nullptr, nullptr) != SQLITE_OK)
            throw DbError(QStringLiteral("Cannot register the embedded database's functions: %1")
                              .arg(QString::fromUtf8(sqlite3_errmsg(raw))));
    } else {
        QSqlQuery probe = forwardQuery(db);
        if (!probe.exec(QStringLiteral("SELECT qconvert_int('1')")))
            throw DbError(QStringLiteral(
                "The SQLite ODBC connection has not loaded the library libquellarsqlite "
                "(add LoadExt=<path of libquellarsqlite.so> to the connection string)."));
        probe.finish();
    }

    // The busy timeout first, so that even the first read waits for another writer.
    exec(db, QStringLiteral("PRAGMA busy_timeout = %1").arg(settings.busyTimeoutMs));

    // Any statement on a file that is not a database fails here with a clear message; a
    // file that another program keeps locked past the busy timeout is busy, not damaged.
    {
        QSqlQuery check = forwardQuery(db);
        if (!check.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            const QSqlError error = check.lastError();
            if (isBusy(error))
                throw DbError::busy(sqlError(error), error.nativeErrorCode());
            // A sound file SQLite may not open as it needs to (a read-only folder, file
            // system or file) is not called damaged.
            bool number = false;
            const int primary = error.nativeErrorCode().toInt(&number) & 0xff;
            if (number && primary != SQLITE_NOTADB && primary != SQLITE_CORRUPT) {
                const QString problem = settings.databaseFile.isEmpty()
                    ? QString() : SqliteFilePlace::writeProblem(settings.databaseFile);
                throw DbError(problem.isEmpty() ? QStringLiteral("Cannot open the database file %1: %2")
                                                      .arg(settings.databaseFile, sqlError(error))
                                                : problem,
                              error.nativeErrorCode());
            }
            throw DbError(QStringLiteral("The database file is damaged or is not a database: %1").arg(sqlError(error)),
                          error.nativeErrorCode());
        }
    } // the check must be finished: a statement still open keeps a transaction open,
      // and the journal mode cannot change inside one

    QString mainFile = settings.databaseFile;
    if (throughOdbc || mainFile.isEmpty()) {
        QSqlQuery list = forwardQuery(db);
        if (list.exec(QStringLiteral("PRAGMA database_list"))) {
            while (list.next()) {
                if (list.value(1).toString() == QLatin1String("main"))
                    mainFile = list.value(2).toString();
            }
        }
    }

    // Write-ahead logging lets readers go on while another workstation saves. A file
    // nobody may write keeps the mode it has: no save can go to it, and reading it needs
    // no log. Any other file that does not switch is refused rather than run in a mode
    // the program does not promise.
    QString mode;
    QSqlError modeError;
    {
        QSqlQuery query = forwardQuery(db);
        if (!query.exec(QStringLiteral("PRAGMA journal_mode = WAL")))
            modeError = query.lastError(); // a read-only file says so here
        else if (query.next())
            mode = query.value(0).toString().toLower();
    }
    if (mode != QLatin1String("wal")) {
        const bool inMemory = mode == QLatin1String("memory") || mainFile.isEmpty() || mainFile == QLatin1String(":memory:");
        if (!inMemory && !isReadOnly(db, mainFile, throughOdbc)) {
            if (modeError.isValid() && isBusy(modeError))
                throw DbError::busy(sqlError(modeError), modeError.nativeErrorCode());
            const QString problem = SqliteFilePlace::writeProblem(mainFile);
            if (!problem.isEmpty())
                throw DbError(problem);
            throw DbError(QStringLiteral("The database file %1 cannot be switched to write-ahead logging (%2); it is not opened.")
                              .arg(mainFile, modeError.isValid() ? sqlError(modeError)
                                                                 : QStringLiteral("its journal mode stays \"%1\"").arg(mode)));
        }
    }
    // A line that INSERT OR REPLACE (or UPDATE OR REPLACE) puts in the place of another
    // removes the other through the delete triggers, which keep the listing's summary.
    exec(db, QStringLiteral("PRAGMA recursive_triggers = ON"));

    // The log is copied back into the file every 1000 pages and, once it starts over, cut
    // back to 4 MB: a burst of saves leaves no large log behind.
    exec(db, QStringLiteral("PRAGMA wal_autocheckpoint = 1000"));
    exec(db, QStringLiteral("PRAGMA journal_size_limit = 4194304"));
    // A save reported as saved survives a power cut: every commit is synced to the disk.
    exec(db, QStringLiteral("PRAGMA synchronous = FULL"));
    const QString synchronous = firstValue(db, QStringLiteral("PRAGMA synchronous"));
    if (synchronous.toInt() < 2)
        throw DbError(QStringLiteral("The database did not accept full synchronous writes (it answers %1).").arg(synchronous));

    if (settings.withPasswords && !mainFile.isEmpty() && mainFile != QLatin1String(":memory:")) {
        const QString passwordFile = ConnectionSettings::passwordFileFor(mainFile);
        if (!QFileInfo::exists(passwordFile) && !settings.createIfMissing)
            throw DbError(QStringLiteral("The password database %1 does not exist.").arg(passwordFile));
        exec(db, QStringLiteral("ATTACH DATABASE %1 AS password").arg(quoteLiteral(passwordFile)));
    }
}

// Saves that follow each other without a pause can keep every checkpoint short of the
// log's end: the log then never starts over and grows with every save. Once it is past
// the journal size limit, the connection that just committed copies the whole log back
// when no other connection is reading or writing at that moment, so that the next save
// starts it over, cut back to the limit. It does not wait: waiting while holding the
// write lock for a read that stays open would stall every workstation's saves. The save
// is done either way, so nothing here may fail it; the next save tries again.
void SqliteSetup::startLogOverWhenLarge(QSqlDatabase &db, bool throughOdbc)
{
    constexpr qint64 largeLog = 4 * 1024 * 1024; // the journal size limit
    if (throughOdbc || QFileInfo(db.databaseName() + QStringLiteral("-wal")).size() <= largeLog)
        return;
    QSqlQuery query = forwardQuery(db);
    if (!query.exec(QStringLiteral("PRAGMA busy_timeout")) || !query.next())
        return;
    const QString waited = query.value(0).toString();
    query.exec(QStringLiteral("PRAGMA busy_timeout = 0"));
    query.exec(QStringLiteral("PRAGMA wal_checkpoint(RESTART)"));
    query.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(waited));
}

