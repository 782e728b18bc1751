#include "ReportQuery.h"

#include "ReportError.h"
#include "db/SqlQuote.h"

#include <QRegularExpression>

namespace {

const QRegularExpression &placeholderPattern()
{
    static const QRegularExpression pattern(QStringLiteral(R"(\{(table:|\?)([^{}]*)\})"));
    return pattern;
}

bool isTable(const QRegularExpressionMatch &match)
{
    return match.captured(1) == QLatin1String("table:");
}

bool betweenQuotes(const QString &query, const QRegularExpressionMatch &match)
{
    const qsizetype before = match.capturedStart() - 1;
    const qsizetype after = match.capturedEnd();
    return before >= 0 && after < query.size() && query.at(before) == QLatin1Char('\'')
        && query.at(after) == QLatin1Char('\'');
}

} // namespace

void ReportQuery::check(const QString &query, const QStringList &tables, const QStringList &parameters)
{
    auto matches = placeholderPattern().globalMatch(query);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const QString name = match.captured(2);
        if (isTable(match)) {
            if (!tables.contains(name))
                throw ReportError(QStringLiteral("The query reads the table %1, which the report does not list.")
                                      .arg(match.captured()));
            continue;
        }
        if (!parameters.contains(name))
            throw ReportError(QStringLiteral("The query uses the parameter %1, which the report does not define.")
                                  .arg(match.captured()));
        if (!betweenQuotes(query, match))
            throw ReportError(QStringLiteral("The query uses the parameter %1 outside single quotes.")
                                  .arg(match.captured()));
    }
}

QString ReportQuery::fill(const QString &query, const Lookup &tableName, const Lookup &parameterText)
{
    QString statement;
    qsizetype done = 0;
    auto matches = placeholderPattern().globalMatch(query);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        statement += QStringView(query).mid(done, match.capturedStart() - done);
        const QString name = match.captured(2);
        statement += isTable(match) ? tableName(name) : sqlText(parameterText(name));
        done = match.capturedEnd();
    }
    statement += QStringView(query).mid(done);
    return statement;
}
