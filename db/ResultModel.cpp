#include "ResultModel.h"

#include <algorithm>

ResultModel::ResultModel(QObject *parent) : QAbstractTableModel(parent) { }

void ResultModel::setTable(std::shared_ptr<const ResultTable> table)
{
    beginResetModel();
    m_table = std::move(table);
    endResetModel();
}

void ResultModel::setHeaderLabels(const QStringList &labels)
{
    beginResetModel();
    m_labels = labels;
    endResetModel();
}

int ResultModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_table ? 0 : m_table->rowCount();
}

int ResultModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return std::max(int(m_labels.size()), m_table ? m_table->columnCount() : 0);
}

QVariant ResultModel::data(const QModelIndex &index, int role) const
{
    if (!m_table || !index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)
        || index.column() >= m_table->columnCount())
        return {};
    return m_table->value(index.row(), index.column());
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal) {
        if (section < m_labels.size())
            return m_labels[section];
        return m_table && section < m_table->columnCount() ? m_table->columnName(section) : QString();
    }
    return section + 1;
}
