#pragma once

#include "GlyphTable.h"

#include <QFont>
#include <QList>
#include <QPointF>
#include <QString>

#include <memory>
#include <vector>

class QPainter;

// Draws one-line texts where QPainter::drawText(origin, text) puts them, for a PDF file:
// each text's glyphs and places come from its font's glyph table (no shaping), and texts
// drawn one after another in the same font go out as one glyph run. The PDF engine then
// writes one text object for a page's lines instead of one per cell, with the same glyphs
// at the same places (the file keeps a run's places relative to each other with nine
// digits, so a glyph may stand a few millionths of a point from where a text object of
// its own would put it).
// Only for PDF engines: a recording engine (the preview's) would draw glyph runs as paths.
class GlyphRunPainter
{
public:
    explicit GlyphRunPainter(QPainter &painter);
    ~GlyphRunPainter();
    GlyphRunPainter(const GlyphRunPainter &) = delete;
    GlyphRunPainter &operator=(const GlyphRunPainter &) = delete;

    // Whether the painter's engine writes glyph runs as text.
    static bool suits(const QPainter &painter);

    // Holds the text to be drawn with the texts before it. The text must be one line of
    // left-to-right characters without controls or combining marks, which drawText()
    // draws as they come; false when the font lacks one of them or one lies outside its
    // glyph table, and the caller draws the text itself (after flush()).
    bool draw(const QFont &font, const QPointF &origin, const QString &text);
    // Draws the texts held so far; before anything else is drawn and before a new page.
    void flush();

private:
    struct FontGlyphs {
        QFont font;
        GlyphTable table;
    };

    FontGlyphs &glyphsOf(const QFont &font);

    QPainter &m_painter;
    std::vector<std::unique_ptr<FontGlyphs>> m_fonts;
    FontGlyphs *m_lastFont = nullptr;
    FontGlyphs *m_heldFont = nullptr;
    QList<quint32> m_heldGlyphs;
    QList<QPointF> m_heldPositions;
};
