#pragma once

#include <QStyledItemDelegate>

// Paints a grid's plain text cells the way the style does, but lays each text out once.
// The style's own road measures and shapes a cell's text three times per paint, which
// is most of what moving through a long grid costs. A cell whose text does not fit, or
// that shows more than one line of plain text, is painted by the style as before
// (elided as the clerk is used to).
class GridTextDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
