#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <span>

class QCommandLineParser;

// The administration command: creates databases, sets passwords and answers SQL.
//   init FILE                     a new, empty database
//   demo FILE                     a new database with the demo hospital
//   install odbc:CONNECTION [--replace-procedures]
//                                 adds what is missing to the hospital's SQL Server database
//   check FILE                    whether a database is as the program needs
//   backup FILE BACKUP            a consistent copy, safe while clerks work
//   restore BACKUP FILE           a backup in place of a database nobody has open
//   passwd FILE EMPLOYEE [--verifier]   the password asked for, or read from standard input
//   employees FILE                the employees and who may verify
//   grant-verifier / revoke-verifier / remove-employee FILE EMPLOYEE
//   sql FILE "STATEMENT"          runs one statement as the program would send it
//   generate FILE [--seed N] [--scale F]
//                                 a new database of a large hospital, for benchmarks
//   report FILE DOCNUM OUT.pdf    the department request report of one request, as a PDF
// FILE is an embedded database file, or "odbc:" followed by an ODBC connection string.
// --help, --version, "help COMMAND" and "COMMAND --help" answer on standard output with
// exit code 0; wrong usage prints the usage on standard error and exits with 2.
class AdminCommand
{
public:
    AdminCommand(QTextStream &out, QTextStream &err) : m_out(out), m_err(err) { }

    // Runs the command line without the program name; returns the process exit code
    // (0 on success, 1 when the command failed, 2 for wrong usage).
    int run(const QStringList &arguments);

    // One command: its name, its arguments as the usage shows them, a one-line summary,
    // the positional arguments it takes and the handler that runs it.
    struct Argument {
        const char *name;
        const char *description;
    };
    struct Option {
        const char *name;
        const char *valueName; // nullptr for a switch
        const char *description;
    };
    struct Command {
        const char *name;
        const char *synopsis;
        const char *summary;
        std::span<const Argument> arguments;
        std::span<const Option> options;
        // Empty while the command is not available: it is neither listed nor run.
        int (AdminCommand::*handler)(const QStringList &arguments, const QCommandLineParser &options);
    };
    static std::span<const Command> commands();

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
    int commandUsage(const Command &command, const QString &error);
    void printHelp(QTextStream &stream) const;
    QString commandHelp(const Command &command) const;
    int runCommand(const Command &command, const QStringList &arguments);
    static const Command *findCommand(const QString &name);

    int init(const QStringList &arguments, const QCommandLineParser &options);
    int demo(const QStringList &arguments, const QCommandLineParser &options);
    int install(const QStringList &arguments, const QCommandLineParser &options);
    int check(const QStringList &arguments, const QCommandLineParser &options);
    int backup(const QStringList &arguments, const QCommandLineParser &options);
    int restore(const QStringList &arguments, const QCommandLineParser &options);
    int passwd(const QStringList &arguments, const QCommandLineParser &options);
    int employees(const QStringList &arguments, const QCommandLineParser &options);
    int grantVerifier(const QStringList &arguments, const QCommandLineParser &options);
    int revokeVerifier(const QStringList &arguments, const QCommandLineParser &options);
    int removeEmployee(const QStringList &arguments, const QCommandLineParser &options);
    int sql(const QStringList &arguments, const QCommandLineParser &options);
    int generate(const QStringList &arguments, const QCommandLineParser &options);
    int runSql(const QString &target, const QString &statement);
    int report(const QStringList &arguments, const QCommandLineParser &options);
    int printReport(const QString &databaseFile, const QString &documentNumber, const QString &pdf);
    static QString cellText(const QVariant &value);

    QTextStream &m_out;
    QTextStream &m_err;
};
