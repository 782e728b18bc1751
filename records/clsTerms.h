#pragma once

#include "RecordConnection.h"

#include <QString>

class Recordset;

// One row of the payment terms table tbInvTerms. A code of 0 means no terms.
class clsTerms
{
public:
    clsTerms();

    const QString &Status() const { return m_status; }
    void setStatus(const QString &status) { m_status = status; }

    // The connection is shared with the creator, never owned or closed.
    void setActiveConnection(Connection *connection) { m_connection = connection; }

    qint16 Code() const { return m_code; }
    void setCode(qint16 code) { m_code = code; }

    qint16 NumberOfDays() const { return m_numberOfDays; }
    void setNumberOfDays(qint16 days) { m_numberOfDays = days; }

    const QString &Description() const { return m_description; }
    void setDescription(const QString &description) { m_description = description; }

    // Loads the row with that id, or else the one with that name. Nothing is sent for the
    // code already held; 0 resets. False when no row matches. Raises a ClassError.
    bool LoadTerms(qint16 termsId, const QString &termDesc = {});

    // Updates the row with this code, or inserts the terms under the next free code, which
    // then becomes the object's code. Raises a ClassError.
    bool Update();

    // Lets the user pick terms through the lookup and loads them; false when none was
    // chosen or the chosen code has no row.
    bool SearchTerms(const QString &termsId);

private:
    void Class_Initialize();
    void copyFrom(const Recordset &rs);
    qint16 nextCode();

    Connection *m_connection = nullptr;
    QString m_status;
    qint16 m_code = 0;
    qint16 m_numberOfDays = 0;
    QString m_description;
    // A load that failed half-way: its code must not pass for a loaded record.
    bool m_loadIncomplete = false;
};
