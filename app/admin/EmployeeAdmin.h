#pragma once

#include <QString>
#include <QTextStream>

class Connection;

// The employees of the password table as IT looks after them: who they are, who may
// confirm requests with "Save/Verify", and taking an employee away. Every change names
// its one employee and is refused when that employee is not there, so no statement can
// touch the others.
class EmployeeAdmin
{
public:
    EmployeeAdmin(Connection &connection, QTextStream &out) : m_connection(connection), m_out(out) { }

    // One line per employee: ID, name, and "verifier" or "-", tab-separated, by ID.
    void list();
    // Gives or takes the right to verify. Throws DbError.
    void setVerifier(const QString &employee, bool verifier);
    // Removes the employee from the password table: the employee can no longer log in.
    // Throws DbError.
    void remove(const QString &employee);

private:
    // Throws DbError unless exactly this employee is in the password table.
    void requireEmployee(const QString &employee);

    Connection &m_connection;
    QTextStream &m_out;
};
