#include "GlyphTable.h"

#include <QList>
#include <QString>

#include <algorithm>

GlyphTable::GlyphTable(const QFont &font, const QPaintDevice *device)
    : m_font(QRawFont::fromFont(QFont(font, device))),
      m_unshaped((font.styleStrategy() & QFont::PreferNoShaping) && !font.kerning())
{
}

bool GlyphTable::plain(const QString &text)
{
    return m_unshaped && !text.isEmpty()
        && std::all_of(text.cbegin(), text.cend(), [this](QChar c) { return plain(c.unicode()); });
}

bool GlyphTable::plain(char16_t character)
{
    if (character >= size)
        return false;
    signed char &known = m_known[character];
    if (known == 0) {
        known = -1;
        const QChar c(character);
        const bool needsNoShaping = c.script() == QChar::Script_Latin || c.script() == QChar::Script_Common;
        if (needsNoShaping && c.category() != QChar::Other_Control && c.category() != QChar::Other_Format && !c.isMark()) {
            const QList<quint32> indexes = m_font.glyphIndexesForString(QString(c));
            if (indexes.size() == 1 && indexes.front() != 0) {
                m_glyphs[character] = Glyph{indexes.front(), m_font.advancesForGlyphIndexes(indexes).value(0)};
                known = 1;
            }
        }
    }
    return known > 0;
}

qreal GlyphTable::width(const QString &text) const
{
    qreal width = 0;
    for (const QChar c : text)
        width += glyph(c).advance.x();
    return width;
}
