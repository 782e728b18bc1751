#include "clsItemMaster.h"

#include "FieldValues.h"

#include "ObjectNotSet.h"
#include "RecordAccess.h"
#include "RecordText.h"
#include "clsGeneric.h"
#include "clsItemClass.h"
#include "clsSupplier.h"
#include "clsUnitOfMeasure.h"

#include "app/NumberHandling.h"
#include "app/modInventory.h"
#include "db/SqlQuote.h"
#include "lookup/frmItemLookup.h"

using NumberHandling::format;
using NumberHandling::signedNumberText;

using namespace FieldValues;
using RecordAccess::raisingAs;

namespace {

const QString markupPicture = QStringLiteral("#####0");
const QString downTimePicture = QStringLiteral("##0.00");
const QString costPicture = QStringLiteral("#######0.0000");
const QString unitPicture = QStringLiteral("######0");
const QString packingPicture = QStringLiteral("#####0");

QString flagText(bool flag)
{
    return flag ? QStringLiteral("1") : QStringLiteral("0");
}

QString money(Currency amount)
{
    return format(amount.toDouble(), costPicture);
}

} // namespace

clsItemMaster::clsItemMaster()
{
    Class_Initialize();
}

void clsItemMaster::Class_Initialize()
{
    // GLCode, ByProduct, WithMedicare, the Medicare codes, the two flags and ItemClassTag
    // are left as they are.
    m_itemId.clear();
    m_itemName.clear();
    m_itemDesc.clear();
    m_markupIn = 0;
    m_markupOut = 0;
    m_downTime = 0;
    m_listCost = Currency();
    m_freight = 0;
    m_salesTax = 0;
    m_itemStatus = 0;
    m_packing = 0;
    m_vat = 0;
    m_barCode.clear();
    m_supplierId.clear();
    m_classificationId.clear();
    m_unitOfMeasureId = 0;
    m_averageCost = Currency();
    m_endorseMedicine = QStringLiteral("X");
    m_genericId.clear();
    m_manufacturerId.clear();
    m_loadIncomplete = false;
}

void clsItemMaster::ReleaseLinks()
{
    m_supplier.reset();
    m_itemClass.reset();
    m_unitOfMeasure.reset();
    m_generic.reset();
    m_manufacturer.reset();
}

std::shared_ptr<clsSupplier> clsItemMaster::Supplier()
{
    return raisingAs(QStringLiteral("clsItemMaster:Supplier Property Get"), [this] {
        if (!m_supplier) {
            auto supplier = std::make_shared<clsSupplier>();
            supplier->setActiveConnection(m_connection);
            supplier->LoadSupplier(m_supplierId);
            m_supplier = std::move(supplier);
        }
        return m_supplier;
    });
}

std::shared_ptr<clsSupplier> clsItemMaster::Manufacturer()
{
    if (!m_manufacturer) {
        auto manufacturer = std::make_shared<clsSupplier>();
        manufacturer->setActiveConnection(m_connection);
        manufacturer->LoadSupplier(m_manufacturerId);
        m_manufacturer = std::move(manufacturer);
    }
    return m_manufacturer;
}

std::shared_ptr<clsItemClass> clsItemMaster::ItemClass()
{
    return raisingAs(QStringLiteral("clsItemMaster:ItemClass Property Get"), [this] {
        if (!m_itemClass) {
            auto itemClass = std::make_shared<clsItemClass>();
            itemClass->setActiveConnection(m_connection);
            itemClass->LoadItemClass(m_classificationId);
            m_itemClass = std::move(itemClass);
        }
        return m_itemClass;
    });
}

std::shared_ptr<clsUnitOfMeasure> clsItemMaster::UnitOfMeasure()
{
    if (!m_unitOfMeasure) {
        auto unit = std::make_shared<clsUnitOfMeasure>();
        unit->setActiveConnection(m_connection);
        unit->LoadUOM(m_unitOfMeasureId);
        m_unitOfMeasure = std::move(unit);
    }
    return m_unitOfMeasure;
}

std::shared_ptr<clsGeneric> clsItemMaster::Generic()
{
    if (!m_generic) {
        auto generic = std::make_shared<clsGeneric>();
        generic->setActiveConnection(m_connection);
        generic->LoadGeneric(m_genericId);
        m_generic = std::move(generic);
    }
    return m_generic;
}

bool clsItemMaster::LoadItem(const QString &itemId, Connection * /*ignored*/)
{
    return raisingAs(QStringLiteral("clsItemMaster:LoadItem Method"), [&] {
        if (itemId == m_itemId && !m_loadIncomplete)
            return true;
        ReleaseLinks(); // the next reads build them from the new keys
        if (itemId.trimmed().isEmpty()) {
            Class_Initialize();
            return true;
        }
        return RecordAccess::loadFirstRow(
            requireConnection(m_connection), QStringLiteral("Select * From tbInvMaster Where ItemID = '") + sqlText(itemId)
                + QStringLiteral("'"), *this, &clsItemMaster::Class_Initialize, &clsItemMaster::copyFrom);
    });
}

void clsItemMaster::copyFrom(const Recordset &rs)
{
    // Columns go in one by one; a failure keeps those read before it, but the id alone
    // no longer counts as loaded.
    m_loadIncomplete = true;
    m_itemId = Convert::toText(rs.Fields(QStringLiteral("ItemID")));
    m_itemName = textOf(rs, QStringLiteral("ItemName"));
    m_itemDesc = textOf(rs, QStringLiteral("ItemDesc"));
    m_markupIn = integerOf(rs, QStringLiteral("MarkupIn"));
    m_markupOut = integerOf(rs, QStringLiteral("MarkupOut"));
    m_downTime = doubleOf(rs, QStringLiteral("DownTime"));
    m_listCost = currencyOf(rs, QStringLiteral("ListCost"));
    m_freight = doubleOf(rs, QStringLiteral("Freight"));
    m_salesTax = doubleOf(rs, QStringLiteral("SalesTax"));
    m_itemStatus = integerOf(rs, QStringLiteral("ItemStatus"));
    m_packing = integerOf(rs, QStringLiteral("Packing"));
    m_vat = integerOf(rs, QStringLiteral("VAT"));
    m_barCode = Convert::toText(IfNull(rs.Fields(QStringLiteral("BarCode")), 0)); // no bar code reads "0"
    m_supplierId = textOf(rs, QStringLiteral("SupplierID"));
    m_classificationId = textOf(rs, QStringLiteral("ItemClassificationID"));
    m_unitOfMeasureId = integerOf(rs, QStringLiteral("UnitOfMeasureID"));
    m_endorseMedicine = textOf(rs, QStringLiteral("OralInject"), QStringLiteral("X"));
    m_averageCost = currencyOf(rs, QStringLiteral("AverageCost"));
    m_genericId = textOf(rs, QStringLiteral("GenericID"));
    m_manufacturerId = textOf(rs, QStringLiteral("ManufacturerID"));
    m_seniorCitizenDiscount = Convert::toBoolean(rs.Fields(QStringLiteral("IsSeniorDiscounted")));
    m_withLotNumber = Convert::toBoolean(IfNull(rs.Fields(QStringLiteral("WithLotNumber")), false));
    m_medicareType = textOf(rs, QStringLiteral("MedicareType"), QStringLiteral("N"));
    m_medicareCategory = textOf(rs, QStringLiteral("MedicareCategory"), QStringLiteral("A"));
    m_glCode = textOf(rs, QStringLiteral("GLCode"));
    m_itemClassTag = textOf(rs, QStringLiteral("ItemClass"));
    m_loadIncomplete = false;
}

// Read before anything is sent, so that a record missing a linked object fails without
// drawing a new id.
clsItemMaster::LinkedKeys clsItemMaster::linkedKeys() const
{
    if (!m_supplier || !m_manufacturer || !m_itemClass || !m_unitOfMeasure)
        throw ObjectNotSet();
    return {m_supplier->SupplierID(), m_manufacturer->SupplierID(), m_itemClass->Code(), m_unitOfMeasure->Code()};
}

// The largest id read as a number once its letters P are gone, plus one; "1" on an
// empty table.
QString clsItemMaster::nextItemId()
{
    return Convert::toText(RecordAccess::firstValue(requireConnection(m_connection), QStringLiteral(
        "Select Convert(VarChar(4),Max( Convert(Integer,Replace(itemid,'P','')) ) + 1)  as MaxCode From tbInvMaster"),
        QStringLiteral("MaxCode"), QStringLiteral("1")));
}

bool clsItemMaster::Update()
{
    return raisingAs(QStringLiteral("clsItemMaster:Update Method"), [this] {
        const LinkedKeys keys = linkedKeys();
        // A refused text reaches the clerk through the message below, naming its field.
        requireStorableTexts({{m_itemId, QStringLiteral("The item ID")},
                              {m_itemName, QStringLiteral("The item name")},
                              {m_itemDesc, QStringLiteral("The item description")},
                              {m_barCode, QStringLiteral("The bar code")},
                              {m_medicareType, QStringLiteral("The Medicare type")},
                              {m_endorseMedicine, QStringLiteral("The medicine endorsement")},
                              {m_medicareCategory, QStringLiteral("The Medicare category")},
                              {m_glCode, QStringLiteral("The GL code")},
                              {m_itemClassTag, QStringLiteral("The item class")},
                              {keys.supplierId, QStringLiteral("The supplier ID")},
                              {keys.manufacturerId, QStringLiteral("The manufacturer ID")},
                              {keys.classificationCode, QStringLiteral("The classification code")}});
        if (!RecordAccess::rowExists(requireConnection(m_connection),
            QStringLiteral("Select ItemID From tbInvMaster Where ItemID = '") + sqlText(m_itemId) + QStringLiteral("'"))) {
            m_itemId = nextItemId();
            insertItem(keys);
        } else {
            updateItem(keys);
        }
        return true;
    }, RecordAccess::Shown | RecordAccess::Named);
}

void clsItemMaster::insertItem(const LinkedKeys &keys)
{
    // Without Medicare the type is stored as 2; IncludeInStatement is always 1.
    const QString medicareType = m_withMedicare
        ? QStringLiteral("','") + sqlText(m_medicareType) + QStringLiteral("',1,'")
        : QStringLiteral("','2',1,'");
    requireConnection(m_connection).Execute(
        QStringLiteral("Insert Into tbInvMaster ")
        + QStringLiteral("(ItemID,ItemName, ItemDesc, SupplierId, MarkupIn, ")
        + QStringLiteral(" MarkupOut, DownTime, Listcost, ItemClassificationID, ItemStatus, ")
        + QStringLiteral(" UnitOfMeasureID, Packing, BarCode, MedicareType,IncludeInStatement,OralInject, AverageCost, ManufacturerID, IsSeniorDiscounted, WithLOTNumber, MedicareCategory, GLCode ) ")
        + QStringLiteral("Values ('") + sqlText(m_itemId.trimmed()) + QStringLiteral("','") + sqlText(m_itemName.trimmed())
        + QStringLiteral("','") + sqlText(m_itemDesc.trimmed()) + QStringLiteral("','") + sqlText(keys.supplierId.trimmed())
        + QStringLiteral("',")
        + format(m_markupIn, markupPicture) + QStringLiteral(",") + format(m_markupOut, markupPicture)
        + QStringLiteral(",") + format(m_downTime, downTimePicture) + QStringLiteral(",") + money(m_listCost)
        + QStringLiteral(",'")
        + sqlText(keys.classificationCode) + QStringLiteral("',") + signedNumberText(m_itemStatus)
        + QStringLiteral(",") + format(keys.unitCode, unitPicture) + QStringLiteral(",")
        + format(m_packing, packingPicture) + QStringLiteral(",'")
        + sqlText(m_barCode) + medicareType
        + sqlText(m_endorseMedicine) + QStringLiteral("',") + money(m_averageCost) + QStringLiteral(", '")
        + sqlText(keys.manufacturerId.trimmed()) + QStringLiteral("',")
        + flagText(m_seniorCitizenDiscount) + QStringLiteral(",") + flagText(m_withLotNumber) + QStringLiteral(",'")
        + sqlText(m_medicareCategory) + QStringLiteral("','") + sqlText(m_glCode) + QStringLiteral("')"));
}

void clsItemMaster::updateItem(const LinkedKeys &keys)
{
    // Without Medicare the stored type stays as it is.
    const QString medicareType = m_withMedicare
        ? QStringLiteral(", MedicareType = '") + sqlText(m_medicareType) + QStringLiteral("' ")
        : QString();
    requireConnection(m_connection).Execute(
        QStringLiteral("Update tbInvMaster Set ItemName = '") + sqlText(m_itemName) + QStringLiteral("', ItemDesc = '")
        + sqlText(m_itemDesc) + QStringLiteral("', SupplierId = '") + sqlText(keys.supplierId)
        + QStringLiteral("', MarkupIn = ") + format(m_markupIn, markupPicture) + QStringLiteral(", MarkupOut = ")
        + format(m_markupOut, markupPicture) + QStringLiteral(", DownTime = ") + format(m_downTime, downTimePicture)
        + QStringLiteral(", Listcost = ") + money(m_listCost)
        + QStringLiteral(", ItemClassificationID = '") + sqlText(keys.classificationCode) + QStringLiteral("', ItemStatus = ")
        + signedNumberText(m_itemStatus) + QStringLiteral(", UnitOfMeasureID = ") + format(keys.unitCode, unitPicture)
        + QStringLiteral(", Packing = ") + format(m_packing, packingPicture) + QStringLiteral(", AverageCost = ")
        + money(m_averageCost)
        + QStringLiteral(", BarCode = '") + sqlText(m_barCode) + QStringLiteral("', OralInject = '")
        + sqlText(m_endorseMedicine) + QStringLiteral("', ") + QStringLiteral(" ManufacturerID = '")
        + sqlText(keys.manufacturerId.trimmed()) + QStringLiteral("' ")
        + QStringLiteral(", IsSeniorDiscounted = ") + flagText(m_seniorCitizenDiscount)
        + QStringLiteral(", WithLOTNumber = ") + flagText(m_withLotNumber)
        + medicareType
        + QStringLiteral(", MedicareCategory = '") + sqlText(m_medicareCategory) + QStringLiteral("' ")
        + QStringLiteral(", GLCode = '") + sqlText(m_glCode) + QStringLiteral("', ItemClass = '") + sqlText(m_itemClassTag)
        + (m_withMedicare ? QStringLiteral("'") : QStringLiteral("' "))
        + QStringLiteral(" Where ItemID = '") + sqlText(m_itemId.trimmed()) + QStringLiteral("'"));
}

bool clsItemMaster::SearchItem(const QString &itemCode)
{
    frmItemLookup::pickCode(itemCode, QString(), QString()); // no location: the whole item master
    const QString chosen = gvarSearchValue.toString();
    if (chosen.isEmpty())
        return false;
    return LoadItem(chosen);
}
