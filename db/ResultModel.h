#pragma once

#include "ResultTable.h"

#include <QAbstractTableModel>

#include <memory>

// Shows a fetched result in a view without copying it: the model shares the table.
class ResultModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ResultModel(QObject *parent = nullptr);

    // Shows another result (or none); views are reset.
    void setTable(std::shared_ptr<const ResultTable> table);
    const std::shared_ptr<const ResultTable> &table() const { return m_table; }

    // Titles shown instead of the column names; with no rows the model still has these
    // columns, so an empty grid shows its titles.
    void setHeaderLabels(const QStringList &labels);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::shared_ptr<const ResultTable> m_table;
    QStringList m_labels;
};
