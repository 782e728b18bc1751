#pragma once

#include "RecordConnection.h"

#include "app/Conversions.h"

#include <QDateTime>
#include <QString>

#include <memory>

class Recordset;
class clsItemMaster;
class clsLocation;

// One stock item as one location keeps it: stock figures, prices, markups, reorder and
// ADS settings, read through sp_Inv_SearchItem_In_Invent and never written back. Links
// to the item's master record and to the location.
class clsItem
{
public:
    clsItem();
    clsItem(const clsItem &) = delete;
    clsItem &operator=(const clsItem &) = delete;

    void setFloor(double floor) { m_floor = floor; }
    double Floor() const { return m_floor; }

    void setCeiling(double ceiling) { m_ceiling = ceiling; }
    double Ceiling() const { return m_ceiling; }

    void setPacking(qint16 packing) { m_packing = packing; }
    qint16 Packing() const { return m_packing; }

    void setLastDeliveryQty(double quantity) { m_lastDeliveryQty = quantity; }
    double LastDeliveryQty() const { return m_lastDeliveryQty; }

    void setLastDeliveryDate(const QDateTime &date) { m_lastDeliveryDate = date; }
    QDateTime LastDeliveryDate() const { return m_lastDeliveryDate; }

    void setUOMDescription(const QString &description) { m_uomDescription = description; }
    QString UOMDescription() const { return m_uomDescription; }

    void setUOM(qint16 unitOfMeasureId) { m_uom = unitOfMeasureId; }
    qint16 UOM() const { return m_uom; }

    void setListCost(double listCost) { m_listCost = listCost; }
    double ListCost() const { return m_listCost; }

    // The reorder period, kept as the texts the database holds.
    void setEndDate(const QString &date) { m_endDate = date; }
    QString EndDate() const { return m_endDate; }

    void setStartDate(const QString &date) { m_startDate = date; }
    QString StartDate() const { return m_startDate; }

    void setMinimumOrAverageConsumption(bool value) { m_minimumOrAverage = value; }
    bool MinimumOrAverageConsumption() const { return m_minimumOrAverage; }

    void setPOMonthsToDeliver(double months) { m_poMonthsToDeliver = months; }
    double POMonthsToDeliver() const { return m_poMonthsToDeliver; }

    void setGLCode(const QString &glCode) { m_glCode = glCode; }
    QString GLCode() const { return m_glCode; }

    void setExpiryDate(const QDateTime &date) { m_expiryDate = date; }
    QDateTime ExpiryDate() const { return m_expiryDate; }

    void setLastInventoryCount(const QDateTime &date) { m_lastInventoryCount = date; }
    QDateTime LastInventoryCount() const { return m_lastInventoryCount; }

    void setAveConsumption(double consumption) { m_aveConsumption = consumption; }
    double AveConsumption() const { return m_aveConsumption; }

    // The item's master record. The first read after a load creates it on this object's
    // connection and loads it by ItemID (the load's result is not examined); later reads
    // return the same object. An assigned record is kept as given.
    void setItemMaster(std::shared_ptr<clsItemMaster> itemMaster);
    std::shared_ptr<clsItemMaster> ItemMaster();

    // Handed to the linked records; the load itself runs on the session's connection.
    // Shared with the creator, never owned or closed.
    void setActiveConnection(Connection *connection) { m_connection = connection; }

    // Loads the item as the location stocks it. Nothing is sent for the id already held,
    // whatever the location; a blank id resets and succeeds. False (and reset) when the
    // location does not stock the item. A failure is shown in a message box and gives
    // false.
    bool LoadItem(const QString &itemId, const QString &locationId);

    void setMinimumStockLevel(double level) { m_minimumStockLevel = level; }
    double MinimumStockLevel() const { return m_minimumStockLevel; }

    void setAverageCost(Currency cost) { m_averageCost = cost; }
    Currency AverageCost() const { return m_averageCost; }

    // 0 active, 1 inactive at this location.
    void setItemStatus(qint16 status) { m_itemStatus = status; }
    qint16 ItemStatus() const { return m_itemStatus; }

    void setSellingPriceOut(Currency price) { m_sellingPriceOut = price; }
    Currency SellingPriceOut() const { return m_sellingPriceOut; }

    void setSellingPriceIn(Currency price) { m_sellingPriceIn = price; }
    Currency SellingPriceIn() const { return m_sellingPriceIn; }

    void setOnOrder(double quantity) { m_onOrder = quantity; }
    double OnOrder() const { return m_onOrder; }

    void setOnHand(double quantity) { m_onHand = quantity; }
    double OnHand() const { return m_onHand; }

    void setNetAmount(Currency amount) { m_netAmount = amount; }
    Currency NetAmount() const { return m_netAmount; }

    void setMarkupOut(qint16 markup) { m_markupOut = markup; }
    qint16 MarkupOut() const { return m_markupOut; }

    void setMarkupIn(qint16 markup) { m_markupIn = markup; }
    qint16 MarkupIn() const { return m_markupIn; }

    // The location of the loaded row, created and loaded on first read like ItemMaster.
    void setLocation(std::shared_ptr<clsLocation> location);
    std::shared_ptr<clsLocation> Location();

    // Setting the id loads nothing; later ItemMaster reads and loads see the new id.
    void setItemID(const QString &itemId) { m_itemId = itemId; }
    QString ItemID() const { return m_itemId; }

    // Lets the user pick a product of the location in the product search and loads it;
    // false when none was chosen or the load fails. Failures of the search reach the
    // caller.
    bool SearchItem(const QString &itemCode, const QString &locationName, const QString &locationId);

    bool IsFloor() const { return m_isFloor; }
    void setIsFloor(bool value) { m_isFloor = value; }

    bool IsCeiling() const { return m_isCeiling; }
    void setIsCeiling(bool value) { m_isCeiling = value; }

    bool IsADSStock() const { return m_isADSStock; }
    void setIsADSStock(bool value) { m_isADSStock = value; }

    double ADSStock() const { return m_adsStock; }
    void setADSStock(double quantity) { m_adsStock = quantity; }

private:
    void Class_Initialize();
    void ReleaseLinks();
    void readRow(const Recordset &rs);
    void readStockFigures(const Recordset &rs);
    void readReorderSettings(const Recordset &rs);
    void readDeliveryAndAds(const Recordset &rs);

    Connection *m_connection = nullptr;
    // A load that failed half-way: its id must not pass for a loaded record.
    bool m_loadIncomplete = false;
    QString m_locationId; // LocationID of the loaded row, for the first read of Location
    std::shared_ptr<clsItemMaster> m_itemMaster;
    std::shared_ptr<clsLocation> m_location;

    double m_floor = 0;
    double m_ceiling = 0;
    qint16 m_packing = 0;
    double m_lastDeliveryQty = 0;
    QDateTime m_lastDeliveryDate = Convert::dateZero();
    QString m_uomDescription;
    qint16 m_uom = 0;
    double m_listCost = 0;
    QString m_endDate;
    QString m_startDate;
    bool m_minimumOrAverage = false;
    double m_poMonthsToDeliver = 0;
    QString m_glCode;
    QDateTime m_expiryDate = Convert::dateZero();
    QDateTime m_lastInventoryCount = Convert::dateZero();
    double m_aveConsumption = 0;
    double m_minimumStockLevel = 0;
    Currency m_averageCost;
    qint16 m_itemStatus = 0;
    Currency m_sellingPriceOut;
    Currency m_sellingPriceIn;
    double m_onOrder = 0;
    double m_onHand = 0;
    Currency m_netAmount;
    qint16 m_markupOut = 0;
    qint16 m_markupIn = 0;
    QString m_itemId;
    bool m_isFloor = false;
    bool m_isCeiling = false;
    bool m_isADSStock = false;
    double m_adsStock = 0;
};
