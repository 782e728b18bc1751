#include "clsTerms.h"

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

clsTerms::clsTerms()
{
    Class_Initialize();
}

void clsTerms::Class_Initialize()
{
    m_status.clear();
    m_code = 0;
    m_numberOfDays = 0;
    m_description.clear();
    m_loadIncomplete = false;
}

bool clsTerms::LoadTerms(qint16 termsId, const QString &termDesc)
{
    return raisingAs(QStringLiteral("clsTerms:LoadTerms Method"), [&] {
        if (termsId == m_code && !m_loadIncomplete)
            return true;
        if (termsId == 0) {
            Class_Initialize();
            return true;
        }
        // The id keeps its sign blank after the "= " (two blanks before a positive id).
        return RecordAccess::loadFirstRow(requireConnection(m_connection),
            QStringLiteral("Select * From tbInvTerms Where TermsID = ") + signedNumberText(termsId)
            + QStringLiteral(" or Terms = '") + sqlText(termDesc.trimmed()) + QStringLiteral("'"),
            *this, &clsTerms::Class_Initialize, &clsTerms::copyFrom);
    });
}

void clsTerms::copyFrom(const Recordset &rs)
{
    // Columns go in one by one; a failure keeps those read before it, but the code alone
    // no longer counts as loaded.
    m_loadIncomplete = true;
    m_code = Convert::toInteger(rs.Fields(QStringLiteral("TermsID")));
    m_description = Convert::toText(rs.Fields(QStringLiteral("Terms"))); // a nameless row fails the load
    m_numberOfDays = Convert::toInteger(IfNull(rs.Fields(QStringLiteral("Nodays")), 0));
    m_status = IfNull(rs.Fields(QStringLiteral("Status")), QString()).toString();
    m_loadIncomplete = false;
}

qint16 clsTerms::nextCode()
{
    return Convert::toInteger(RecordAccess::firstValue(requireConnection(m_connection), // an empty table starts at 1
        QStringLiteral("Select Max( TermsID ) + 1 As NewCode From tbInvTerms"), QStringLiteral("NewCode"), 1));
}

bool clsTerms::Update()
{
    return raisingAs(QStringLiteral("clsTerms:Update Method"), [this] {
        refuseUnstorableTexts({{m_description, QStringLiteral("The terms description")},
                               {m_status, QStringLiteral("The terms status")}});
        const QString code = QString::number(m_code);
        if (!RecordAccess::rowExists(requireConnection(m_connection), QStringLiteral("Select * From tbInvTerms Where TermsID = ") + code)) {
            const qint16 newCode = nextCode();
            requireConnection(m_connection).Execute(
                QStringLiteral("Insert Into tbInvTerms ( TermsID, Terms, NoDays, Status ) Values (")
                + signedNumberText(newCode) + QStringLiteral(",'") + sqlText(m_description) + QStringLiteral("',")
                + signedNumberText(m_numberOfDays) + QStringLiteral(",'") + sqlText(m_status) + QStringLiteral("')"));
            // The record now stands for the stored row: a second Update updates it.
            m_code = newCode;
        } else {
            requireConnection(m_connection).Execute(
                QStringLiteral("Update tbInvTerms Set Terms = '") + sqlText(m_description) + QStringLiteral("', NoDays = ")
                + QString::number(m_numberOfDays) + QStringLiteral(", Status = '") + sqlText(m_status)
                + QStringLiteral("' Where TermsID = ") + code);
        }
        return true;
    });
}

bool clsTerms::SearchTerms(const QString &termsId)
{
    frmLookup::pickCode(frmLookup::lookupTerms, termsId);
    const QString chosen = gvarSearchValue.toString();
    if (chosen.isEmpty())
        return false;
    return LoadTerms(Convert::toInteger(NumberHandling::leadingNumber(chosen)), QString());
}
