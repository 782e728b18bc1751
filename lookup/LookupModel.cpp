#include "LookupModel.h"

#include <algorithm>

LookupModel::LookupModel(QObject *parent) : QAbstractTableModel(parent) { }

void LookupModel::setTable(std::shared_ptr<const ResultTable> table)
{
    beginResetModel();
    m_table = std::move(table);
    m_shown = std::min(totalRows(), batchRows);
    endResetModel();
}

void LookupModel::fetchAll()
{
    showRowsUpTo(totalRows());
}

void LookupModel::showRowsUpTo(int rows)
{
    if (rows <= m_shown)
        return;
    beginInsertRows({}, m_shown, rows - 1);
    m_shown = rows;
    endInsertRows();
}

bool LookupModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_shown < totalRows();
}

void LookupModel::fetchMore(const QModelIndex &parent)
{
    if (!parent.isValid())
        showRowsUpTo(std::min(totalRows(), m_shown + batchRows));
}

int LookupModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shown;
}

int LookupModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_table ? 0 : m_table->columnCount();
}

QVariant LookupModel::data(const QModelIndex &index, int role) const
{
    if (!m_table || !index.isValid() || index.row() >= m_shown || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return m_table->value(index.row(), index.column());
}

QVariant LookupModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_table && section < m_table->columnCount() ? m_table->columnName(section) : QString();
    return section + 1;
}
