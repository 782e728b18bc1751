#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

// The administration command: creates databases, sets passwords and answers SQL.
//   init FILE                     a new, empty database
//   demo FILE                     a new database with the demo hospital
//   passwd FILE EMPLOYEE PASSWORD [--verifier]
//   sql FILE "STATEMENT"          runs one statement as the program would send it
//   generate FILE [--seed N] [--scale F]
//                                 a new database of a large hospital, for benchmarks
//   report FILE DOCNUM OUT.pdf    the department request report of one request, as a PDF
// FILE is an embedded database file, or "odbc:" followed by an ODBC connection string.
class AdminCommand
{
public:
    AdminCommand(QTextStream &out, QTextStream &err) : m_out(out), m_err(err) { }

    // Runs the command; returns the process exit code (0 on success).
    int run(const QStringList &arguments);

    // The demo log-in: employee, password, and whether the employee may verify.
    struct DemoEmployee {
        const char *id;
        const char *name;
        const char *password;
        bool verifier;
    };
    static const DemoEmployee demoEmployees[2];

    // Stores an employee's password enciphered; adds the employee (department "4") when
    // missing. Throws DbError.
    static void setPassword(const QString &databaseFile, const QString &employee,
                            const QString &password, bool verifier, const QString &name = {});

    // A new demo database with its employees' passwords. Throws DbError.
    static void createDemo(const QString &databaseFile);

private:
    int usage();
    int runSql(const QString &target, const QString &statement);
    int generate(const QStringList &arguments);
    int printReport(const QString &databaseFile, const QString &documentNumber, const QString &pdf);
    static QString cellText(const QVariant &value);

    QTextStream &m_out;
    QTextStream &m_err;
};
