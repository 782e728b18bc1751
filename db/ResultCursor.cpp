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
    if (m_whole) {
        m_atEnd = true;
        return std::exchange(m_whole, nullptr);
    }
    if (!m_query) {
        m_atEnd = true;
        return {};
    }
    std::shared_ptr<const ResultTable> rows = m_reader->dialect().fetch(*m_query, std::max(1, maxRows));
    if (m_query->lastError().isValid()) {
        const QSqlError error = m_query->lastError();
        release(false);
        m_atEnd = true;
        throw DbError(error.databaseText().isEmpty() ? error.text() : error.databaseText(), error.nativeErrorCode());
    }
    if (rows->rowCount() < maxRows) {
        // The end: the reading connection and its snapshot are let go at once.
        release();
        m_atEnd = true;
    }
    return rows;
}
