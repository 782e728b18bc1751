#pragma once

#include "session/SessionComponent.h"

#include <QStringList>

#include <memory>

class Connection;
class TestDatabase;

// A session component that logs in (or not) without a window, on a test database, and
// notes the order in which the program used it.
class FakeSession : public SessionComponent
{
public:
    FakeSession(const TestDatabase &db, std::optional<bool> connects, QStringList *calls = nullptr,
                const QString &employee = QStringLiteral("1001"));
    ~FakeSession() override;

    void setPasswordDeptCode(const QString &code) override;
    void ShowMain() override;
    std::optional<bool> Connected() const override;
    Connection &SQLConnection() override { return *m_connection; }
    QString EmployeeCode() const override { return m_employee; }
    QString ServerName() const override { return {}; }
    QString Database() const override;
    QString ServerPassword() const override { return {}; }
    QString ServerUser() const override { return {}; }

    // Logs in at once and makes this the program's session (gCurrentUser); the statement
    // trace records. Returns the connection.
    static Connection &signIn(const TestDatabase &db, const QString &employee = QStringLiteral("1001"));

private:
    void note(const QString &call) const;

    const TestDatabase &m_db;
    std::optional<bool> m_connects;
    QStringList *m_calls;
    QString m_employee;
    std::unique_ptr<Connection> m_connection;
};
