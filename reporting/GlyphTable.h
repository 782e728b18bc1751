#pragma once

#include <QFont>
#include <QPointF>
#include <QRawFont>

#include <array>

class QPaintDevice;

// The glyph and advance of each character of a font below U+0300 on one device, each
// asked of the font once: the one table of which characters a report font draws itself.
//
// A text is plain when drawText() draws it glyph by glyph as the font maps its characters,
// each glyph advancing by its own width, so that its glyphs, places and width follow from
// this table without shaping the text: the font is not shaped (QFont::PreferNoShaping with
// kerning off, so no ligatures and no kerning), and every character is a Latin or common
// one that needs no shaping (no control or format character, no combining mark, nothing
// of a complex script) and that the font itself holds (not a fallback font). Any other
// text must be drawn and measured by Qt's own text layout.
class GlyphTable
{
public:
    struct Glyph {
        quint32 index = 0;
        QPointF advance;
    };

    // The font at the resolution of the device drawn on, as drawText() uses it.
    GlyphTable(const QFont &font, const QPaintDevice *device);

    const QRawFont &font() const { return m_font; }

    // Whether the text is plain in this font; false for an empty one.
    bool plain(const QString &text);
    // Only for a character of a plain text.
    const Glyph &glyph(QChar character) const { return m_glyphs[character.unicode()]; }
    // The width of a plain text.
    qreal width(const QString &text) const;

private:
    bool plain(char16_t character);

    static constexpr char16_t size = 0x300;

    QRawFont m_font;
    bool m_unshaped; // the font itself adds no ligatures and no kerning
    std::array<Glyph, size> m_glyphs{};
    std::array<signed char, size> m_known{}; // 0 not asked yet, 1 plain, -1 not
};
