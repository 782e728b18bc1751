#include "TestDatabase.h"

#include "app/admin/AdminCommand.h"
#include "db/DatabaseSetup.h"

TestDatabase::TestDatabase(bool withDemoData)
    : m_file(m_dir.filePath(QStringLiteral("hospital.db")))
{
    if (withDemoData)
        AdminCommand::createDemo(m_file);
    else
        DatabaseSetup::createEmbedded(m_file);
}

ConnectionSettings TestDatabase::settings() const
{
    ConnectionSettings settings;
    settings.databaseFile = m_file;
    return settings;
}

std::unique_ptr<Connection> TestDatabase::connect() const
{
    auto connection = std::make_unique<Connection>(settings());
    connection->trace().setRecording(true);
    return connection;
}
