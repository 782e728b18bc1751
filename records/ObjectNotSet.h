#pragma once

#include <stdexcept>

class Connection;

// A record asked to work without an object it needs: no connection given, or no linked
// record where one must have been read or assigned.
class ObjectNotSet : public std::logic_error
{
public:
    ObjectNotSet() : std::logic_error("Object variable or With block variable not set") { }
};

// The record's connection; a record that was never given one fails instead of crashing.
inline Connection &requireConnection(Connection *connection)
{
    if (!connection)
        throw ObjectNotSet();
    return *connection;
}
