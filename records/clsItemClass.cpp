#include "clsItemClass.h"

#include "ObjectNotSet.h"
#include "RecordText.h"

#include "app/ClassError.h"
#include "app/modInventory.h"
#include "db/Connection.h"
#include "db/SqlQuote.h"

#include <stdexcept>

clsItemClass::clsItemClass()
{
    Class_Initialize();
}

void clsItemClass::Class_Initialize()
{
    m_status.clear();
    m_code.clear();
    m_description.clear();
}

bool clsItemClass::LoadItemClass(const QString &itemClassificationId)
{
    try {
        if (itemClassificationId == m_code)
            return true;
        if (itemClassificationId.trimmed().isEmpty()) {
            Class_Initialize();
            return true;
        }
        const Recordset rs = requireConnection(m_connection).Execute(
            QStringLiteral("Select * From tbInvClassification Where ItemClassificationID = '")
            + sqlText(itemClassificationId) + QStringLiteral("'"));
        if (rs.BOF() && rs.isEOF()) {
            Class_Initialize();
            return false;
        }
        copyFrom(rs);
        return true;
    } catch (const std::exception &) {
        RaiseClassError(9999, QStringLiteral("clsItemClass:LoadItemClass Method"));
    }
}

void clsItemClass::copyFrom(const Recordset &rs)
{
    m_description = IfNull(rs.Fields(QStringLiteral("ItemClassificationName")), QString()).toString();
    m_code = IfNull(rs.Fields(QStringLiteral("ItemClassificationID")), QString()).toString();
    m_status = IfNull(rs.Fields(QStringLiteral("Status")), QStringLiteral("A")).toString(); // no status counts as active
}

QString clsItemClass::generatedCode()
{
    const Recordset rs = requireConnection(m_connection).Execute(
        QStringLiteral("Select Max( ItemClassificationID ) As MaxCode From tbInvClassification "));
    if (rs.BOF() && rs.isEOF())
        return QStringLiteral("A");
    const QVariant largest = rs.Fields(QStringLiteral("MaxCode"));
    if (largest.isNull())
        return QStringLiteral("A"); // an empty table starts at A
    const QString maxCode = largest.toString();
    if (maxCode.isEmpty())
        throw std::invalid_argument("Invalid procedure call or argument"); // no letter to follow
    // Only the first character of the largest code counts: after "C12" comes "D".
    return QString(QChar(char16_t(maxCode.front().unicode() + 1)));
}

bool clsItemClass::Update()
{
    try {
        refuseUnstorableTexts({{m_code, QStringLiteral("The classification code")},
                               {m_description, QStringLiteral("The classification name")},
                               {m_status, QStringLiteral("The classification status")}});
        Connection &connection = requireConnection(m_connection);
        const Recordset existing = connection.Execute(
            QStringLiteral("Select * From tbInvClassification Where ItemClassificationID = '") + sqlText(m_code) + QStringLiteral("'"));
        if (existing.BOF() && existing.isEOF()) {
            if (m_code.trimmed().isEmpty() || m_code == QLatin1String("New"))
                m_code = generatedCode();
            connection.Execute(
                QStringLiteral("Insert Into tbInvClassification (ItemClassificationID,ItemClassificationName, Status ) ")
                + QStringLiteral("Values ('") + sqlText(m_code) + QStringLiteral("','") + sqlText(m_description)
                + QStringLiteral("','") + sqlText(m_status) + QStringLiteral("')"));
        } else {
            connection.Execute(
                QStringLiteral("Update tbInvClassification Set ItemClassificationName = '") + sqlText(m_description)
                + QStringLiteral("', Status = '") + sqlText(m_status) + QStringLiteral("' Where ItemClassificationID = '")
                + sqlText(m_code) + QStringLiteral("'"));
        }
        return true;
    } catch (const std::exception &) {
        RaiseClassError(9999, QStringLiteral("clsItemClass:Update Method"));
    }
}
