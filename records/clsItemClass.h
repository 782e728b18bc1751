#pragma once

#include "RecordConnection.h"

#include <QString>

class Recordset;

// One row of the item classification table tbInvClassification, keyed by a short text code.
class clsItemClass
{
public:
    clsItemClass();

    const QString &Status() const { return m_status; }
    void setStatus(const QString &status) { m_status = status; }

    // The connection is shared with the creator, never owned or closed.
    void setActiveConnection(Connection *connection) { m_connection = connection; }

    // Updates the row with this code, or inserts it. A blank code or "New" is replaced by
    // the letter after the largest stored code ("A" on an empty table) before the insert.
    // Raises a ClassError.
    bool Update();

    const QString &Code() const { return m_code; }
    void setCode(const QString &code) { m_code = code; }

    // Nothing is sent for the code already held; a blank code resets. False when no row
    // has the code. Raises a ClassError.
    bool LoadItemClass(const QString &itemClassificationId);

    const QString &Description() const { return m_description; }
    void setDescription(const QString &description) { m_description = description; }

private:
    void Class_Initialize();
    void copyFrom(const Recordset &rs);
    QString generatedCode();

    Connection *m_connection = nullptr;
    QString m_status;
    QString m_code;
    QString m_description;
};
