#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class Connection;

// The hospital system's session component: it logs the user in with its own window,
// owns the database connection and names the current employee. The program reaches it
// through these members only, in this order: PasswordDeptCode, ShowMain, Connected, and
// the others only after Connected was true.
class SessionComponent
{
public:
    virtual ~SessionComponent() = default;

    virtual void setPasswordDeptCode(const QString &departmentCode) = 0;
    // Returns when the user has logged in or given up.
    virtual void ShowMain() = 0;
    // True when a user is logged in and the connection is open; empty stands for NULL.
    virtual std::optional<bool> Connected() const = 0;

    virtual Connection &SQLConnection() = 0;
    virtual QString EmployeeCode() const = 0;
    virtual QString ServerName() const = 0;
    virtual QString Database() const = 0;
    virtual QString ServerPassword() const = 0;
    // The database login the session connected with, for report log-on; empty for the
    // embedded database, which needs none.
    virtual QString ServerUser() const = 0;

    // Creates the component registered under a ProgID such as
    // "Orvane_User.clsCurrentUser". Throws std::runtime_error when none is.
    static std::unique_ptr<SessionComponent> create(const QString &progId);

    using Factory = std::function<std::unique_ptr<SessionComponent>()>;
    // Registers (or, with an empty factory, removes) a component; tests register fakes.
    static void registerFactory(const QString &progId, Factory factory);
};
