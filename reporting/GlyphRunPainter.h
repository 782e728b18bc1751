#pragma once

#include "GlyphTable.h"

#include <QList>
#include <QPointF>
#include <QString>

class QPainter;

// Draws one-line texts where QPainter::drawText(origin, text) puts them, for a PDF file:
// a plain text's glyphs and places come from its font's glyph table (see GlyphTable), and
// texts drawn one after another in the same font go out as one glyph run. The PDF engine
// then writes one text object for a page's lines instead of one per cell, with the same
// glyphs at the same places (the file keeps a run's places relative to each other with
// nine digits, so a glyph may stand a few millionths of a point from where a text object
// of its own would put it).
// Only for PDF engines: a recording engine (the preview's) would draw glyph runs as paths.
class GlyphRunPainter
{
public:
    explicit GlyphRunPainter(QPainter &painter) : m_painter(painter) { }
    GlyphRunPainter(const GlyphRunPainter &) = delete;
    GlyphRunPainter &operator=(const GlyphRunPainter &) = delete;

    // Whether the painter's engine writes glyph runs as text.
    static bool suits(const QPainter &painter);

    // Holds the text to be drawn with the texts before it, when it is plain in the font of
    // the glyph table (made for the painter's device); false for any other text, which the
    // caller draws itself with drawText() after flush().
    bool draw(GlyphTable &glyphs, const QPointF &origin, const QString &text);
    // Draws the texts held so far; before anything else is drawn and before a new page.
    void flush();

private:
    QPainter &m_painter;
    const GlyphTable *m_held = nullptr;
    QList<quint32> m_heldGlyphs;
    QList<QPointF> m_heldPositions;
};
