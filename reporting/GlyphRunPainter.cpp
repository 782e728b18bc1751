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

const std::optional<GlyphRunPainter::Shaped> &GlyphRunPainter::shaped(const QFont &font, const QString &text)
{
    if (!m_lastFont || m_lastFont->font != font) {
        m_lastFont = nullptr;
        for (const std::unique_ptr<FontTexts> &known : m_fonts) {
            if (known->font == font)
                m_lastFont = known.get();
        }
        if (!m_lastFont) {
            // The font as drawText() uses it: at the resolution of the painter's device.
            const QRawFont raw = QRawFont::fromFont(QFont(font, m_painter.device()));
            m_fonts.push_back(std::make_unique<FontTexts>(FontTexts{font, raw, {}}));
            m_lastFont = m_fonts.back().get();
        }
    }
    const auto known = m_lastFont->texts.constFind(text);
    if (known != m_lastFont->texts.constEnd())
        return *known;

    // Such a text is drawn by drawText() glyph by glyph as the font maps its characters,
    // each glyph advancing by its own width (no kerning, no ligatures).
    Shaped shape{m_lastFont->raw, m_lastFont->raw.glyphIndexesForString(text), {}};
    std::optional<Shaped> result;
    if (!shape.glyphs.contains(0)) {
        const QList<QPointF> advances = shape.font.advancesForGlyphIndexes(shape.glyphs);
        shape.offsets.reserve(advances.size());
        QPointF place;
        for (const QPointF &advance : advances) {
            shape.offsets.push_back(place);
            place += advance;
        }
        result = std::move(shape);
    }
    return *m_lastFont->texts.insert(text, std::move(result));
}

bool GlyphRunPainter::draw(const QFont &font, const QPointF &origin, const QString &text)
{
    const std::optional<Shaped> &shape = shaped(font, text);
    if (!shape)
        return false;
    if (!(shape->font == m_heldFont))
        flush();
    m_heldFont = shape->font;
    const QPointF start(onGrid(origin.x()), onGrid(origin.y()));
    m_heldGlyphs += shape->glyphs;
    m_heldPositions.reserve(m_heldPositions.size() + shape->offsets.size());
    for (const QPointF &offset : shape->offsets)
        m_heldPositions.push_back(start + offset);
    return true;
}

void GlyphRunPainter::flush()
{
    if (m_heldGlyphs.isEmpty())
        return;
    QGlyphRun run;
    run.setRawFont(m_heldFont);
    run.setGlyphIndexes(m_heldGlyphs);
    run.setPositions(m_heldPositions);
    m_painter.drawGlyphRun(QPointF(0, 0), run);
    m_heldGlyphs.clear();
    m_heldPositions.clear();
}
