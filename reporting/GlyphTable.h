#pragma once

#include <QPointF>
#include <QRawFont>

#include <array>
#include <optional>

// The glyph and advance of each character of a raw font below U+0300, each asked of the
// font once. A plain line (left-to-right characters without controls or combining marks)
// is drawn glyph by glyph as the font maps its characters, each glyph advancing by its
// own width, so its glyphs and places follow from these without shaping the line: a
// report's thousands of distinct cell texts cost a lookup per character.
class GlyphTable
{
public:
    struct Glyph {
        quint32 index = 0;
        QPointF advance;
    };

    explicit GlyphTable(QRawFont font) : m_font(std::move(font)) { }

    const QRawFont &font() const { return m_font; }

    // The character's glyph; none when the font lacks it or it lies outside the table.
    std::optional<Glyph> glyph(char16_t character)
    {
        if (character >= size)
            return std::nullopt;
        if (m_known[character] == 0)
            look(character);
        if (m_known[character] < 0)
            return std::nullopt;
        return m_glyphs[character];
    }

private:
    void look(char16_t character);

    static constexpr char16_t size = 0x300;

    QRawFont m_font;
    std::array<Glyph, size> m_glyphs{};
    std::array<signed char, size> m_known{}; // 0 not asked yet, 1 in the font, -1 not
};
