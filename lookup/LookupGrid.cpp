#include "LookupGrid.h"

#include <QHeaderView>
#include <QKeyEvent>

LookupGrid::LookupGrid(QWidget *parent) : QTableView(parent)
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(false);
    verticalHeader()->setVisible(false);
}

void LookupGrid::keyPressEvent(QKeyEvent *event)
{
    bool handled = false;
    emit keyDown(event->key(), event->text(), &handled);
    if (handled)
        event->accept();
    else
        QTableView::keyPressEvent(event);
}

QModelIndex LookupGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    // Ctrl+End goes to the last row of the result, not of the rows the grid has so far.
    if (cursorAction == MoveEnd && modifiers.testFlag(Qt::ControlModifier) && model()) {
        while (model()->canFetchMore(rootIndex()))
            model()->fetchMore(rootIndex());
    }
    return QTableView::moveCursor(cursorAction, modifiers);
}
