#include "clsUnitOfMeasure.h"

#include "ObjectNotSet.h"
#include "RecordText.h"

#include "app/ClassError.h"
#include "app/Conversions.h"
#include "app/NumberHandling.h"
#include "app/modInventory.h"
#include "db/Connection.h"
#include "db/SqlQuote.h"
#include "lookup/frmLookup.h"

using NumberHandling::signedNumberText;

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
    try {
        if (unitOfMeasureId == m_code)
            return true;
        if (unitOfMeasureId == 0) {
            Class_Initialize();
            return true;
        }
        const Recordset rs = requireConnection(m_connection).Execute(
            QStringLiteral("Select * From tbInvUnitOfMeasure Where UnitOfMeasureID = ") + QString::number(unitOfMeasureId));
        if (rs.BOF() && rs.isEOF()) {
            Class_Initialize();
            return false;
        }
        copyFrom(rs);
        return true;
    } catch (const std::exception &) {
        RaiseClassError(9999, QStringLiteral("clsUnitOfMeasure:LoadUOM Method"));
    }
}

void clsUnitOfMeasure::copyFrom(const Recordset &rs)
{
    m_code = Convert::toInteger(rs.Fields(QStringLiteral("UnitOfMeasureID")));
    m_description = IfNull(rs.Fields(QStringLiteral("UnitOfMeasure")), QString()).toString();
    m_status = IfNull(rs.Fields(QStringLiteral("Status")), QString()).toString();
}

qint16 clsUnitOfMeasure::nextCode()
{
    const Recordset rs = requireConnection(m_connection).Execute(
        QStringLiteral("Select Max( UnitOfMeasureID ) + 1 As NewCode From tbInvUnitOfMeasure "));
    if (rs.BOF() && rs.isEOF())
        return 1;
    const QVariant next = rs.Fields(QStringLiteral("NewCode"));
    return next.isNull() ? qint16(1) : Convert::toInteger(next); // an empty table starts at 1
}

bool clsUnitOfMeasure::Update()
{
    try {
        refuseUnstorableTexts({{m_description, QStringLiteral("The unit of measure name")},
                               {m_status, QStringLiteral("The unit of measure status")}});
        const QString code = QString::number(m_code);
        const Recordset existing = requireConnection(m_connection).Execute(
            QStringLiteral("Select UnitOfMeasureID From tbInvUnitOfMeasure Where UnitOfMeasureID = ") + code);
        if (existing.BOF() && existing.isEOF()) {
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
    } catch (const std::exception &) {
        RaiseClassError(9999, QStringLiteral("clsUnitOfMeasure:Update Method"));
    }
}

bool clsUnitOfMeasure::SearchUOM(const QString &uomId)
{
    frmLookup::pickCode(frmLookup::lookupUnitsOfMeasure, uomId);
    const QString chosen = gvarSearchValue.toString();
    if (chosen.isEmpty())
        return false;
    return LoadUOM(Convert::toInteger(NumberHandling::leadingNumber(chosen)));
}
