#include "BenchSession.h"

#include "app/modInventory.h"
#include "db/Connection.h"

BenchSession::BenchSession(const QString &databaseFile, const QString &employee)
    : m_file(databaseFile), m_employee(employee)
{
    ConnectionSettings settings;
    settings.databaseFile = databaseFile;
    m_connection = std::make_unique<Connection>(settings);
}

BenchSession::~BenchSession() = default;

Connection &BenchSession::signIn(const QString &databaseFile, const QString &employee)
{
    gCurrentUser = std::make_unique<BenchSession>(databaseFile, employee);
    gstrDefaultLocationID = QStringLiteral("20");
    gstrUserInventoryType = QStringLiteral("A");
    return gCurrentUser->SQLConnection();
}
