#include "clsItemClass.h"

#include "ObjectNotSet.h"
#include "RecordAccess.h"
#include "RecordText.h"

#include "app/modInventory.h"
#include "db/SqlQuote.h"

#include <stdexcept>

using RecordAccess::raisingAs;

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
    return raisingAs(QStringLiteral("clsItemClass:LoadItemClass Method"), [&] {
        if (itemClassificationId == m_code)
            return true;
        if (itemClassificationId.trimmed().isEmpty()) {
            Class_Initialize();
            return true;
        }
        return RecordAccess::loadFirstRow(requireConnection(m_connection),
            QStringLiteral("Select * From tbInvClassification Where ItemClassificationID = '")
            + sqlText(itemClassificationId) + QStringLiteral("'"), *this, &clsItemClass::Class_Initialize, &clsItemClass::copyFrom);
    });
}

void clsItemClass::copyFrom(const Recordset &rs)
{
    m_description = IfNull(rs.Fields(QStringLiteral("ItemClassificationName")), QString()).toString();
    m_code = IfNull(rs.Fields(QStringLiteral("ItemClassificationID")), QString()).toString();
    m_status = IfNull(rs.Fields(QStringLiteral("Status")), QStringLiteral("A")).toString(); // no status counts as active
}

QString clsItemClass::generatedCode()
{
    const QVariant largest = RecordAccess::firstValue(requireConnection(m_connection),
        QStringLiteral("Select Max( ItemClassificationID ) As MaxCode From tbInvClassification "), QStringLiteral("MaxCode"));
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
    return raisingAs(QStringLiteral("clsItemClass:Update Method"), [this] {
        refuseUnstorableTexts({{m_code, QStringLiteral("The classification code")},
                               {m_description, QStringLiteral("The classification name")},
                               {m_status, QStringLiteral("The classification status")}});
        Connection &connection = requireConnection(m_connection);
        if (!RecordAccess::rowExists(connection,
            QStringLiteral("Select * From tbInvClassification Where ItemClassificationID = '") + sqlText(m_code) + QStringLiteral("'"))) {
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
    });
}
