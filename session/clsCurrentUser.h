#pragma once

#include "session/SessionComponent.h"

#include <QString>

#include <memory>
#include <optional>

// The hospital's log-in component ("Orvane_User.clsCurrentUser"): shows the log-in window,
// checks the employee's password against the shared password database and, once the
// employee is in, owns the open connection the program works through.
class clsCurrentUser : public SessionComponent
{
public:
    static constexpr const char *progId = "Orvane_User.clsCurrentUser";

    clsCurrentUser();
    ~clsCurrentUser() override;
    clsCurrentUser(const clsCurrentUser &) = delete;
    clsCurrentUser &operator=(const clsCurrentUser &) = delete;

    // Makes the component available to SessionComponent::create under its ProgID.
    static void registerComponent();

    void setPasswordDeptCode(const QString &departmentCode) override;
    const QString &passwordDeptCode() const { return m_departmentCode; }

    void ShowMain() override;
    std::optional<bool> Connected() const override;

    // Throws DbError while nobody is logged in.
    Connection &SQLConnection() override;
    QString EmployeeCode() const override;
    QString ServerName() const override;
    QString Database() const override;
    QString ServerPassword() const override;
    QString ServerUser() const override;

    // Sends the connection's statements to the trace file named in the session settings
    // (key "trace/file"), passwords hidden. Throws DbError when the file cannot be opened.
    static void attachTraceFile(Connection &connection);

    // True when the employee, with this password, belongs to the department handed in.
    // Throws DbError when the password database cannot be read (also on a server where
    // it never can, see requireReachablePasswords).
    bool credentialsMatch(Connection &connection, const QString &employeeId,
                          const QString &password) const;

    // Refuses, with the reason, a SQL Server on which the password database cannot be read
    // by the program's statements: Azure SQL Database, or a case-sensitive password
    // database. Throws DbError.
    static void requireReachablePasswords(Connection &connection);
    // The additional statement that asks the server for both.
    static QString serverCheckStatement();

    // Takes over the connection of an employee whose credentials matched.
    void acceptLogIn(std::unique_ptr<Connection> connection, const QString &employeeId);

    // The statement as the trace file shows it: every string literal that directly
    // follows "Password =" reads '***'. Throws DbError for a text that is not T-SQL.
    static QString maskPasswords(const QString &statement);

private:
    QString credentialStatement(const QString &employeeId, const QString &password) const;

    QString m_departmentCode;
    QString m_employeeId;
    std::unique_ptr<Connection> m_connection;
};
