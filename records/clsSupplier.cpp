#include "clsSupplier.h"

#include "ObjectNotSet.h"
#include "RecordAccess.h"
#include "RecordText.h"
#include "clsTerms.h"

#include "app/Conversions.h"
#include "app/NumberHandling.h"
#include "app/modInventory.h"
#include "db/SqlQuote.h"
#include "lookup/frmLookup.h"

using NumberHandling::signedNumberText;
using RecordAccess::raisingAs;

namespace {

QString textOf(const Recordset &rs, const QString &column)
{
    return IfNull(rs.Fields(column), QString()).toString();
}

QString flagText(bool flag)
{
    return flag ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

clsSupplier::clsSupplier()
{
    Class_Initialize();
}

void clsSupplier::Class_Initialize()
{
    // Status, ContactPerson, FreeGoods and VATSupplier are left as they are.
    m_telNum.clear();
    m_address3.clear();
    m_address2.clear();
    m_address1.clear();
    m_supplierType.clear();
    m_supplierName.clear();
    m_supplierId.clear();
    m_termsId = 0;
    m_loadIncomplete = false;
}

std::shared_ptr<clsTerms> clsSupplier::Terms()
{
    if (!m_terms) {
        auto terms = std::make_shared<clsTerms>();
        terms->setActiveConnection(m_connection);
        terms->LoadTerms(m_termsId, QString());
        m_terms = std::move(terms);
    }
    return m_terms;
}

bool clsSupplier::LoadSupplier(const QString &supplierId)
{
    return raisingAs(QStringLiteral("clsSupplier:LoadSupplier Method"), [&] {
        if (supplierId == m_supplierId && !m_loadIncomplete)
            return true;
        m_terms.reset(); // the next read of Terms loads this supplier's terms
        if (supplierId.trimmed().isEmpty()) {
            Class_Initialize();
            return true;
        }
        return RecordAccess::loadFirstRow(
            requireConnection(m_connection), QStringLiteral("Select * From tbInvSupplier Where SupplierID = '")
                + sqlText(supplierId) + QStringLiteral("'"), *this, &clsSupplier::Class_Initialize, &clsSupplier::copyFrom);
    });
}

void clsSupplier::copyFrom(const Recordset &rs)
{
    // Columns go in one by one; a failure keeps those read before it, but the id alone
    // no longer counts as loaded.
    m_loadIncomplete = true;
    m_supplierId = textOf(rs, QStringLiteral("SupplierID"));
    m_supplierName = textOf(rs, QStringLiteral("SupplierName"));
    m_status = textOf(rs, QStringLiteral("Status"));
    m_supplierType = textOf(rs, QStringLiteral("SupplierType"));
    m_address1 = textOf(rs, QStringLiteral("Address1"));
    m_address2 = textOf(rs, QStringLiteral("Address2"));
    m_address3 = textOf(rs, QStringLiteral("Address3"));
    m_freeGoods = Convert::toBoolean(rs.Fields(QStringLiteral("FreeGoods")));
    m_termsId = Convert::toInteger(IfNull(rs.Fields(QStringLiteral("TermsID")), 0));
    m_telNum = textOf(rs, QStringLiteral("TelNum"));
    m_vatSupplier = Convert::toBoolean(rs.Fields(QStringLiteral("isVAT")));
    m_contactPerson = textOf(rs, QStringLiteral("ContactPerson"));
    m_loadIncomplete = false;
}

QString clsSupplier::termsCodeText() const
{
    if (!m_terms)
        throw ObjectNotSet(); // Terms was never read nor assigned
    return m_terms->Code() == 0 ? QStringLiteral("null") : signedNumberText(m_terms->Code());
}

QString clsSupplier::nextSupplierId()
{
    return RecordAccess::firstValue(requireConnection(m_connection), // an empty table starts at 1
        QStringLiteral("Select Convert( VarChar(4),Max( Convert(Integer,SupplierID) ) + 1) As NewSupplierID From tbInvSupplier "),
        QStringLiteral("NewSupplierID"), QStringLiteral("1")).toString();
}

bool clsSupplier::Update()
{
    return raisingAs(QStringLiteral("clsSupplier:Update Method :"), [this] {
        refuseUnstorableTexts({{m_supplierId, QStringLiteral("The supplier ID")},
                               {m_supplierName, QStringLiteral("The supplier name")},
                               {m_status, QStringLiteral("The supplier status")},
                               {m_supplierType, QStringLiteral("The supplier type")},
                               {m_address1, QStringLiteral("The first address line")},
                               {m_address2, QStringLiteral("The second address line")},
                               {m_address3, QStringLiteral("The third address line")},
                               {m_telNum, QStringLiteral("The telephone number")},
                               {m_contactPerson, QStringLiteral("The contact person")}});
        const QString termsText = termsCodeText();
        if (!RecordAccess::rowExists(requireConnection(m_connection),
            QStringLiteral("Select SupplierID From tbInvSupplier Where SupplierID = '") + sqlText(m_supplierId) + QStringLiteral("'"))) {
            const QString newId = nextSupplierId();
            insertSupplier(newId, m_terms->Code());
            // The record now stands for the stored row, so a second Update updates it
            // instead of inserting the supplier once more.
            m_supplierId = newId;
        } else {
            updateSupplier(termsText);
        }
        return true;
    }, RecordAccess::Named);
}

void clsSupplier::insertSupplier(const QString &newId, qint16 termsCode)
{
    // A new supplier's terms code is written as a number even when it is 0; the name
    // keeps the blank that follows it in the statement.
    requireConnection(m_connection).Execute(
        QStringLiteral("Insert Into tbInvSupplier (SupplierID, SupplierName, Status, SupplierType, Address1, Address2, Address3, TermsID, TelNum, FreeGoods, isVAT, ContactPerson ) Values ('")
        + sqlText(newId) + QStringLiteral("','") + sqlText(m_supplierName) + QStringLiteral(" ','") + sqlText(m_status)
        + QStringLiteral("','") + sqlText(m_supplierType) + QStringLiteral("','") + sqlText(m_address1)
        + QStringLiteral("','") + sqlText(m_address2) + QStringLiteral("','") + sqlText(m_address3)
        + QStringLiteral("',") + signedNumberText(termsCode) + QStringLiteral(",'") + sqlText(m_telNum)
        + QStringLiteral("', ") + flagText(m_freeGoods) + QStringLiteral(",") + flagText(m_vatSupplier)
        + QStringLiteral(",'") + sqlText(m_contactPerson) + QStringLiteral("' )"));
}

void clsSupplier::updateSupplier(const QString &termsText)
{
    requireConnection(m_connection).Execute(
        QStringLiteral("Update tbInvSupplier Set SupplierName = '") + sqlText(m_supplierName)
        + QStringLiteral("', Status = '") + sqlText(m_status) + QStringLiteral("', SupplierType = '") + sqlText(m_supplierType)
        + QStringLiteral("', Address1 = '") + sqlText(m_address1) + QStringLiteral("', Address2 = '") + sqlText(m_address2)
        + QStringLiteral("', Address3 = '") + sqlText(m_address3) + QStringLiteral("', TermsID = ") + termsText
        + QStringLiteral(", TelNum = '") + sqlText(m_telNum) + QStringLiteral("', ") + QStringLiteral("FreeGoods = ")
        + flagText(m_freeGoods) + QStringLiteral(", isVAT = ") + flagText(m_vatSupplier)
        + QStringLiteral(", ContactPerson = '") + sqlText(m_contactPerson) + QStringLiteral("' where SupplierID = '")
        + sqlText(m_supplierId) + QStringLiteral("'"));
}

bool clsSupplier::SearchSupplier(const QString &supplierId)
{
    frmLookup::pickCode(frmLookup::lookupSuppliers, supplierId);
    const QString chosen = gvarSearchValue.toString();
    if (chosen.isEmpty())
        return false;
    return LoadSupplier(chosen);
}
