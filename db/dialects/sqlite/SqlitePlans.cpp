#include "SqlitePlans.h"

#include "SqliteSetup.h"

#include "db/DbError.h"
#include "db/ForwardQuery.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>

namespace {

// What the name-order walk adds to the product search: the item master read through its
// name index, and the code as the last sort key, so that rows of equal name and
// description come in one order whatever the plan.
const QString nameOrderWalk = QStringLiteral(" INDEXED BY ixInvMaster_Name");
const QString codeOrder = QStringLiteral(", A.ItemID");

// The first column of a count asked of the database with the location bound.
double countFor(QSqlDatabase &db, const QString &sql, const QString &location)
{
    QSqlQuery query = forwardQuery(db);
    if (!query.prepare(sql))
        throw DbError(query.lastError().databaseText(), query.lastError().nativeErrorCode());
    query.addBindValue(location);
    if (!query.exec())
        throw DbError(query.lastError().databaseText(), query.lastError().nativeErrorCode());
    return query.next() ? query.value(0).toDouble() : 0;
}

} // namespace

// Every product of one location in name order: SQLite reads all the location's items and
// sorts before the first row comes, which is slow for a location that stocks many items.
// Walking the item master in name order and looking each item up in the location's stock
// gives the first rows at once, but for a location that stocks few items it would read the
// whole master to find them. So the walk is chosen only where the first screen fills soon:
// reaching a screen of rows takes about masterRows * screen / locationRows steps of the
// walk, the sort reads locationRows rows, and the walk wins when locationRows passes
// sqrt(screen * masterRows). Both plans return the same rows; rows of equal name and
// description come in code order, as the sort gives them.
//
// To list them all, the walk reads every item of the master (seconds for a hospital's)
// where the sort reads only the location's. So the rows after those read come from the
// sort, skipped up to where the walk stopped: both order by name, description and code,
// which no two rows share, and on the same state of the database they list the same rows
// in the same order. For each row it gives, the walk passes over masterRows /
// locationRows items; paging on by it stays cheaper until what it has passed over reaches
// what the sort reads, after locationRows^2 / masterRows rows; the sort then takes over,
// so that a clerk who pages through the whole list waits about twice what the better
// plan costs at most.
CursorStatements SqlitePlans::locationProductsByName(Translated translated, const QString &location, QSqlDatabase &db)
{
    static const QRegularExpression master(QStringLiteral(R"(\sFrom\s+tbInvMaster\s+A\s)"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression nameOrder(QStringLiteral(R"(\sOrder\s+by\s+A\.ItemName\s*,\s*A\.ItemDesc\s*$)"),
                                              QRegularExpression::CaseInsensitiveOption);
    CursorStatements statements;
    const QRegularExpressionMatch from = master.match(translated.text);
    if (!from.hasMatch() || !nameOrder.match(translated.text).hasMatch()
        || SqliteSetup::firstValue(db, QStringLiteral("Select 1 From sqlite_master Where type = 'index' And name = 'ixInvMaster_Name'")).isEmpty()) {
        statements.first = std::move(translated);
        return statements;
    }
    constexpr double screenRows = 256;
    const double masterRows = SqliteSetup::firstValue(db, QStringLiteral("Select max(rowid) From tbInvMaster")).toDouble();
    const qint64 enough = qMax<qint64>(qint64(screenRows), qint64(std::ceil(std::sqrt(screenRows * masterRows))));
    const qint64 locationRows = qint64(countFor(
        db, QStringLiteral("Select count(*) From (Select 1 From tbInvent Where LocationID = ? Limit %1)").arg(enough), location));
    if (locationRows < enough) {
        statements.first = std::move(translated);
        return statements;
    }
    QString sorted = translated.text;
    while (!sorted.isEmpty() && sorted.back().isSpace())
        sorted.chop(1);
    sorted += codeOrder;
    statements.rest = {sorted + QStringLiteral(" LIMIT -1 OFFSET ?"), translated.values};
    statements.first = {QString(sorted).insert(from.capturedEnd() - 1, nameOrderWalk), std::move(translated.values)};
    statements.restPaysAfter = [location, masterRows](QSqlDatabase &reader) {
        const double stocked = countFor(reader, QStringLiteral("Select count(*) From tbInvent Where LocationID = ?"), location);
        return masterRows < 1 ? std::numeric_limits<qint64>::max() : qint64(std::ceil(stocked * stocked / masterRows));
    };
    return statements;
}

// The select read again as a subquery with an offset: SQLite passes over the rows before
// it without computing their columns, and the subquery keeps its columns' names and types.
// The line break keeps a trailing comment from swallowing the parenthesis.
QString SqlitePlans::fromRow(const QString &translated, qint64 row)
{
    QString select = translated.trimmed();
    if (select.endsWith(QLatin1Char(';')))
        select.chop(1);
    const bool oneSelect = (select.startsWith(QLatin1String("select"), Qt::CaseInsensitive)
                            || select.startsWith(QLatin1String("with"), Qt::CaseInsensitive))
        && !select.contains(QLatin1Char(';'));
    if (!oneSelect)
        return {};
    return QStringLiteral("SELECT * FROM (") + select + QStringLiteral("\n) LIMIT -1 OFFSET %1").arg(row);
}
