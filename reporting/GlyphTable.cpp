#include "GlyphTable.h"

#include <QList>
#include <QString>

void GlyphTable::look(char16_t character)
{
    const QList<quint32> indexes = m_font.glyphIndexesForString(QString(QChar(character)));
    m_known[character] = -1;
    if (indexes.size() == 1 && indexes.front() != 0) {
        const QList<QPointF> advances = m_font.advancesForGlyphIndexes(indexes);
        m_glyphs[character] = Glyph{indexes.front(), advances.value(0)};
        m_known[character] = 1;
    }
}
