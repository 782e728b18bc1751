#include "GridTextDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QtMath>

#include <memory>

namespace {

bool plainText(const QStyleOptionViewItem &option)
{
    constexpr auto extras = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration;
    return !(option.features & extras) && !(option.state & QStyle::State_Editing)
           && !option.text.contains(QChar::LineSeparator) && !option.text.contains(QLatin1Char('\n'));
}

} // namespace

const QStaticText &GridTextDelegate::laidOut(const QString &text, const QFont &font) const
{
    if (font != m_textsFont) {
        m_texts.clear();
        m_textsFont = font;
    }
    if (const QStaticText *known = m_texts.object(text))
        return *known;
    auto made = std::make_unique<QStaticText>(text);
    made->setTextFormat(Qt::PlainText);
    made->setPerformanceHint(QStaticText::AggressiveCaching);
    made->prepare(QTransform(), font);
    const QStaticText *kept = made.get();
    m_texts.insert(text, made.release());
    return *kept;
}

void GridTextDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem inset = option;
    if (m_gridDrawnByView)
        inset.rect.adjust(0, 0, -1, -1);
    QStyleOptionViewItem cell = inset;
    initStyleOption(&cell, index);
    if (!plainText(cell) || !painter->transform().isIdentity()) {
        QStyledItemDelegate::paint(painter, inset, index);
        return;
    }
    const QWidget *widget = cell.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = cell.rect.adjusted(margin, 0, -margin, 0);
    const QStaticText *text = cell.text.isEmpty() ? nullptr : &laidOut(cell.text, cell.font);
    const QSizeF textSize = text ? text->size() : QSizeF();
    if (textSize.width() > textRect.width()) {
        QStyledItemDelegate::paint(painter, inset, index); // too narrow: elided by the style
        return;
    }

    painter->save();
    painter->setClipRect(cell.rect);
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, widget);
    if (text) {
        QPalette::ColorGroup group = cell.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
        if (group == QPalette::Normal && !(cell.state & QStyle::State_Active))
            group = QPalette::Inactive;
        painter->setPen(cell.palette.color(group, cell.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                       : QPalette::Text));
        const Qt::Alignment alignment = QStyle::visualAlignment(cell.direction, cell.displayAlignment);
        qreal x = textRect.left();
        if (alignment & Qt::AlignRight)
            x += textRect.width() - textSize.width();
        else if (alignment & Qt::AlignHCenter)
            x += (textRect.width() - textSize.width()) / 2;
        const QRect box = QStyle::alignedRect(cell.direction, (alignment & Qt::AlignVertical_Mask) | Qt::AlignLeft,
                                              QSize(textRect.width(), qCeil(textSize.height())), textRect);
        painter->drawStaticText(QPointF(x, box.top()), *text);
    }
    if (cell.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(cell);
        focus.rect = style->subElementRect(QStyle::SE_ItemViewItemFocusRect, &cell, widget);
        focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
        const QPalette::ColorGroup group = cell.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
        focus.backgroundColor = cell.palette.color(group, cell.state & QStyle::State_Selected ? QPalette::Highlight
                                                                                              : QPalette::Window);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
    painter->restore();
}
