#include "colGeneric.h"

#include "app/Conversions.h"

#include <algorithm>
#include <stdexcept>

std::shared_ptr<GenericObject> colGeneric::Add(const QString &GenericName, const QString &GLCode,
                                               const QDateTime &LastDeliveryDate, double LastDeliveryQuantity,
                                               double BOH, double AMC, double IT, double ForOrderQuantity,
                                               const QString &strUOM, const QString &strUOM_ID, double dblListCost,
                                               bool blnGenericOrBrand, double dblDT, double dblSSL,
                                               const QString &sKey)
{
    if (!sKey.isEmpty() && std::find(m_keys.begin(), m_keys.end(), sKey) != m_keys.end())
        throw std::invalid_argument("This key is already associated with an element of this collection");
    auto item = std::make_shared<GenericObject>();
    item->setGenericName(GenericName);
    item->setGLCode(GLCode);
    item->setLastDeliveryDate(LastDeliveryDate);
    item->setLastDeliveryQuantity(Convert::toInteger(LastDeliveryQuantity));
    item->setBOH(BOH);
    item->setAMC(AMC);
    item->setIT(IT);
    item->setForOrderQuantity(ForOrderQuantity);
    item->setUOM(strUOM);
    item->setUOM_ID(strUOM_ID);
    item->setListCost(dblListCost);
    item->setGenericOrBrand(blnGenericOrBrand);
    item->setDT(dblDT);
    item->setSSL(dblSSL);
    m_items.push_back(item);
    m_keys.push_back(sKey);
    return item;
}

std::size_t colGeneric::indexOf(qint32 position) const
{
    if (position < 1 || position > Count())
        throw std::out_of_range("Invalid procedure call or argument");
    return std::size_t(position - 1);
}

std::size_t colGeneric::indexOf(const QString &key) const
{
    const auto found = key.isEmpty() ? m_keys.end() : std::find(m_keys.begin(), m_keys.end(), key);
    if (found == m_keys.end())
        throw std::out_of_range("Invalid procedure call or argument");
    return std::size_t(found - m_keys.begin());
}

std::shared_ptr<GenericObject> colGeneric::Item(qint32 position) const
{
    return m_items[indexOf(position)];
}

std::shared_ptr<GenericObject> colGeneric::Item(const QString &key) const
{
    return m_items[indexOf(key)];
}

void colGeneric::removeAt(std::size_t index)
{
    m_items.erase(m_items.begin() + std::ptrdiff_t(index));
    m_keys.erase(m_keys.begin() + std::ptrdiff_t(index));
}

void colGeneric::Remove(qint32 position)
{
    removeAt(indexOf(position));
}

void colGeneric::Remove(const QString &key)
{
    removeAt(indexOf(key));
}
