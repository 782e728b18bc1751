#include "LineGrid.h"

#include "app/Twips.h"
#include "app/modInventory.h"
#include "db/ResultTable.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

namespace {

const QString headerFormat = QStringLiteral(
    "Code |< Product Name & Description | Quantity | Unit Cost| Total Cost| Retail?|");
constexpr int widths[LineGrid::columns] = {800, 5000, 1000, 1000, 1000, 700, 0};

} // namespace

LineGrid::LineGrid(QWidget *parent) : QTableWidget(parent)
{
    setColumnCount(columns);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    connect(this, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int previousRow, int) {
                if (row != previousRow)
                    emit rowChanged();
            });
    resetLines();
}

void LineGrid::setRows(int rows)
{
    setRowCount(std::max(rows - 1, 0));
}

int LineGrid::Row() const
{
    return currentRow() + 1;
}

void LineGrid::setRow(int row)
{
    if (row >= 1 && row < Rows())
        setCurrentCell(row - 1, currentColumn() < 0 ? 0 : currentColumn());
}

QString LineGrid::TextMatrix(int row, int column) const
{
    const QTableWidgetItem *cell = item(row - 1, column);
    return cell ? cell->text() : QString();
}

void LineGrid::setTextMatrix(int row, int column, const QString &text)
{
    QTableWidgetItem *cell = item(row - 1, column);
    if (!cell) {
        cell = new QTableWidgetItem; // owned by the grid
        if (column >= 2 && column <= 4)
            cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        else if (column == 5)
            cell->setTextAlignment(Qt::AlignCenter);
        setItem(row - 1, column, cell);
    }
    cell->setText(text);
    fitColumn(column, text);
}

int LineGrid::cellPadding() const
{
    // The item view's text margin on both sides, and the grid line.
    return 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 1;
}

void LineGrid::fitColumn(int column, const QString &text)
{
    if (text.isEmpty() || column < 0 || column >= columns)
        return;
    const int needed = fontMetrics().horizontalAdvance(text) + cellPadding();
    if (needed <= m_widest[column])
        return;
    m_widest[column] = needed;
    if (!isColumnHidden(column) && columnWidth(column) < needed)
        setColumnWidth(column, needed);
}

bool LineGrid::hasLines() const
{
    for (int row = 1; row < Rows(); ++row) {
        if (!TextMatrix(row, 0).trimmed().isEmpty())
            return true;
    }
    return false;
}

void LineGrid::RemoveItem(int row)
{
    removeRow(row - 1);
}

int LineGrid::fillFromRequest(const ResultTable &rows)
{
    const int lines = std::min(rows.rowCount(), maxLines);
    setUpdatesEnabled(false);
    clearContents();
    m_widest.fill(0);
    setRows(lines + 2);
    const int item = rows.columnIndex(u"ItemID");
    const int description = rows.columnIndex(u"Description");
    const int quantity = rows.columnIndex(u"Quantity");
    const int unitCost = rows.columnIndex(u"UnitCost");
    const int forRetail = rows.columnIndex(u"ForRetail");
    const int ads = rows.columnIndex(u"isADS");
    auto number = [&rows](int row, int column) { return IfNull(rows.value(row, column), 0.0).toDouble(); };
    auto text = [&rows](int row, int column) { return IfNull(rows.value(row, column), QString()).toString(); };
    auto plain = [](double value) { return QString::number(value, 'g', 15); };
    for (int k = 0; k < lines; ++k) {
        const double q = number(k, quantity);
        const double u = number(k, unitCost);
        setTextMatrix(k + 1, 0, text(k, item));
        setTextMatrix(k + 1, 1, text(k, description));
        setTextMatrix(k + 1, 2, plain(q));
        setTextMatrix(k + 1, 3, plain(u));
        setTextMatrix(k + 1, 4, plain(q * u));
        setTextMatrix(k + 1, 5, text(k, forRetail));
        setTextMatrix(k + 1, 6, IfNull(rows.value(k, ads), false).toBool() ? QStringLiteral("Y") : QStringLiteral("N"));
    }
    setUpdatesEnabled(true);
    return lines;
}

void LineGrid::applyLayout()
{
    const QStringList titles = headerFormat.split(QLatin1Char('|'));
    for (int column = 0; column < columns; ++column) {
        QString title = titles.value(column);
        auto *header = new QTableWidgetItem; // owned by the grid
        if (title.startsWith(QLatin1Char('<'))) {
            title.remove(0, 1);
            header->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        }
        header->setText(title);
        setHorizontalHeaderItem(column, header);
    }
    setColumnHidden(6, true);
    // The widths are the least a column gets; its title and its widest text always fit.
    for (int column = 0; column < columns - 1; ++column) {
        const int width = std::max({twipsToPixels(this, widths[column]), horizontalHeader()->sectionSizeHint(column),
                                    m_widest[column]});
        setColumnWidth(column, width);
    }
    setColumnWidth(columns - 1, 0);
}

void LineGrid::resetLines()
{
    clearContents();
    m_widest.fill(0);
    setRowCount(1);
    applyLayout();
}

void LineGrid::setTopRow(int row)
{
    if (QTableWidgetItem *cell = item(row - 1, 0))
        scrollToItem(cell, QAbstractItemView::PositionAtTop);
    else if (row >= 1 && row < Rows())
        verticalScrollBar()->setValue(row - 1);
}

void LineGrid::keyPressEvent(QKeyEvent *event)
{
    bool handled = false;
    emit keyPressed(event->key(), event->text(), &handled);
    if (handled)
        event->accept();
    else
        QTableWidget::keyPressEvent(event);
}

void LineGrid::focusInEvent(QFocusEvent *event)
{
    QTableWidget::focusInEvent(event);
    emit focusEntered();
}

void LineGrid::focusOutEvent(QFocusEvent *event)
{
    QTableWidget::focusOutEvent(event);
    emit focusLeft();
}

void LineGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableWidget::mouseDoubleClickEvent(event);
    emit doubleClicked();
}
