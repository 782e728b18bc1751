#include "clsCurrentUser.h"

#include "frmLogin.h"

#include "auth_report/CipherSettings.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/SqlQuote.h"
#include "db/dialects/TSqlTokenizer.h"

#include <QSettings>

namespace {

bool isPasswordName(const TSqlToken &token, const QString &sql)
{
    const QLatin1String password("password");
    if (token.type == TSqlToken::Type::Word)
        return token.text(sql).compare(password, Qt::CaseInsensitive) == 0;
    if (token.type == TSqlToken::Type::QuotedName)
        return TSqlTokenizer::quotedNameValue(token.text(sql)).compare(password, Qt::CaseInsensitive) == 0;
    return false;
}

bool isEqualsSign(const TSqlToken &token, const QString &sql)
{
    return token.type == TSqlToken::Type::Symbol && token.text(sql) == QLatin1String("=");
}

// The literal with its value hidden; an N'...' literal keeps its prefix.
QString hiddenLiteral(QStringView literal)
{
    return literal.left(literal.indexOf(QLatin1Char('\''))).toString() + QStringLiteral("'***'");
}

} // namespace

clsCurrentUser::clsCurrentUser() = default;

clsCurrentUser::~clsCurrentUser() = default;

void clsCurrentUser::registerComponent()
{
    SessionComponent::registerFactory(QString::fromLatin1(progId),
                                      [] { return std::make_unique<clsCurrentUser>(); });
}

void clsCurrentUser::setPasswordDeptCode(const QString &departmentCode)
{
    m_departmentCode = departmentCode;
}

void clsCurrentUser::ShowMain()
{
    frmLogin dialog(*this);
    dialog.exec();
}

std::optional<bool> clsCurrentUser::Connected() const
{
    return m_connection != nullptr;
}

Connection &clsCurrentUser::SQLConnection()
{
    if (!m_connection)
        throw DbError(QStringLiteral("Nobody is logged in, so there is no database connection."));
    return *m_connection;
}

QString clsCurrentUser::EmployeeCode() const
{
    return m_employeeId;
}

QString clsCurrentUser::ServerName() const
{
    if (!m_connection || m_connection->settings().kind != ConnectionSettings::Kind::SqlServer)
        return {};
    return m_connection->settings().server;
}

QString clsCurrentUser::Database() const
{
    if (!m_connection)
        return {};
    const ConnectionSettings &settings = m_connection->settings();
    switch (settings.kind) {
    case ConnectionSettings::Kind::Embedded:
        return settings.databaseFile;
    case ConnectionSettings::Kind::SqlServer:
        return settings.database;
    case ConnectionSettings::Kind::OdbcString:
        break;
    }
    return {};
}

QString clsCurrentUser::ServerPassword() const
{
    if (!m_connection || m_connection->settings().kind != ConnectionSettings::Kind::SqlServer)
        return {};
    return m_connection->settings().password;
}

QString clsCurrentUser::ServerUser() const
{
    if (!m_connection || m_connection->settings().kind != ConnectionSettings::Kind::SqlServer)
        return {};
    return m_connection->settings().user;
}

void clsCurrentUser::attachTraceFile(Connection &connection)
{
    const QSettings settings(QStringLiteral("Quellar"), QStringLiteral("Session"));
    const QString file = settings.value(QStringLiteral("trace/file")).toString();
    if (file.isEmpty())
        return;
    connection.trace().setMask(&clsCurrentUser::maskPasswords);
    connection.trace().setFile(file);
}

bool clsCurrentUser::credentialsMatch(Connection &connection, const QString &employeeId,
                                      const QString &password) const
{
    requireStorableText(employeeId, QStringLiteral("The employee ID"));
    requireStorableText(password, QStringLiteral("The password"));
    requireReachablePasswords(connection);
    return connection.Execute(credentialStatement(employeeId, password)).RecordCount() > 0;
}

QString clsCurrentUser::serverCheckStatement()
{
    return QStringLiteral("Select Cast(ServerProperty('EngineEdition') as int) as EngineEdition, "
                          "Cast(DatabasePropertyEx('password', 'Collation') as nvarchar(128)) as PasswordCollation");
}

void clsCurrentUser::requireReachablePasswords(Connection &connection)
{
    if (connection.databaseSystem() == QLatin1String("SQLite"))
        return; // the embedded password database is attached as "password"
    Recordset server = connection.Execute(serverCheckStatement());
    // Azure SQL Database (engine edition 5) reaches no other database by name.
    if (server.Fields("EngineEdition").toInt() == 5)
        throw DbError(QStringLiteral(
            "This server is Azure SQL Database, which cannot read another database by a three-part name such as "
            "password..tbpasswordmain, where the employees' passwords are kept. The program needs SQL Server "
            "(2016 SP1 or later) or Azure SQL Managed Instance."));
    // The verification names the column EmployeeId as "Employeeid" too; in a case-sensitive
    // database only one of the two names would be found.
    const QString collation = server.Fields("PasswordCollation").toString();
    const bool caseInsensitive = collation.contains(QLatin1String("_CI_"), Qt::CaseInsensitive)
        || collation.endsWith(QLatin1String("_CI"), Qt::CaseInsensitive);
    if (!collation.isEmpty() && !caseInsensitive)
        throw DbError(QStringLiteral(
            "The password database has the case-sensitive collation %1, in which the verification of requests "
            "cannot find its columns. The password database needs a case-insensitive collation (_CI_); "
            "ask IT to set it up as sql/README.md says.").arg(collation));
}

QString clsCurrentUser::credentialStatement(const QString &employeeId, const QString &password) const
{
    const QString enciphered = CipherSettings::system().encipher(password.trimmed());
    return QStringLiteral("Select EmployeeId From password..tbpasswordmain Where EmployeeId = '")
        + sqlText(employeeId.trimmed()) + QStringLiteral("' and Password = '") + sqlText(enciphered)
        + QStringLiteral("' and departmentid = '") + sqlText(m_departmentCode) + QStringLiteral("'");
}

void clsCurrentUser::acceptLogIn(std::unique_ptr<Connection> connection, const QString &employeeId)
{
    if (!connection)
        throw DbError(QStringLiteral("A log-in needs an open connection."));
    m_connection = std::move(connection);
    m_employeeId = employeeId.trimmed();
}

QString clsCurrentUser::maskPasswords(const QString &statement)
{
    enum class Seen { Other, PasswordName, EqualsSign };
    Seen seen = Seen::Other;
    QString masked;
    qsizetype copied = 0;
    for (const TSqlToken &token : TSqlTokenizer::tokenize(statement)) {
        if (!token.isSignificant())
            continue;
        if (seen == Seen::EqualsSign && token.type == TSqlToken::Type::String) {
            masked += QStringView(statement).mid(copied, token.begin - copied);
            masked += hiddenLiteral(token.text(statement));
            copied = token.begin + token.length;
            seen = Seen::Other;
        } else if (isPasswordName(token, statement)) {
            seen = Seen::PasswordName;
        } else if (seen == Seen::PasswordName && isEqualsSign(token, statement)) {
            seen = Seen::EqualsSign;
        } else {
            seen = Seen::Other;
        }
    }
    masked += QStringView(statement).mid(copied);
    return masked;
}
