#pragma once

#include "db/Dialect.h"
#include "db/dialects/TSqlTokenizer.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpressionMatch>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

class QSqlError;

#include <optional>
#include <vector>

// SQLite as the embedded database. SQL Server's statement texts are tokenized and the
// few constructs SQLite lacks are rewritten; the rest goes out as written:
//   Delete t Where ... / Insert t (...)      gain FROM / INTO
//   Convert(VarChar(n), x) / Convert(Integer, x)   checked conversions
//   [Name]                                   "Name"
//   db..table, db.dbo.table                  db.table (the password database is attached)
//   N'text'                                  'text'
//   table With (UPDLOCK, HOLDLOCK)           table (the write transaction holds the file)
//   date literals compared with or written to a DATETIME column
//                                            'YYYY-MM-DD HH:MM:SS.fff'
//   sp_Name 'a', 'b'                         the body stored in sysProcedures, with its
//                                            parameters replaced by the quoted arguments
//   GetDate()                                SQLite's time of the statement, one for all
//                                            its rows, 'YYYY-MM-DD HH:MM:SS.fff'
// PatIndex, SubString, Replace and Case When run as SQLite functions.
class SqliteDialect : public Dialect
{
public:
    // throughOdbc: the connection is made by the SQLite ODBC driver, which must load the
    // function library itself (LoadExt).
    explicit SqliteDialect(bool throughOdbc) : m_throughOdbc(throughOdbc) { }

    QString name() const override { return QStringLiteral("SQLite"); }
    void prepare(QSqlDatabase &db, const ConnectionSettings &settings) override;
    QString translate(const QString &sql, QSqlDatabase &db) override;
    std::shared_ptr<ResultTable> fetch(QSqlQuery &query, int maxRows = -1) override;
    QString continuation(const QString &translated, qint64 rowsRead) const override;
    qint64 rowsBeforeContinuing(const QString &translated, QSqlDatabase &db) override;
    QString fromRow(const QString &translated, qint64 row) const override;
    void beginTransaction(QSqlDatabase &db) override;
    void commit(QSqlDatabase &db) override;
    void rollback(QSqlDatabase &db) override;
    bool endFailedTransaction(QSqlDatabase &db) override;
    void schemaChanged() override;

    // A date literal in any form SQL Server reads ('12/07/2026 02:05:09 PM',
    // '2026-12-07 14:05:09', '20261207 14:05:09', ...).
    static std::optional<QDateTime> parseDateLiteral(const QString &text);
    // How date-times are stored: 'YYYY-MM-DD HH:MM:SS.fff'.
    static QString storedDate(const QDateTime &value);
    static std::optional<QDateTime> parseStoredDate(QStringView text);

    // A translated Insert ... Values (...) with the literals of its rows taken out: the
    // text with a parameter in place of each literal and the values to bind, so that
    // saves of many lines prepare the statement once. A value is bound as the literal
    // reads (text, integer; a decimal through SQLite's own conversion). False for any
    // other statement, and for one with a literal that is not plainly one of these.
    static bool bindableInsert(const QString &translated, QString *shape, QVariantList *values);

    // The same for a plain Insert [Into] table (columns) Values (literals), taken as it is
    // written: what bindableInsert(translate(sql)) gives, without translating the whole
    // text first (a save sends one such statement per line). A text written to a date
    // column is converted as translate() converts it. False for any other statement.
    bool bindableDirectInsert(const QString &sql, QSqlDatabase &db, QString *shape, QVariantList *values);

    // Runs a prepared statement that returns no rows with its values bound straight to
    // SQLite's statement: the driver's binding costs more than the insert of a line.
    // NotSqlite when the query holds no SQLite statement or a value of a type not bound
    // here (the driver then runs it); Failed with *error as the driver would give it.
    enum class BoundRun { NotSqlite, Done, Failed };
    static BoundRun runBound(QSqlQuery &prepared, const QVariantList &values, QSqlError *error);

    // Runs a prepared statement the same way and reads its whole result as fetch() would
    // read it after the driver ran it (*rows null when it returns no result set): the
    // driver describes every column anew on each run, which costs more than a lookup of
    // one item.
    static BoundRun fetchBound(QSqlQuery &prepared, const QVariantList &values,
                               std::shared_ptr<const ResultTable> *rows, QSqlError *error);

    // A translated Select with the text literals compared with "=" in its outermost Where
    // taken out: the text with a parameter in place of each and the texts to bind, so that
    // lookups by a code prepare the statement once. False when it holds no such literal.
    static bool bindableSelect(const QString &translated, QString *shape, QVariantList *values);

    // A procedure call as its stored body with a parameter wherever an argument goes, and
    // the values to bind (as bindableInsert binds them), so that repeated calls prepare
    // the body once. False for any other statement, and for a call with an argument that
    // is not plainly a text, a number or NULL (translate() then writes it in).
    bool bindableCall(const QString &sql, QSqlDatabase &db, QString *shape, QVariantList *values);

    // Another connection held the database locked past the busy timeout.
    static bool isBusy(const QSqlError &error);
    // The database refused a write because the file, its folder or its file system is
    // read-only to this process.
    static bool isReadOnlyRefusal(const QSqlError &error);

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

    // With values given, the arguments become parameters and their values go there;
    // returns an empty text when an argument cannot be bound.
    QString translateCall(const QString &sql, const std::vector<TSqlToken> &tokens,
                          const std::vector<int> &significant, QSqlDatabase &db,
                          QVariantList *values = nullptr);
    // The product search of a location in name order, with the plan that shows its
    // first rows soonest.
    static QString withNameOrderPlan(const QString &translated, QSqlDatabase &db);
    static QRegularExpressionMatch productSearchOfALocation(const QString &translated);
    const Procedure &procedure(const QString &name, QSqlDatabase &db);
    const QSet<QString> &dateColumns(QSqlDatabase &db);
    void exec(QSqlDatabase &db, const QString &sql);
    // After a commit: has the log copied back whole once it is large (see the .cpp).
    void startLogOverWhenLarge(QSqlDatabase &db);
    // The first column of a pragma's answer; throws DbError when it fails.
    static QString pragmaValue(QSqlDatabase &db, const QString &pragma);
    bool isReadOnly(QSqlDatabase &db, const QString &mainFile) const;

    bool m_throughOdbc;
    QHash<QString, Procedure> m_procedures;           // by lower-case name
    std::optional<QSet<QString>> m_dateColumns;       // lower-case column names
    struct InsertHeader {
        QString statementStart;  // "INSERT INTO table (columns) VALUES ("
        std::vector<bool> isDate; // per column
    };
    QHash<QString, InsertHeader> m_insertHeaders;     // by the statement's text before its values
};
