#include "Recordset.h"

#include "Connection.h"
#include "DbError.h"

Recordset::Recordset(std::shared_ptr<const ResultTable> rows) : m_rows(std::move(rows)) { }

void Recordset::Open(const QString &source, Connection &activeConnection, int cursorType,
                     int lockType, int /*options*/)
{
    if (m_rows)
        throw DbError(QStringLiteral("Operation is not allowed when the object is open."));
    if (cursorType != adOpenUnspecified)
        m_cursorType = cursorType;
    if (lockType != adLockUnspecified)
        m_lockType = lockType;
    m_rows = activeConnection.run(source);
    m_position = 0;
}

void Recordset::requireOpen(const char *operation) const
{
    if (!m_rows)
        throw DbError(QStringLiteral("Operation is not allowed when the object is closed (%1).")
                          .arg(QLatin1String(operation)));
}

int Recordset::RecordCount() const
{
    requireOpen("RecordCount");
    return m_rows->rowCount();
}

bool Recordset::BOF() const
{
    requireOpen("BOF");
    return m_rows->rowCount() == 0 || m_position < 0;
}

bool Recordset::isEOF() const
{
    requireOpen("EOF");
    return m_position >= m_rows->rowCount();
}

void Recordset::MoveFirst()
{
    requireOpen("MoveFirst");
    m_position = 0;
}

void Recordset::MoveNext()
{
    requireOpen("MoveNext");
    if (isEOF())
        throw DbError(QStringLiteral("Either BOF or EOF is True, or the current record has been "
                                     "deleted. Requested operation requires a current record."));
    ++m_position;
}

QVariant Recordset::Fields(const QString &name) const
{
    requireOpen("Fields");
    const int column = m_rows->columnIndex(name);
    if (column < 0)
        throw DbError(QStringLiteral("Item cannot be found in the collection corresponding to the "
                                     "requested name or ordinal. (%1)").arg(name));
    if (m_position < 0 || m_position >= m_rows->rowCount())
        throw DbError(QStringLiteral("Either BOF or EOF is True, or the current record has been "
                                     "deleted. Requested operation requires a current record."));
    return m_rows->value(m_position, column);
}

void Recordset::Close()
{
    requireOpen("Close");
    m_rows.reset();
    m_position = 0;
}
