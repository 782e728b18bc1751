#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>

// A statement whose rows are read once, front to back: the only kind the program runs.
// Any other makes Qt's ODBC driver ask for a scrollable cursor, which FreeTDS and
// Microsoft's driver open on SQL Server with sp_cursoropen: a SET inside such a call lasts
// only until it returns, and a BEGIN or COMMIT inside it fails with error 266.
inline QSqlQuery forwardQuery(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    return query;
}
