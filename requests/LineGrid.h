#pragma once

#include <QTableWidget>

#include <array>

class ResultTable;

// The grid of request lines. Rows are numbered as the editor counts them: row 0 is the
// header, rows 1 to Rows() - 1 the lines, the last one always the blank entry row. Row
// numbers are 16-bit, so a request holds at most maxLines lines.
class LineGrid : public QTableWidget
{
    Q_OBJECT
public:
    static constexpr int columns = 7;
    static constexpr int maxLines = 32766;

    explicit LineGrid(QWidget *parent = nullptr);

    int Rows() const { return rowCount() + 1; }
    // Header plus rows - 1 rows of empty cells; cells of kept rows stay.
    void setRows(int rows);
    int Row() const;
    // Makes row r current (a change of row is notified through rowChanged).
    void setRow(int row);
    // The lines, the blank entry row not counted.
    int lineCount() const { return std::max(rowCount() - 1, 0); }
    // Whether any line has a product code (only those are saved).
    bool hasLines() const;

    QString TextMatrix(int row, int column) const;
    void setTextMatrix(int row, int column, const QString &text);
    void RemoveItem(int row);

    // Rebuilds the rows from a stored request's lines (header, the lines up to maxLines,
    // one blank entry row); numbers in their plain text form. Returns the lines shown.
    int fillFromRequest(const ResultTable &lines);

    // Header titles, alignment and the column widths.
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

private:
    int cellPadding() const;
    // Widens the column when the text would not fit it.
    void fitColumn(int column, const QString &text);

    std::array<int, columns> m_widest{}; // the widest text of each column, padding included
};
