#pragma once

#include <QCache>
#include <QFont>
#include <QStyledItemDelegate>
#include <QTextLayout>

// Paints a grid's plain text cells as the style does, with each distinct text laid out
// once. The style lays a cell's text out twice on every paint (once to place it, once to
// draw it), and a move through a long grid repaints the rows it leaves and enters. Here
// the text is drawn from the layout the style would make (same text, font, width and
// alignment) at the place the style computes; a cell whose text does not fit (the style
// elides it), or that shows more than one line or anything besides text, is painted by
// the style itself.
class GridTextDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // For a view that draws its grid lines itself, after its cells (LineGrid): each cell
    // leaves its last pixel row and column to the grid, as a view drawing the grid would
    // have given it.
    void setGridDrawnByView(bool drawnByView) { m_gridDrawnByView = drawnByView; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    struct LayoutKey {
        QString text;
        int width;
        int alignment;
        int direction;
        bool wrap;
        friend bool operator==(const LayoutKey &, const LayoutKey &) = default;
        friend size_t qHash(const LayoutKey &key, size_t seed = 0)
        {
            return qHashMulti(seed, key.text, key.width, key.alignment, key.direction, key.wrap);
        }
    };

    // The cell's text laid out in lines of the text rectangle's width.
    const QTextLayout &laidOut(const QStyleOptionViewItem &cell, int width) const;

    // About two screens of every grid's cells.
    mutable QCache<LayoutKey, QTextLayout> m_texts{2048};
    mutable QFont m_textsFont;
    bool m_gridDrawnByView = false;
};
