#include "RequestStore.h"

#include "app/BusyCursor.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/SqlQuote.h"

#include <QLocale>
#include <QRegularExpression>

namespace {

QString quoted(const QString &value)
{
    return sqlText(value);
}

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
        + QStringLiteral("Values ('") + quoted(documentNumber.trimmed()) + QStringLiteral("','") + quoted(line.itemId)
        + QStringLiteral("',") + plainNumber(line.quantity, "quantity", lineNumber)
        + QStringLiteral(",") + plainNumber(line.unitCost, "unit cost", lineNumber)
        + QStringLiteral(",'") + quoted(line.forRetail) + QStringLiteral("', '") + ads
        + QStringLiteral("', '") + quoted(document.locationId) + QStringLiteral("', '") + quoted(document.targetLocationId)
        + QStringLiteral("', '") + date + QStringLiteral("', '") + quoted(employeeCode) + QStringLiteral("')");
}

QString RequestStore::save(const RequestDocument &document, const QString &employeeCode,
                           const QString &verifierId)
{
    const BusyCursor busy;
    const QString date = transDateText(document.transDate);
    TransactionScope transaction(m_connection);
    QString number = document.documentNumber;
    if (number == QLatin1String("NEW")) {
        m_connection.lockExclusively(QStringLiteral("tbInvWithdrawRequest.DocumentNumber"));
        number = GetNewDocNumber();
    }
    m_connection.Execute(QStringLiteral("Delete tbInvWithdrawRequest Where DocumentNumber = '") + quoted(number) + QStringLiteral("'"));
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
    m_connection.Execute(QStringLiteral("Update tbInvWithdrawRequest Set VerifiedBy = '") + quoted(verifierId)
                         + QStringLiteral("', VerifiedDate = getdate() Where DocumentNumber = '") + quoted(documentNumber)
                         + QStringLiteral("'"));
}

void RequestStore::markDeleted(const QString &documentNumber, const QString &employeeCode)
{
    m_connection.Execute(QStringLiteral("Update tbInvWithDrawRequest set Status = 'D', ProcessDate = getdate(), ProcessBy = '")
                         + quoted(employeeCode) + QStringLiteral("'  where DocumentNumber = '") + quoted(documentNumber)
                         + QStringLiteral("'"));
}

QString RequestStore::loadStatement(const QString &documentNumber)
{
    return QStringLiteral("sp_Inv_LoadWithdrawalRequest '") + quoted(documentNumber) + QStringLiteral("'");
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
