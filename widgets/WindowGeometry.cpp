#include "WindowGeometry.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include <algorithm>

namespace {
const QString keyPosition = QStringLiteral("position");
const QString keySize = QStringLiteral("size");
const QString keyMaximized = QStringLiteral("maximized");

qint64 overlap(const QRect &a, const QRect &b)
{
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : qint64(common.width()) * common.height();
}
} // namespace

WindowGeometry::WindowGeometry(const QString &window) : m_group(QStringLiteral("windows/") + window) { }

std::unique_ptr<QSettings> WindowGeometry::settings() const
{
    const QString organization = QCoreApplication::organizationName();
    if (organization.isEmpty())
        return nullptr;
    auto settings = std::make_unique<QSettings>(organization, QStringLiteral("Windows"));
    settings->beginGroup(m_group);
    return settings;
}

QRect WindowGeometry::fitted(const QRect &saved, const QList<QRect> &availableAreas)
{
    if (availableAreas.isEmpty() || saved.isEmpty())
        return saved;
    const QRect area = *std::max_element(availableAreas.cbegin(), availableAreas.cend(),
                                         [&saved](const QRect &a, const QRect &b) {
                                             return overlap(saved, a) < overlap(saved, b);
                                         });
    // max_element keeps the first of equals, so no overlap at all gives the first screen.
    const QSize size = saved.size().boundedTo(area.size());
    const int x = std::clamp(saved.x(), area.left(), area.left() + area.width() - size.width());
    const int y = std::clamp(saved.y(), area.top(), area.top() + area.height() - size.height());
    return QRect(QPoint(x, y), size);
}

void WindowGeometry::restore(QWidget &window) const
{
    const auto kept = settings();
    if (!kept || !kept->contains(keySize))
        return;
    QList<QRect> areas;
    for (const QScreen *screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    const QRect place = fitted(QRect(kept->value(keyPosition).toPoint(), kept->value(keySize).toSize()), areas);
    window.resize(place.size());
    window.move(place.topLeft()); // the frame's corner: the title bar stays on the screen
    if (kept->value(keyMaximized).toBool())
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

void WindowGeometry::save(const QWidget &window) const
{
    const auto kept = settings();
    if (!kept || !window.isVisible())
        return;
    const bool maximized = window.isMaximized() || window.isFullScreen();
    // A maximized window comes back maximized, and its normal size for when it is not.
    const QRect normal = maximized ? window.normalGeometry() : window.geometry();
    const QPoint framePosition = maximized ? normal.topLeft() : window.pos();
    kept->setValue(keyPosition, framePosition);
    kept->setValue(keySize, normal.size());
    kept->setValue(keyMaximized, maximized);
}

QVariant WindowGeometry::value(const QString &key) const
{
    const auto kept = settings();
    return kept ? kept->value(key) : QVariant();
}

void WindowGeometry::setValue(const QString &key, const QVariant &value) const
{
    if (const auto kept = settings())
        kept->setValue(key, value);
}
