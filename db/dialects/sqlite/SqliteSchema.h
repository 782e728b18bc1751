#pragma once

#include "db/Dialect.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <optional>
#include <vector>

class QSqlDatabase;
class QSqlRecord;

// What the embedded database's schema says of its columns, learnt once per connection:
// which hold date-times (their literals are converted) and how a result's columns are
// read back (BIT as Booleans, DATETIME as date-times).
class SqliteSchema
{
public:
    // throughOdbc: the SQLite ODBC driver names no column's table, so every column is
    // read as an expression is.
    explicit SqliteSchema(bool throughOdbc) : m_throughOdbc(throughOdbc) { }

    // The date-time columns of every table, lower case. Throws DbError.
    const QSet<QString> &dateColumns(QSqlDatabase &db);

    // How each column of a result is read: a column of a table as its declared type
    // says, any other (an expression, a column under another name) as a date-time when
    // its text is one in the stored form. Throws DbError.
    std::vector<ColumnKind> columnKinds(const QSqlRecord &record, QSqlDatabase &db);

    // Forgets what was learnt (after a script changed the schema).
    void clear();

private:
    void load(QSqlDatabase &db);

    bool m_throughOdbc;
    bool m_loaded = false;
    QSet<QString> m_dateColumns;
    QHash<QString, ColumnKind> m_columns; // by "table.column", lower case
};
