#pragma once

#include <QString>

// Where the program's data lives: the embedded database file, a SQL Server reached
// through ODBC (FreeTDS by default), or any ODBC connection string.
struct ConnectionSettings {
    enum class Kind { Embedded, SqlServer, OdbcString };

    Kind kind = Kind::Embedded;
    QString databaseFile;       // Embedded: the inventory database file
    QString server;             // SqlServer: host[,port] or host\instance
    QString database;           // SqlServer: the inventory database
    QString user;               // SqlServer
    QString password;           // SqlServer; never stored in plain text
    QString odbcDriver = QStringLiteral("FreeTDS"); // SqlServer
    QString odbcOptions;        // SqlServer: "key=value;..." appended to the connection string
    QString connectionString;   // OdbcString: passed to the ODBC driver manager as it is
    int busyTimeoutMs = 5000;   // Embedded: how long to wait for another writer
    bool createIfMissing = false; // Embedded: make a new, empty file (administration only)
    bool withPasswords = true;    // Embedded: attach the password database (reports do without)

    // The file of the password database that belongs to an embedded database file:
    // "hospital.db" keeps its passwords in "hospital.password.db".
    static QString passwordFileFor(const QString &databaseFile);
};
