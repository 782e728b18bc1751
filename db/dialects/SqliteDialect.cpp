#include "SqliteDialect.h"

#include "db/ForwardQuery.h"
#include "db/dialects/TSqlTokenizer.h"
#include "db/dialects/sqlite/SqliteDates.h"
#include "db/dialects/sqlite/SqlitePlans.h"
#include "db/dialects/sqlite/SqliteSetup.h"
#include "db/dialects/sqlite/SqliteTranslator.h"

#include <QSqlError>
#include <QSqlQuery>

void SqliteDialect::prepare(QSqlDatabase &db, const ConnectionSettings &settings)
{
    SqliteSetup::prepare(db, settings, m_throughOdbc);
}

Translated SqliteDialect::translate(const QString &sql, QSqlDatabase &db)
{
    const std::vector<TSqlToken> tokens = TSqlTokenizer::tokenize(sql);
    std::vector<int> significant;
    significant.reserve(tokens.size());
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].isSignificant())
            significant.push_back(int(i));
    }
    if (significant.empty())
        return {sql, {}};
    if (SqliteProcedures::isCall(sql, tokens, significant))
        return m_procedures.translateCall(sql, tokens, significant, db);
    return SqliteTranslator::translate(sql, tokens, [&]() -> const QSet<QString> & { return m_schema.dateColumns(db); });
}

CursorStatements SqliteDialect::cursorStatements(const QString &sql, const ReadPlan &plan, QSqlDatabase &db)
{
    Translated translated = translate(sql, db);
    if (plan.kind == ReadPlan::Kind::LocationProductsByName)
        return SqlitePlans::locationProductsByName(std::move(translated), plan.location, db);
    return {std::move(translated), {}, {}};
}

QString SqliteDialect::fromRow(const QString &translated, qint64 row) const
{
    return SqlitePlans::fromRow(translated, row);
}

std::vector<ColumnKind> SqliteDialect::columnKinds(const QSqlRecord &record, QSqlDatabase &db)
{
    return m_schema.columnKinds(record, db);
}

std::optional<QDateTime> SqliteDialect::dateOf(const QString &text, ColumnKind kind) const
{
    // An expression column holding a stored date-time (GetDate(), a date through
    // Coalesce) is read as a date-time too; a date column as any date SQL Server reads.
    std::optional<QDateTime> date = SqliteDates::parseStored(text);
    if (!date && kind == ColumnKind::Date)
        date = SqliteDates::parseLiteral(text);
    return date;
}

bool SqliteDialect::isBusy(const QSqlError &error) const
{
    return SqliteSetup::isBusy(error);
}

bool SqliteDialect::isReadOnlyRefusal(const QSqlError &error) const
{
    return SqliteSetup::isReadOnlyRefusal(error);
}

void SqliteDialect::schemaChanged()
{
    m_procedures.clear();
    m_schema.clear();
}

// ---- transactions ------------------------------------------------------------------

void SqliteDialect::beginTransaction(QSqlDatabase &db)
{
    // Take the write lock at once, so that two workstations saving at the same moment
    // wait for each other instead of failing half-way.
    SqliteSetup::exec(db, QStringLiteral("BEGIN IMMEDIATE"));
}

void SqliteDialect::commit(QSqlDatabase &db)
{
    SqliteSetup::exec(db, QStringLiteral("COMMIT"));
    SqliteSetup::startLogOverWhenLarge(db, m_throughOdbc);
}

void SqliteDialect::rollback(QSqlDatabase &db)
{
    SqliteSetup::exec(db, QStringLiteral("ROLLBACK"));
}

// A begin that failed opened nothing, and a commit that failed either kept the transaction
// (busy) or SQLite already rolled it back; either way a rollback that finds none is fine.
bool SqliteDialect::endFailedTransaction(QSqlDatabase &db)
{
    QSqlQuery query = forwardQuery(db);
    return query.exec(QStringLiteral("ROLLBACK"))
        || query.lastError().databaseText().contains(QLatin1String("no transaction is active"), Qt::CaseInsensitive)
        || query.lastError().text().contains(QLatin1String("no transaction is active"), Qt::CaseInsensitive);
}
