#pragma once

#include "LineModel.h"

#include <QTableView>

#include <array>

class ResultTable;

// The grid of request lines. Rows are numbered as the editor counts them: row 0 is the
// header, rows 1 to Rows() - 1 the lines, the last one always the blank entry row. Row
// numbers are 16-bit, so a request holds at most maxLines lines. The lines themselves
// live in a LineModel; the grid shows them and keeps the current row.
class LineGrid : public QTableView
{
    Q_OBJECT
public:
    static constexpr int columns = LineModel::columns;
    static constexpr int maxLines = 32766;

    explicit LineGrid(QWidget *parent = nullptr);

    int Rows() const { return m_lines->rowCount() + 1; }
    // Header plus rows - 1 rows of empty cells; cells of kept rows stay.
    void setRows(int rows);
    int Row() const;
    // Makes row r current (a change of row is notified through rowChanged).
    void setRow(int row);
    // The lines, the blank entry row not counted.
    int lineCount() const { return std::max(Rows() - 2, 0); }
    // Whether any line has a product code (only those are saved).
    bool hasLines() const { return m_lines->hasCodes(); }

    QString TextMatrix(int row, int column) const;
    void setTextMatrix(int row, int column, const QString &text);
    void RemoveItem(int row);

    // Rebuilds the rows from a stored request's lines (header, the lines up to maxLines,
    // one blank entry row); numbers in their plain text form. Returns the lines shown.
    int fillFromRequest(const ResultTable &lines);

    // The sum of the line totals as shown, "###,###,##0.0000"; kept as lines change.
    QString grandTotalText() const { return m_lines->grandTotalText(); }

    // Column widths: at least the set widths, and wide enough for each title and text.
    void applyLayout();
    // Only the header and one empty entry row.
    void resetLines();
    // Shows row r at the top of the visible rows.
    void setTopRow(int row);

signals:
    void rowChanged();
    void doubleClicked();
    // A key pressed in the grid; set handled to keep it from the grid.
    void keyPressed(int key, const QString &text, bool *handled);
    void focusEntered();
    void focusLeft();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int cellPadding() const;
    // The sum of the characters' advances in the grid's font; -1 beyond Latin-1.
    qreal characterWidths(const QString &text) const;
    // Widens the column when the text would not fit it.
    void fitColumn(int column, const QString &text);

    LineModel *m_lines; // owned through Qt's parent
    struct Widest {
        int pixels = 0; // padding included
        qreal estimate = -1;
        QString text;
    };
    std::array<Widest, columns> m_widest{}; // the widest text of each column
    mutable std::array<qreal, 256> m_advances{}; // of the Latin-1 characters in the grid's font
};
