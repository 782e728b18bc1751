#include "RequestStore.h"

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
                           const QString &verifierId)
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
    }
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
