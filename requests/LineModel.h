#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <vector>

class ResultTable;

// The lines of the request being edited, as values, behind the line grid. Model row k is
// grid row k + 1 (the grid's row 0 is its header); the last row is the blank entry row.
// Lines entered by the clerk hold the texts of the entry fields as they stood; lines of a
// stored request hold its numbers and are put into words only when shown or read. The
// grand total is kept as the lines change: the sum of the line totals, each rounded to
// four decimals as shown, exact in ten-thousandths.
class LineModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int columns = 7;
    __extension__ typedef __int128 Money; // ten-thousandths

    explicit LineModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The text of a cell as the grid shows it; empty outside the lines.
    QString text(int row, int column) const;
    void setText(int row, int column, const QString &text);

    // Rows of empty cells added at the end, or the last rows dropped.
    void resize(int rows);
    void removeLine(int row);
    // The first `lines` lines of a stored request, then one blank row.
    void fill(const ResultTable &table, int lines);

    // Whether any row has a product code.
    bool hasCodes() const;

    Money grandTotal() const { return m_grandTotal; }
    // The grand total as "###,###,##0.0000" shows it.
    QString grandTotalText() const;

    // How much of the grand total a line total text makes: its value rounded to four
    // decimals when the text is a number, else nothing.
    static Money countedTotal(const QString &total);
    static Money countedTotal(double total);
    static QString moneyText(Money amount);
    // A stored number as the grid shows it: the shortest text, no grouping.
    static QString plainText(double value);

private:
    struct Line {
        QString code;
        QString name;
        QString quantity; // entered lines: the texts as they stood
        QString unitCost;
        QString total;
        QString retail;
        QString ads;
        double storedQuantity = 0; // stored lines: the numbers
        double storedUnitCost = 0;
        bool stored = false;
        Money counted = 0;
    };

    // A stored line takes texts before one of its numbers changes.
    static void putIntoWords(Line &line);

    std::vector<Line> m_lines;
    Money m_grandTotal = 0;
};
