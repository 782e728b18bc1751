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

void ResultCursor::release()
{
    m_query.reset(); // before the connection it runs on
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
        release();
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
