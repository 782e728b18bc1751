#include "clsGeneric.h"

#include "ObjectNotSet.h"
#include "RecordAccess.h"

#include "app/modInventory.h"
#include "db/SqlQuote.h"

clsGeneric::clsGeneric()
{
    Class_Initialize();
}

void clsGeneric::Class_Initialize()
{
    m_classification.clear();
    m_genericName.clear();
    m_genericId.clear();
}

bool clsGeneric::LoadGeneric(const QString &genericId)
{
    return RecordAccess::raisingAs(QStringLiteral("clsGeneric:LoadGeneric Method"), [&] {
        // The classification is the tree node named by the generic's key up to its first
        // point (or by its first character when it has none).
        return RecordAccess::loadFirstRow(requireConnection(m_connection),
            QStringLiteral(" Select C.GenericID, C.GenericName, D.ClassificationName ")
            + QStringLiteral(" From tbforGeneric C Left Outer Join ")
            + QStringLiteral(" tbforClassification D ON SubString(C.Node_Key,1,Case When PatIndex('%.%',C.Node_Key) = 0 Then 1 Else PatIndex('%.%',C.Node_Key) -1 End ) = D.Node_Key ")
            + QStringLiteral(" Where C.GenericID = '") + sqlText(genericId) + QStringLiteral("'"),
            *this, &clsGeneric::Class_Initialize, &clsGeneric::copyFrom);
    });
}

void clsGeneric::copyFrom(const Recordset &rs)
{
    m_genericId = IfNull(rs.Fields(QStringLiteral("GenericID")), QString()).toString();
    m_genericName = IfNull(rs.Fields(QStringLiteral("GenericName")), QString()).toString();
    m_classification = IfNull(rs.Fields(QStringLiteral("ClassificationName")), QString()).toString();
}
