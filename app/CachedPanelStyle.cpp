#include "CachedPanelStyle.h"

#include "Backdrops.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPixmapCache>
#include <QScrollBar>
#include <QStyleOption>

CachedPanelStyle::CachedPanelStyle() : QProxyStyle(QApplication::style()->name())
{
}

void CachedPanelStyle::applyTo(QWidget &window)
{
    // Made after the window's fields, so it goes after them when the window does.
    auto *style = new CachedPanelStyle;
    style->setParent(&window);
    QList<QWidget *> backed;
    for (QLineEdit *field : window.findChildren<QLineEdit *>()) {
        // A field inside a combo or spin box is drawn by its owner.
        const QWidget *owner = field->parentWidget();
        if (owner && !owner->inherits("QComboBox") && !owner->inherits("QAbstractSpinBox")) {
            field->setStyle(style);
            backed.append(field);
        }
    }
    for (QScrollBar *bar : window.findChildren<QScrollBar *>()) {
        bar->setStyle(style);
        backed.append(bar);
    }
    style->m_backdrops = new Backdrops(window, backed, style);
}

void CachedPanelStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                          QPainter *painter, const QWidget *widget) const
{
    // An opaque bar paints what its surroundings would have painted beneath it.
    if (control == CC_ScrollBar && m_backdrops) {
        if (const std::optional<QRgb> beneath = m_backdrops->beneath(widget))
            painter->fillRect(widget->rect(), QColor::fromRgb(*beneath));
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

void CachedPanelStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                     const QWidget *widget) const
{
    const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(option);
    if (element != PE_PanelLineEdit || !frame) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // An opaque field paints what its surroundings would have painted beneath it.
    std::optional<QRgb> beneath = m_backdrops ? m_backdrops->beneath(widget) : std::nullopt;
    if (beneath && (option->rect != widget->rect() || !painter->transform().isIdentity() || painter->opacity() < 1.0)) {
        painter->fillRect(widget->rect(), QColor::fromRgb(*beneath));
        beneath.reset();
    }
    if (option->rect.isEmpty() || !painter->transform().isIdentity() || painter->opacity() < 1.0) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    const QColor backdrop = beneath ? QColor::fromRgb(beneath.value_or(0)) : QColor(Qt::transparent);
    const QString key = QStringLiteral("quellar-field-frame-%1x%2-%3-%4-%5-%6-%7-%8-%9-%10")
                            .arg(option->rect.width())
                            .arg(option->rect.height())
                            .arg(uint(option->state))
                            .arg(option->palette.cacheKey())
                            .arg(int(option->direction))
                            .arg(frame->lineWidth)
                            .arg(frame->midLineWidth)
                            .arg(uint(frame->features))
                            .arg(ratio)
                            .arg(backdrop.rgba(), 0, 16);
    QPixmap drawn;
    if (!QPixmapCache::find(key, &drawn)) {
        drawn = QPixmap(option->rect.size() * ratio);
        drawn.setDevicePixelRatio(ratio);
        drawn.fill(backdrop);
        QStyleOptionFrame atOrigin = *frame;
        atOrigin.rect.moveTo(0, 0);
        {
            QPainter onPixmap(&drawn);
            QProxyStyle::drawPrimitive(element, &atOrigin, &onPixmap, widget);
        }
        QPixmapCache::insert(key, drawn);
    }
    painter->drawPixmap(option->rect.topLeft(), drawn);
}
