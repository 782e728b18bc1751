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
    const auto *bar = qstyleoption_cast<const QStyleOptionSlider *>(option);
    if (control != CC_ScrollBar || !bar) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    // An opaque bar paints what its surroundings would have painted beneath it.
    std::optional<QRgb> beneath = m_backdrops ? m_backdrops->beneath(widget) : std::nullopt;
    const bool plainPainter = painter->transform().isIdentity() && painter->opacity() >= 1.0;
    if (beneath && (bar->rect != widget->rect() || !plainPainter)) {
        painter->fillRect(widget->rect(), QColor::fromRgb(*beneath));
        beneath.reset();
    }
    // A bar that fades in and out changes its look with time, not with its option.
    if (bar->rect.isEmpty() || !plainPainter || proxy()->styleHint(SH_ScrollBar_Transient, bar, widget)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    // The bar's look follows from where its parts are, not from its value as such.
    const QRect slider = proxy()->subControlRect(CC_ScrollBar, bar, SC_ScrollBarSlider, widget);
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    const QColor backdrop = beneath ? QColor::fromRgb(beneath.value_or(0)) : QColor(Qt::transparent);
    const QString key = QStringLiteral("quellar-scroll-bar-%1x%2-%3-%4-%5-%6-%7-%8-%9,%10,%11,%12-%13%14%15-%16-%17")
                            .arg(bar->rect.width())
                            .arg(bar->rect.height())
                            .arg(uint(bar->state))
                            .arg(bar->palette.cacheKey())
                            .arg(int(bar->direction))
                            .arg(int(bar->orientation))
                            .arg(uint(bar->subControls))
                            .arg(uint(bar->activeSubControls))
                            .arg(slider.x())
                            .arg(slider.y())
                            .arg(slider.width())
                            .arg(slider.height())
                            .arg(int(bar->sliderPosition <= bar->minimum))
                            .arg(int(bar->sliderPosition >= bar->maximum))
                            .arg(int(bar->upsideDown))
                            .arg(ratio)
                            .arg(backdrop.rgba(), 0, 16);
    QPixmap drawn;
    if (!QPixmapCache::find(key, &drawn)) {
        drawn = QPixmap(bar->rect.size() * ratio);
        drawn.setDevicePixelRatio(ratio);
        drawn.fill(backdrop);
        QStyleOptionSlider atOrigin = *bar;
        atOrigin.rect.moveTo(0, 0);
        {
            QPainter onPixmap(&drawn);
            QProxyStyle::drawComplexControl(control, &atOrigin, &onPixmap, widget);
        }
        QPixmapCache::insert(key, drawn);
    }
    painter->drawPixmap(bar->rect.topLeft(), drawn);
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
