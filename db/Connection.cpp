#include "Connection.h"

#include "DbError.h"
#include "ForwardQuery.h"
#include "OdbcConfiguration.h"
#include "ResultReader.h"
#include "SqlQuote.h"
#include "dialects/SqlServerDialect.h"
#include "dialects/SqliteDialect.h"
#include "dialects/sqlite/SqliteFileLocks.h"
#include "dialects/sqlite/SqliteFilePlace.h"
#include "dialects/TSqlTokenizer.h"

#include <QAtomicInt>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sql.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sqlext.h>

namespace {

QString messageOf(const QSqlError &error)
{
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

// Device and inode of a file; 0 when it does not exist.
quint64 fileIdentity(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return (quint64(info.st_dev) << 40) ^ quint64(info.st_ino);
}

// A statement that changes stored rows (the program's writes all begin so).
bool isWrite(const QString &sql)
{
    const QStringView text = QStringView(sql).trimmed();
    for (const QLatin1String verb : {QLatin1String("insert"), QLatin1String("update"), QLatin1String("delete")}) {
        if (text.startsWith(verb, Qt::CaseInsensitive)
            && (text.size() == verb.size() || text[verb.size()].isSpace()))
            return true;
    }
    return false;
}

QString uniqueConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("quellar-%1").arg(counter.fetchAndAddRelaxed(1));
}

// The statement of that text, prepared once and kept for the next statement of that
// text (a save sends one insert per line, alike but for its values); null (and the
// error) when it cannot be prepared.
QSqlQuery *preparedQuery(QHash<QString, QSqlQuery> &prepared, QSqlDatabase &db, const QString &text, QSqlError *error)
{
    constexpr qsizetype kept = 16;
    auto found = prepared.find(text);
    if (found == prepared.end()) {
        if (prepared.size() >= kept)
            prepared.clear();
        QSqlQuery query = forwardQuery(db);
        query.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
        if (!query.prepare(text)) {
            *error = query.lastError();
            return nullptr;
        }
        found = prepared.insert(text, query);
    }
    return &*found;
}

} // namespace

Connection::Connection(const ConnectionSettings &settings)
    : m_settings(settings), m_name(uniqueConnectionName())
{
    open();
}

void Connection::open()
{
    try {
        switch (m_settings.kind) {
        case ConnectionSettings::Kind::Embedded:
            openEmbedded();
            break;
        case ConnectionSettings::Kind::SqlServer:
            openOdbc(OdbcConfiguration::connectionString(m_settings));
            break;
        case ConnectionSettings::Kind::OdbcString:
            openOdbc(m_settings.connectionString);
            break;
        }
        chooseDialect();
        m_dialect->prepare(m_db, m_settings);
        m_fileIdentity = m_settings.kind == ConnectionSettings::Kind::Embedded ? fileIdentity(m_settings.databaseFile) : 0;
        m_guarded = m_settings.kind == ConnectionSettings::Kind::Embedded && inWalMode();
    } catch (...) {
        close();
        throw;
    }
}

void Connection::close()
{
    m_prepared.clear(); // before the database they were prepared on
    if (m_idleReaders)
        m_idleReaders->connections.clear();
    m_dialect.reset();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

Connection::~Connection()
{
    if (m_inTransaction && m_dialect) {
        try {
            m_dialect->rollback(m_db);
        } catch (const DbError &) {
            // closing the connection ends the transaction anyway
        }
    }
    close();
}

void Connection::checkEmbeddedFile()
{
    if (m_settings.kind != ConnectionSettings::Kind::Embedded || m_inTransaction)
        return;
    const quint64 identity = fileIdentity(m_settings.databaseFile);
    if (identity == 0)
        throw DbError(QStringLiteral("The database file %1 is not there any more. Nothing was written; "
                                     "try again when it is back.").arg(m_settings.databaseFile));
    if (identity == m_fileIdentity && m_dialect)
        return;
    close();
    open(); // throws when the file that came back cannot be opened
}

void Connection::fail(const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    if (m_dialect && m_dialect->isBusy(error))
        throw DbError::busy(messageOf(error), code);
    if (m_settings.kind == ConnectionSettings::Kind::Embedded && m_dialect && m_dialect->isReadOnlyRefusal(error)) {
        // "attempt to write a readonly database" names no cause
        const QString problem = SqliteFilePlace::writeProblem(m_settings.databaseFile);
        if (!problem.isEmpty())
            throw DbError(problem + QStringLiteral(" Nothing was written."), code);
    }
    if (!answers()) {
        m_lost = true;
        throw DbError(QStringLiteral("The connection to the database was lost (%1). Nothing more was written; "
                                     "try again when the database is back.").arg(messageOf(error)), code);
    }
    throw DbError(messageOf(error), code);
}

bool Connection::answers()
{
    if (!m_db.isOpen())
        return false;
    QSqlQuery probe = forwardQuery(m_db);
    return probe.exec(QStringLiteral("SELECT 1"));
}

void Connection::reconnectIfLost()
{
    if (m_inTransaction || (!m_lost && m_db.isOpen()))
        return;
    close();
    open(); // throws, with the reason, while the database is still away
    m_lost = false;
}

void Connection::openEmbedded()
{
    const QString &file = m_settings.databaseFile;
    if (file.isEmpty())
        throw DbError(QStringLiteral("No database file was given."));
    const QFileInfo info(file);
    if (!m_settings.createIfMissing) {
        if (!info.exists())
            throw DbError(QStringLiteral("The database file %1 does not exist.").arg(file));
        if (!info.isFile() || !info.isReadable())
            throw DbError(QStringLiteral("The database file %1 cannot be read.").arg(file));
    }
    // Before SQLite touches the file: on a shared file system its locks and log index
    // would not keep the writers of other computers apart.
    const QString refusal = SqliteFilePlace::refusalToOpen(file);
    if (!refusal.isEmpty())
        throw DbError(refusal);
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        throw DbError(QStringLiteral("Qt's SQLite driver (QSQLITE) is not installed."));
    SqliteFileLocks::install(); // before the first lock is taken
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(file);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_settings.busyTimeoutMs));
    if (!m_db.open())
        throw DbError(QStringLiteral("Cannot open the database file %1: %2")
                          .arg(file, messageOf(m_db.lastError())));
}

void Connection::openOdbc(const QString &connectionString)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")))
        throw DbError(QStringLiteral("Qt's ODBC driver (QODBC) is not installed."));
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
    m_db.setDatabaseName(connectionString);
    if (!m_db.open())
        throw DbError(QStringLiteral("Cannot connect to the database: %1").arg(messageOf(m_db.lastError())));
}

void Connection::chooseDialect()
{
    // The dialect follows the database system the driver reports, not the driver.
    if (m_db.driverName() == QLatin1String("QSQLITE")) {
        m_dialect = std::make_unique<SqliteDialect>(false);
        return;
    }
    QString system;
    const QVariant handle = m_db.driver()->handle();
    if (handle.isValid() && (qstrcmp(handle.typeName(), "SQLHANDLE") == 0 || qstrcmp(handle.typeName(), "void*") == 0)) {
        auto dbc = static_cast<SQLHDBC>(*static_cast<void *const *>(handle.constData()));
        SQLCHAR name[256] = {};
        SQLSMALLINT length = 0;
        if (SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_DBMS_NAME, name, sizeof name, &length)))
            system = QString::fromUtf8(reinterpret_cast<const char *>(name));
    }
    if (system.contains(QLatin1String("SQLite"), Qt::CaseInsensitive))
        m_dialect = std::make_unique<SqliteDialect>(true);
    else if (system.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive)
             || m_db.driver()->dbmsType() == QSqlDriver::MSSqlServer)
        m_dialect = std::make_unique<SqlServerDialect>(system.isEmpty() ? QStringLiteral("Microsoft SQL Server") : system);
    else
        throw DbError(QStringLiteral("The database system \"%1\" is not supported; use SQL Server or the embedded database.")
                          .arg(system.isEmpty() ? QStringLiteral("unknown") : system));
}

QString Connection::databaseSystem() const
{
    return m_dialect ? m_dialect->name() : QString();
}

void Connection::failStatementAt(int k, const QString &message)
{
    m_failCountdown = k;
    m_failMessage = message;
}

std::shared_ptr<const ResultTable> Connection::run(const QString &sql)
{
    // A write outside a transaction is its own transaction: checked before and after as
    // a transaction is.
    const bool guardedWrite = m_guarded && !m_inTransaction && isWrite(sql);
    if (guardedWrite)
        requireHeldFile();
    std::shared_ptr<const ResultTable> rows = send(sql);
    if (guardedWrite)
        requireWriteReachedFile();
    return rows;
}

std::shared_ptr<const ResultTable> Connection::send(const QString &sql)
{
    m_trace.record(sql);
    if (m_beforeStatement)
        m_beforeStatement(sql);
    if (m_failCountdown > 0 && --m_failCountdown == 0)
        throw DbError(m_failMessage);
    // The callers refuse such values by field name; this keeps any other statement from
    // reaching the database cut short at a NUL or with a character it cannot encode.
    const QString problem = unstorableCharacterProblem(sql, false);
    if (!problem.isEmpty())
        throw DbError(QStringLiteral("A value holds %1; nothing was sent to the database.").arg(problem));
    reconnectIfLost();
    checkEmbeddedFile();
    return execute(m_dialect->translate(sql, m_db));
}

std::shared_ptr<const ResultTable> Connection::execute(const Translated &statement)
{
    if (statement.values.isEmpty()) {
        QSqlQuery query = forwardQuery(m_db);
        query.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
        if (!query.exec(statement.text))
            fail(query.lastError());
        if (!query.isSelect())
            return nullptr;
        return ResultReader(query, *m_dialect, m_db).read();
    }
    QSqlError error;
    QSqlQuery *query = preparedQuery(m_prepared, m_db, statement.text, &error);
    if (!query)
        fail(error);
    for (qsizetype i = 0; i < statement.values.size(); ++i)
        query->bindValue(int(i), statement.values[i]);
    if (!query->exec()) {
        error = query->lastError();
        m_prepared.remove(statement.text);
        fail(error);
    }
    std::shared_ptr<const ResultTable> rows;
    if (query->isSelect())
        rows = ResultReader(*query, *m_dialect, m_db).read();
    query->finish(); // the read ends here, whatever was read
    return rows;
}

std::unique_ptr<ResultCursor> Connection::openCursor(const QString &sql, const ReadPlan &plan)
{
    m_trace.record(sql);
    if (m_failCountdown > 0 && --m_failCountdown == 0)
        throw DbError(m_failMessage);
    reconnectIfLost();
    checkEmbeddedFile();
    std::unique_ptr<ResultCursor> cursor(new ResultCursor);
    // Inside a transaction the rows must include what it wrote, which only this
    // connection sees: the result is then read whole, as on the other databases. So it
    // is on a database file not in WAL mode, where an unfinished read would keep every
    // workstation from saving.
    if (m_settings.kind != ConnectionSettings::Kind::Embedded || m_inTransaction || !inWalMode()) {
        cursor->m_whole = execute(m_dialect->translate(sql, m_db));
        if (!cursor->m_whole)
            throw DbError(QStringLiteral("The statement returned no rows: %1").arg(sql.left(200)));
        return cursor;
    }
    cursor->m_reader = takeReader();
    cursor->m_idle = m_idleReaders;
    Connection &reader = *cursor->m_reader;
    CursorStatements statements = reader.m_dialect->cursorStatements(sql, plan, reader.m_db);
    cursor->m_first = statements.first;
    cursor->m_planRest = statements.rest;
    cursor->m_rest = std::move(statements.rest);
    cursor->m_restPaysAfter = statements.restPaysAfter;
    cursor->execute(statements.first);
    if (!cursor->m_query->isSelect())
        throw DbError(QStringLiteral("The statement returned no rows: %1").arg(sql.left(200)));
    cursor->m_sent = std::move(statements.first);
    return cursor;
}

std::unique_ptr<Connection> Connection::takeReader()
{
    while (!m_idleReaders->connections.empty()) {
        std::unique_ptr<Connection> reader = std::move(m_idleReaders->connections.back());
        m_idleReaders->connections.pop_back();
        try {
            // A file put back in place is opened again, as this connection just was.
            reader->reconnectIfLost();
            reader->checkEmbeddedFile();
            return reader;
        } catch (const DbError &) {
            // a new one is opened below, and says why if it cannot be
        }
    }
    ConnectionSettings reading = m_settings;
    reading.withPasswords = false;
    reading.createIfMissing = false;
    return std::make_unique<Connection>(reading);
}

bool Connection::inWalMode()
{
    QSqlQuery query = forwardQuery(m_db);
    return query.exec(QStringLiteral("PRAGMA journal_mode")) && query.next()
        && query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
}

Recordset Connection::Execute(const QString &sql)
{
    return Recordset(run(sql));
}

void Connection::BeginTrans()
{
    if (m_inTransaction)
        throw DbError(QStringLiteral("A transaction is already in progress."));
    reconnectIfLost();
    checkEmbeddedFile();
    requireHeldFile();
    try {
        m_dialect->beginTransaction(m_db); // the dialect reports a database held too long as busy
    } catch (const DbError &) {
        // The begin may have reached the database although it failed: nothing of this
        // connection may stay in a transaction the program does not know of.
        leaveFailedTransaction();
        throw;
    }
    m_inTransaction = true;
}

bool Connection::embeddedFileUnchanged() const
{
    return m_settings.kind != ConnectionSettings::Kind::Embedded || m_fileIdentity == 0
        || fileIdentity(m_settings.databaseFile) == m_fileIdentity;
}

void Connection::CommitTrans()
{
    if (!m_inTransaction)
        throw DbError(QStringLiteral("No transaction is in progress."));
    // The file is not checked statement by statement inside a transaction, so a file
    // deleted or replaced meanwhile is caught here: before the commit, which then is not
    // made, and after it, for a file that went while the commit ran. A commit to a
    // deleted file reaches nobody, and must never be reported as saved.
    const QString lost = QStringLiteral("The database file %1 was deleted or moved while this save was running: "
                                        "the save did not reach it and is lost. Save again once the file is back.")
                             .arg(m_settings.databaseFile);
    if (!embeddedFileUnchanged()) {
        try {
            RollbackTrans();
        } catch (const DbError &) {
            // the transaction ends with the connection either way; the loss is what counts
        }
        throw DbError(lost);
    }
    if (m_beforeStatement)
        m_beforeStatement(QStringLiteral("COMMIT"));
    try {
        m_dialect->commit(m_db);
    } catch (const DbError &) {
        // Not saved: the transaction is rolled back rather than left open, holding its
        // locks, for the program's next statements to land in.
        leaveFailedTransaction();
        throw;
    }
    m_inTransaction = false;
    if (!embeddedFileUnchanged()) {
        // The commit went to the log that still carries the file's name. Left there, it
        // would be replayed into whatever file is put at that name next (a restored copy,
        // a new database): the lost save would come back unannounced, or the new file
        // would be damaged. Copying it into the file that went (the connection still
        // holds it) and emptying it prevents that; it is only an attempt, since readers
        // of the old file may hold the log.
        QSqlQuery checkpoint = forwardQuery(m_db);
        checkpoint.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        throw DbError(lost);
    }
    requireWriteReachedFile();
}

void Connection::requireHeldFile()
{
    if (!m_guarded || SqliteFileLocks::problem(m_settings.databaseFile).isEmpty())
        return;
    // A connection opened anew takes its locks and its log again; the one that lost them
    // must not copy its log into the file on closing, since others may have written since.
    abandonSqliteConnection();
    close();
    open();
    const QString problem = SqliteFileLocks::problem(m_settings.databaseFile);
    if (problem.isEmpty())
        return;
    m_lost = true;
    throw DbError(problem + QStringLiteral(" Nothing was written. Close the program and start it again."));
}

void Connection::requireWriteReachedFile()
{
    if (!m_guarded)
        return;
    const QString problem = SqliteFileLocks::problem(m_settings.databaseFile);
    if (problem.isEmpty())
        return;
    abandonSqliteConnection();
    m_lost = true; // the next action connects anew
    throw DbError(problem + QStringLiteral(" What was just written may not have reached the database, so it is not "
                                           "reported as done: look for it after starting the program again."));
}

void Connection::abandonSqliteConnection()
{
    const QVariant handle = m_db.isValid() && m_db.driver() ? m_db.driver()->handle() : QVariant();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        sqlite3_db_config(*static_cast<sqlite3 *const *>(handle.constData()), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
}

void Connection::RollbackTrans()
{
    if (!m_inTransaction)
        throw DbError(QStringLiteral("No transaction is in progress."));
    m_inTransaction = false; // a failed rollback still ends the transaction
    try {
        m_dialect->rollback(m_db);
    } catch (const DbError &) {
        leaveFailedTransaction();
        throw;
    }
}

void Connection::leaveFailedTransaction()
{
    m_inTransaction = false;
    if (m_db.isOpen() && m_dialect && m_dialect->endFailedTransaction(m_db))
        return;
    // Closing the link ends the transaction on the database's side; the next action
    // connects anew.
    m_prepared.clear();
    m_db.close();
    m_lost = true;
}

void Connection::lockExclusively(const QString &resource)
{
    if (!m_inTransaction)
        throw DbError(QStringLiteral("A lock needs a transaction."));
    const QString statement = m_dialect->exclusiveLockStatement(resource);
    if (statement.isEmpty())
        return;
    QSqlQuery query = forwardQuery(m_db);
    if (!query.exec(statement))
        throw DbError(messageOf(query.lastError()), query.lastError().nativeErrorCode());
}

void Connection::runNativeScript(const QString &script)
{
    for (const QString &statement : TSqlTokenizer::splitScript(script)) {
        QSqlQuery query = forwardQuery(m_db);
        if (!query.exec(statement))
            throw DbError(messageOf(query.lastError()) + QStringLiteral("\nin: ") + statement.left(200));
    }
    m_dialect->schemaChanged();
    m_prepared.clear();
    m_idleReaders->connections.clear(); // their dialects know the schema as it was
}

TransactionScope::TransactionScope(Connection &connection) : m_connection(connection)
{
    m_connection.BeginTrans();
}

TransactionScope::~TransactionScope()
{
    if (!m_done && m_connection.inTransaction()) { // a failed commit has rolled back already
        try {
            m_connection.RollbackTrans();
        } catch (const DbError &) {
            // the failure that brought us here is the one the user sees
        }
    }
}

void TransactionScope::commit()
{
    m_connection.CommitTrans();
    m_done = true;
}
