#pragma once

#include "Dialect.h"
#include "ResultTable.h"

#include <QStringList>

#include <memory>
#include <vector>

class QSqlQuery;

// Reads the rows of an executed, forward-only query into a ResultTable through Qt's
// public API, each column as its dialect says it is read (see ColumnKind). The columns
// are described once per result.
class ResultReader
{
public:
    ResultReader(QSqlQuery &query, Dialect &dialect, QSqlDatabase &db);

    // The next rows: all of them, or at most maxRows when it is not negative (the query
    // is then left on the last row read, to go on from there).
    std::shared_ptr<ResultTable> read(int maxRows = -1);

private:
    QSqlQuery &m_query;
    const Dialect &m_dialect;
    QStringList m_names;
    std::vector<ColumnKind> m_kinds;
    bool m_allPlain = true;
};
