#include "LookupModel.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Recordset.h"

#include <algorithm>

QString LookupModel::Result::firstValue(QStringView column) const
{
    const int at = first ? first->columnIndex(column) : -1;
    if (at < 0 || first->rowCount() == 0)
        return {};
    const QVariant value = first->value(0, at);
    return value.isNull() ? QString() : value.toString();
}

LookupModel::Result LookupModel::search(Connection &connection, const QString &sql, bool fewRows)
{
    Result result;
    if (fewRows) {
        result.first = connection.Execute(sql).table();
        return result;
    }
    result.rest = connection.openCursor(sql);
    result.first = result.rest->fetch(blockRows);
    if (result.rest->atEnd())
        result.rest.reset();
    return result;
}

LookupModel::LookupModel(QObject *parent) : QAbstractTableModel(parent) { }

LookupModel::~LookupModel() = default;

void LookupModel::setResult(Result result)
{
    beginResetModel();
    m_cursor = std::move(result.rest); // the former read is let go here
    m_blocks.clear();
    m_rows = 0;
    m_names = result.first ? result.first->columnNames() : QStringList();
    if (result.found()) {
        m_rows = result.first->rowCount();
        m_blocks.push_back({0, std::move(result.first)});
    }
    endResetModel();
}

void LookupModel::releaseCursor()
{
    m_cursor.reset();
}

std::pair<const ResultTable *, int> LookupModel::locate(int row) const
{
    auto after = std::upper_bound(m_blocks.begin(), m_blocks.end(), row,
                                  [](int r, const Block &block) { return r < block.firstRow; });
    const Block &block = *(after - 1);
    return {block.rows.get(), row - block.firstRow};
}

bool LookupModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_cursor && !m_cursor->atEnd();
}

void LookupModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    try {
        append(m_cursor->fetch(blockRows));
    } catch (const DbError &error) {
        m_cursor.reset();
        emit fetchFailed(error.description());
        return;
    }
    if (m_cursor->atEnd())
        m_cursor.reset();
}

void LookupModel::append(std::shared_ptr<const ResultTable> rows)
{
    if (!rows || rows->rowCount() == 0)
        return;
    beginInsertRows({}, m_rows, m_rows + rows->rowCount() - 1);
    m_blocks.push_back({m_rows, std::move(rows)});
    m_rows += m_blocks.back().rows->rowCount();
    endInsertRows();
}

int LookupModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int LookupModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant LookupModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_names.size()
        || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const auto [rows, at] = locate(index.row());
    return rows->value(at, index.column());
}

QVariant LookupModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section < m_names.size() ? m_names[section] : QString();
    return section + 1;
}
