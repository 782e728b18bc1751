#pragma once

#include "app/Conversions.h"
#include "app/modInventory.h"
#include "db/Recordset.h"

// Reading a column of the current row whose NULL has a default: the default goes
// through IfNull, then the value converts to the property's type (and fails as the
// conversion does). Columns without a default convert straight and fail on a NULL.
namespace FieldValues {

inline QString textOf(const Recordset &rs, const QString &column, const QString &nullText = {})
{
    return Convert::toText(IfNull(rs.Fields(column), nullText));
}

inline qint16 integerOf(const Recordset &rs, const QString &column)
{
    return Convert::toInteger(IfNull(rs.Fields(column), 0));
}

inline double doubleOf(const Recordset &rs, const QString &column)
{
    return Convert::toDouble(IfNull(rs.Fields(column), 0));
}

inline Currency currencyOf(const Recordset &rs, const QString &column)
{
    return Convert::toCurrency(IfNull(rs.Fields(column), 0));
}

// A NULL date is the date zero.
inline QDateTime dateOf(const Recordset &rs, const QString &column)
{
    return Convert::toDate(IfNull(rs.Fields(column), 0));
}

} // namespace FieldValues
