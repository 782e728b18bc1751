#include "EmployeeAdmin.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/SqlQuote.h"

void EmployeeAdmin::list()
{
    const Recordset rows = m_connection.Execute(QStringLiteral(
        "Select EmployeeId, EmployeeName, Right_Code1, Right_Code2 From password..tbpasswordmain Order By EmployeeId"));
    const auto &table = *rows.table();
    m_out << "EmployeeId\tEmployeeName\tRight\n";
    for (int row = 0; row < table.rowCount(); ++row) {
        // The right the password dialog asks for when a request is saved with verification.
        const bool verifier = table.value(row, 2).toString().trimmed() == QLatin1String("A")
            && table.value(row, 3).toString().trimmed() == QLatin1String("S");
        m_out << table.value(row, 0).toString().trimmed() << "\t" << table.value(row, 1).toString().trimmed() << "\t"
              << (verifier ? "verifier" : "-") << "\n";
    }
    m_out.flush();
}

void EmployeeAdmin::requireEmployee(const QString &employee)
{
    const Recordset found = m_connection.Execute(
        QStringLiteral("Select Count(*) As Employees From password..tbpasswordmain Where EmployeeId = '%1'")
            .arg(sqlText(employee)));
    const int count = found.Fields(QStringLiteral("Employees")).toInt();
    if (count == 0)
        throw DbError(QStringLiteral("Employee %1 is not in the password table.").arg(employee));
    if (count > 1)
        throw DbError(QStringLiteral("Employee %1 is in the password table %2 times; nothing was changed.")
                          .arg(employee).arg(count));
}

void EmployeeAdmin::setVerifier(const QString &employee, bool verifier)
{
    const QString id = employee.trimmed();
    TransactionScope transaction(m_connection);
    requireEmployee(id);
    m_connection.Execute(QStringLiteral("Update password..tbpasswordmain Set Right_Code1 = 'A', Right_Code2 = '%1' "
                                        "Where EmployeeId = '%2'")
                             .arg(verifier ? QStringLiteral("S") : QStringLiteral("U"), sqlText(id)));
    transaction.commit();
    m_out << "Employee " << id << (verifier ? " may now verify requests.\n" : " may no longer verify requests.\n");
    m_out.flush();
}

void EmployeeAdmin::remove(const QString &employee)
{
    const QString id = employee.trimmed();
    TransactionScope transaction(m_connection);
    requireEmployee(id);
    m_connection.Execute(QStringLiteral("Delete From password..tbpasswordmain Where EmployeeId = '%1'").arg(sqlText(id)));
    transaction.commit();
    m_out << "Employee " << id << " removed; the requests they saved stay as they are.\n";
    m_out.flush();
}
