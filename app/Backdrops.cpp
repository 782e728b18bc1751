#include "Backdrops.h"

#include <QEvent>
#include <QImage>
#include <QScopeGuard>
#include <QSet>
#include <QWidget>

namespace {

// Events after which what lies beneath a widget may look different.
bool changesTheSurroundings(QEvent::Type type)
{
    switch (type) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ParentChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::EnabledChange:
    case QEvent::ActivationChange:
    case QEvent::LayoutDirectionChange:
    case QEvent::FontChange:
    case QEvent::ZOrderChange:
        return true;
    default:
        return false;
    }
}

// The one colour of a fully opaque image; none when it holds two or any transparency.
std::optional<QRgb> flatColour(const QImage &image)
{
    if (image.isNull())
        return std::nullopt;
    const QRgb first = image.pixel(0, 0);
    if (qAlpha(first) != 255)
        return std::nullopt;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] != first)
                return std::nullopt;
        }
    }
    return first;
}

} // namespace

Backdrops::Backdrops(QWidget &window, const QList<QWidget *> &widgets, QObject *parent)
    : QObject(parent), m_window(window)
{
    m_resample.setSingleShot(true);
    m_resample.setInterval(0);
    connect(&m_resample, &QTimer::timeout, this, &Backdrops::sample);
    QSet<QWidget *> watched;
    for (QWidget *backed : widgets) {
        m_widgets.append(backed);
        for (QWidget *widget = backed; widget; widget = widget->parentWidget()) {
            if (!watched.contains(widget)) {
                watched.insert(widget);
                widget->installEventFilter(this);
            }
            if (widget == &m_window)
                break;
        }
    }
    m_resample.start();
}

std::optional<QRgb> Backdrops::beneath(const QWidget *widget) const
{
    const auto found = m_colours.constFind(widget);
    if (found == m_colours.cend())
        return std::nullopt;
    return *found;
}

bool Backdrops::eventFilter(QObject *watched, QEvent *event)
{
    if (m_sampling) {
        // The widgets keep out of their own samples.
        if (event->type() == QEvent::Paint && m_widgets.contains(qobject_cast<QWidget *>(watched)))
            return true;
        return false;
    }
    if (changesTheSurroundings(event->type()))
        invalidate();
    return false;
}

void Backdrops::invalidate()
{
    for (const QPointer<QWidget> &widget : std::as_const(m_widgets)) {
        if (widget && m_colours.contains(widget))
            widget->setAttribute(Qt::WA_OpaquePaintEvent, false);
    }
    m_colours.clear();
    m_resample.start();
}

void Backdrops::sample()
{
    if (m_sampling)
        return;
    m_resample.stop();
    m_sampling = true;
    const auto done = qScopeGuard([this] { m_sampling = false; });
    // An opaque widget would be left out of the window's painting, and so what lies beneath it.
    for (const QPointer<QWidget> &widget : std::as_const(m_widgets)) {
        if (widget)
            widget->setAttribute(Qt::WA_OpaquePaintEvent, false);
    }
    m_colours.clear();
    if (!m_window.isVisible())
        return;
    for (const QPointer<QWidget> &widget : std::as_const(m_widgets)) {
        if (!widget)
            continue;
        if (const std::optional<QRgb> colour = sampleOne(*widget)) {
            m_colours.insert(widget, *colour);
            widget->setAttribute(Qt::WA_OpaquePaintEvent, true);
        }
    }
}

std::optional<QRgb> Backdrops::sampleOne(QWidget &widget)
{
    if (!widget.isVisible() || widget.size().isEmpty() || !m_window.isAncestorOf(&widget))
        return std::nullopt;
    const qreal ratio = m_window.devicePixelRatioF();
    QImage beneath(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    beneath.setDevicePixelRatio(ratio);
    beneath.fill(Qt::transparent);
    const QRect area(widget.mapTo(&m_window, QPoint(0, 0)), widget.size());
    m_window.render(&beneath, QPoint(), QRegion(area), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    return flatColour(beneath);
}
