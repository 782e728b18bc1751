#include "LookupGrid.h"

#include "db/CursorModel.h"
#include "widgets/GridTextDelegate.h"

#include <QHeaderView>
#include <QKeyEvent>

LookupGrid::LookupGrid(QWidget *parent) : QTableView(parent)
{
    setItemDelegate(new GridTextDelegate(this));
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
    // Ctrl+End goes to the last row of the result, not of the rows the grid has so far;
    // a streamed result reads all the rest at once.
    if (cursorAction == MoveEnd && modifiers.testFlag(Qt::ControlModifier) && model()) {
        if (auto *rows = qobject_cast<CursorModel *>(model()))
            rows->fetchAll();
        while (model()->canFetchMore(rootIndex()))
            model()->fetchMore(rootIndex());
    }
    return QTableView::moveCursor(cursorAction, modifiers);
}
