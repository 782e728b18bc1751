#pragma once

#include "session/SessionComponent.h"

#include <memory>

class Connection;

// A session that is logged in from the start on a given database file, without the
// log-in window, so that the program's windows can be timed unattended.
class BenchSession : public SessionComponent
{
public:
    BenchSession(const QString &databaseFile, const QString &employee);
    ~BenchSession() override;

    void setPasswordDeptCode(const QString &) override { }
    void ShowMain() override { }
    std::optional<bool> Connected() const override { return true; }
    Connection &SQLConnection() override { return *m_connection; }
    QString EmployeeCode() const override { return m_employee; }
    QString ServerName() const override { return {}; }
    QString Database() const override { return m_file; }
    QString ServerPassword() const override { return {}; }
    QString ServerUser() const override { return {}; }

    // Opens the database and makes this the program's session (gCurrentUser), with the
    // globals start-up sets. Returns the connection. Throws DbError.
    static Connection &signIn(const QString &databaseFile, const QString &employee = QStringLiteral("1001"));

private:
    QString m_file;
    QString m_employee;
    std::unique_ptr<Connection> m_connection;
};
