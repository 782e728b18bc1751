#pragma once

#include "db/ResultCursor.h"
#include "db/ResultTable.h"

#include <QAbstractTableModel>

#include <memory>
#include <vector>

class Connection;

// The rows of a search result as the grid reaches them: the first block is read when the
// search opens, each further block when the view scrolls to the last row it has. A search
// over every product of the hospital shows its first screen as fast as one over a few
// dozen, and rows nobody scrolls to are never read. The values show as the database gives
// them.
class LookupModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // Rows read per step; more than a screenful, so that the first block fills any grid.
    static constexpr int blockRows = 256;

    // A search as it comes from the database: its first block and, when there may be
    // more, the open cursor that reads on.
    struct Result {
        std::shared_ptr<const ResultTable> first;
        std::unique_ptr<ResultCursor> rest;

        // At least one row.
        bool found() const { return first && first->rowCount() > 0; }
        // Exactly one row, and no other behind it.
        bool single() const { return first && first->rowCount() == 1 && (!rest || rest->atEnd()); }
        // The named column of the first row as text ("" when NULL).
        QString firstValue(QStringView column) const;
    };

    // Runs a search and reads its first block; throws DbError. A statement whose result
    // can only be a few rows (a search by code) is read whole on the connection itself,
    // which costs less than the reading connection a streamed result opens.
    static Result search(Connection &connection, const QString &sql, bool fewRows);

    explicit LookupModel(QObject *parent = nullptr);
    ~LookupModel() override;

    // Shows another result from its first row; views are reset. An empty Result clears
    // the model.
    void setResult(Result result);

    // Stops reading: the rows read so far stay, the open read and its connection go.
    void releaseCursor();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

signals:
    // Reading a further block failed; the rows read so far stay and no more are read.
    void fetchFailed(const QString &message);

private:
    struct Block {
        int firstRow = 0;
        std::shared_ptr<const ResultTable> rows;
    };
    // The block holding a row and the row's place in it.
    std::pair<const ResultTable *, int> locate(int row) const;
    void append(std::shared_ptr<const ResultTable> rows);

    std::unique_ptr<ResultCursor> m_cursor;
    std::vector<Block> m_blocks;
    QStringList m_names;
    int m_rows = 0;
};
