#pragma once

#include "RecordConnection.h"

#include "app/Conversions.h"

#include <QString>

#include <memory>

class Recordset;
class clsGeneric;
class clsItemClass;
class clsSupplier;
class clsUnitOfMeasure;

// One row of the item master tbInvMaster: the hospital-wide description of a stock item,
// with its supplier, manufacturer, classification, unit and generic as linked records.
class clsItemMaster
{
public:
    clsItemMaster();
    clsItemMaster(const clsItemMaster &) = delete;
    clsItemMaster &operator=(const clsItemMaster &) = delete;

    QString GLCode() const { return m_glCode; }
    void setGLCode(const QString &glCode) { m_glCode = glCode; }

    // Held for callers only; no statement touches it.
    bool ByProduct() const { return m_byProduct; }
    void setByProduct(bool byProduct) { m_byProduct = byProduct; }

    // Whether Update writes MedicareType (a new item without it is stored as type 2).
    bool WithMedicare() const { return m_withMedicare; }
    void setWithMedicare(bool withMedicare) { m_withMedicare = withMedicare; }

    QString MedicareType() const { return m_medicareType; }
    void setMedicareType(const QString &medicareType) { m_medicareType = medicareType; }

    QString MedicareCategory() const { return m_medicareCategory; }
    void setMedicareCategory(const QString &medicareCategory) { m_medicareCategory = medicareCategory; }

    bool WithLotNumber() const { return m_withLotNumber; }
    void setWithLotNumber(bool withLotNumber) { m_withLotNumber = withLotNumber; }

    bool SeniorCitizenDiscount() const { return m_seniorCitizenDiscount; }
    void setSeniorCitizenDiscount(bool discounted) { m_seniorCitizenDiscount = discounted; }

    // The linked records: the first read after a load creates the record on this
    // object's connection and loads it by the key the item row holds (the load's result
    // is not examined); later reads return the same object. An assigned record is kept
    // as given.
    std::shared_ptr<clsSupplier> Manufacturer();
    void setManufacturer(std::shared_ptr<clsSupplier> manufacturer) { m_manufacturer = std::move(manufacturer); }

    std::shared_ptr<clsGeneric> Generic();
    void setGeneric(std::shared_ptr<clsGeneric> generic) { m_generic = std::move(generic); }

    Currency AverageCost() const { return m_averageCost; }
    void setAverageCost(Currency averageCost) { m_averageCost = averageCost; }

    // The one-letter code kept in column OralInject.
    QString EndorseMedicine() const { return m_endorseMedicine; }
    void setEndorseMedicine(const QString &code) { m_endorseMedicine = code; }

    std::shared_ptr<clsUnitOfMeasure> UnitOfMeasure();
    void setUnitOfMeasure(std::shared_ptr<clsUnitOfMeasure> unit) { m_unitOfMeasure = std::move(unit); }

    // The connection is shared with the creator, never owned or closed.
    void setActiveConnection(Connection *connection) { m_connection = connection; }

    QString BarCode() const { return m_barCode; }
    void setBarCode(const QString &barCode) { m_barCode = barCode; }

    // Updates the row with this ItemID, or inserts the item under the next free number,
    // which becomes its ItemID. Supplier, Manufacturer, ItemClass and UnitOfMeasure must
    // have been read or assigned first. A failure is shown, then raised as a ClassError.
    bool Update();

    // Nothing is sent for the id already held; a blank id resets. False (and reset) when
    // no row has the id. The second argument is not used: the record always works on its
    // own connection. Raises a ClassError.
    bool LoadItem(const QString &itemId, Connection *ignored = nullptr);

    qint16 VAT() const { return m_vat; }
    void setVAT(qint16 vat) { m_vat = vat; }

    qint16 Packing() const { return m_packing; }
    void setPacking(qint16 packing) { m_packing = packing; }

    // 0 active, 1 inactive.
    qint16 ItemStatus() const { return m_itemStatus; }
    void setItemStatus(qint16 itemStatus) { m_itemStatus = itemStatus; }

    std::shared_ptr<clsItemClass> ItemClass();
    void setItemClass(std::shared_ptr<clsItemClass> itemClass) { m_itemClass = std::move(itemClass); }

    double SalesTax() const { return m_salesTax; }
    void setSalesTax(double salesTax) { m_salesTax = salesTax; }

    double Freight() const { return m_freight; }
    void setFreight(double freight) { m_freight = freight; }

    Currency ListCost() const { return m_listCost; }
    void setListCost(Currency listCost) { m_listCost = listCost; }

    double DownTime() const { return m_downTime; }
    void setDownTime(double downTime) { m_downTime = downTime; }

    qint16 MarkupOut() const { return m_markupOut; }
    void setMarkupOut(qint16 markup) { m_markupOut = markup; }

    qint16 MarkupIn() const { return m_markupIn; }
    void setMarkupIn(qint16 markup) { m_markupIn = markup; }

    std::shared_ptr<clsSupplier> Supplier();
    void setSupplier(std::shared_ptr<clsSupplier> supplier) { m_supplier = std::move(supplier); }

    QString ItemDesc() const { return m_itemDesc; }
    void setItemDesc(const QString &itemDesc) { m_itemDesc = itemDesc; }

    QString ItemName() const { return m_itemName; }
    void setItemName(const QString &itemName) { m_itemName = itemName; }

    // Setting the id loads nothing.
    QString ItemID() const { return m_itemId; }
    void setItemID(const QString &itemId) { m_itemId = itemId; }

    // Lets the user pick a product of the item master in the product search and loads
    // it; false when none was chosen or the chosen id has no row.
    bool SearchItem(const QString &itemCode);

    // The classification text of column ItemClass, loaded with the row so that an
    // Update writes back what is stored.
    QString ItemClassTag() const { return m_itemClassTag; }
    void setItemClassTag(const QString &tag) { m_itemClassTag = tag; }

private:
    // The values an Update writes from the linked records.
    struct LinkedKeys {
        QString supplierId;
        QString manufacturerId;
        QString classificationCode;
        qint16 unitCode = 0;
    };

    void Class_Initialize();
    void ReleaseLinks();
    void copyFrom(const Recordset &rs);
    LinkedKeys linkedKeys() const;
    QString nextItemId();
    void insertItem(const LinkedKeys &keys);
    void updateItem(const LinkedKeys &keys);

    Connection *m_connection = nullptr;
    // A load that failed half-way: its id must not pass for a loaded record.
    bool m_loadIncomplete = false;

    std::shared_ptr<clsSupplier> m_supplier;
    std::shared_ptr<clsItemClass> m_itemClass;
    std::shared_ptr<clsUnitOfMeasure> m_unitOfMeasure;
    std::shared_ptr<clsGeneric> m_generic;
    std::shared_ptr<clsSupplier> m_manufacturer;

    // Keys of the loaded row, for the first read of the linked records.
    QString m_supplierId;
    QString m_classificationId;
    qint16 m_unitOfMeasureId = 0;
    QString m_genericId;
    QString m_manufacturerId;

    QString m_glCode;
    bool m_byProduct = false;
    bool m_withMedicare = false;
    QString m_medicareType;
    QString m_medicareCategory;
    bool m_withLotNumber = false;
    bool m_seniorCitizenDiscount = false;
    Currency m_averageCost;
    QString m_endorseMedicine;
    QString m_barCode;
    qint16 m_vat = 0;
    qint16 m_packing = 0;
    qint16 m_itemStatus = 0;
    double m_salesTax = 0;
    double m_freight = 0;
    Currency m_listCost;
    double m_downTime = 0;
    qint16 m_markupOut = 0;
    qint16 m_markupIn = 0;
    QString m_itemDesc;
    QString m_itemName;
    QString m_itemId;
    QString m_itemClassTag;
};
