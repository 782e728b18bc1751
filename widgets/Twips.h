#pragma once

#include <QWidget>
#include <QtMath>

// Widths of the hospital system's windows are given in twips (1/1440 inch); this turns
// them into pixels at the screen's resolution.
inline int twipsToPixels(const QWidget *widget, double twips)
{
    return qRound(twips * widget->logicalDpiX() / 1440.0);
}
