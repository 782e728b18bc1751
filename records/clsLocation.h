#pragma once

#include "RecordConnection.h"

#include <QString>

class Recordset;

// One row of tbInvLocation: a warehouse, a dispensing area or an ordinary department.
// Loads a location by its identifier and writes it back, inserting it under the next
// free identifier when it is not stored yet. Failures reach the caller as ClassError.
class clsLocation
{
public:
    clsLocation();

    bool AllowedForPO() const { return m_allowedForPO; }
    void setAllowedForPO(bool value) { m_allowedForPO = value; }

    // Flags keep the database's numbers: a set bit reads -1, a cleared one 0.
    qint16 isDispensingArea() const { return m_isDispensingArea; }
    void setIsDispensingArea(qint16 value) { m_isDispensingArea = value; }

    qint16 IsWareHouse() const { return m_isWareHouse; }
    void setIsWareHouse(qint16 value) { m_isWareHouse = value; }

    QString Status() const { return m_status; }
    void setStatus(const QString &value) { m_status = value; }

    // The record shares the connection with its creator and never owns it.
    void setActiveConnection(RecordConnection connection) { m_connection = connection; }

    // Inserts the location when its Code is not stored (Code then becomes the new
    // identifier), otherwise updates it. Shows the failure's description before raising.
    bool Update();

    QString Code() const { return m_code; }
    void setCode(const QString &value) { m_code = value; }

    // False (and the record back at its defaults, AllowedForPO aside) when there is no
    // such location.
    bool LoadLocation(const QString &locationId);

    QString Description() const { return m_description; }
    void setDescription(const QString &value) { m_description = value; }

private:
    void Class_Initialize();
    void readRow(const Recordset &row);
    Connection &connection() const;
    QString nextLocationId() const;
    void insertLocation(const QString &newId) const;
    void updateLocation() const;

    RecordConnection m_connection = nullptr;
    bool m_allowedForPO = false; // not part of the reset: a failed load keeps it
    qint16 m_isDispensingArea = 1;
    qint16 m_isWareHouse = 1;
    QString m_status;
    QString m_code;
    QString m_description;
};
