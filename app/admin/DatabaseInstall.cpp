#include "DatabaseInstall.h"

#include "DatabaseCheck.h"
#include "db/Connection.h"
#include "db/DatabaseSetup.h"
#include "db/DbError.h"

#include <QRegularExpression>

namespace {

const QString linesTable = QStringLiteral("tbInvWithdrawRequest");
const QString summaryTable = QStringLiteral("tbInvWithdrawRequestSummary");
const QString lineIdColumn = QStringLiteral("LineID");

// The batches of a sqlcmd script: the texts between its "GO" lines.
QStringList batchesOf(const QString &script)
{
    static const QRegularExpression go(QStringLiteral("^GO[ \\t]*$"), QRegularExpression::MultilineOption);
    QStringList batches;
    for (const QString &batch : script.split(go)) {
        if (!batch.trimmed().isEmpty())
            batches << batch.trimmed();
    }
    return batches;
}

QString scriptOf(const char *name)
{
    return DatabaseSetup::builtInScript(QStringLiteral("sqlserver/") + QLatin1String(name));
}

// The procedures that read the lines in the order they were written.
bool needsLineId(const QString &procedure)
{
    return procedure.compare(QLatin1String("sp_Inv_ListofWithdrawalRequest"), Qt::CaseInsensitive) == 0
        || procedure.compare(QLatin1String("sp_Inv_LoadWithdrawalRequest"), Qt::CaseInsensitive) == 0;
}

const QString passwordProbe = QStringLiteral(
    "Select EmployeeId, Password, departmentid, Right_Code1, Right_Code2 From password..tbpasswordmain Where 1 = 0");

} // namespace

int DatabaseInstall::run()
{
    m_changes = 0;
    m_problems = 0;
    requireQualifyingServer();
    readCatalog();
    installPasswordTable();

    const QStringList schema = batchesOf(scriptOf("schema.sql"));
    QString trigger;
    for (const QString &batch : schema) {
        if (batch.contains(QLatin1String("CREATE TRIGGER")))
            trigger = batch;
    }
    for (const Table &table : tablesOf(scriptOf("schema.sql"))) {
        if (table.name == summaryTable)
            installSummary(table, trigger);
        else
            installTable(table);
    }
    for (const QString &batch : batchesOf(scriptOf("procedures.sql"))) {
        const QString name = objectNameAfter(batch, QStringLiteral("CREATE OR ALTER PROCEDURE"));
        if (!name.isEmpty())
            installRoutine(QStringLiteral("procedure"), name, batch);
    }

    if (m_changes == 0)
        m_out << "Nothing was changed: the database has everything the program needs.\n";
    else
        m_out << m_changes << " change(s) made.\n";
    if (m_problems > 0)
        m_out << m_problems << " problem(s) left.\n";
    m_out.flush();
    return m_problems;
}

void DatabaseInstall::report(const char *what, const QString &finding)
{
    m_out << what << ": " << finding << "\n";
    m_out.flush();
}

void DatabaseInstall::execute(const QString &statement)
{
    m_connection.Execute(statement);
    ++m_changes;
}

void DatabaseInstall::requireQualifyingServer()
{
    const Recordset server = m_connection.Execute(DatabaseCheck::serverStatement());
    const QString version = server.Fields(QStringLiteral("Version")).toString();
    const QString collation = server.Fields(QStringLiteral("Collation")).toString();
    if (!DatabaseCheck::isRecentEnough(version, server.Fields(QStringLiteral("Edition")).toInt())) {
        throw DbError(QStringLiteral("Quellar needs SQL Server 2016 SP1 (13.0.4001) or later; this server is version %1. "
                                     "Nothing was changed.").arg(version));
    }
    if (!DatabaseCheck::isCaseInsensitive(collation)) {
        throw DbError(QStringLiteral("The database collation %1 is case-sensitive; Quellar needs a case-insensitive one. "
                                     "Nothing was changed.").arg(collation));
    }
    report("found", QStringLiteral("SQL Server %1, database collation %2").arg(version, collation));
}

void DatabaseInstall::readCatalog()
{
    const Recordset objects = m_connection.Execute(
        QStringLiteral("Select name As Name From sys.objects Where schema_id = SCHEMA_ID(N'dbo')"));
    for (Recordset rows = objects; rows.State() == Recordset::adStateOpen && !rows.isEOF(); rows.MoveNext())
        m_objects.insert(rows.Fields(QStringLiteral("Name")).toString().toLower());

    Recordset columns = m_connection.Execute(QStringLiteral(
        "Select t.name As TableName, c.name As ColumnName, Cast(c.is_identity As int) As IsIdentity "
        "From sys.tables t Join sys.columns c On c.object_id = t.object_id Where t.schema_id = SCHEMA_ID(N'dbo')"));
    for (; columns.State() == Recordset::adStateOpen && !columns.isEOF(); columns.MoveNext()) {
        const QString table = columns.Fields(QStringLiteral("TableName")).toString().toLower();
        const QString column = columns.Fields(QStringLiteral("ColumnName")).toString();
        m_columns[table].insert(column.toLower());
        if (columns.Fields(QStringLiteral("IsIdentity")).toInt() != 0)
            m_identity[table] = column;
    }

    Recordset indexes = m_connection.Execute(QStringLiteral(
        "Select t.name As TableName, i.name As IndexName From sys.indexes i "
        "Join sys.tables t On t.object_id = i.object_id Where t.schema_id = SCHEMA_ID(N'dbo') And i.name Is Not Null"));
    for (; indexes.State() == Recordset::adStateOpen && !indexes.isEOF(); indexes.MoveNext()) {
        m_indexes.insert((indexes.Fields(QStringLiteral("TableName")).toString() + QLatin1Char('.')
                          + indexes.Fields(QStringLiteral("IndexName")).toString()).toLower());
    }
}

bool DatabaseInstall::hasColumn(const QString &table, const QString &column) const
{
    const auto found = m_columns.find(table.toLower());
    return found != m_columns.end() && found->second.contains(column.toLower());
}

std::vector<DatabaseInstall::Table> DatabaseInstall::tablesOf(const QString &script)
{
    static const QRegularExpression creation(
        QStringLiteral("IF OBJECT_ID\\(N'dbo\\.(\\w+)', N'U'\\) IS NULL\\s+BEGIN\\s+CREATE TABLE dbo\\.\\w+ \\((.*?)\\n\\s*\\);"),
        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression index(QStringLiteral("CREATE (?:UNIQUE )?INDEX \\w+ ON dbo\\.\\w+ \\([^)]*\\);"));
    std::vector<Table> tables;
    for (const QString &batch : batchesOf(script)) {
        const QRegularExpressionMatch match = creation.match(batch);
        if (!match.hasMatch())
            continue;
        Table table{match.captured(1), batch, {}, {}};
        for (QString line : match.captured(2).split(QLatin1Char('\n'))) {
            line = line.trimmed();
            if (line.endsWith(QLatin1Char(',')))
                line.chop(1);
            if (line.isEmpty() || line.startsWith(QLatin1String("--")) || line.startsWith(QLatin1String("PRIMARY KEY")))
                continue;
            table.columns << line.simplified();
        }
        for (auto it = index.globalMatch(batch); it.hasNext();)
            table.indexes << it.next().captured(0).chopped(1);
        tables.push_back(table);
    }
    return tables;
}

QString DatabaseInstall::objectNameAfter(const QString &batch, const QString &keyword)
{
    const QRegularExpression name(QRegularExpression::escape(keyword) + QStringLiteral("\\s+dbo\\.(\\w+)"));
    return name.match(batch).captured(1);
}

void DatabaseInstall::installPasswordTable()
{
    try {
        m_connection.Execute(passwordProbe);
        report("found", QStringLiteral("password table password..tbpasswordmain"));
        return;
    } catch (const DbError &) {
        // missing, or without a column the program needs: the script adds what it can
    }
    const QStringList batches = batchesOf(scriptOf("password.sql"));
    for (const QString &batch : batches) {
        if (batch.contains(QLatin1String("CREATE DATABASE")) || batch.contains(QLatin1String("CREATE TABLE")))
            m_connection.Execute(batch);
    }
    try {
        m_connection.Execute(passwordProbe);
        ++m_changes;
        report("added", QStringLiteral("password table password..tbpasswordmain"));
    } catch (const DbError &error) {
        ++m_problems;
        report("PROBLEM", QStringLiteral("the password table password..tbpasswordmain cannot be read with the columns "
                                         "the program reads (EmployeeId, Password, departmentid, Right_Code1, Right_Code2): ")
                              + error.description());
    }
}

void DatabaseInstall::installTable(const Table &table)
{
    if (!hasObject(table.name)) {
        execute(table.batch);
        report("added", QStringLiteral("table %1 with its indexes").arg(table.name));
        m_objects.insert(table.name.toLower());
        for (const QString &definition : table.columns)
            m_columns[table.name.toLower()].insert(definition.section(QLatin1Char(' '), 0, 0).toLower());
        return;
    }
    int added = 0;
    for (const QString &definition : table.columns) {
        if (!hasColumn(table.name, definition.section(QLatin1Char(' '), 0, 0))) {
            addColumn(table, definition);
            ++added;
        }
    }
    for (const QString &statement : table.indexes) {
        const QString index = statement.section(QLatin1String(" ON "), 0, 0).section(QLatin1Char(' '), -1);
        if (m_indexes.contains((table.name + QLatin1Char('.') + index).toLower()))
            continue;
        execute(statement);
        m_indexes.insert((table.name + QLatin1Char('.') + index).toLower());
        report("added", QStringLiteral("index %1 on %2").arg(index, table.name));
        ++added;
    }
    if (added == 0)
        report("found", QStringLiteral("table %1 with every column and index").arg(table.name));
}

void DatabaseInstall::addColumn(const Table &table, const QString &definition)
{
    const QString column = definition.section(QLatin1Char(' '), 0, 0);
    QString added = definition;
    const bool key = added.contains(QLatin1String(" PRIMARY KEY"));
    added.remove(QStringLiteral(" PRIMARY KEY"));
    const bool identity = added.contains(QLatin1String("IDENTITY"));
    if (identity && m_identity.contains(table.name.toLower())) {
        ++m_problems;
        report("PROBLEM", QStringLiteral("column %1.%2 cannot be added: %3 is the table's identity column already")
                              .arg(table.name, column, m_identity.at(table.name.toLower())));
        return;
    }
    // The rows already there have no value for a column without a default.
    if (!identity && !added.contains(QLatin1String("DEFAULT")))
        added.replace(QStringLiteral(" NOT NULL"), QStringLiteral(" NULL"));
    execute(QStringLiteral("ALTER TABLE dbo.%1 ADD %2").arg(table.name, added));
    m_columns[table.name.toLower()].insert(column.toLower());
    report("added", QStringLiteral("column %1.%2 (%3)").arg(table.name, column, added.section(QLatin1Char(' '), 1)));
    if (key) {
        // Another key may be the table's primary key already; a unique index keeps the
        // lookups by this one fast.
        const QString index = QStringLiteral("ix%1_%2").arg(table.name.mid(2), column);
        execute(QStringLiteral("CREATE UNIQUE INDEX %1 ON dbo.%2 (%3)").arg(index, table.name, column));
        m_indexes.insert((table.name + QLatin1Char('.') + index).toLower());
        report("added", QStringLiteral("index %1 on %2").arg(index, table.name));
    }
}

void DatabaseInstall::installSummary(const Table &summary, const QString &trigger)
{
    const QString triggerName = objectNameAfter(trigger, QStringLiteral("CREATE TRIGGER"));
    if (!hasColumn(linesTable, lineIdColumn)) {
        ++m_problems;
        report("PROBLEM", QStringLiteral("table %1 and trigger %2 are not added: %3 has no column %4")
                              .arg(summaryTable, triggerName, linesTable, lineIdColumn));
        return;
    }
    if (hasObject(summary.name)) {
        installTable(summary);
        installRoutine(QStringLiteral("trigger"), triggerName, trigger);
        return;
    }
    // The summary is filled from the lines and kept by the trigger from then on: no other
    // program may write a line in between, so both happen in one transaction that holds
    // the lines' table.
    TransactionScope transaction(m_connection);
    m_connection.Execute(QStringLiteral("Select Count(*) As Lines From dbo.tbInvWithdrawRequest With (TABLOCK, HOLDLOCK)"));
    execute(summary.batch);
    report("added", QStringLiteral("table %1, filled from the lines").arg(summary.name));
    installRoutine(QStringLiteral("trigger"), triggerName, trigger);
    transaction.commit();
    m_objects.insert(summary.name.toLower());
}

void DatabaseInstall::installRoutine(const QString &kind, const QString &name, const QString &batch)
{
    const bool present = hasObject(name);
    if (present && !m_replace) {
        report("kept", QStringLiteral("%1 %2 as the database has it (--replace-procedures replaces it)").arg(kind, name));
        return;
    }
    if (needsLineId(name) && !hasColumn(linesTable, lineIdColumn)) {
        ++m_problems;
        report("PROBLEM", QStringLiteral("%1 %2 is not added: it reads %3.%4, which is missing")
                              .arg(kind, name, linesTable, lineIdColumn));
        return;
    }
    QString text = batch;
    if (present && kind == QLatin1String("trigger"))
        text.replace(QStringLiteral("CREATE TRIGGER"), QStringLiteral("ALTER TRIGGER"));
    execute(text);
    m_objects.insert(name.toLower());
    report(present ? "replaced" : "added", QStringLiteral("%1 %2").arg(kind, name));
}
