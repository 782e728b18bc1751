#pragma once

#include "db/Dialect.h"

// SQL Server, reached through ODBC: the statements go out exactly as written.
class SqlServerDialect : public Dialect
{
public:
    explicit SqlServerDialect(QString reportedName) : m_name(std::move(reportedName)) { }

    QString name() const override { return m_name; }
    void prepare(QSqlDatabase &, const ConnectionSettings &) override { }
    QString translate(const QString &sql, QSqlDatabase &) override { return sql; }

private:
    QString m_name;
};
