#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The query of a report: T-SQL with two kinds of placeholder.
//   {table:Name}   the report table Name, by its name in the database logged on to
//   '{?Name}'      the value of parameter Name; it must stand between single quotes, and
//                  its quotes are doubled, so a value can never end the literal
class ReportQuery
{
public:
    // Throws ReportError when the query names a table or parameter the report does not
    // define, or puts a parameter outside single quotes.
    static void check(const QString &query, const QStringList &tables, const QStringList &parameters);

    using Lookup = std::function<QString(const QString &name)>;
    // The statement to run: tables by their database names, parameter values quoted.
    static QString fill(const QString &query, const Lookup &tableName, const Lookup &parameterText);
};
