#include "clsItem.h"

#include "ObjectNotSet.h"
#include "RecordAccess.h"
#include "clsItemMaster.h"
#include "clsLocation.h"

#include "app/ClassError.h"
#include "app/MessageBox.h"
#include "app/modInventory.h"
#include "db/Connection.h"
#include "db/SqlQuote.h"
#include "lookup/frmItemLookup.h"
#include "session/SessionComponent.h"
#include "FieldValues.h"

using namespace FieldValues;

namespace {

// The item is read over the session's connection, whatever the record was given.
Connection &sessionConnection()
{
    if (!gCurrentUser)
        throw ObjectNotSet();
    return gCurrentUser->SQLConnection();
}

} // namespace

clsItem::clsItem()
{
    Class_Initialize();
}

void clsItem::Class_Initialize()
{
    // Only the stock figures and the key go back to their defaults; the reorder, delivery
    // and ADS settings keep what the last load read.
    m_expiryDate = Convert::dateZero();
    m_lastInventoryCount = Convert::dateZero();
    m_aveConsumption = 0;
    m_minimumStockLevel = 0;
    m_averageCost = Currency();
    m_itemStatus = 0;
    m_sellingPriceOut = Currency();
    m_sellingPriceIn = Currency();
    m_onOrder = 0;
    m_onHand = 0;
    m_netAmount = Currency();
    m_markupOut = 0;
    m_markupIn = 0;
    m_itemId.clear();
    m_locationId.clear();
    m_loadIncomplete = false;
}

void clsItem::ReleaseLinks()
{
    m_itemMaster.reset();
    m_location.reset();
}

void clsItem::setItemMaster(std::shared_ptr<clsItemMaster> itemMaster)
{
    m_itemMaster = std::move(itemMaster);
}

std::shared_ptr<clsItemMaster> clsItem::ItemMaster()
{
    if (!m_itemMaster) {
        auto master = std::make_shared<clsItemMaster>();
        master->setActiveConnection(m_connection);
        master->LoadItem(m_itemId, nullptr);
        m_itemMaster = std::move(master);
    }
    return m_itemMaster;
}

void clsItem::setLocation(std::shared_ptr<clsLocation> location)
{
    m_location = std::move(location);
}

std::shared_ptr<clsLocation> clsItem::Location()
{
    return RecordAccess::raisingAs(QStringLiteral("clsItem:Location Property Get"), [this] {
        if (!m_location) {
            auto location = std::make_shared<clsLocation>();
            location->setActiveConnection(m_connection);
            location->LoadLocation(m_locationId);
            m_location = std::move(location);
        }
        return m_location;
    });
}

bool clsItem::LoadItem(const QString &itemId, const QString &locationId)
{
    try {
        if (itemId == m_itemId && !m_loadIncomplete)
            return true;
        ReleaseLinks(); // rebuilt for the new item on their next read
        if (itemId.trimmed().isEmpty()) {
            Class_Initialize();
            return true;
        }
        Recordset rs;
        rs.setCursorLocation(Recordset::adUseClient);
        rs.Open(QStringLiteral("sp_Inv_SearchItem_In_Invent '") + sqlText(itemId) + QStringLiteral("','")
                    + sqlText(locationId) + QStringLiteral("'"),
                sessionConnection(), Recordset::adOpenDynamic, Recordset::adLockReadOnly, -1);
        if (rs.RecordCount() < 1) {
            Class_Initialize();
            return false;
        }
        readRow(rs);
        return true;
    } catch (const std::exception &error) {
        MsgBox(QString::fromUtf8(error.what()), vbCritical, QStringLiteral("Message"));
        return false;
    }
}

void clsItem::readRow(const Recordset &rs)
{
    // Columns go in one by one; a failure keeps those read before it, but the id alone
    // no longer counts as loaded.
    m_loadIncomplete = true;
    m_locationId = textOf(rs, QStringLiteral("LocationID"));
    m_itemId = Convert::toText(rs.Fields(QStringLiteral("ItemID")));
    readStockFigures(rs);
    readReorderSettings(rs);
    readDeliveryAndAds(rs);
    m_loadIncomplete = false;
}

void clsItem::readStockFigures(const Recordset &rs)
{
    m_markupIn = integerOf(rs, QStringLiteral("Markup_In"));
    m_markupOut = integerOf(rs, QStringLiteral("Markup_Out"));
    m_netAmount = currencyOf(rs, QStringLiteral("NetAmount"));
    m_onHand = doubleOf(rs, QStringLiteral("OnHand"));
    m_onOrder = doubleOf(rs, QStringLiteral("OnOrder"));
    m_sellingPriceIn = currencyOf(rs, QStringLiteral("SellingPriceIn"));
    m_sellingPriceOut = currencyOf(rs, QStringLiteral("SellingPriceOut"));
    m_itemStatus = integerOf(rs, QStringLiteral("ItemStatus"));
    m_averageCost = currencyOf(rs, QStringLiteral("AverageCost"));
    m_minimumStockLevel = doubleOf(rs, QStringLiteral("MinStockLevel"));
    m_aveConsumption = doubleOf(rs, QStringLiteral("AveConsumption"));
    m_lastInventoryCount = dateOf(rs, QStringLiteral("LastInventoryCount"));
    m_expiryDate = dateOf(rs, QStringLiteral("ExpiryDate"));
}

void clsItem::readReorderSettings(const Recordset &rs)
{
    m_glCode = textOf(rs, QStringLiteral("NewGLCode"));
    m_poMonthsToDeliver = doubleOf(rs, QStringLiteral("POMonthsToDeliver"));
    m_minimumOrAverage = Convert::toBoolean(rs.Fields(QStringLiteral("MinimumOrAverage")));
    m_startDate = Convert::toText(rs.Fields(QStringLiteral("StartDate")));
    m_endDate = Convert::toText(rs.Fields(QStringLiteral("EndDate")));
    m_listCost = Convert::toDouble(rs.Fields(QStringLiteral("ListCost")));
    m_uom = Convert::toInteger(rs.Fields(QStringLiteral("UnitOfMeasureID")));
    m_uomDescription = Convert::toText(rs.Fields(QStringLiteral("UnitOfMeasure")));
}

void clsItem::readDeliveryAndAds(const Recordset &rs)
{
    m_lastDeliveryDate = Convert::toDate(rs.Fields(QStringLiteral("Last DDate")));
    m_lastDeliveryQty = Convert::toDouble(rs.Fields(QStringLiteral("Last Qty")));
    m_packing = Convert::toInteger(rs.Fields(QStringLiteral("Packing")));
    m_isFloor = Convert::toBoolean(rs.Fields(QStringLiteral("IsFloor")));
    m_isCeiling = Convert::toBoolean(rs.Fields(QStringLiteral("IsCeiling")));
    m_floor = Convert::toDouble(rs.Fields(QStringLiteral("Floor")));
    m_ceiling = Convert::toDouble(rs.Fields(QStringLiteral("Ceiling")));
    m_isADSStock = Convert::toBoolean(rs.Fields(QStringLiteral("IsADSStock")));
    m_adsStock = Convert::toDouble(rs.Fields(QStringLiteral("ADSStock")));
}

bool clsItem::SearchItem(const QString &itemCode, const QString &locationName, const QString &locationId)
{
    frmItemLookup::pickCode(itemCode, locationName, locationId);
    const QString chosen = gvarSearchValue.toString();
    if (chosen.isEmpty())
        return false;
    return LoadItem(chosen, locationId);
}
