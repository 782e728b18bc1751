#pragma once

struct sqlite3;
struct sqlite3_api_routines;

// The functions and the collation that let SQL Server's statement texts run on SQLite:
//   collation NOCASE_RTRIM   texts compare without regard to case and trailing blanks
//   getdate()                the local date and time, 'YYYY-MM-DD HH:MM:SS.fff', asked anew
//                            for each row (the program's statements get SQLite's time of
//                            the statement instead, see SqliteDialect)
//   qconvert_varchar(x, n)   Convert(VarChar(n), x): fails when the text needs more than n
//   qconvert_int(x)          Convert(Integer, x): fails on text that is no whole number
//   patindex(pattern, text)  1-based position of the first match of a LIKE pattern, or 0
//   replace(t, a, b)         replaces a by b ignoring case, as SQL Server does
//   like(pattern, text)      LIKE with SQL Server's %, _ and [...] and Unicode case folding
// Built as a library of its own so that a connection made through the SQLite ODBC driver
// can load it too (LoadExt=path).
extern "C" int sqlite3_quellarsqlite_init(sqlite3 *db, char **errorMessage,
                                          const sqlite3_api_routines *api);
