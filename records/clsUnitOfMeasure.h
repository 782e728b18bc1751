#pragma once

#include "RecordConnection.h"

#include <QString>

class Recordset;

// One row of the unit of measure table tbInvUnitOfMeasure. A code of 0 means no unit.
class clsUnitOfMeasure
{
public:
    clsUnitOfMeasure();

    const QString &Status() const { return m_status; }
    void setStatus(const QString &status) { m_status = status; }

    // The connection is shared with the creator, never owned or closed.
    void setActiveConnection(Connection *connection) { m_connection = connection; }

    // Updates the row with this code, or inserts the unit under the next free code, which
    // then becomes the object's code. Raises a ClassError.
    bool Update();

    // Nothing is sent for the code already held; 0 resets. False when no row has the id.
    // Raises a ClassError.
    bool LoadUOM(qint16 unitOfMeasureId);

    const QString &Description() const { return m_description; }
    void setDescription(const QString &description) { m_description = description; }

    qint16 Code() const { return m_code; }
    void setCode(qint16 code) { m_code = code; }

    // Lets the user pick a unit through the lookup and loads it; false when none was
    // chosen or the chosen code has no row.
    bool SearchUOM(const QString &uomId);

private:
    void Class_Initialize();
    void copyFrom(const Recordset &rs);
    qint16 nextCode();

    Connection *m_connection = nullptr;
    QString m_status;
    QString m_description;
    qint16 m_code = 0;
};
