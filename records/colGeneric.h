#pragma once

#include "GenericObject.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <vector>

// An ordered collection of GenericObject records; an item may carry a text key that is
// unique within the collection (keys are compared exactly).
class colGeneric
{
public:
    using Items = std::vector<std::shared_ptr<GenericObject>>;

    // Creates the record, appends it (under sKey unless it is empty) and returns it.
    // Throws std::invalid_argument for a key already present, ConversionError when the
    // delivery quantity does not fit a 16-bit integer; nothing is added then.
    std::shared_ptr<GenericObject> Add(const QString &GenericName, const QString &GLCode,
                                       const QDateTime &LastDeliveryDate, double LastDeliveryQuantity,
                                       double BOH, double AMC, double IT, double ForOrderQuantity,
                                       const QString &strUOM, const QString &strUOM_ID, double dblListCost,
                                       bool blnGenericOrBrand, double dblDT, double dblSSL,
                                       const QString &sKey = {});

    // By position from 1, or by key. Throws std::out_of_range for a position outside
    // 1..Count or an unknown key.
    std::shared_ptr<GenericObject> Item(qint32 position) const;
    std::shared_ptr<GenericObject> Item(const QString &key) const;

    qint32 Count() const { return qint32(m_items.size()); }

    // Throws std::out_of_range like Item.
    void Remove(qint32 position);
    void Remove(const QString &key);

    // The items in order, for range-for.
    Items::const_iterator begin() const { return m_items.begin(); }
    Items::const_iterator end() const { return m_items.end(); }

private:
    std::size_t indexOf(qint32 position) const;
    std::size_t indexOf(const QString &key) const;
    void removeAt(std::size_t index);

    Items m_items;
    std::vector<QString> m_keys; // parallel to m_items; empty for an item without a key
};
