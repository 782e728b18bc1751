#pragma once

#include <QString>

#include <optional>

// Where the engine logs on to read a report's data.
struct LogOnInfo {
    QString server;   // empty: the embedded database, whose file is `database`
    QString database; // the embedded database file or the SQL Server database
    QString user;
    QString password;

    bool operator==(const LogOnInfo &) const = default;
};

// One database table a report reads. Its location has the form database.owner.table; the
// query names the table by the part after the last ".", in the database logged on to.
class DatabaseTable
{
public:
    DatabaseTable(const QString &name, const QString &location);

    // The name the report's query uses for this table ({table:Name}).
    const QString &Name() const { return m_name; }
    const QString &Location() const { return m_location; }
    void setLocation(const QString &location) { m_location = location; }

    void SetLogOnInfo(const QString &server, const QString &database, const QString &user,
                      const QString &password);
    const std::optional<LogOnInfo> &logOnInfo() const { return m_logOn; }

    // The table's name in the database: the location's part after its last ".". Throws
    // ReportError when that is not a plain name, so no location can smuggle SQL in.
    QString tableName() const;

private:
    QString m_name;
    QString m_location;
    std::optional<LogOnInfo> m_logOn;
};
