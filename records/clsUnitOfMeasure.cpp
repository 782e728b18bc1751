#include "clsUnitOfMeasure.h"

#include "ObjectNotSet.h"
#include "RecordAccess.h"
#include "RecordText.h"

#include "app/Conversions.h"
#include "app/NumberHandling.h"
#include "app/modInventory.h"
#include "db/SqlQuote.h"
#include "lookup/frmLookup.h"

using NumberHandling::signedNumberText;
using RecordAccess::raisingAs;

clsUnitOfMeasure::clsUnitOfMeasure()
{
    Class_Initialize();
}

void clsUnitOfMeasure::Class_Initialize()
{
    m_status.clear();
    m_description.clear();
    m_code = 0;
}

bool clsUnitOfMeasure::LoadUOM(qint16 unitOfMeasureId)
{
    return raisingAs(QStringLiteral("clsUnitOfMeasure:LoadUOM Method"), [&] {
        if (unitOfMeasureId == m_code)
            return true;
        if (unitOfMeasureId == 0) {
            Class_Initialize();
            return true;
        }
        return RecordAccess::loadFirstRow(requireConnection(m_connection),
            QStringLiteral("Select * From tbInvUnitOfMeasure Where UnitOfMeasureID = ") + QString::number(unitOfMeasureId),
            *this, &clsUnitOfMeasure::Class_Initialize, &clsUnitOfMeasure::copyFrom);
    });
}

void clsUnitOfMeasure::copyFrom(const Recordset &rs)
{
    m_code = Convert::toInteger(rs.Fields(QStringLiteral("UnitOfMeasureID")));
    m_description = IfNull(rs.Fields(QStringLiteral("UnitOfMeasure")), QString()).toString();
    m_status = IfNull(rs.Fields(QStringLiteral("Status")), QString()).toString();
}

qint16 clsUnitOfMeasure::nextCode()
{
    return Convert::toInteger(RecordAccess::firstValue(requireConnection(m_connection), // an empty table starts at 1
        QStringLiteral("Select Max( UnitOfMeasureID ) + 1 As NewCode From tbInvUnitOfMeasure "), QStringLiteral("NewCode"), 1));
}

bool clsUnitOfMeasure::Update()
{
    return raisingAs(QStringLiteral("clsUnitOfMeasure:Update Method"), [this] {
        refuseUnstorableTexts({{m_description, QStringLiteral("The unit of measure name")},
                               {m_status, QStringLiteral("The unit of measure status")}});
        const QString code = QString::number(m_code);
        if (!RecordAccess::rowExists(requireConnection(m_connection),
                                     QStringLiteral("Select UnitOfMeasureID From tbInvUnitOfMeasure Where UnitOfMeasureID = ") + code)) {
            const qint16 newCode = nextCode();
            requireConnection(m_connection).Execute(
                QStringLiteral("Insert Into tbInvUnitOfMeasure ( UnitOfMeasureID, UnitOfMeasure, Status ) Values (")
                + signedNumberText(newCode) + QStringLiteral(" ,'") + sqlText(m_description) + QStringLiteral("','")
                + sqlText(m_status) + QStringLiteral("')"));
            // The record now stands for the stored row: a second Update updates it.
            m_code = newCode;
        } else {
            requireConnection(m_connection).Execute(
                QStringLiteral("Update tbInvUnitOfMeasure Set UnitOfMeasure = '") + sqlText(m_description)
                + QStringLiteral("', Status = '") + sqlText(m_status) + QStringLiteral("' Where UnitOfMeasureID = ") + code);
        }
        return true;
    });
}

bool clsUnitOfMeasure::SearchUOM(const QString &uomId)
{
    frmLookup::pickCode(frmLookup::lookupUnitsOfMeasure, uomId);
    const QString chosen = gvarSearchValue.toString();
    if (chosen.isEmpty())
        return false;
    return LoadUOM(Convert::toInteger(NumberHandling::leadingNumber(chosen)));
}
