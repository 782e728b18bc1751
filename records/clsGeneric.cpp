#include "clsGeneric.h"

#include "ObjectNotSet.h"

#include "app/ClassError.h"
#include "app/modInventory.h"
#include "db/Connection.h"
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
    try {
        // The classification is the tree node named by the generic's key up to its first
        // point (or by its first character when it has none).
        const Recordset rs = requireConnection(m_connection).Execute(
            QStringLiteral(" Select C.GenericID, C.GenericName, D.ClassificationName ")
            + QStringLiteral(" From tbforGeneric C Left Outer Join ")
            + QStringLiteral(" tbforClassification D ON SubString(C.Node_Key,1,Case When PatIndex('%.%',C.Node_Key) = 0 Then 1 Else PatIndex('%.%',C.Node_Key) -1 End ) = D.Node_Key ")
            + QStringLiteral(" Where C.GenericID = '") + sqlText(genericId) + QStringLiteral("'"));
        if (rs.BOF() && rs.isEOF()) {
            Class_Initialize();
            return false;
        }
        m_genericId = IfNull(rs.Fields(QStringLiteral("GenericID")), QString()).toString();
        m_genericName = IfNull(rs.Fields(QStringLiteral("GenericName")), QString()).toString();
        m_classification = IfNull(rs.Fields(QStringLiteral("ClassificationName")), QString()).toString();
        return true;
    } catch (const std::exception &) {
        RaiseClassError(9999, QStringLiteral("clsGeneric:LoadGeneric Method"));
    }
}
