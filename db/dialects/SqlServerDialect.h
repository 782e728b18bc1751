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

    // An application lock owned by the transaction: released by its commit or rollback.
    QString exclusiveLockStatement(const QString &resource) const override
    {
        QString name = resource;
        name.replace(QLatin1Char('\''), QLatin1String("''"));
        return QStringLiteral("DECLARE @result int; EXEC @result = sp_getapplock @Resource = '%1', "
                              "@LockMode = 'Exclusive', @LockOwner = 'Transaction', @LockTimeout = 30000; "
                              "IF @result < 0 RAISERROR('Another workstation is saving; try again in a moment.', 16, 1)")
            .arg(name);
    }

private:
    QString m_name;
};
