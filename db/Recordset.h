#pragma once

#include "ResultTable.h"

#include <QString>
#include <QVariant>

#include <memory>

class Connection;

// A client-side result set: the whole result is fetched when it opens and read row by
// row. Fields are read by column name; a NULL reads as an invalid QVariant.
class Recordset
{
public:
    enum CursorLocationEnum { adUseServer = 2, adUseClient = 3 };
    enum CursorTypeEnum { adOpenUnspecified = -1, adOpenForwardOnly = 0, adOpenKeyset = 1,
                          adOpenDynamic = 2, adOpenStatic = 3 };
    enum LockTypeEnum { adLockUnspecified = -1, adLockReadOnly = 1, adLockPessimistic = 2,
                        adLockOptimistic = 3, adLockBatchOptimistic = 4 };
    enum ObjectStateEnum { adStateClosed = 0, adStateOpen = 1 };

    Recordset() = default;
    explicit Recordset(std::shared_ptr<const ResultTable> rows);

    int CursorLocation() const { return m_cursorLocation; }
    void setCursorLocation(int location) { m_cursorLocation = location; }

    // Runs the statement on the connection and fetches its rows. A statement that
    // returns no rows leaves the set closed. Throws DbError.
    void Open(const QString &source, Connection &activeConnection,
              int cursorType = adOpenUnspecified, int lockType = adLockUnspecified,
              int options = -1);

    int RecordCount() const;
    bool BOF() const;
    // End of set. (EOF itself is a macro of the C library.)
    bool isEOF() const;
    void MoveFirst();
    void MoveNext();

    // The value of the named column in the current row. Throws DbError for an unknown
    // name or when there is no current row.
    QVariant Fields(const QString &name) const;

    int State() const { return m_rows ? adStateOpen : adStateClosed; }
    void Close();

    int CursorType() const { return m_cursorType; }
    int LockType() const { return m_lockType; }

    // The fetched rows, to show in a grid; null when closed.
    const std::shared_ptr<const ResultTable> &table() const { return m_rows; }

private:
    void requireOpen(const char *operation) const;

    std::shared_ptr<const ResultTable> m_rows;
    int m_position = 0;
    int m_cursorLocation = adUseServer;
    int m_cursorType = adOpenForwardOnly;
    int m_lockType = adLockReadOnly;
};
