#pragma once

#include <QString>

class Connection;

// Creates embedded databases from the schemas, procedures and demo data built into the
// program.
class DatabaseSetup
{
public:
    // A new, empty database file with its password database beside it. Throws DbError
    // when either file exists already or cannot be written.
    static void createEmbedded(const QString &databaseFile);

    // Stores the procedures of a script ("-- @procedure NAME @Param ..." sections) in
    // sysProcedures, replacing those of the same name.
    static void installProcedures(Connection &connection, const QString &script);

    // Fills a new database with the small hospital of the demo (everything but the
    // passwords), in one transaction.
    static void loadDemoData(Connection &connection);

    // A script built into the program, such as "sqlite/schema.sql" or "demo.sql".
    static QString builtInScript(const QString &name);
};
