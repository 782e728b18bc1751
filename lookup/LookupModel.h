#pragma once

#include "db/ResultTable.h"

#include <QAbstractTableModel>

#include <memory>

// The rows of a search result as the grid reaches them: a first batch at once, the next
// each time the view scrolls to the last row it has. A result of every product of the
// hospital opens as fast as one of a few dozen, and rows nobody scrolls to cost nothing.
// The result itself is shared, not copied.
class LookupModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // Rows added per step; more than a screenful, so that one step fills any grid.
    static constexpr int batchRows = 500;

    explicit LookupModel(QObject *parent = nullptr);

    // Shows another result (or none) from its first row; views are reset.
    void setTable(std::shared_ptr<const ResultTable> table);

    // Every row of the result, for a jump to its end.
    void fetchAll();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    int totalRows() const { return m_table ? m_table->rowCount() : 0; }
    void showRowsUpTo(int rows);

    std::shared_ptr<const ResultTable> m_table;
    int m_shown = 0; // rows the views know of
};
