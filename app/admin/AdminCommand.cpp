#include "AdminCommand.h"

#include "DatabaseBackup.h"
#include "DatabaseCheck.h"
#include "DatabaseInstall.h"
#include "EmployeeAdmin.h"
#include "PasswordPrompt.h"
#include "ProgressLine.h"

#include "app/ProgramFiles.h"
#include "app/modInventory.h"
#include "auth_report/CipherSettings.h"
#include "auth_report/ReportPrinting.h"
#include "app/admin/DatabaseGenerator.h"
#include "db/Connection.h"
#include "db/DatabaseSetup.h"
#include "db/DbError.h"
#include "db/OdbcConfiguration.h"
#include "db/SqlQuote.h"
#include "reporting/ReportDocument.h"
#include "reporting/ReportError.h"
#include "session/SessionComponent.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QScopeGuard>

namespace {

ConnectionSettings settingsFor(const QString &target)
{
    ConnectionSettings settings;
    if (target.startsWith(QLatin1String("odbc:"))) {
        settings.kind = ConnectionSettings::Kind::OdbcString;
        settings.connectionString = target.mid(5);
    } else {
        settings.databaseFile = target;
    }
    return settings;
}

void requireWritable(const QString &file)
{
    const QFileInfo info(file);
    if (info.exists() && !info.isWritable())
        throw DbError(QStringLiteral("The database file %1 is read-only.").arg(file));
}

// The session a report is printed under from the command line: logged on to one database
// file, or to the server an ODBC connection string names, as the program's session is
// after a log-in.
class FileSession : public SessionComponent
{
public:
    explicit FileSession(const QString &target)
        : m_connection(settingsFor(target)),
          m_logOn(m_connection.settings().kind == ConnectionSettings::Kind::OdbcString
                      ? OdbcConfiguration::logOnOf(m_connection.settings().connectionString)
                      : ConnectionSettings())
    {
        if (m_logOn.kind == ConnectionSettings::Kind::Embedded)
            m_logOn.database = m_connection.settings().databaseFile;
    }
    void setPasswordDeptCode(const QString &) override { }
    void ShowMain() override { }
    std::optional<bool> Connected() const override { return true; }
    Connection &SQLConnection() override { return m_connection; }
    QString EmployeeCode() const override { return {}; }
    QString ServerName() const override { return m_logOn.server; }
    QString Database() const override { return m_logOn.database; }
    QString ServerUser() const override { return m_logOn.user; }
    QString ServerPassword() const override { return m_logOn.password; }

private:
    Connection m_connection;
    ConnectionSettings m_logOn;
};

} // namespace

const AdminCommand::DemoEmployee AdminCommand::demoEmployees[2] = {
    {"1001", "ANA REYES", "demo", false},
    {"2001", "MARCO DELA CRUZ", "verify", true},
};

namespace {

constexpr AdminCommand::Argument fileArgument{
    "FILE", "An embedded database file, or odbc: followed by an ODBC connection string."};
constexpr AdminCommand::Argument newFileArgument{"FILE", "The embedded database file to create (it must not exist)."};
constexpr AdminCommand::Argument newFileOnly[] = {newFileArgument};
constexpr AdminCommand::Argument passwdArguments[] = {
    fileArgument,
    {"EMPLOYEE", "The employee ID. The password is asked for without echo on a terminal, or read from the first "
                 "line of standard input; never from the command line, where others can read it. It is stored "
                 "enciphered."},
};
constexpr AdminCommand::Argument employeeArguments[] = {
    fileArgument,
    {"EMPLOYEE", "The employee ID."},
};
constexpr AdminCommand::Argument sqlArguments[] = {
    fileArgument,
    {"STATEMENT", "One T-SQL statement, as the program would send it."},
};
constexpr AdminCommand::Argument reportArguments[] = {
    fileArgument,
    {"DOCNUM", "The document number of the request."},
    {"OUT.pdf", "The PDF file to write."},
};
constexpr AdminCommand::Argument installArguments[] = {
    {"odbc:CONNECTION", "odbc: followed by the ODBC connection string of the hospital's inventory database."},
};
constexpr AdminCommand::Option installOptions[] = {
    {"replace-procedures", nullptr,
     "Replaces the database's own procedures and trigger of the same names with the program's."},
};
constexpr AdminCommand::Argument checkArguments[] = {fileArgument};
constexpr AdminCommand::Argument backupArguments[] = {
    {"FILE", "The embedded database file (clerks may go on working)."},
    {"BACKUP", "The backup file to write (it must not exist); its password file goes beside it."},
};
constexpr AdminCommand::Argument restoreArguments[] = {
    {"BACKUP", "A backup file written by backup."},
    {"FILE", "The embedded database file to put it in place of (no program may have it open)."},
};
constexpr AdminCommand::Option passwdOptions[] = {
    {"verifier", nullptr, "The employee may verify requests (Save/Verify)."},
};
constexpr AdminCommand::Option generateOptions[] = {
    {"seed", "N", "The seed of the random numbers (the same seed gives the same hospital)."},
    {"scale", "F", "The size against the standard hospital of 100,000 requests."},
};

const QString programName = QStringLiteral("quellar-admin");
constexpr int summaryColumn = 40;

QString commandLine(const AdminCommand::Command &command)
{
    return QStringLiteral("%1 %2").arg(QLatin1String(command.name), QLatin1String(command.synopsis));
}

} // namespace

std::span<const AdminCommand::Command> AdminCommand::commands()
{
    // One line per command; the help lists them in this order.
    static constexpr Command table[] = {
        {"init", "FILE", "a new, empty database", newFileOnly, {}, &AdminCommand::init},
        {"demo", "FILE", "a new database with the demo hospital", newFileOnly, {}, &AdminCommand::demo},
        {"install", "odbc:CONNECTION [--replace-procedures]",
         "adds what the program needs to an existing SQL Server database", installArguments, installOptions,
         &AdminCommand::install},
        {"check", "FILE", "tells whether a database is as the program needs (exit code 1 if not)", checkArguments, {},
         &AdminCommand::check},
        {"backup", "FILE BACKUP", "a consistent, checked copy of a database, safe while clerks work",
         backupArguments, {}, &AdminCommand::backup},
        {"restore", "BACKUP FILE", "puts a backup in place of a database nobody has open (the old one is kept)",
         restoreArguments, {}, &AdminCommand::restore},
        {"passwd", "FILE EMPLOYEE [--verifier]", "stores an employee's password (asked for, or read from standard input)",
         passwdArguments, passwdOptions, &AdminCommand::passwd},
        {"employees", "FILE", "lists the employees of the password table and who may verify", checkArguments, {},
         &AdminCommand::employees},
        {"grant-verifier", "FILE EMPLOYEE", "lets an employee verify requests (Save/Verify)", employeeArguments, {},
         &AdminCommand::grantVerifier},
        {"revoke-verifier", "FILE EMPLOYEE", "takes the right to verify requests away", employeeArguments, {},
         &AdminCommand::revokeVerifier},
        {"remove-employee", "FILE EMPLOYEE", "removes an employee from the password table", employeeArguments, {},
         &AdminCommand::removeEmployee},
        {"sql", "FILE \"STATEMENT\"", "runs one T-SQL statement, prints tab-separated rows",
         sqlArguments, {}, &AdminCommand::sql},
        {"generate", "FILE [--seed N] [--scale F]", "a new database of a large hospital, for benchmarks",
         newFileOnly, generateOptions, &AdminCommand::generate},
        {"report", "FILE DOCNUM OUT.pdf", "writes one request's department request report as a PDF",
         reportArguments, {}, &AdminCommand::report},
    };
    return table;
}

void AdminCommand::printHelp(QTextStream &stream) const
{
    stream << "Usage: " << programName << " COMMAND ARGUMENTS...\n"
           << "Creates and looks after the databases of Quellar withdrawal requests.\n\n"
           << "Commands:\n";
    auto line = [&stream](const QString &left, const QString &summary) {
        QString text = QStringLiteral("  ") + left;
        if (text.size() + 2 > summaryColumn)
            text += QLatin1Char('\n') + QString(summaryColumn, QLatin1Char(' '));
        else
            text = text.leftJustified(summaryColumn);
        stream << text << summary << "\n";
    };
    for (const Command &command : commands()) {
        if (command.handler)
            line(commandLine(command), QLatin1String(command.summary));
    }
    line(QStringLiteral("help COMMAND"), QStringLiteral("the arguments and options of one command"));
    stream << "\nFILE is an embedded database file, or odbc: followed by an ODBC connection string.\n\n"
           << "Options:\n"
           << "  -h, --help     Displays this help.\n"
           << "  -v, --version  Displays version information.\n";
    stream.flush();
}

int AdminCommand::usage()
{
    printHelp(m_err);
    return 2;
}

int AdminCommand::commandUsage(const Command &command, const QString &error)
{
    m_err << programName << ": " << error << "\n"
          << "Usage: " << programName << " " << commandLine(command) << "\n"
          << "Run '" << programName << " help " << command.name << "' for more.\n";
    m_err.flush();
    return 2;
}

QString AdminCommand::commandHelp(const Command &command) const
{
    QCommandLineParser parser;
    QString description = QLatin1String(command.summary);
    description[0] = description[0].toUpper();
    parser.setApplicationDescription(description + QLatin1Char('.'));
    parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Displays this help.")));
    for (const Option &option : command.options) {
        parser.addOption(QCommandLineOption(QLatin1String(option.name), QLatin1String(option.description),
                                            QLatin1String(option.valueName)));
    }
    for (const Argument &argument : command.arguments)
        parser.addPositionalArgument(QLatin1String(argument.name), QLatin1String(argument.description));
    // The parser's own first line lacks the command's name.
    QString text = parser.helpText();
    text.remove(0, text.indexOf(QLatin1Char('\n')) + 1);
    return QStringLiteral("Usage: %1 %2\n").arg(programName, commandLine(command)) + text;
}

int AdminCommand::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    parser.addOption(help);
    parser.addOption(version);
    if (!parser.parse(QStringList{programName} + arguments)) {
        m_err << programName << ": " << parser.errorText() << "\n";
        return usage();
    }
    if (parser.isSet(version)) {
        m_out << programName << " " << QStringLiteral(QUELLAR_VERSION) << "\n";
        m_out.flush();
        return 0;
    }
    const QStringList words = parser.positionalArguments();
    if (parser.isSet(help) || (words.size() == 1 && words.first() == QLatin1String("help"))) {
        printHelp(m_out);
        return 0;
    }
    if (words.isEmpty())
        return usage();

    if (words.first() == QLatin1String("help")) {
        const Command *command = words.size() == 2 ? findCommand(words[1]) : nullptr;
        if (!command) {
            m_err << programName << ": no such command: " << words.mid(1).join(QLatin1Char(' ')) << "\n";
            return usage();
        }
        m_out << commandHelp(*command);
        m_out.flush();
        return 0;
    }
    const Command *command = findCommand(words.first());
    if (!command) {
        m_err << programName << ": no such command: " << words.first() << "\n";
        return usage();
    }
    return runCommand(*command, words.mid(1));
}

const AdminCommand::Command *AdminCommand::findCommand(const QString &name)
{
    for (const Command &command : commands()) {
        if (command.handler && name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

int AdminCommand::runCommand(const Command &command, const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    parser.addOption(help);
    for (const Option &option : command.options) {
        parser.addOption(QCommandLineOption(QLatin1String(option.name), QLatin1String(option.description),
                                            QLatin1String(option.valueName)));
    }
    if (!parser.parse(QStringList{programName} + arguments))
        return commandUsage(command, parser.errorText());
    if (parser.isSet(help)) {
        m_out << commandHelp(command);
        m_out.flush();
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != qsizetype(command.arguments.size())) {
        return commandUsage(command, QStringLiteral("%1 takes %2 argument(s), not %3.")
                                         .arg(QLatin1String(command.name))
                                         .arg(command.arguments.size())
                                         .arg(positional.size()));
    }
    try {
        return (this->*command.handler)(positional, parser);
    } catch (const DbError &error) {
        m_err << error.description() << "\n";
        m_err.flush();
        return 1;
    } catch (const ReportError &error) {
        m_err << error.message() << "\n";
        m_err.flush();
        return 1;
    }
}

int AdminCommand::init(const QStringList &arguments, const QCommandLineParser &)
{
    DatabaseSetup::createEmbedded(arguments[0]);
    m_out << "Created " << arguments[0] << " and " << ConnectionSettings::passwordFileFor(arguments[0]) << "\n";
    return 0;
}

int AdminCommand::demo(const QStringList &arguments, const QCommandLineParser &)
{
    createDemo(arguments[0]);
    m_out << "Created the demo database " << arguments[0] << "\n";
    return 0;
}

int AdminCommand::install(const QStringList &arguments, const QCommandLineParser &options)
{
    if (!arguments[0].startsWith(QLatin1String("odbc:")))
        throw DbError(QStringLiteral("install adds to a SQL Server database (odbc:...); an embedded database is made whole by init."));
    Connection connection(settingsFor(arguments[0]));
    DatabaseInstall install(connection, m_out, options.isSet(QStringLiteral("replace-procedures")));
    return install.run() == 0 ? 0 : 1;
}

int AdminCommand::check(const QStringList &arguments, const QCommandLineParser &)
{
    if (!arguments[0].startsWith(QLatin1String("odbc:")) && !QFileInfo::exists(arguments[0]))
        throw DbError(QStringLiteral("The database file %1 does not exist.").arg(arguments[0]));
    Connection connection(settingsFor(arguments[0]));
    DatabaseCheck check(connection, m_out);
    return check.run() == 0 ? 0 : 1;
}

int AdminCommand::backup(const QStringList &arguments, const QCommandLineParser &)
{
    DatabaseBackup(m_out).backup(arguments[0], arguments[1]);
    return 0;
}

int AdminCommand::restore(const QStringList &arguments, const QCommandLineParser &)
{
    DatabaseBackup(m_out).restore(arguments[0], arguments[1]);
    return 0;
}

int AdminCommand::passwd(const QStringList &arguments, const QCommandLineParser &options)
{
    // Nobody is asked for a password that cannot be stored.
    if (settingsFor(arguments[0]).kind == ConnectionSettings::Kind::Embedded) {
        requireWritable(arguments[0]);
        requireWritable(ConnectionSettings::passwordFileFor(arguments[0]));
    }
    const QString password = PasswordPrompt::read(arguments[1].trimmed(), m_err);
    setPassword(arguments[0], arguments[1], password, options.isSet(QStringLiteral("verifier")));
    m_out << "Password of " << arguments[1] << " stored.\n";
    return 0;
}

int AdminCommand::employees(const QStringList &arguments, const QCommandLineParser &)
{
    Connection connection(settingsFor(arguments[0]));
    EmployeeAdmin(connection, m_out).list();
    return 0;
}

int AdminCommand::grantVerifier(const QStringList &arguments, const QCommandLineParser &)
{
    Connection connection(settingsFor(arguments[0]));
    EmployeeAdmin(connection, m_out).setVerifier(arguments[1], true);
    return 0;
}

int AdminCommand::revokeVerifier(const QStringList &arguments, const QCommandLineParser &)
{
    Connection connection(settingsFor(arguments[0]));
    EmployeeAdmin(connection, m_out).setVerifier(arguments[1], false);
    return 0;
}

int AdminCommand::removeEmployee(const QStringList &arguments, const QCommandLineParser &)
{
    Connection connection(settingsFor(arguments[0]));
    EmployeeAdmin(connection, m_out).remove(arguments[1]);
    return 0;
}

int AdminCommand::sql(const QStringList &arguments, const QCommandLineParser &)
{
    return runSql(arguments[0], arguments[1]);
}

int AdminCommand::report(const QStringList &arguments, const QCommandLineParser &)
{
    return printReport(arguments[0], arguments[1], arguments[2]);
}

void AdminCommand::createDemo(const QString &databaseFile)
{
    DatabaseSetup::createEmbedded(databaseFile);
    {
        ConnectionSettings settings;
        settings.databaseFile = databaseFile;
        Connection connection(settings);
        DatabaseSetup::loadDemoData(connection);
    }
    for (const DemoEmployee &employee : demoEmployees) {
        setPassword(databaseFile, QString::fromLatin1(employee.id),
                    QString::fromLatin1(employee.password), employee.verifier,
                    QString::fromLatin1(employee.name));
    }
}

void AdminCommand::setPassword(const QString &databaseFile, const QString &employee,
                               const QString &password, bool verifier, const QString &name)
{
    if (employee.trimmed().isEmpty())
        throw DbError(QStringLiteral("An employee ID is needed."));
    requireStorableText(employee, QStringLiteral("The employee ID"));
    requireStorableText(password, QStringLiteral("The password"));
    requireStorableText(name, QStringLiteral("The employee name"));
    const ConnectionSettings settings = settingsFor(databaseFile);
    if (settings.kind == ConnectionSettings::Kind::Embedded) {
        requireWritable(databaseFile);
        requireWritable(ConnectionSettings::passwordFileFor(databaseFile));
    }
    Connection connection(settings);
    const QString id = sqlText(employee.trimmed());
    const QString enciphered = sqlText(CipherSettings::system().encipher(password.trimmed()));
    const QString rights = verifier ? QStringLiteral("S") : QStringLiteral("U");
    TransactionScope transaction(connection);
    const Recordset existing = connection.Execute(
        QStringLiteral("Select EmployeeId From password..tbpasswordmain Where EmployeeId = '%1'").arg(id));
    if (existing.RecordCount() > 0) {
        connection.Execute(QStringLiteral("Update password..tbpasswordmain Set Password = '%1'%2 Where EmployeeId = '%3'")
                               .arg(enciphered,
                                    verifier ? QStringLiteral(", Right_Code1 = 'A', Right_Code2 = 'S'") : QString(),
                                    id));
    } else {
        connection.Execute(QStringLiteral("Insert Into password..tbpasswordmain (EmployeeId, EmployeeName, Password, departmentid, Right_Code1, Right_Code2) "
                                          "Values ('%1', '%2', '%3', '4', 'A', '%4')")
                               .arg(id, sqlText(name), enciphered, rights));
    }
    transaction.commit();
}

QString AdminCommand::cellText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 15);
    default: {
        QString text = value.toString();
        text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
        text.replace(QLatin1Char('\t'), QLatin1String("\\t"));
        text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        text.replace(QLatin1Char('\r'), QLatin1String("\\r"));
        return text;
    }
    }
}

int AdminCommand::generate(const QStringList &arguments, const QCommandLineParser &parser)
{
    DatabaseGenerator::Options options;
    bool ok = true;
    if (parser.isSet(QStringLiteral("seed")))
        options.seed = parser.value(QStringLiteral("seed")).toULongLong(&ok);
    if (ok && parser.isSet(QStringLiteral("scale")))
        options.scale = parser.value(QStringLiteral("scale")).toDouble(&ok);
    if (!ok || !(options.scale > 0))
        return commandUsage(*findCommand(QStringLiteral("generate")), QStringLiteral("--seed needs a whole number and --scale a positive number."));
    DatabaseGenerator generator(options);
    DatabaseGenerator::Counts counts;
    {
        ProgressLine progress(m_err);
        generator.setProgress([&progress](const QString &what) { progress.note(what); });
        counts = generator.generate(arguments[0]);
    }
    for (const DemoEmployee &employee : demoEmployees) {
        setPassword(arguments[0], QString::fromLatin1(employee.id), QString::fromLatin1(employee.password),
                    employee.verifier, QString::fromLatin1(employee.name));
    }
    m_out << "Created " << arguments[0] << ": " << counts.documents << " documents, " << counts.lines
          << " lines, " << counts.items << " items, " << counts.locations << " locations, "
          << counts.stockRows << " stock rows; document " << counts.largestDocument << " has "
          << counts.largestDocumentLines << " lines.\n";
    m_out.flush();
    return 0;
}

int AdminCommand::runSql(const QString &target, const QString &statement)
{
    Connection connection(settingsFor(target));
    const Recordset result = connection.Execute(statement);
    if (result.State() == Recordset::adStateClosed)
        return 0;
    const auto &table = *result.table();
    m_out << table.columnNames().join(QLatin1Char('\t')) << "\n";
    for (int row = 0; row < table.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table.columnCount(); ++column)
            cells << cellText(table.value(row, column));
        m_out << cells.join(QLatin1Char('\t')) << "\n";
    }
    m_out.flush();
    return 0;
}

int AdminCommand::printReport(const QString &databaseFile, const QString &documentNumber, const QString &pdf)
{
    const QString number = documentNumber.trimmed();
    auto session = std::make_unique<FileSession>(databaseFile);
    Connection &connection = session->SQLConnection();
    const Recordset lines = connection.Execute(
        QStringLiteral("Select Count(*) As Lines From tbInvWithdrawRequest Where DocumentNumber = '%1'").arg(sqlText(number)));
    if (lines.Fields(QStringLiteral("Lines")).toInt() == 0)
        throw DbError(QStringLiteral("Request %1 was not found in %2.")
                          .arg(number, session->Database().isEmpty() ? QStringLiteral("the database") : session->Database()));
    const Recordset hospital = connection.Execute(QStringLiteral("Select Company, Address1 From tbHospitalInfo"));
    if (hospital.RecordCount() > 0) {
        gstrHospitalName = hospital.Fields(QStringLiteral("Company")).toString();
        gstrHospitalAddress = hospital.Fields(QStringLiteral("Address1")).toString();
    }
    // The same report file and preparation as "&View" in the program.
    gCurrentUser = std::move(session);
    const auto signOut = qScopeGuard([] {
        gReport.reset();
        gCurrentUser.reset();
    });
    PrepareReport(programDataFile(QStringLiteral("DepartmentRequest.rpt")),
                  {gstrHospitalName, gstrHospitalAddress, number});
    gReport->exportToPdf(pdf);
    m_out << "Wrote request " << number << " to " << pdf << "\n";
    m_out.flush();
    return 0;
}
