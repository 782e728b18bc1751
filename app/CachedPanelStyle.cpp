#include "CachedPanelStyle.h"

#include "Backdrops.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPixmapCache>
#include <QScrollBar>
#include <QStyleOption>

#include <bit>
#include <functional>

namespace {

// A pixmap cache key holding its values as raw characters: QString::arg scans the whole
// text once per value, which cost more than copying the cached pixmap.
class CacheKey
{
public:
    explicit CacheKey(QStringView kind) : m_text(kind.toString()) { m_text.reserve(m_text.size() + 64); }

    CacheKey &operator<<(quint64 value)
    {
        for (int shift = 0; shift < 64; shift += 16)
            m_text.append(QChar(char16_t(value >> shift)));
        return *this;
    }
    CacheKey &operator<<(qint64 value) { return *this << quint64(value); }
    CacheKey &operator<<(int value) { return *this << quint64(qint64(value)); }
    CacheKey &operator<<(uint value) { return *this << quint64(value); }
    CacheKey &operator<<(bool value) { return *this << quint64(value); }

    const QString &text() const { return m_text; }

private:
    QString m_text;
};

// Copies to rect what draw() paints on a pixmap of its size laid on the backdrop, drawing
// it only when the cache holds none for the key.
void drawCached(QPainter &painter, const QString &key, const QRect &rect, qreal ratio, const QColor &backdrop,
                const std::function<void(QPainter &)> &draw)
{
    QPixmap drawn;
    if (!QPixmapCache::find(key, &drawn)) {
        drawn = QPixmap(rect.size() * ratio);
        drawn.setDevicePixelRatio(ratio);
        drawn.fill(backdrop);
        {
            QPainter onPixmap(&drawn);
            draw(onPixmap);
        }
        QPixmapCache::insert(key, drawn);
    }
    painter.drawPixmap(rect.topLeft(), drawn);
}

// A painter the cached pixmaps can be copied to as they are.
bool plainPainter(const QPainter &painter)
{
    return painter.transform().isIdentity() && painter.opacity() >= 1.0;
}

} // namespace

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

std::optional<QRgb> CachedPanelStyle::cachedBackdrop(QPainter &painter, const QRect &drawn, const QWidget *widget) const
{
    // An opaque widget paints what its surroundings would have painted beneath it: with the
    // cached look when that covers the widget, else first and by itself.
    const std::optional<QRgb> beneath = m_backdrops ? m_backdrops->beneath(widget) : std::nullopt;
    if (beneath && (drawn != widget->rect() || !plainPainter(painter))) {
        painter.fillRect(widget->rect(), QColor::fromRgb(*beneath));
        return std::nullopt;
    }
    return beneath;
}

void CachedPanelStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                          QPainter *painter, const QWidget *widget) const
{
    const auto *bar = qstyleoption_cast<const QStyleOptionSlider *>(option);
    if (control != CC_ScrollBar || !bar) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const std::optional<QRgb> beneath = cachedBackdrop(*painter, bar->rect, widget);
    // A bar that fades in and out changes its look with time, not with its option.
    if (bar->rect.isEmpty() || !plainPainter(*painter) || proxy()->styleHint(SH_ScrollBar_Transient, bar, widget)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    // The bar's look follows from where its parts are, not from its value as such.
    const QRect slider = proxy()->subControlRect(CC_ScrollBar, bar, SC_ScrollBarSlider, widget);
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    const QColor backdrop = beneath ? QColor::fromRgb(beneath.value_or(0)) : QColor(Qt::transparent);
    const QString key = (CacheKey(u"quellar-scroll-bar")
                         << bar->rect.width() << bar->rect.height() << uint(bar->state) << bar->palette.cacheKey()
                         << int(bar->direction) << int(bar->orientation) << uint(bar->subControls)
                         << uint(bar->activeSubControls) << slider.x() << slider.y() << slider.width()
                         << slider.height() << (bar->sliderPosition <= bar->minimum)
                         << (bar->sliderPosition >= bar->maximum) << bar->upsideDown << std::bit_cast<quint64>(ratio)
                         << backdrop.rgba())
                            .text();
    drawCached(*painter, key, bar->rect, ratio, backdrop, [&](QPainter &onPixmap) {
        QStyleOptionSlider atOrigin = *bar;
        atOrigin.rect.moveTo(0, 0);
        QProxyStyle::drawComplexControl(control, &atOrigin, &onPixmap, widget);
    });
}

void CachedPanelStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                     const QWidget *widget) const
{
    const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(option);
    if (element != PE_PanelLineEdit || !frame) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const std::optional<QRgb> beneath = cachedBackdrop(*painter, option->rect, widget);
    if (option->rect.isEmpty() || !plainPainter(*painter)) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    const QColor backdrop = beneath ? QColor::fromRgb(beneath.value_or(0)) : QColor(Qt::transparent);
    const QString key = (CacheKey(u"quellar-field-frame")
                         << option->rect.width() << option->rect.height() << uint(option->state)
                         << option->palette.cacheKey() << int(option->direction) << frame->lineWidth
                         << frame->midLineWidth << uint(frame->features) << std::bit_cast<quint64>(ratio)
                         << backdrop.rgba())
                            .text();
    drawCached(*painter, key, option->rect, ratio, backdrop, [&](QPainter &onPixmap) {
        QStyleOptionFrame atOrigin = *frame;
        atOrigin.rect.moveTo(0, 0);
        QProxyStyle::drawPrimitive(element, &atOrigin, &onPixmap, widget);
    });
}
