#pragma once

#include "db/Dialect.h"

#include <QString>

class QSqlDatabase;

// Plans of the embedded database for reading a cursor, as its caller names them.
class SqlitePlans
{
public:
    // The products a location stocks, in name order (see the .cpp): the statement as
    // translated, or with the walk of the item names where that gives the first screen
    // sooner, and then the sort for reading on. Throws DbError.
    static CursorStatements locationProductsByName(Translated translated, const QString &location, QSqlDatabase &db);

    // A select again from its row `row` on (see Dialect::fromRow).
    static QString fromRow(const QString &translated, qint64 row);
};
