#include "SqliteSchema.h"

#include "db/DbError.h"
#include "db/ForwardQuery.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

void SqliteSchema::load(QSqlDatabase &db)
{
    if (m_loaded)
        return;
    QSqlQuery query = forwardQuery(db);
    if (!query.exec(QStringLiteral("SELECT lower(m.name), lower(p.name), upper(p.type) "
                                   "FROM sqlite_master m, pragma_table_info(m.name) p WHERE m.type = 'table'"))) {
        const QSqlError error = query.lastError();
        throw DbError(error.databaseText().isEmpty() ? error.text() : error.databaseText(), error.nativeErrorCode());
    }
    m_dateColumns.clear();
    m_columns.clear();
    while (query.next()) {
        const QString column = query.value(1).toString();
        const QString type = query.value(2).toString();
        if (type == QLatin1String("DATETIME") || type == QLatin1String("DATE") || type == QLatin1String("SMALLDATETIME")
            || type == QLatin1String("DATETIME2"))
            m_dateColumns.insert(column);
        ColumnKind kind = ColumnKind::Plain;
        if (type == QLatin1String("BIT") || type == QLatin1String("BOOLEAN"))
            kind = ColumnKind::Flag;
        else if (type.startsWith(QLatin1String("DATETIME")) || type == QLatin1String("DATE")
                 || type == QLatin1String("SMALLDATETIME"))
            kind = ColumnKind::Date;
        m_columns.insert(query.value(0).toString() + QLatin1Char('.') + column, kind);
    }
    m_loaded = true;
}

const QSet<QString> &SqliteSchema::dateColumns(QSqlDatabase &db)
{
    load(db);
    return m_dateColumns;
}

std::vector<ColumnKind> SqliteSchema::columnKinds(const QSqlRecord &record, QSqlDatabase &db)
{
    std::vector<ColumnKind> kinds;
    kinds.reserve(size_t(record.count()));
    for (int i = 0; i < record.count(); ++i) {
        const QSqlField field = record.field(i);
        ColumnKind kind = ColumnKind::MaybeDate;
        if (!m_throughOdbc && !field.tableName().isEmpty()) {
            load(db);
            kind = m_columns.value(field.tableName().toLower() + QLatin1Char('.') + field.name().toLower(),
                                   ColumnKind::MaybeDate);
        }
        if (kind == ColumnKind::MaybeDate && field.metaType().id() == QMetaType::Bool)
            kind = ColumnKind::Flag;
        kinds.push_back(kind);
    }
    return kinds;
}

void SqliteSchema::clear()
{
    m_loaded = false;
    m_dateColumns.clear();
    m_columns.clear();
}
