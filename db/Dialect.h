#pragma once

#include "ResultTable.h"

#include <QDateTime>
#include <QString>
#include <QVariantList>

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

class QSqlDatabase;
class QSqlError;
class QSqlRecord;
struct ConnectionSettings;

// A statement as it goes to the database: the text to prepare and the values bound to its
// parameters, in order (none: the text is run as it is).
struct Translated {
    QString text;
    QVariantList values;
};

// How the rows of a cursor are best read, named by the caller that knows its statement.
struct ReadPlan {
    enum class Kind {
        AsWritten,
        // Every product one location stocks (no search text), in name order: the first
        // screen must come soon, and reading on to the last row too.
        LocationProductsByName,
    };
    Kind kind = Kind::AsWritten;
    QString location; // the location's code, for LocationProductsByName

    static ReadPlan locationProductsByName(const QString &location)
    {
        return {Kind::LocationProductsByName, location};
    }
};

// What a cursor runs for a statement and its plan.
struct CursorStatements {
    Translated first;
    // The rows the first statement still gives after some were read, planned for reading
    // them all; it is run with the number of rows read bound as one more value, while the
    // first is still open on the same connection (so on the same state of the database).
    // Empty when the first statement's own plan serves as well.
    Translated rest;
    // Read block by block: after how many rows `rest` reads on sooner than the first, asked
    // of the reading connection when the second block is read.
    std::function<qint64(QSqlDatabase &)> restPaysAfter;
};

// How the values of a result column are taken into a ResultTable.
enum class ColumnKind : quint8 {
    Plain,    // as the driver gives it
    Flag,     // 0/1 as a Boolean
    Date,     // a stored date-time as a QDateTime
    MaybeDate // an expression: a text in the stored date-time form as a QDateTime
};

// What differs between the database systems behind a connection. The program writes
// SQL Server's statement texts; a dialect decides what is actually sent and how rows are
// read back.
class Dialect
{
public:
    virtual ~Dialect() = default;

    // "SQLite", "Microsoft SQL Server", ...
    virtual QString name() const = 0;

    // Readies a freshly opened connection (functions, attached databases, modes).
    virtual void prepare(QSqlDatabase &db, const ConnectionSettings &settings) = 0;

    // What to send for a statement as the program wrote it. Throws DbError with a message
    // in the database's manner when the statement cannot be run.
    virtual Translated translate(const QString &sql, QSqlDatabase &db) = 0;

    // The statements of a cursor; by default the statement, translated, whatever the plan.
    virtual CursorStatements cursorStatements(const QString &sql, const ReadPlan &plan, QSqlDatabase &db)
    {
        Q_UNUSED(plan);
        return {translate(sql, db), {}, {}};
    }

    // The rows of a translated select from its row `row` on (0 the first), with the same
    // values bound, for reading on after a pause without reading the rows before. Empty
    // when there is no such text: those rows are then read and passed over.
    virtual QString fromRow(const QString &translated, qint64 row) const
    {
        Q_UNUSED(translated);
        Q_UNUSED(row);
        return {};
    }

    // How each column of an executed query's result is read; plain by default.
    virtual std::vector<ColumnKind> columnKinds(const QSqlRecord &record, QSqlDatabase &db);
    // The date-time a text of a Date or MaybeDate column stands for; none when it is not
    // one (the text is then kept).
    virtual std::optional<QDateTime> dateOf(const QString &text, ColumnKind kind) const
    {
        Q_UNUSED(text);
        Q_UNUSED(kind);
        return std::nullopt;
    }

    // Another connection held the database past the busy timeout.
    virtual bool isBusy(const QSqlError &error) const
    {
        Q_UNUSED(error);
        return false;
    }
    // The database refused a write because its file is read-only to this process.
    virtual bool isReadOnlyRefusal(const QSqlError &error) const
    {
        Q_UNUSED(error);
        return false;
    }

    virtual void beginTransaction(QSqlDatabase &db);
    virtual void commit(QSqlDatabase &db);
    virtual void rollback(QSqlDatabase &db);
    // After a begin, commit or rollback that failed: ends whatever transaction the
    // database may still hold for this connection. False when that is not known to have
    // worked; the connection must then be closed, which ends it.
    virtual bool endFailedTransaction(QSqlDatabase &db);

    // The statement that makes the current transaction the only one that may hold the
    // named resource until it ends; empty when beginning the transaction already did.
    virtual QString exclusiveLockStatement(const QString &resource) const
    {
        Q_UNUSED(resource);
        return {};
    }

    // Forgets what was learnt of the database's schema (after a script changed it).
    virtual void schemaChanged() { }
};
