#include "ResultCursor.h"

#include "Connection.h"
#include "DbError.h"
#include "Dialect.h"

#include <QSqlError>

#include <algorithm>
#include <limits>
#include <utility>

ResultCursor::~ResultCursor()
{
    release();
}

void ResultCursor::release(bool reusable)
{
    m_rows.reset();
    m_query.reset(); // before the connection it runs on; this ends its read
    if (!m_reader)
        return;
    const std::shared_ptr<IdleReaders> idle = m_idle.lock();
    if (reusable && idle && idle->connections.size() < IdleReaders::kept)
        idle->connections.push_back(std::move(m_reader));
    m_reader.reset();
}

std::shared_ptr<const ResultTable> ResultCursor::fetch(int maxRows)
{
    resume();
    continueIfFaster(false);
    return read(std::max(1, maxRows));
}

std::shared_ptr<const ResultTable> ResultCursor::fetchRest()
{
    resume();
    continueIfFaster(true);
    return read(-1);
}

void ResultCursor::continueIfFaster(bool toTheEnd)
{
    if (!m_query || m_atEnd || m_rest.text.isEmpty() || (!toTheEnd && m_rowsRead == 0))
        return; // the first block always comes by the plan for the first rows
    if (!toTheEnd) {
        if (m_continueAfter < 0)
            m_continueAfter = m_restPaysAfter ? m_restPaysAfter(m_reader->m_db) : std::numeric_limits<qint64>::max();
        if (m_rowsRead < m_continueAfter)
            return;
    }
    // Opened while the first statement is still open on the same connection, it reads in
    // the same read transaction, so it sees exactly what that one saw.
    Translated rest = std::exchange(m_rest, {});
    rest.values << m_rowsRead;
    execute(rest); // the first statement ends here
    m_sent = std::move(rest);
    m_rowsRead = 0;
}

std::shared_ptr<const ResultTable> ResultCursor::read(int maxRows)
{
    if (m_whole) {
        m_atEnd = true;
        return std::exchange(m_whole, nullptr);
    }
    if (!m_query) {
        m_atEnd = true;
        return {};
    }
    std::shared_ptr<const ResultTable> rows = m_rows->read(maxRows);
    if (m_query->lastError().isValid())
        fail(m_query->lastError());
    m_rowsRead += rows->rowCount();
    keepLastRow(*rows);
    if (maxRows < 0 || rows->rowCount() < maxRows) {
        // The end: the reading connection and its snapshot are let go at once.
        release();
        m_atEnd = true;
    }
    return rows;
}

void ResultCursor::execute(const Translated &statement)
{
    auto query = std::make_unique<QSqlQuery>(m_reader->m_db);
    query->setForwardOnly(true);
    query->setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    bool done = false;
    if (statement.values.isEmpty()) {
        done = query->exec(statement.text);
    } else if (query->prepare(statement.text)) {
        for (qsizetype i = 0; i < statement.values.size(); ++i)
            query->bindValue(int(i), statement.values[i]);
        done = query->exec();
    }
    if (!done) {
        const QSqlError error = query->lastError();
        query.reset();
        fail(error);
    }
    m_rows = std::make_unique<ResultReader>(*query, m_reader->dialect(), m_reader->m_db);
    m_query = std::move(query);
}

void ResultCursor::keepLastRow(const ResultTable &rows)
{
    if (rows.rowCount() == 0)
        return;
    m_lastRow.clear();
    for (int column = 0; column < rows.columnCount(); ++column)
        m_lastRow << rows.value(rows.rowCount() - 1, column);
}

void ResultCursor::pause()
{
    if (!m_query || m_atEnd)
        return;
    m_rows.reset();
    m_query.reset(); // ends its read: the log can be copied back past it
    m_paused = true;
}

bool ResultCursor::resume()
{
    if (!m_paused)
        return true;
    m_paused = false;
    try {
        // A file put back in place meanwhile is opened again; a file gone is reported.
        m_reader->reconnectIfLost();
        m_reader->checkEmbeddedFile();
    } catch (const DbError &) {
        release(false);
        m_atEnd = true;
        throw;
    }
    if (m_rowsRead == 0) {
        execute(m_sent);
        return true;
    }
    reopenAt(m_rowsRead - 1);
    const std::shared_ptr<const ResultTable> again = m_rows->read(1);
    if (m_query->lastError().isValid())
        fail(m_query->lastError());
    bool same = again->rowCount() == 1 && again->columnCount() == int(m_lastRow.size());
    for (int column = 0; same && column < again->columnCount(); ++column)
        same = again->value(0, column) == m_lastRow[column];
    if (same)
        return true;
    execute(m_first);
    m_sent = m_first;
    m_rest = m_planRest;
    m_rowsRead = 0;
    m_continueAfter = -1;
    m_lastRow.clear();
    return false;
}

void ResultCursor::reopenAt(qint64 row)
{
    const QString fromRow = m_reader->dialect().fromRow(m_sent.text, row);
    if (!fromRow.isEmpty()) {
        execute({fromRow, m_sent.values});
        return;
    }
    execute(m_sent);
    for (qint64 passed = 0; passed < row;) { // the rows before are read and passed over
        const int block = int(std::min<qint64>(row - passed, 4096));
        const std::shared_ptr<const ResultTable> rows = m_rows->read(block);
        if (m_query->lastError().isValid())
            fail(m_query->lastError());
        if (rows->rowCount() < block)
            return; // fewer rows now: the check of the last row says so
        passed += block;
    }
}

void ResultCursor::fail(const QSqlError &error)
{
    release(false);
    m_atEnd = true;
    throw DbError(error.databaseText().isEmpty() ? error.text() : error.databaseText(), error.nativeErrorCode());
}
