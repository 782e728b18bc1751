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

bool GlyphRunPainter::suits(const QPainter &painter)
{
    const QPaintEngine *engine = painter.paintEngine();
    return engine && engine->type() == QPaintEngine::Pdf && painter.transform().isIdentity();
}

bool GlyphRunPainter::draw(GlyphTable &glyphs, const QPointF &origin, const QString &text)
{
    if (!glyphs.plain(text))
        return false;
    if (&glyphs != m_held)
        flush();
    m_held = &glyphs;
    const QPointF start(onGrid(origin.x()), onGrid(origin.y()));
    QPointF place;
    for (const QChar c : text) {
        const GlyphTable::Glyph &glyph = glyphs.glyph(c);
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
    run.setRawFont(m_held->font());
    run.setGlyphIndexes(m_heldGlyphs);
    run.setPositions(m_heldPositions);
    m_painter.drawGlyphRun(QPointF(0, 0), run);
    m_heldGlyphs.clear();
    m_heldPositions.clear();
}
