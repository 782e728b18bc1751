#pragma once

#include <QCache>
#include <QFont>
#include <QStaticText>
#include <QStyledItemDelegate>

// Paints a grid's plain text cells the way the style does, but shapes each distinct text
// once. The style's own road measures and shapes a cell's text three times per paint,
// and a move through a long grid repaints the rows it leaves and enters: that was most of
// what a move cost. A cell whose text does not fit, or that shows more than one line or
// anything besides text, is painted by the style as before (elided as the clerk is used to).
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
    // The text laid out in font, from the texts painted lately.
    const QStaticText &laidOut(const QString &text, const QFont &font) const;

    // About two screens of every grid's cells; a text is a few hundred bytes.
    mutable QCache<QString, QStaticText> m_texts{4096};
    mutable QFont m_textsFont;
    bool m_gridDrawnByView = false;
};
