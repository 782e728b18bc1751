#pragma once

#include "RecordConnection.h"

#include <QString>

class Recordset;

// One generic name of tbforGeneric with the name of its therapeutic classification.
// Read only.
class clsGeneric
{
public:
    clsGeneric();

    // Always asks the server, even for the id already loaded. False (and reset) when no
    // generic has the id. Raises a ClassError.
    bool LoadGeneric(const QString &genericId);

    const QString &Classification() const { return m_classification; }
    const QString &GenericName() const { return m_genericName; }
    const QString &GenericID() const { return m_genericId; }

    // The connection is shared with the creator, never owned or closed.
    void setActiveConnection(Connection *connection) { m_connection = connection; }

private:
    void Class_Initialize();
    void copyFrom(const Recordset &rs);

    Connection *m_connection = nullptr;
    QString m_classification;
    QString m_genericName;
    QString m_genericId;
};
