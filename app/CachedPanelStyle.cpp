#include "CachedPanelStyle.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPixmapCache>
#include <QStyleOption>

CachedPanelStyle::CachedPanelStyle() : QProxyStyle(QApplication::style()->name())
{
}

void CachedPanelStyle::applyTo(QWidget &window)
{
    // Made after the window's fields, so it goes after them when the window does.
    auto *style = new CachedPanelStyle;
    style->setParent(&window);
    for (QLineEdit *field : window.findChildren<QLineEdit *>()) {
        // A field inside a combo or spin box is drawn by its owner.
        const QWidget *owner = field->parentWidget();
        if (owner && !owner->inherits("QComboBox") && !owner->inherits("QAbstractSpinBox"))
            field->setStyle(style);
    }
}

void CachedPanelStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                     const QWidget *widget) const
{
    const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(option);
    if (element != PE_PanelLineEdit || !frame || option->rect.isEmpty()
        || !painter->transform().isIdentity() || painter->opacity() < 1.0) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    const QString key = QStringLiteral("quellar-field-frame-%1x%2-%3-%4-%5-%6-%7-%8-%9")
                            .arg(option->rect.width())
                            .arg(option->rect.height())
                            .arg(uint(option->state))
                            .arg(option->palette.cacheKey())
                            .arg(int(option->direction))
                            .arg(frame->lineWidth)
                            .arg(frame->midLineWidth)
                            .arg(uint(frame->features))
                            .arg(ratio);
    QPixmap drawn;
    if (!QPixmapCache::find(key, &drawn)) {
        drawn = QPixmap(option->rect.size() * ratio);
        drawn.setDevicePixelRatio(ratio);
        drawn.fill(Qt::transparent);
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
