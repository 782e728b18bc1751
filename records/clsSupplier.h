#pragma once

#include "RecordConnection.h"

#include <QString>

#include <memory>

class Recordset;
class clsTerms;

// One row of the supplier table tbInvSupplier (suppliers and manufacturers), with its
// payment terms as a linked clsTerms.
class clsSupplier
{
public:
    clsSupplier();
    clsSupplier(const clsSupplier &) = delete;
    clsSupplier &operator=(const clsSupplier &) = delete;

    const QString &ContactPerson() const { return m_contactPerson; }
    void setContactPerson(const QString &contactPerson) { m_contactPerson = contactPerson; }

    bool VATSupplier() const { return m_vatSupplier; }
    void setVATSupplier(bool vatSupplier) { m_vatSupplier = vatSupplier; }

    bool FreeGoods() const { return m_freeGoods; }
    void setFreeGoods(bool freeGoods) { m_freeGoods = freeGoods; }

    const QString &TelNum() const { return m_telNum; }
    void setTelNum(const QString &telNum) { m_telNum = telNum; }

    // Lets the user pick a supplier through the lookup and loads it; false when none was
    // chosen or the chosen id has no row.
    bool SearchSupplier(const QString &supplierId);

    // The supplier's payment terms. The first read after a load creates them on this
    // object's connection and loads them by the supplier's terms id (the load's result
    // is not examined); later reads return the same object.
    std::shared_ptr<clsTerms> Terms();
    void setTerms(std::shared_ptr<clsTerms> terms) { m_terms = std::move(terms); }

    const QString &Status() const { return m_status; }
    void setStatus(const QString &status) { m_status = status; }

    // The connection is shared with the creator, never owned or closed.
    void setActiveConnection(Connection *connection) { m_connection = connection; }

    // Updates the row with this id, or inserts the supplier under the next free id, which
    // then becomes the object's id. Terms must have been read or assigned first. Raises a
    // ClassError whose source names the failure.
    bool Update();

    // Nothing is sent for the id already held; a blank id resets. False when no row has
    // the id. A row without its FreeGoods or isVAT flag fails. Raises a ClassError.
    bool LoadSupplier(const QString &supplierId);

    const QString &Address3() const { return m_address3; }
    void setAddress3(const QString &address) { m_address3 = address; }
    const QString &Address2() const { return m_address2; }
    void setAddress2(const QString &address) { m_address2 = address; }
    const QString &Address1() const { return m_address1; }
    void setAddress1(const QString &address) { m_address1 = address; }

    const QString &SupplierType() const { return m_supplierType; }
    void setSupplierType(const QString &supplierType) { m_supplierType = supplierType; }

    const QString &SupplierName() const { return m_supplierName; }
    void setSupplierName(const QString &supplierName) { m_supplierName = supplierName; }

    const QString &SupplierID() const { return m_supplierId; }
    void setSupplierID(const QString &supplierId) { m_supplierId = supplierId; }

private:
    void Class_Initialize();
    void copyFrom(const Recordset &rs);
    QString nextSupplierId();
    QString termsCodeText() const;
    void insertSupplier(const QString &newId, qint16 termsCode);
    void updateSupplier(const QString &termsText);

    Connection *m_connection = nullptr;
    std::shared_ptr<clsTerms> m_terms;
    qint16 m_termsId = 0; // TermsID of the loaded row, for the first read of Terms
    // A load that failed half-way: its id must not pass for a loaded record.
    bool m_loadIncomplete = false;
    QString m_contactPerson;
    bool m_vatSupplier = false;
    bool m_freeGoods = false;
    QString m_telNum;
    QString m_status;
    QString m_address3;
    QString m_address2;
    QString m_address1;
    QString m_supplierType;
    QString m_supplierName;
    QString m_supplierId;
};
