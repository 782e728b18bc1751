#pragma once

#include "db/Dialect.h"
#include "db/dialects/TSqlTokenizer.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

class QSqlDatabase;

// The stored procedures of the embedded database: each is a row of sysProcedures (its
// parameters and a body in SQLite's dialect). A call sp_Name 'a', 'b' runs the body with
// the arguments in place of the parameters.
class SqliteProcedures
{
public:
    // Whether the statement is a procedure call: its first word starts no ordinary
    // statement. significant: the places of its significant tokens.
    static bool isCall(const QString &sql, const std::vector<TSqlToken> &tokens, const std::vector<int> &significant);

    // The call as the procedure's body with a bound parameter for each argument that is
    // plainly a text or a number (bound as SqliteTranslator::bindNumber binds it; NULL is
    // written), so that repeated calls prepare the body once; a call with any other
    // argument has its arguments written in. Throws DbError in SQL Server's words for a
    // call that does not fit the procedure.
    Translated translateCall(const QString &sql, const std::vector<TSqlToken> &tokens,
                             const std::vector<int> &significant, QSqlDatabase &db);

    // Forgets the bodies read (after a script changed them).
    void clear() { m_procedures.clear(); }

private:
    struct Procedure {
        QStringList parameters;
        // The body cut where the arguments go, so that a call only joins the pieces.
        struct Piece {
            QString text;       // the body's text, or the name of an undeclared @variable
            int parameter = -1; // the argument that goes here; -1 for text, -2 undeclared
        };
        std::vector<Piece> pieces;
    };

    const Procedure &procedure(const QString &name, QSqlDatabase &db);

    QHash<QString, Procedure> m_procedures; // by lower-case name
};
