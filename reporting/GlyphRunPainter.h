#pragma once

#include <QFont>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QPainter;

// Draws one-line texts where QPainter::drawText(origin, text) puts them, for a PDF file:
// each distinct text is shaped once per font, and texts drawn one after another in the
// same font go out as one glyph run. The PDF engine then writes one text object for a
// page's lines instead of one per cell, with the same glyphs at the same places (the file
// keeps a run's places relative to each other with nine digits, so a glyph may stand a
// few millionths of a point from where a text object of its own would put it).
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
    // draws as they come; false when the font lacks one of them, and the caller draws
    // the text itself (after flush()).
    bool draw(const QFont &font, const QPointF &origin, const QString &text);
    // Draws the texts held so far; before anything else is drawn and before a new page.
    void flush();

private:
    // A text's glyphs, and their places from the point drawText() starts at.
    struct Shaped {
        QRawFont font;
        QList<quint32> glyphs;
        QList<QPointF> offsets;
    };
    // The texts shaped in one font so far; nullopt: the font lacks a character.
    struct FontTexts {
        QFont font;
        QRawFont raw;
        QHash<QString, std::optional<Shaped>> texts;
    };

    const std::optional<Shaped> &shaped(const QFont &font, const QString &text);

    QPainter &m_painter;
    std::vector<std::unique_ptr<FontTexts>> m_fonts;
    FontTexts *m_lastFont = nullptr;
    QRawFont m_heldFont;
    QList<quint32> m_heldGlyphs;
    QList<QPointF> m_heldPositions;
};
