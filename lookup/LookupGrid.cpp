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
