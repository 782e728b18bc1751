#pragma once

#include "app/ClassError.h"
#include "app/MessageBox.h"
#include "db/Connection.h"

// What the record classes share: a load reads its statement's first row into the record,
// an Update looks for the stored row first, and a method that fails raises the record's
// class error to its caller.
namespace RecordAccess {

// How a failed method tells its cause: shown in a message box first, named after the source.
enum Cause { Hidden = 0, Shown = 1, Named = 2 };

template<typename Method>
auto raisingAs(const QString &source, Method method, int cause = Hidden) -> decltype(method())
{
    try {
        return method();
    } catch (const std::exception &error) {
        const QString description = QString::fromUtf8(error.what());
        if (cause & Shown)
            MsgBox(description, vbOKOnly);
        RaiseClassError(9999, cause & Named ? source + description : source);
    }
}

// Without a row the record resets and the load answers false.
template<typename Record>
bool loadFirstRow(Connection &connection, const QString &statement, Record &record, void (Record::*reset)(),
                  void (Record::*read)(const Recordset &))
{
    const Recordset rs = connection.Execute(statement);
    if (rs.BOF() && rs.isEOF()) {
        (record.*reset)();
        return false;
    }
    (record.*read)(rs);
    return true;
}

inline bool rowExists(Connection &connection, const QString &statement)
{
    const Recordset rs = connection.Execute(statement);
    return !(rs.BOF() && rs.isEOF());
}

// The first row's value of the column; fallback without a row or for a NULL.
inline QVariant firstValue(Connection &connection, const QString &statement, const QString &column,
                           const QVariant &fallback = {})
{
    const Recordset rs = connection.Execute(statement);
    const QVariant value = rs.BOF() && rs.isEOF() ? QVariant() : rs.Fields(column);
    return value.isNull() ? fallback : value;
}

} // namespace RecordAccess
