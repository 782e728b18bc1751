#pragma once

#include <QDateTime>
#include <QString>

// The ordering figures of one generic or brand, as colGeneric holds them. A plain value
// record.
class GenericObject
{
public:
    bool GenericOrBrand() const { return m_genericOrBrand; }
    void setGenericOrBrand(bool genericOrBrand) { m_genericOrBrand = genericOrBrand; }

    double ListCost() const { return m_listCost; }
    void setListCost(double listCost) { m_listCost = listCost; }

    const QString &UOM_ID() const { return m_uomId; }
    void setUOM_ID(const QString &uomId) { m_uomId = uomId; }

    const QString &UOM() const { return m_uom; }
    void setUOM(const QString &uom) { m_uom = uom; }

    double ForOrderQuantity() const { return m_forOrderQuantity; }
    void setForOrderQuantity(double quantity) { m_forOrderQuantity = quantity; }

    double IT() const { return m_it; }
    void setIT(double it) { m_it = it; }

    double AMC() const { return m_amc; }
    void setAMC(double amc) { m_amc = amc; }

    double BOH() const { return m_boh; }
    void setBOH(double boh) { m_boh = boh; }

    qint16 LastDeliveryQuantity() const { return m_lastDeliveryQuantity; }
    void setLastDeliveryQuantity(qint16 quantity) { m_lastDeliveryQuantity = quantity; }

    const QDateTime &LastDeliveryDate() const { return m_lastDeliveryDate; }
    void setLastDeliveryDate(const QDateTime &date) { m_lastDeliveryDate = date; }

    const QString &GLCode() const { return m_glCode; }
    void setGLCode(const QString &glCode) { m_glCode = glCode; }

    const QString &GenericName() const { return m_genericName; }
    void setGenericName(const QString &genericName) { m_genericName = genericName; }

    double DT() const { return m_dt; }
    void setDT(double dt) { m_dt = dt; }

    double SSL() const { return m_ssl; }
    void setSSL(double ssl) { m_ssl = ssl; }

private:
    bool m_genericOrBrand = false;
    double m_listCost = 0;
    QString m_uomId;
    QString m_uom;
    double m_forOrderQuantity = 0;
    double m_it = 0;
    double m_amc = 0;
    double m_boh = 0;
    qint16 m_lastDeliveryQuantity = 0;
    QDateTime m_lastDeliveryDate;
    QString m_glCode;
    QString m_genericName;
    double m_dt = 0;
    double m_ssl = 0;
};
