#pragma once

#include <QProxyStyle>
#include <QRgb>

#include <optional>

class Backdrops;
class QWidget;

// The window's style with the text fields' frames drawn once per look and then copied.
// The style draws a field's frame with antialiased rounded rectangles on every paint,
// and a move through the line grid repaints every field of the entry panel; the frame
// depends only on its size, state and colours, so one drawn frame serves them all.
// Scroll bars are kept the same way, by where their slider is: a move through 5,000 lines
// moves it by a pixel only every few lines.
// Where the window is one colour beneath a field or a scroll bar, the style paints that
// colour first and the widget is marked opaque (see Backdrops).
class CachedPanelStyle : public QProxyStyle
{
    Q_OBJECT
public:
    // Gives the text fields of window the cached frames, and them and the scroll bars their
    // backdrops; the style belongs to window.
    static void applyTo(QWidget &window);

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget = nullptr) const override;

private:
    CachedPanelStyle();

    // The colour beneath widget for its cached look to be drawn on; none when it has no
    // known backdrop, or when the look drawn at drawn cannot carry it (then the colour
    // is already painted).
    std::optional<QRgb> cachedBackdrop(QPainter &painter, const QRect &drawn, const QWidget *widget) const;

    Backdrops *m_backdrops = nullptr; // a child of this style
};
