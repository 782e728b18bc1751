#include "FakeSession.h"

#include "TestDatabase.h"
#include "app/modInventory.h"
#include "db/Connection.h"

FakeSession::FakeSession(const TestDatabase &db, std::optional<bool> connects, QStringList *calls,
                         const QString &employee)
    : m_db(db), m_connects(connects), m_calls(calls), m_employee(employee)
{
}

FakeSession::~FakeSession() = default;

void FakeSession::note(const QString &call) const
{
    if (m_calls)
        *m_calls << call;
}

void FakeSession::setPasswordDeptCode(const QString &code)
{
    note(QStringLiteral("PasswordDeptCode=") + code);
}

void FakeSession::ShowMain()
{
    note(QStringLiteral("ShowMain"));
    if (m_connects.value_or(false))
        m_connection = m_db.connect();
}

std::optional<bool> FakeSession::Connected() const
{
    note(QStringLiteral("Connected"));
    return m_connects;
}

QString FakeSession::Database() const
{
    return m_db.file();
}

Connection &FakeSession::signIn(const TestDatabase &db, const QString &employee)
{
    auto session = std::make_unique<FakeSession>(db, true, nullptr, employee);
    session->ShowMain();
    gCurrentUser = std::move(session);
    gstrDefaultLocationID = QStringLiteral("20");
    gstrUserInventoryType = QStringLiteral("A");
    return gCurrentUser->SQLConnection();
}
