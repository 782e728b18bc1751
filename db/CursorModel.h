#pragma once

#include "ResultCursor.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <vector>

class DbError;

// Shows a result that is read as the view scrolls (Qt's canFetchMore / fetchMore): the
// first block is read when the result is set, each further block when the view reaches
// the end of what it has. Amounts (floating-point cells) show with four decimals, never
// in exponent form, and stand right-aligned.
//
// A read left open would keep every other workstation's saves in the write-ahead log, so
// the cursor is paused once no block has been asked for a moment. When the view asks
// again and the result changed before the last row shown, the rows shown are read again
// from the first and the view keeps its current row where that row's first column (the
// document number, the product code) is found again, else its place.
class CursorModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit CursorModel(QObject *parent = nullptr);
    ~CursorModel() override;

    // The first block is about a screen's worth (a tall window shows some forty rows), so
    // the first screen waits for no more rows than it shows; the view asks for more at
    // once if it has room. Further blocks are larger: the clerk is scrolling on.
    static constexpr int firstBlockRows = 64;
    static constexpr int blockRows = 256;
    // How long a read stays open after a block, for a clerk who goes on scrolling.
    static constexpr int idleMs = 500;

    // Reads the first block of the cursor and, only when that succeeded, shows it instead
    // of the rows shown so far; views are reset. A null cursor empties the model. Throws
    // DbError (and then shows what it showed before).
    void setCursor(std::unique_ptr<ResultCursor> cursor);

    // Shows a first block already read and, when there may be more, the cursor that reads
    // on; views are reset. The former read is let go.
    void setRows(std::shared_ptr<const ResultTable> first, std::unique_ptr<ResultCursor> rest);

    // Stops reading: the rows read so far stay, the open read and its connection go.
    void releaseCursor();

    // Titles shown instead of the column names; with no rows the model still has these
    // columns, so an empty grid shows its titles.
    void setHeaderLabels(const QStringList &labels);

    // The cell as the grid shows it.
    QString text(int row, int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent = {}) const override;
    void fetchMore(const QModelIndex &parent = {}) override;
    // Reads every row not read yet, at once: for a view that goes to the last row, one
    // read by the fastest plan for the whole rest and one insertion to lay out.
    void fetchAll();

signals:
    // Reading a further block failed; the rows read so far stay and no more are read.
    void fetchFailed(const QString &message);

protected:
    // The cell as the database gave it.
    QVariant value(int row, int column) const;

private:
    struct Block {
        int firstRow = 0;
        std::shared_ptr<const ResultTable> rows;
    };
    // The block holding a row and the row's place in it.
    std::pair<const ResultTable *, int> locate(int row) const;
    void append(std::shared_ptr<const ResultTable> rows);
    // Reads on after a pause; false when the rows shown were read again instead. Throws
    // DbError.
    bool resumeCursor();
    // Shows the rows of a cursor that reads from the first row again, as many as were
    // shown, each persistent index (the current row, the selection) following its row.
    void showAgain();
    // The cursor is let go at its end, paused when idle otherwise.
    void afterRead();
    void readFailed(const DbError &error);

    std::unique_ptr<ResultCursor> m_cursor;
    std::vector<Block> m_blocks;
    int m_rows = 0;
    int m_columns = 0;
    QStringList m_names;
    QStringList m_labels;
    QTimer m_idle;
};
