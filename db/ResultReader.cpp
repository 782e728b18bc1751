#include "ResultReader.h"

#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

ResultReader::ResultReader(QSqlQuery &query, Dialect &dialect, QSqlDatabase &db)
    : m_query(query), m_dialect(dialect)
{
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        m_names << record.fieldName(i);
    m_kinds = dialect.columnKinds(record, db);
    m_kinds.resize(size_t(record.count()), ColumnKind::Plain);
    m_allPlain = std::all_of(m_kinds.begin(), m_kinds.end(), [](ColumnKind k) { return k == ColumnKind::Plain; });
}

std::shared_ptr<ResultTable> ResultReader::read(int maxRows)
{
    ResultTableBuilder builder(m_names);
    const int columns = int(m_kinds.size());
    for (int rows = 0; (maxRows < 0 || rows < maxRows) && m_query.next(); ++rows) {
        for (int i = 0; i < columns; ++i) {
            const QVariant value = m_query.value(i);
            const ColumnKind kind = m_allPlain ? ColumnKind::Plain : m_kinds[size_t(i)];
            switch (kind) {
            case ColumnKind::Plain:
                builder.append(i, value);
                break;
            case ColumnKind::Flag:
                if (value.isNull())
                    builder.appendNull(i);
                else
                    builder.append(i, QVariant(value.toLongLong() != 0 || value.toBool()));
                break;
            case ColumnKind::Date:
            case ColumnKind::MaybeDate:
                if (value.typeId() == QMetaType::QString && !value.isNull()) {
                    const std::optional<QDateTime> date = m_dialect.dateOf(value.toString(), kind);
                    builder.append(i, date ? QVariant(*date) : value);
                } else {
                    builder.append(i, value);
                }
                break;
            }
        }
        builder.endRow();
    }
    return builder.finish();
}
