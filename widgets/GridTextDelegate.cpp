#include "GridTextDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

#include <memory>

namespace {

// A cell the style would paint as one line of text over its panel, the text taking the
// whole cell (a table view shows the selection under the whole cell).
bool plainText(const QStyleOptionViewItem &option)
{
    constexpr auto extras = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration;
    return !(option.features & extras) && !(option.state & QStyle::State_Editing) && option.showDecorationSelected
           && !option.text.contains(QChar::LineSeparator) && !option.text.contains(QLatin1Char('\n'));
}

} // namespace

const QTextLayout &GridTextDelegate::laidOut(const QStyleOptionViewItem &cell, int width) const
{
    if (cell.font != m_textsFont) {
        m_texts.clear();
        m_textsFont = cell.font;
    }
    const bool wrap = cell.features & QStyleOptionViewItem::WrapText;
    LayoutKey key{cell.text, width, int(cell.displayAlignment), int(cell.direction), wrap};
    if (const QTextLayout *known = m_texts.object(key))
        return *known;
    // As the style lays a cell's text out before drawing it.
    QTextOption textOption;
    textOption.setWrapMode(wrap ? QTextOption::WordWrap : QTextOption::ManualWrap);
    textOption.setTextDirection(cell.direction);
    textOption.setAlignment(QStyle::visualAlignment(cell.direction, cell.displayAlignment));
    auto made = std::make_unique<QTextLayout>(cell.text, cell.font);
    made->setTextOption(textOption);
    made->setCacheEnabled(true); // keeps the shaped glyphs for the next paint
    made->beginLayout();
    qreal height = 0;
    for (QTextLine line = made->createLine(); line.isValid(); line = made->createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    made->endLayout();
    const QTextLayout *kept = made.get();
    m_texts.insert(std::move(key), made.release());
    return *kept;
}

void GridTextDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem inset = option;
    if (m_gridDrawnByView)
        inset.rect.adjust(0, 0, -1, -1);
    QStyleOptionViewItem cell = inset;
    initStyleOption(&cell, index);
    if (!plainText(cell)) {
        QStyledItemDelegate::paint(painter, inset, index);
        return;
    }
    const QWidget *widget = cell.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = cell.rect.adjusted(margin, 0, -margin, 0);
    const QTextLayout *text = cell.text.isEmpty() ? nullptr : &laidOut(cell, textRect.width());
    if (text && (text->lineCount() != 1 || text->lineAt(0).naturalTextWidth() > textRect.width())) {
        QStyledItemDelegate::paint(painter, inset, index); // too narrow: elided by the style
        return;
    }

    painter->save();
    painter->setClipRect(cell.rect);
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, widget);
    QPalette::ColorGroup group = cell.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    if (text) {
        if (group == QPalette::Normal && !(cell.state & QStyle::State_Active))
            group = QPalette::Inactive;
        painter->setPen(cell.palette.color(group, cell.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                       : QPalette::Text));
        // Where the style puts the line: its box, in whole pixels, aligned in the text rectangle.
        const QTextLine line = text->lineAt(0);
        const QRect box = QStyle::alignedRect(cell.direction, cell.displayAlignment,
                                              QSize(int(line.width()), int(line.height())), textRect);
        line.draw(painter, box.topLeft());
    }
    if (cell.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(cell);
        focus.rect = style->subElementRect(QStyle::SE_ItemViewItemFocusRect, &cell, widget);
        focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
        group = cell.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
        focus.backgroundColor = cell.palette.color(group, cell.state & QStyle::State_Selected ? QPalette::Highlight
                                                                                              : QPalette::Window);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
    painter->restore();
}
