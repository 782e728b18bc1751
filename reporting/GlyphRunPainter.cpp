#include "GlyphRunPainter.h"

#include <QGlyphRun>
#include <QPaintEngine>
#include <QPainter>

namespace {

// The engine keeps glyph places in 1/64 of a device unit, cutting drawText()'s start
// point down to that: cut the same way, the places below are those of drawText() exactly.
qreal onGrid(qreal value)
{
    return int(value * qreal(64)) / qreal(64);
}

} // namespace

GlyphRunPainter::GlyphRunPainter(QPainter &painter)
    : m_painter(painter)
{
}

GlyphRunPainter::~GlyphRunPainter() = default;

bool GlyphRunPainter::suits(const QPainter &painter)
{
    const QPaintEngine *engine = painter.paintEngine();
    return engine && engine->type() == QPaintEngine::Pdf && painter.transform().isIdentity();
}

GlyphRunPainter::FontGlyphs &GlyphRunPainter::glyphsOf(const QFont &font)
{
    if (m_lastFont && m_lastFont->font == font)
        return *m_lastFont;
    m_lastFont = nullptr;
    for (const std::unique_ptr<FontGlyphs> &known : m_fonts) {
        if (known->font == font)
            m_lastFont = known.get();
    }
    if (!m_lastFont) {
        // The font as drawText() uses it: at the resolution of the painter's device.
        m_fonts.push_back(std::make_unique<FontGlyphs>(
            FontGlyphs{font, GlyphTable(QRawFont::fromFont(QFont(font, m_painter.device())))}));
        m_lastFont = m_fonts.back().get();
    }
    return *m_lastFont;
}

bool GlyphRunPainter::draw(const QFont &font, const QPointF &origin, const QString &text)
{
    FontGlyphs &glyphs = glyphsOf(font);
    for (const QChar c : text) {
        if (!glyphs.table.glyph(c.unicode()))
            return false;
    }
    if (&glyphs != m_heldFont)
        flush();
    m_heldFont = &glyphs;
    // Such a text is drawn by drawText() glyph by glyph as the font maps its characters,
    // each glyph advancing by its own width (no kerning, no ligatures).
    const QPointF start(onGrid(origin.x()), onGrid(origin.y()));
    QPointF place;
    for (const QChar c : text) {
        const GlyphTable::Glyph glyph = *glyphs.table.glyph(c.unicode());
        m_heldGlyphs.push_back(glyph.index);
        m_heldPositions.push_back(start + place);
        place += glyph.advance;
    }
    return true;
}

void GlyphRunPainter::flush()
{
    if (m_heldGlyphs.isEmpty())
        return;
    QGlyphRun run;
    run.setRawFont(m_heldFont->table.font());
    run.setGlyphIndexes(m_heldGlyphs);
    run.setPositions(m_heldPositions);
    m_painter.drawGlyphRun(QPointF(0, 0), run);
    m_heldGlyphs.clear();
    m_heldPositions.clear();
}
