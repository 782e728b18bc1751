#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRgb>
#include <QTimer>

#include <optional>

class QWidget;

// What a window paints beneath some of its widgets (text fields, scroll bars), when that
// is one flat colour. Such a widget is not opaque (a field's frame has rounded corners),
// so every change of a field's text or a bar's position repaints the panes, frames and
// group boxes under it as well: most of the cost of a move through the line grid. A
// widget known to have one colour beneath it paints that colour itself (its style does,
// see CachedPanelStyle) and is marked opaque, so the window skips what lies beneath.
// The colour is read by rendering the window there without the widget, and read again
// whenever the widget or anything around it moves, resizes or changes its look; until
// then the widget paints over its surroundings as usual.
class Backdrops : public QObject
{
    Q_OBJECT
public:
    Backdrops(QWidget &window, const QList<QWidget *> &widgets, QObject *parent = nullptr);

    // The colour beneath the widget; none while it is unknown or not one colour.
    std::optional<QRgb> beneath(const QWidget *widget) const;

    // Reads every backdrop now (normally done once events have settled).
    void sample();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void invalidate();
    std::optional<QRgb> sampleOne(QWidget &widget);

    QWidget &m_window;
    QList<QPointer<QWidget>> m_widgets;
    QHash<const QWidget *, QRgb> m_colours;
    QTimer m_resample;
    bool m_sampling = false;
};
