#pragma once

#include "db/Dialect.h"
#include "db/dialects/TSqlTokenizer.h"

#include <QSet>
#include <QString>

#include <functional>
#include <vector>

// SQL Server's statement texts for SQLite, rewritten token by token where SQLite lacks a
// construct; the rest goes out as written:
//   Delete t Where ... / Insert t (...)      gain FROM / INTO
//   Convert(VarChar(n), x) / Convert(Integer, x)   checked conversions
//   [Name]                                   "Name"
//   db..table, db.dbo.table                  db.table (the password database is attached)
//   N'text'                                  'text'
//   table With (UPDLOCK, HOLDLOCK)           table (the write transaction holds the file)
//   date literals compared with or written to a DATETIME column
//                                            'YYYY-MM-DD HH:MM:SS.fff'
//   GetDate()                                SQLite's time of the statement, one for all
//                                            its rows, 'YYYY-MM-DD HH:MM:SS.fff'
//   column Like 'ABC%'                       gains column >= 'ABC' And column < 'ABD'
// The values of an Insert's rows and the texts compared with "=" in a Select's outermost
// Where become bound parameters (see bindNumber for numbers).
class SqliteTranslator
{
public:
    // One statement that is not a procedure call, of the given tokens. dateColumns (the
    // schema's date-time columns, lower case) is asked for only when a literal may stand
    // for a date. Throws DbError.
    static Translated translate(const QString &sql, const std::vector<TSqlToken> &tokens,
                                const std::function<const QSet<QString> &()> &dateColumns);

    // A number literal as a parameter: a whole number bound as one, a decimal as its text
    // through SQLite's own reading of it (CAST(? AS REAL)). Appends the placeholder and the
    // value; false for a number that stays written as it is (a whole number beyond 64
    // bits, a negative one, one SQLite reads otherwise).
    static bool bindNumber(QStringView literal, QString *placeholder, QVariantList *values);
};
