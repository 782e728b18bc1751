#pragma once

#include "ConnectionSettings.h"

#include <QMap>
#include <QString>

// How IT has this computer reach SQL Server: the ODBC driver and the extra options of the
// connection string (Encrypt, TrustServerCertificate, TDS_Version, ...), from the session
// settings: the user's ~/.config/Quellar/Session.conf, else the system-wide
// /etc/xdg/Quellar/Session.conf. The log-in and the report's log-on both connect so.
class OdbcConfiguration
{
public:
    // Key "sqlserver/driver"; "FreeTDS" when none is set.
    static QString configuredDriver();
    // Key "sqlserver/options", e.g. "Encrypt=yes;TrustServerCertificate=yes".
    static QString configuredOptions();

    // A SQL Server log-on through this computer's driver and options.
    static ConnectionSettings sqlServer(const QString &server, const QString &database, const QString &user,
                                        const QString &password);

    // The log-on a connection string names, for a report to log on with: SERVER (with its
    // PORT as "host,port"), DATABASE, UID and PWD, keys in any letter case, braced values
    // unbraced; through this computer's driver and options.
    static ConnectionSettings logOnOf(const QString &connectionString);

    // The connection string of a SQL Server log-on: driver, server, database, login,
    // UTF-8 text, then the extra options. Throws DbError for options that are not sound.
    static QString connectionString(const ConnectionSettings &settings);

    // The options as they follow the program's own parts: ";key=value" for every pair,
    // values braced where they hold a separator. Throws DbError naming an option that is
    // not a key=value pair or one the program sets itself (driver, server, login, ...).
    static QString optionsText(const QString &options);

    // A value as an ODBC connection string carries it: braced (closing braces doubled)
    // when it holds a ";", begins with "{" or with a blank, or always with `braced`.
    static QString quotedValue(const QString &value, bool braced = false);

    // The parts of a connection string, keys in upper case, braced values unbraced.
    static QMap<QString, QString> parts(const QString &connectionString);
};
