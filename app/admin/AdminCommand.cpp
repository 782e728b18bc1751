#include "AdminCommand.h"

#include "app/modInventory.h"
#include "auth_report/Module1.h"
#include "auth_report/ReportPrinting.h"
#include "bench/DatabaseGenerator.h"
#include "db/Connection.h"
#include "db/DatabaseSetup.h"
#include "db/DbError.h"
#include "db/SqlQuote.h"
#include "reporting/ReportDocument.h"
#include "reporting/ReportError.h"
#include "session/SessionComponent.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QScopeGuard>

namespace {

const QString passwordKey = QStringLiteral("VELTAMORQUISH");

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
// file, as the program's session is after a log-in.
class FileSession : public SessionComponent
{
public:
    explicit FileSession(const QString &databaseFile) : m_connection(settingsFor(databaseFile)) { }
    void setPasswordDeptCode(const QString &) override { }
    void ShowMain() override { }
    std::optional<bool> Connected() const override { return true; }
    Connection &SQLConnection() override { return m_connection; }
    QString EmployeeCode() const override { return {}; }
    QString ServerName() const override { return {}; }
    QString Database() const override { return m_connection.settings().databaseFile; }
    QString ServerPassword() const override { return {}; }

private:
    Connection m_connection;
};

} // namespace

const AdminCommand::DemoEmployee AdminCommand::demoEmployees[2] = {
    {"1001", "ANA REYES", "demo", false},
    {"2001", "MARCO DELA CRUZ", "verify", true},
};

int AdminCommand::usage()
{
    m_err << "usage:\n"
             "  quellar-admin init FILE\n"
             "  quellar-admin demo FILE\n"
             "  quellar-admin passwd FILE EMPLOYEE PASSWORD [--verifier]\n"
             "  quellar-admin sql FILE \"STATEMENT\"\n"
             "  quellar-admin generate FILE [--seed N] [--scale F]\n"
             "  quellar-admin report FILE DOCNUM OUT.pdf\n"
             "FILE is a database file, or odbc:CONNECTION-STRING.\n";
    m_err.flush();
    return 2;
}

int AdminCommand::run(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return usage();
    const QString command = arguments.first();
    try {
        if (command == QLatin1String("init") && arguments.size() == 2) {
            DatabaseSetup::createEmbedded(arguments[1]);
            m_out << "Created " << arguments[1] << " and "
                  << ConnectionSettings::passwordFileFor(arguments[1]) << "\n";
            return 0;
        }
        if (command == QLatin1String("demo") && arguments.size() == 2) {
            createDemo(arguments[1]);
            m_out << "Created the demo database " << arguments[1] << "\n";
            return 0;
        }
        if (command == QLatin1String("passwd") && (arguments.size() == 4 || arguments.size() == 5)) {
            const bool verifier = arguments.size() == 5;
            if (verifier && arguments[4] != QLatin1String("--verifier"))
                return usage();
            setPassword(arguments[1], arguments[2], arguments[3], verifier);
            m_out << "Password of " << arguments[2] << " stored.\n";
            return 0;
        }
        if (command == QLatin1String("sql") && arguments.size() == 3)
            return runSql(arguments[1], arguments[2]);
        if (command == QLatin1String("generate") && arguments.size() >= 2)
            return generate(arguments);
        if (command == QLatin1String("report") && arguments.size() == 4)
            return printReport(arguments[1], arguments[2], arguments[3]);
    } catch (const DbError &error) {
        m_err << error.description() << "\n";
        m_err.flush();
        return 1;
    } catch (const ReportError &error) {
        m_err << error.message() << "\n";
        m_err.flush();
        return 1;
    }
    return usage();
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
    const QString enciphered = sqlText(CryptPassword(QStringLiteral("E"), passwordKey, password.trimmed()));
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

int AdminCommand::generate(const QStringList &arguments)
{
    DatabaseGenerator::Options options;
    for (qsizetype i = 2; i < arguments.size(); i += 2) {
        if (i + 1 >= arguments.size())
            return usage();
        bool ok = false;
        if (arguments[i] == QLatin1String("--seed"))
            options.seed = arguments[i + 1].toULongLong(&ok);
        else if (arguments[i] == QLatin1String("--scale"))
            options.scale = arguments[i + 1].toDouble(&ok);
        if (!ok)
            return usage();
    }
    DatabaseGenerator generator(options);
    generator.setProgress([this](const QString &what) {
        m_out << "  " << what << "...\n";
        m_out.flush();
    });
    const DatabaseGenerator::Counts counts = generator.generate(arguments[1]);
    for (const DemoEmployee &employee : demoEmployees) {
        setPassword(arguments[1], QString::fromLatin1(employee.id), QString::fromLatin1(employee.password),
                    employee.verifier, QString::fromLatin1(employee.name));
    }
    m_out << "Created " << arguments[1] << ": " << counts.documents << " documents, " << counts.lines
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
    if (databaseFile.startsWith(QLatin1String("odbc:")))
        throw DbError(QStringLiteral("The report command prints from a database file, not over ODBC."));
    const QString number = documentNumber.trimmed();
    auto session = std::make_unique<FileSession>(databaseFile);
    Connection &connection = session->SQLConnection();
    const Recordset lines = connection.Execute(
        QStringLiteral("Select Count(*) As Lines From tbInvWithdrawRequest Where DocumentNumber = '%1'").arg(sqlText(number)));
    if (lines.Fields(QStringLiteral("Lines")).toInt() == 0)
        throw DbError(QStringLiteral("Request %1 was not found in %2.").arg(number, databaseFile));
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
    PrepareReport(QCoreApplication::applicationDirPath() + QStringLiteral("/DepartmentRequest.rpt"),
                  {gstrHospitalName, gstrHospitalAddress, number});
    gReport->exportToPdf(pdf);
    m_out << "Wrote request " << number << " to " << pdf << "\n";
    m_out.flush();
    return 0;
}
