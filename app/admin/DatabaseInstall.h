#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <map>
#include <set>

class Connection;

// Installs the module onto a SQL Server inventory database that other programs of the
// hospital already use, from the SQL Server scripts built into the program: it adds only
// what is missing (tables, columns, indexes, the listing summary with its trigger, the
// procedures, the password table) and keeps every procedure and trigger the database has
// unless told to replace them. Each thing is reported on a line of its own, "found:",
// "added:", "kept:", "replaced:" or "PROBLEM:". Running it again changes nothing.
class DatabaseInstall
{
public:
    DatabaseInstall(Connection &connection, QTextStream &out, bool replaceProcedures)
        : m_connection(connection), m_out(out), m_replace(replaceProcedures)
    {
    }

    // Returns the number of problems (things it could not add). Throws DbError when the
    // server or the database does not qualify (nothing is changed then) or a statement
    // fails (what was done before it is reported).
    int run();

private:
    struct Table {
        QString name;
        QString batch;              // the script's batch that creates it with its indexes
        QStringList columns;        // column definitions as the script writes them
        QStringList indexes;        // CREATE INDEX statements
    };

    void requireQualifyingServer();
    void readCatalog();
    void installPasswordTable();
    void installTable(const Table &table);
    void addColumn(const Table &table, const QString &definition);
    void installSummary(const Table &summary, const QString &trigger);
    void installRoutine(const QString &kind, const QString &name, const QString &batch);
    static std::vector<Table> tablesOf(const QString &script);
    static QString objectNameAfter(const QString &batch, const QString &keyword);

    bool hasObject(const QString &name) const { return m_objects.contains(name.toLower()); }
    bool hasColumn(const QString &table, const QString &column) const;
    void execute(const QString &statement);
    void report(const char *what, const QString &finding);

    Connection &m_connection;
    QTextStream &m_out;
    bool m_replace = false;
    std::set<QString> m_objects;                        // dbo's objects, lower case
    std::map<QString, std::set<QString>> m_columns;     // lower-case table -> lower-case columns
    std::map<QString, QString> m_identity;              // lower-case table -> its identity column
    std::set<QString> m_indexes;                        // "table.index", lower case
    int m_changes = 0;
    int m_problems = 0;
};
