#include "LineGrid.h"

#include "app/Twips.h"
#include "db/ResultTable.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace {

constexpr int widths[LineGrid::columns] = {800, 5000, 1000, 1000, 1000, 700, 0};
const QString numberCharacters = QStringLiteral("0123456789.,-+eE");

} // namespace

LineGrid::LineGrid(QWidget *parent) : QTableView(parent), m_lines(new LineModel(this))
{
    setModel(m_lines);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
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
    m_widest.fill(0);
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

int LineGrid::textWidth(const QString &text) const
{
    // Numbers are measured by their characters' advances (no shaping needed), with one
    // pixel to spare; other texts as the font lays them out.
    if (m_numberAdvance[0] == 0) {
        for (qsizetype k = 0; k < numberCharacters.size(); ++k)
            m_numberAdvance[size_t(k)] = fontMetrics().horizontalAdvance(numberCharacters[k]);
    }
    int width = 1;
    for (const QChar c : text) {
        const qsizetype k = numberCharacters.indexOf(c);
        if (k < 0)
            return fontMetrics().horizontalAdvance(text);
        width += m_numberAdvance[size_t(k)];
    }
    return width;
}

void LineGrid::fitColumn(int column, const QString &text)
{
    if (text.isEmpty() || column < 0 || column >= columns)
        return;
    const int needed = textWidth(text) + cellPadding();
    if (needed <= m_widest[size_t(column)])
        return;
    m_widest[size_t(column)] = needed;
    if (!isColumnHidden(column) && columnWidth(column) < needed)
        setColumnWidth(column, needed);
}

void LineGrid::applyLayout()
{
    setColumnHidden(columns - 1, true);
    // The widths are the least a column gets; its title and its widest text always fit.
    for (int column = 0; column < columns - 1; ++column) {
        const int width = std::max({twipsToPixels(this, widths[column]), horizontalHeader()->sectionSizeHint(column),
                                    m_widest[size_t(column)]});
        setColumnWidth(column, width);
    }
}

void LineGrid::resetLines()
{
    m_lines->resize(0);
    m_lines->resize(1);
    m_widest.fill(0);
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

void LineGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    emit doubleClicked();
}
