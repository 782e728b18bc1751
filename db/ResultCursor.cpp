#include "ResultCursor.h"

#include "Connection.h"
#include "DbError.h"
#include "Dialect.h"

#include <QSqlError>

#include <algorithm>
#include <utility>

ResultCursor::~ResultCursor()
{
    release();
}

void ResultCursor::release(bool reusable)
{
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
    continueIfFaster(false);
    return read(std::max(1, maxRows));
}

std::shared_ptr<const ResultTable> ResultCursor::fetchRest()
{
    continueIfFaster(true);
    return read(-1);
}

void ResultCursor::continueIfFaster(bool toTheEnd)
{
    if (!m_query || m_atEnd || (!toTheEnd && m_rowsRead == 0))
        return; // the first block always comes by the plan for the first rows
    Dialect &dialect = m_reader->dialect();
    const QString rest = dialect.continuation(m_sent, m_rowsRead);
    if (rest.isEmpty())
        return;
    if (!toTheEnd) {
        if (m_continueAfter < 0)
            m_continueAfter = dialect.rowsBeforeContinuing(m_sent, m_reader->m_db);
        if (m_rowsRead < m_continueAfter)
            return;
    }
    continueWith(rest);
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
    std::shared_ptr<const ResultTable> rows = m_reader->dialect().fetch(*m_query, maxRows);
    if (m_query->lastError().isValid())
        fail(m_query->lastError());
    m_rowsRead += rows->rowCount();
    if (maxRows < 0 || rows->rowCount() < maxRows) {
        // The end: the reading connection and its snapshot are let go at once.
        release();
        m_atEnd = true;
    }
    return rows;
}

void ResultCursor::continueWith(const QString &sql)
{
    // Opened while the first statement is still open on the same connection, it reads in
    // the same read transaction, so it sees exactly what that one saw.
    auto query = std::make_unique<QSqlQuery>(m_reader->m_db);
    query->setForwardOnly(true);
    query->setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    if (!query->exec(sql)) {
        const QSqlError error = query->lastError();
        query.reset();
        fail(error);
    }
    m_query = std::move(query); // the first statement ends here
    m_sent = sql;
    m_rowsRead = 0;
}

void ResultCursor::fail(const QSqlError &error)
{
    release(false);
    m_atEnd = true;
    throw DbError(error.databaseText().isEmpty() ? error.text() : error.databaseText(), error.nativeErrorCode());
}
