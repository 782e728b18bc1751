#include "DatabaseTable.h"

#include "ReportError.h"

#include <QRegularExpression>

DatabaseTable::DatabaseTable(const QString &name, const QString &location)
    : m_name(name), m_location(location)
{
}

void DatabaseTable::SetLogOnInfo(const QString &server, const QString &database, const QString &user,
                                 const QString &password)
{
    m_logOn = LogOnInfo{server, database, user, password};
}

QString DatabaseTable::tableName() const
{
    static const QRegularExpression plainName(QStringLiteral(R"(^[A-Za-z_#@][A-Za-z0-9_#@$]*$)"));
    QString name = m_location.mid(m_location.lastIndexOf(QLatin1Char('.')) + 1).trimmed();
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        name = name.mid(1, name.size() - 2);
    if (!plainName.match(name).hasMatch())
        throw ReportError(QStringLiteral("The report table %1 has the location \"%2\", which does not end "
                                         "in a table name.").arg(m_name, m_location));
    return name;
}
