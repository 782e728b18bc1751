#include "LineGrid.h"

#include "db/ResultTable.h"
#include "widgets/GridTextDelegate.h"
#include "widgets/Twips.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QStyle>
#include <QPaintEvent>
#include <QPainter>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace {

constexpr int widths[LineGrid::columns] = {800, 5000, 1000, 1000, 1000, 700, 0};
const QString numberCharacters = QStringLiteral("0123456789.,-+eE");

} // namespace

LineGrid::LineGrid(QWidget *parent) : QTableView(parent), m_lines(new LineModel(this))
{
    setModel(m_lines);
    auto *cells = new GridTextDelegate(this);
    cells->setGridDrawnByView(true);
    setItemDelegate(cells);
    // The grid lines are drawn here as filled pixel rows and columns: the view's own
    // lines go through the pen stroker one cell side at a time, a tenth of a move's cost.
    setShowGrid(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    // The headings keep a selection of their own: the grid selects whole lines, so with
    // the grid's every heading would light up and repaint on each move, saying nothing.
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSelectionModel(new QItemSelectionModel(m_lines, horizontalHeader()));
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                if (current.row() != previous.row())
                    emit rowChanged();
            });
    resetLines();
}

void LineGrid::setRows(int rows)
{
    m_lines->resize(rows - 1);
}

int LineGrid::Row() const
{
    return currentIndex().row() + 1;
}

void LineGrid::setRow(int row)
{
    if (row >= 1 && row < Rows())
        setCurrentIndex(m_lines->index(row - 1, currentIndex().column() < 0 ? 0 : currentIndex().column()));
}

QString LineGrid::TextMatrix(int row, int column) const
{
    return m_lines->text(row - 1, column);
}

void LineGrid::setTextMatrix(int row, int column, const QString &text)
{
    m_lines->setText(row - 1, column, text);
    fitColumn(column, text);
}

void LineGrid::RemoveItem(int row)
{
    m_lines->removeLine(row - 1);
}

int LineGrid::fillFromRequest(const ResultTable &rows)
{
    const int lines = std::min(rows.rowCount(), maxLines);
    m_lines->fill(rows, lines);
    m_widest.fill({});
    for (int row = 1; row <= lines; ++row) {
        for (int column = 0; column < columns - 1; ++column)
            fitColumn(column, m_lines->text(row - 1, column));
    }
    return lines;
}

int LineGrid::cellPadding() const
{
    // The item view's text margin on both sides, and the grid line.
    return 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 1;
}

qreal LineGrid::characterWidths(const QString &text) const
{
    if (m_advances[u'0'] == 0) {
        const QFontMetricsF metrics(font());
        for (size_t c = 0; c < m_advances.size(); ++c)
            m_advances[c] = metrics.horizontalAdvance(QChar(char16_t(c)));
    }
    qreal width = 0;
    for (const QChar c : text) {
        if (c.unicode() >= m_advances.size())
            return -1;
        width += m_advances[c.unicode()];
    }
    return width;
}

void LineGrid::fitColumn(int column, const QString &text)
{
    if (text.isEmpty() || column < 0 || column >= columns)
        return;
    Widest &widest = m_widest[size_t(column)];
    // A long request has thousands of texts. The characters' own widths tell most of them
    // narrower than the widest without laying them out; numbers are measured so, with a
    // pixel to spare.
    const qreal estimate = characterWidths(text);
    if (text == widest.text || (estimate >= 0 && estimate + 6 <= widest.estimate))
        return;
    const bool number = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return numberCharacters.contains(c); });
    const int needed = (number ? int(std::ceil(estimate)) + 1 : fontMetrics().horizontalAdvance(text)) + cellPadding();
    if (needed <= widest.pixels)
        return;
    widest = {needed, estimate, text};
    if (!isColumnHidden(column) && columnWidth(column) < needed)
        setColumnWidth(column, needed);
}

void LineGrid::applyLayout()
{
    setColumnHidden(columns - 1, true);
    // The widths are the least a column gets; its title and its widest text always fit.
    for (int column = 0; column < columns - 1; ++column) {
        const int width = std::max({twipsToPixels(this, widths[column]), horizontalHeader()->sectionSizeHint(column),
                                    m_widest[size_t(column)].pixels});
        setColumnWidth(column, width);
    }
}

void LineGrid::resetLines()
{
    m_lines->resize(0);
    m_lines->resize(1);
    m_widest.fill({});
    applyLayout();
}

void LineGrid::setTopRow(int row)
{
    if (row >= 1 && row < Rows())
        scrollTo(m_lines->index(row - 1, 0), QAbstractItemView::PositionAtTop);
}

void LineGrid::keyPressEvent(QKeyEvent *event)
{
    bool handled = false;
    emit keyPressed(event->key(), event->text(), &handled);
    if (handled)
        event->accept();
    else
        QTableView::keyPressEvent(event);
}

void LineGrid::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    emit focusEntered();
}

void LineGrid::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    emit focusLeft();
}

void LineGrid::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        m_advances.fill(0); // measured again in the new font
    QTableView::changeEvent(event);
}

void LineGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

void LineGrid::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    const int rows = model()->rowCount();
    int lastColumn = columns - 1;
    while (lastColumn >= 0 && isColumnHidden(lastColumn))
        --lastColumn;
    if (rows == 0 || lastColumn < 0)
        return;
    const QRect area = viewport()->rect();
    const int right = std::min(area.right(), columnViewportPosition(lastColumn) + columnWidth(lastColumn) - 1);
    const int bottom = std::min(area.bottom(), rowViewportPosition(rows - 1) + rowHeight(rows - 1) - 1);
    if (right < 0 || bottom < 0)
        return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QColor color = QColor::fromRgba(QRgb(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
    QPainter painter(viewport());
    painter.setClipRegion(event->region());
    const int firstRow = std::max(rowAt(area.top()), 0);
    const int lastRow = rowAt(bottom) < 0 ? rows - 1 : rowAt(bottom);
    for (int row = firstRow; row <= lastRow; ++row)
        painter.fillRect(QRect(0, rowViewportPosition(row) + rowHeight(row) - 1, right + 1, 1), color);
    for (int column = 0; column <= lastColumn; ++column) {
        if (isColumnHidden(column))
            continue;
        const int x = columnViewportPosition(column) + columnWidth(column) - 1;
        if (x >= 0 && x <= right)
            painter.fillRect(QRect(x, 0, 1, bottom + 1), color);
    }
}
