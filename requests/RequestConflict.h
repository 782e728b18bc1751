#pragma once

#include "StoredRequest.h"
#include "db/DbError.h"

// The stored request is no longer what the clerk worked from (another workstation saved,
// marked or processed it), or it is marked deleted: the save or delete mark was refused
// and nothing was written. description() says what happened.
class RequestConflict : public DbError
{
public:
    RequestConflict(const QString &description, StoredRequest current)
        : DbError(description), m_current(std::move(current))
    {
    }

    // The request as it is stored now.
    const StoredRequest &current() const { return m_current; }

private:
    StoredRequest m_current;
};
