#include "RequestStore.h"

#include "RequestConflict.h"
#include "app/LocationLists.h"
#include "app/modInventory.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/SqlQuote.h"

#include <QLocale>
#include <QRegularExpression>

namespace {

// Quantity and unit cost go into the statement without quotes, so they must be plain
// numbers; anything else would change the statement.
QString plainNumber(const QString &text, const char *what, int lineNumber)
{
    static const QRegularExpression number(QStringLiteral(R"(^\s*[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?\s*$)"));
    if (!number.match(text).hasMatch())
        throw DbError(QStringLiteral("Line %1: the %2 \"%3\" is not a number.")
                          .arg(QString::number(lineNumber), QLatin1String(what), text));
    return text;
}

} // namespace

QString RequestStore::transDateText(const QDateTime &value)
{
    return QLocale::c().toString(value, QStringLiteral("MM/dd/yyyy hh:mm:ss AP"));
}

QString RequestStore::GetNewDocNumber()
{
    Recordset rs;
    rs.setCursorLocation(Recordset::adUseClient);
    rs.Open(QStringLiteral("Select (max(Cast(DocumentNumber as int)) + 1) as DocNum From tbInvWithdrawRequest"),
            m_connection, Recordset::adOpenDynamic, Recordset::adLockOptimistic, -1);
    QString result = QStringLiteral("1");
    if (!(rs.BOF() && rs.isEOF())) {
        const QVariant number = rs.Fields(QStringLiteral("DocNum"));
        if (number.isValid() && !number.isNull())
            result = number.toString();
    }
    rs.Close();
    return result;
}

QString RequestStore::insertStatement(const QString &documentNumber, const RequestLine &line,
                                      const RequestDocument &document, const QString &date,
                                      const QString &employeeCode, int lineNumber) const
{
    const QString ads = line.ads.trimmed() == QLatin1String("Y") ? QStringLiteral("1") : QStringLiteral("0");
    return QStringLiteral("Insert tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID ) ")
        + QStringLiteral("Values ('") + sqlText(documentNumber.trimmed()) + QStringLiteral("','") + sqlText(line.itemId)
        + QStringLiteral("',") + plainNumber(line.quantity, "quantity", lineNumber)
        + QStringLiteral(",") + plainNumber(line.unitCost, "unit cost", lineNumber)
        + QStringLiteral(",'") + sqlText(line.forRetail) + QStringLiteral("', '") + ads
        + QStringLiteral("', '") + sqlText(document.locationId) + QStringLiteral("', '") + sqlText(document.targetLocationId)
        + QStringLiteral("', '") + date + QStringLiteral("', '") + sqlText(employeeCode) + QStringLiteral("')");
}

QString RequestStore::save(const RequestDocument &document, const QString &employeeCode,
                           const QString &verifierId, const std::optional<SaveChecks> &checks)
{
    // Characters no statement can carry are refused by name before anything is sent.
    requireStorableText(document.documentNumber, QStringLiteral("The document number"));
    requireStorableText(document.locationId, QStringLiteral("The requesting location"));
    requireStorableText(document.targetLocationId, QStringLiteral("The target location"));
    requireStorableText(employeeCode, QStringLiteral("The employee code"));
    requireStorableText(verifierId, QStringLiteral("The verifier's employee ID"));
    for (size_t i = 0; i < document.lines.size(); ++i)
        requireStorableText(document.lines[i].itemId, QStringLiteral("The item code on line %1").arg(i + 1));
    const QString date = transDateText(document.transDate);
    TransactionScope transaction(m_connection);
    QString number = document.documentNumber;
    if (number == QLatin1String("NEW")) {
        m_connection.lockExclusively(QStringLiteral("tbInvWithdrawRequest.DocumentNumber"));
        number = GetNewDocNumber();
    } else if (checks) {
        const StoredRequest expected = checks->opened && checks->opened->documentNumber() == number
            ? *checks->opened : StoredRequest(number);
        requireStill(expected, QStringLiteral("since you opened it"), QStringLiteral("Nothing was saved."));
    }
    if (checks)
        requireRightToRequestFrom(document.locationId, employeeCode, *checks);
    m_connection.Execute(QStringLiteral("Delete tbInvWithdrawRequest Where DocumentNumber = '") + sqlText(number) + QStringLiteral("'"));
    int lineNumber = 0;
    for (const RequestLine &line : document.lines) {
        ++lineNumber;
        if (line.itemId.trimmed().isEmpty())
            continue; // the blank entry row is never saved
        m_connection.Execute(insertStatement(number, line, document, date, employeeCode, lineNumber));
    }
    if (!verifierId.isEmpty())
        VerifySaved(number, verifierId);
    transaction.commit();
    return number;
}

void RequestStore::VerifySaved(const QString &documentNumber, const QString &verifierId)
{
    m_connection.Execute(QStringLiteral("Update tbInvWithdrawRequest Set VerifiedBy = '") + sqlText(verifierId)
                         + QStringLiteral("', VerifiedDate = getdate() Where DocumentNumber = '") + sqlText(documentNumber)
                         + QStringLiteral("'"));
}

void RequestStore::markDeleted(const QString &documentNumber, const QString &employeeCode)
{
    m_connection.Execute(QStringLiteral("Update tbInvWithDrawRequest set Status = 'D', ProcessDate = getdate(), ProcessBy = '")
                         + sqlText(employeeCode) + QStringLiteral("'  where DocumentNumber = '") + sqlText(documentNumber)
                         + QStringLiteral("'"));
}

void RequestStore::markDeleted(const QString &documentNumber, const QString &employeeCode,
                               const StoredRequest &expected)
{
    requireStorableText(documentNumber, QStringLiteral("The document number"));
    TransactionScope transaction(m_connection);
    requireStill(expected.documentNumber() == documentNumber ? expected : StoredRequest(documentNumber),
                 QStringLiteral("since the list showed it"), QStringLiteral("Nothing was deleted."));
    markDeleted(documentNumber, employeeCode);
    transaction.commit();
}

StoredRequest RequestStore::readStored(const QString &documentNumber)
{
    const auto rows = m_connection.run(StoredRequest::readStatement(documentNumber, false));
    return rows ? StoredRequest::fromRows(documentNumber, *rows) : StoredRequest(documentNumber);
}

void RequestStore::requireStill(const StoredRequest &expected, const QString &since, const QString &outcome)
{
    // Read under the transaction's lock: nobody can write the document between this check
    // and the statements that follow it.
    const QString &number = expected.documentNumber();
    const auto rows = m_connection.run(StoredRequest::readStatement(number, true));
    const StoredRequest current = rows ? StoredRequest::fromRows(number, *rows) : StoredRequest(number);
    if (!(current == expected))
        throw RequestConflict(current.changeSince(expected, since) + QLatin1Char(' ') + outcome, current);
    if (current.isDeleted())
        throw RequestConflict(QStringLiteral("Request %1 is marked deleted %2; a deleted request is never written over. ")
                                  .arg(number, StoredRequest::byWhomAndWhen(current.deleted())) + outcome,
                              current);
}

void RequestStore::requireRightToRequestFrom(const QString &locationId, const QString &employeeCode,
                                             const SaveChecks &checks)
{
    const QString location = checks.locationName.trimmed().isEmpty()
        ? locationId : QStringLiteral("%1 (%2)").arg(locationId, checks.locationName.trimmed());
    auto refuse = [&](const QString &why) {
        throw DbError(QStringLiteral("You may not request from location %1: %2. Nothing was saved.").arg(location, why));
    };
    // The employee's locations as the "Department From" list offers them.
    const auto permitted = m_connection.run(userLocationStatement(employeeCode));
    const int idColumn = permitted ? permitted->columnIndex(u"LocationID") : -1;
    const int nameColumn = permitted ? permitted->columnIndex(u"Location") : -1;
    QString locationRowName;
    for (int row = 0; permitted && row < permitted->rowCount(); ++row) {
        const bool same = idColumn >= 0
            ? permitted->value(row, idColumn).toString().trimmed().compare(locationId.trimmed(), Qt::CaseInsensitive) == 0
            : nameColumn >= 0 && permitted->value(row, nameColumn).toString() == checks.locationName;
        if (same) {
            locationRowName = nameColumn >= 0 ? permitted->value(row, nameColumn).toString() : checks.locationName;
            break;
        }
    }
    if (locationRowName.isNull())
        refuse(QStringLiteral("it is not among the locations of employee %1").arg(employeeCode));
    // The inventory types, read as the access check of "Department From" reads them.
    const Recordset rs = m_connection.Execute(locationByNameStatement(locationRowName));
    if (rs.BOF() && rs.isEOF())
        refuse(QStringLiteral("the location is not stored any more"));
    const QString inventoryType = IfNull(rs.Fields(QStringLiteral("InventoryType")), QString()).toString();
    if (!inventoryTypeAllows(checks.userInventoryType, inventoryType)) {
        refuse(checks.userInventoryType.isEmpty()
                   ? QStringLiteral("no inventory types are granted to you")
                   : QStringLiteral("its inventory types (%1) do not include yours (%2)").arg(inventoryType, checks.userInventoryType));
    }
}

QString RequestStore::loadStatement(const QString &documentNumber)
{
    return QStringLiteral("sp_Inv_LoadWithdrawalRequest '") + sqlText(documentNumber) + QStringLiteral("'");
}

QString RequestStore::newDocumentStatement()
{
    return QStringLiteral("sp_Inv_LoadWithdrawalRequest 'NEW'");
}

QString RequestStore::listStatement(bool processed)
{
    return QStringLiteral("sp_Inv_ListofWithdrawalRequest '") + (processed ? QStringLiteral("P") : QString())
        + QStringLiteral("'");
}
