#include "ResultModel.h"

ResultModel::ResultModel(QObject *parent) : QAbstractTableModel(parent) { }

void ResultModel::setTable(std::shared_ptr<const ResultTable> table)
{
    beginResetModel();
    m_table = std::move(table);
    endResetModel();
}

int ResultModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_table ? 0 : m_table->rowCount();
}

int ResultModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_table ? 0 : m_table->columnCount();
}

QVariant ResultModel::data(const QModelIndex &index, int role) const
{
    if (!m_table || !index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return m_table->value(index.row(), index.column());
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !m_table)
        return {};
    if (orientation == Qt::Horizontal)
        return section < m_table->columnCount() ? m_table->columnName(section) : QString();
    return section + 1;
}
