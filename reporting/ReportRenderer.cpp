#include "ReportRenderer.h"

#include "GlyphRunPainter.h"
#include "db/ResultTable.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <numeric>
#include <optional>

namespace {

constexpr qreal unlimited = 1e9;
constexpr qreal cellPaddingMm = 1.0;
constexpr qreal linePaddingMm = 0.6;
// Values wider than their share of the page first take width from the other columns,
// then print smaller, down to this much of the report's size.
constexpr qreal smallestBodyScale = 0.6;

// Widths for columns of the given shares that give every column at least its need:
// columns short of their need get it, the others share the rest in their proportions.
std::vector<qreal> spread(const std::vector<qreal> &shares, const std::vector<qreal> &needs, qreal width)
{
    const size_t n = shares.size();
    std::vector<bool> fixed(n, false);
    std::vector<qreal> widths(n, 0);
    for (;;) {
        qreal fixedWidth = 0, freeShares = 0;
        for (size_t i = 0; i < n; ++i) {
            if (fixed[i])
                fixedWidth += needs[i];
            else
                freeShares += shares[i];
        }
        const qreal perShare = freeShares > 0 ? (width - fixedWidth) / freeShares : 0;
        bool changed = false;
        for (size_t i = 0; i < n; ++i) {
            if (!fixed[i] && shares[i] * perShare < needs[i]) {
                fixed[i] = true;
                changed = true;
            }
        }
        if (changed)
            continue;
        for (size_t i = 0; i < n; ++i)
            widths[i] = fixed[i] ? needs[i] : shares[i] * perShare;
        break;
    }
    // Columns of no share that all got their need leave width over: the last column takes it.
    const qreal used = std::accumulate(widths.begin(), widths.end(), qreal(0));
    if (n > 0 && used < width)
        widths.back() += width - used;
    return widths;
}

bool isAscii(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

bool isAsciiBlank(QChar c)
{
    return c == QLatin1Char(' ') || (c.unicode() >= 0x09 && c.unicode() <= 0x0d);
}

} // namespace

void ReportRenderer::Block::append(const Block &below)
{
    place(below, height);
}

void ReportRenderer::Block::place(const Block &block, qreal y)
{
    // Room grows by the vector's own steps: reserving just enough for every block placed on
    // a page would move all of the page's pieces each time.
    for (const Piece &piece : block.pieces) {
        pieces.push_back(piece);
        pieces.back().rect.translate(0, y);
    }
    height = std::max(height, y + block.height);
}

void ReportRenderer::Block::place(Block &&block, qreal y)
{
    for (Piece &piece : block.pieces) {
        piece.rect.translate(0, y);
        pieces.push_back(std::move(piece));
    }
    height = std::max(height, y + block.height);
}

void ReportRenderer::Block::mark(ReportPiece::Part part)
{
    for (Piece &piece : pieces)
        piece.part = part;
}

ReportRenderer::ReportRenderer(const ReportDefinition &definition, const ReportValues &values)
    : m_definition(definition), m_values(values)
{
    expandCells();
    for (const ReportTotal &total : m_definition.totals)
        m_totals.push_back(ReportText::format(this->total(total), total.format));
    collectWords();
}

ReportRenderer::~ReportRenderer() = default;

void ReportRenderer::expandCells()
{
    const size_t columns = m_definition.columns.size();
    m_cells.resize(size_t(lineCount()) * columns);
    for (size_t c = 0; c < columns; ++c) {
        const QString &value = m_definition.columns[c].value;
        const std::vector<ReportText::Placeholder> placeholders = ReportText::placeholders(value);
        std::vector<int> fields;
        for (const ReportText::Placeholder &placeholder : placeholders)
            fields.push_back(m_values.rows ? m_values.rows->columnIndex(placeholder.name) : -1);
        for (int line = 0; line < lineCount(); ++line) {
            const Where where{line, 0, 0};
            const auto resolve = [&](const ReportText::Placeholder &placeholder) {
                const int field = fields[size_t(&placeholder - placeholders.data())];
                if (placeholder.kind == ReportText::Placeholder::Kind::Field && field >= 0)
                    return m_values.rows->value(line, field);
                return valueOf(placeholder, where);
            };
            m_cells[size_t(line) * columns + c] = ReportText::expand(value, placeholders, resolve).trimmed();
        }
    }
}

void ReportRenderer::collectWords()
{
    // Texts wrap at blanks only; a word never breaks, so each column needs its widest word.
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const auto wordsOf = [](const QSet<QString> &texts) {
        QSet<QString> words;
        for (const QString &text : texts) {
            if (!isAscii(text)) {
                for (const QString &word : text.split(blanks, Qt::SkipEmptyParts))
                    words.insert(word);
                continue;
            }
            // The blanks of plain ASCII are the six the expression knows there.
            qsizetype start = 0;
            for (qsizetype i = 0; i <= text.size(); ++i) {
                if (i < text.size() && !isAsciiBlank(text[i]))
                    continue;
                if (i > start)
                    words.insert(text.mid(start, i - start));
                start = i + 1;
            }
        }
        return words.values();
    };
    const size_t columns = m_definition.columns.size();
    for (size_t c = 0; c < columns; ++c) {
        QSet<QString> values;
        for (int line = 0; line < lineCount(); ++line)
            values.insert(cellText(int(c), line));
        QSet<QString> bold{m_definition.columns[c].title};
        for (size_t t = 0; t < m_definition.totals.size(); ++t) {
            if (size_t(m_definition.totals[t].column) == c)
                bold.insert(m_totals[t]);
        }
        m_words.push_back({wordsOf(values), wordsOf(bold)});
    }
}

ReportRenderer::Measure &ReportRenderer::measure(const QPaintDevice *device, const QFont &font) const
{
    for (const std::unique_ptr<Measure> &known : m_measures) {
        if (known->device == device && known->font == font)
            return *known;
    }
    m_measures.push_back(
        std::make_unique<Measure>(Measure{device, font, QFontMetricsF(font, device), GlyphTable(font, device), {}}));
    return *m_measures.back();
}

qreal ReportRenderer::advance(Measure &measure, const QString &text)
{
    const auto known = measure.advances.constFind(text);
    if (known != measure.advances.constEnd())
        return *known;
    // A plain line is as wide as its glyphs' advances together: what the metrics would
    // measure, without shaping the text again.
    const qreal width = measure.glyphs.plain(text) ? measure.glyphs.width(text) : measure.metrics.horizontalAdvance(text);
    measure.advances.insert(text, width);
    return width;
}

int ReportRenderer::lineCount() const
{
    return m_values.rows ? m_values.rows->rowCount() : 0;
}

QFont ReportRenderer::font(qreal size, bool bold, bool italic) const
{
    QFont result(m_definition.fontFamily);
    result.setPointSizeF(size > 0 ? size : m_definition.fontSize);
    result.setBold(bold);
    result.setItalic(italic);
    // No ligatures: "fi" stays two letters, so the text of an exported PDF can be searched.
    // Nor kerning: a plain line is then drawn glyph by glyph (see GlyphTable).
    result.setStyleStrategy(QFont::PreferNoShaping);
    result.setKerning(false);
    return result;
}

QFont ReportRenderer::bodyFont(const Sheet &sheet, bool bold) const
{
    return font(m_definition.fontSize * sheet.bodyScale, bold);
}

int ReportRenderer::cellFlags(const Sheet &sheet, Qt::Alignment align) const
{
    return int(align) | Qt::AlignTop | (sheet.breakAnywhere ? int(Qt::TextWrapAnywhere) : 0);
}

const QString &ReportRenderer::cellText(int column, int line) const
{
    return m_cells[size_t(line) * m_definition.columns.size() + size_t(column)];
}

ReportRenderer::Sheet ReportRenderer::sheetFor(const QPaintDevice &device) const
{
    Sheet sheet;
    sheet.device = &device;
    sheet.width = device.width();
    sheet.height = device.height();
    sheet.pixelsPerMm = device.logicalDpiY() / 25.4;
    fitColumns(sheet);
    return sheet;
}

std::vector<qreal> ReportRenderer::widestWords(const Sheet &sheet) const
{
    const auto widest = [](Measure &measure, const QStringList &words) {
        qreal width = 0;
        for (const QString &word : words)
            width = std::max(width, advance(measure, word));
        return width;
    };
    Measure &plain = measure(sheet.device, bodyFont(sheet, false));
    Measure &bold = measure(sheet.device, bodyFont(sheet, true));
    const qreal padding = 2 * sheet.mm(cellPaddingMm);
    std::vector<qreal> needs;
    for (size_t c = 0; c < m_definition.columns.size(); ++c) {
        const qreal need = std::max(widest(bold, m_words[c].bold), widest(plain, m_words[c].plain));
        // A little over the measured width, so rounding in the text layout never wraps a word.
        needs.push_back(need > 0 ? need + padding + 1 : padding);
    }
    return needs;
}

void ReportRenderer::fitColumns(Sheet &sheet) const
{
    std::vector<qreal> shares;
    for (const ReportColumn &column : m_definition.columns)
        shares.push_back(column.width);
    if (std::accumulate(shares.begin(), shares.end(), qreal(0)) <= 0)
        shares.assign(shares.size(), 1);
    const auto edgesOf = [](const std::vector<qreal> &widths) {
        std::vector<qreal> edges{0};
        for (const qreal width : widths)
            edges.push_back(edges.back() + width);
        return edges;
    };
    // The padding does not shrink with the text, so a few rounds may be needed.
    for (int round = 0; round < 8; ++round) {
        const std::vector<qreal> needs = widestWords(sheet);
        const qreal needed = std::accumulate(needs.begin(), needs.end(), qreal(0));
        if (needed <= sheet.width) {
            sheet.edges = edgesOf(spread(shares, needs, sheet.width));
            return;
        }
        if (sheet.bodyScale <= smallestBodyScale)
            break;
        sheet.bodyScale = std::max(smallestBodyScale, sheet.bodyScale * sheet.width / needed * 0.98);
    }
    // Too wide even in the smallest print: every column keeps its share and values break
    // anywhere inside their cells rather than run into the next.
    sheet.breakAnywhere = true;
    sheet.edges = edgesOf(spread(shares, std::vector<qreal>(shares.size(), 0), sheet.width));
}

bool ReportRenderer::shows(const ReportRow &row, const Where &where) const
{
    if (!row.when.isEmpty() && expand(row.when, where).trimmed().isEmpty())
        return false;
    return row.unless.isEmpty() || expand(row.unless, where).trimmed().isEmpty();
}

QVariant ReportRenderer::valueOf(const ReportText::Placeholder &placeholder, const Where &where) const
{
    using Kind = ReportText::Placeholder::Kind;
    switch (placeholder.kind) {
    case Kind::Parameter:
        return m_values.parameters.value(placeholder.name);
    case Kind::Special:
        if (placeholder.name == QLatin1String("Page"))
            return where.page;
        if (placeholder.name == QLatin1String("Pages"))
            return where.pages;
        if (placeholder.name == QLatin1String("PrintDate"))
            return m_values.printed;
        return m_values.title;
    case Kind::Field:
        if (where.line < 0 || where.line >= lineCount())
            return {};
        return m_values.rows->value(where.line, m_values.rows->columnIndex(placeholder.name));
    }
    return {};
}

QString ReportRenderer::expand(const QString &text, const Where &where) const
{
    return ReportText::expand(text, [&](const ReportText::Placeholder &p) { return valueOf(p, where); });
}

ReportRenderer::Block ReportRenderer::text(const Sheet &sheet, const QRectF &box, const QString &text,
                                           const QFont &font, int flags) const
{
    const int wrapping = flags | Qt::TextWordWrap;
    qreal oneLine = -1;
    const qreal height = textHeight(sheet, font, text, box.width(), wrapping, &oneLine);
    Block block;
    block.pieces.push_back({QRectF(box.left(), box.top(), box.width(), height), text, font, wrapping, false});
    block.pieces.back().oneLine = oneLine >= 0;
    block.pieces.back().advance = std::max(oneLine, qreal(0));
    block.height = box.top() + height;
    return block;
}

qreal ReportRenderer::textHeight(const Sheet &sheet, const QFont &font, const QString &text, qreal width, int flags,
                                 qreal *oneLineAdvance) const
{
    Measure &fonts = measure(sheet.device, font);
    const qreal lineHeight = fonts.metrics.height();
    // Such a line fitting the width with room to spare for rounding is never wrapped: no
    // need to lay it out; oneLineAdvance gets its width.
    if (fonts.glyphs.plain(text)) {
        const qreal textWidth = advance(fonts, text);
        if (textWidth + 0.5 <= width) {
            *oneLineAdvance = textWidth;
            return lineHeight;
        }
    }
    if (text.isEmpty())
        return lineHeight;
    return std::max(lineHeight, fonts.metrics.boundingRect(QRectF(0, 0, width, unlimited), flags, text).height());
}

ReportRenderer::Block ReportRenderer::rule(const Sheet &sheet, qreal thickness) const
{
    Block block;
    const qreal pen = std::max(sheet.mm(thickness), 1.0);
    block.pieces.push_back({QRectF(0, sheet.mm(0.5), sheet.width, pen), QString(), QFont(), 0, true});
    block.height = sheet.mm(1.0) + pen;
    return block;
}

ReportRenderer::Block ReportRenderer::textRow(const Sheet &sheet, const ReportRow &row, const Where &where) const
{
    const QFont rowFont = font(row.fontSize, row.bold, row.italic);
    std::vector<std::pair<QString, Qt::Alignment>> parts;
    if (!row.left.isEmpty())
        parts.emplace_back(row.left, Qt::AlignLeft);
    if (!row.center.isEmpty())
        parts.emplace_back(row.center, Qt::AlignHCenter);
    if (!row.right.isEmpty())
        parts.emplace_back(row.right, Qt::AlignRight);
    // One part takes the whole width; left and right share it in halves; with a centre
    // part, each takes its third.
    const bool thirds = !row.center.isEmpty() && parts.size() > 1;
    const int shares = thirds ? 3 : int(parts.size());
    Block block;
    block.height = QFontMetricsF(rowFont, sheet.device).height(); // an empty row keeps its line
    for (size_t i = 0; i < parts.size(); ++i) {
        const Qt::Alignment align = parts[i].second;
        const int slot = !thirds ? int(i) : align == Qt::AlignLeft ? 0 : align == Qt::AlignHCenter ? 1 : 2;
        const qreal share = sheet.width / shares;
        const QRectF box(share * slot, 0, share, unlimited);
        block.place(text(sheet, box, expand(parts[i].first, where), rowFont, int(align) | Qt::AlignTop), 0);
    }
    return block;
}

ReportRenderer::Block ReportRenderer::signatures(const Sheet &sheet, const ReportRow &row, const Where &where) const
{
    const QFont captionFont = font(row.fontSize, row.bold, row.italic);
    const QFont nameFont = font(row.fontSize, true, false);
    const int count = int(row.signatures.size());
    const qreal slot = sheet.width / count;
    const qreal lineLength = slot * 0.8;
    const qreal nameHeight = QFontMetricsF(nameFont, sheet.device).height();
    Block block;
    for (int i = 0; i < count; ++i) {
        const ReportSignature &signature = row.signatures[size_t(i)];
        const QRectF box(slot * i + (slot - lineLength) / 2, 0, lineLength, unlimited);
        block.place(text(sheet, box, expand(signature.name, where), nameFont, Qt::AlignHCenter | Qt::AlignBottom), 0);
        Block line = rule(sheet, 0.3);
        for (Piece &piece : line.pieces)
            piece.rect = QRectF(box.left(), piece.rect.top(), lineLength, piece.rect.height());
        block.place(line, nameHeight);
        block.place(text(sheet, box, signature.caption, captionFont, Qt::AlignHCenter | Qt::AlignTop),
                    nameHeight + line.height);
    }
    return block;
}

ReportRenderer::Block ReportRenderer::rows(const Sheet &sheet, const std::vector<ReportRow> &rows,
                                           const Where &where) const
{
    Block block;
    for (const ReportRow &row : rows) {
        if (!shows(row, where))
            continue;
        switch (row.kind) {
        case ReportRow::Kind::Text:
            block.append(textRow(sheet, row, where));
            break;
        case ReportRow::Kind::Rule:
            block.append(rule(sheet, row.millimetres));
            break;
        case ReportRow::Kind::Space:
            block.height += sheet.mm(row.millimetres);
            break;
        case ReportRow::Kind::Signatures:
            block.append(signatures(sheet, row, where));
            break;
        }
    }
    return block;
}

ReportRenderer::Block ReportRenderer::headings(const Sheet &sheet) const
{
    const std::vector<qreal> &edges = sheet.edges;
    const qreal padding = sheet.mm(cellPaddingMm);
    const QFont headingFont = bodyFont(sheet, true);
    Block cells;
    for (size_t i = 0; i < m_definition.columns.size(); ++i) {
        const ReportColumn &column = m_definition.columns[i];
        const QRectF box(edges[i] + padding, 0, edges[i + 1] - edges[i] - 2 * padding, unlimited);
        Block cell = text(sheet, box, column.title, headingFont, int(column.align) | Qt::AlignBottom);
        cell.pieces.front().column = int(i);
        cells.place(cell, 0);
    }
    Block block = rule(sheet, 0.3);
    block.append(cells);
    block.append(rule(sheet, 0.3));
    return block;
}

ReportRenderer::Block ReportRenderer::line(const Sheet &sheet, int line) const
{
    const std::vector<qreal> &edges = sheet.edges;
    const qreal padding = sheet.mm(cellPaddingMm);
    const QFont lineFont = bodyFont(sheet, false);
    Block block;
    for (size_t i = 0; i < m_definition.columns.size(); ++i) {
        const ReportColumn &column = m_definition.columns[i];
        const QRectF box(edges[i] + padding, sheet.mm(linePaddingMm / 2), edges[i + 1] - edges[i] - 2 * padding,
                         unlimited);
        Block cell = text(sheet, box, cellText(int(i), line), lineFont, cellFlags(sheet, column.align));
        cell.pieces.front().column = int(i);
        cell.pieces.front().line = line;
        block.place(std::move(cell), 0);
    }
    block.height += sheet.mm(linePaddingMm / 2);
    block.mark(ReportPiece::Part::Line);
    return block;
}

QVariant ReportRenderer::total(const ReportTotal &total) const
{
    if (total.count)
        return lineCount();
    double sum = 0;
    const int column = m_values.rows ? m_values.rows->columnIndex(total.field) : -1;
    for (int row = 0; row < lineCount(); ++row)
        sum += m_values.rows->value(row, column).toDouble();
    return sum;
}

ReportRenderer::Block ReportRenderer::totals(const Sheet &sheet) const
{
    const std::vector<qreal> &edges = sheet.edges;
    const qreal padding = sheet.mm(cellPaddingMm);
    const QFont totalFont = bodyFont(sheet, true);
    Block block;
    for (const ReportTotal &total : m_definition.totals) {
        const ReportColumn &column = m_definition.columns[size_t(total.column)];
        const size_t c = size_t(total.column);
        Block row;
        row.place(text(sheet, QRectF(0, 0, std::max(edges[c] - padding, 1.0), unlimited), total.label, totalFont,
                       Qt::AlignRight | Qt::AlignTop),
                  0);
        Block value = text(sheet, QRectF(edges[c] + padding, 0, edges[c + 1] - edges[c] - 2 * padding, unlimited),
                           m_totals[size_t(&total - m_definition.totals.data())], totalFont,
                           cellFlags(sheet, column.align));
        value.pieces.front().column = int(c);
        row.place(value, 0);
        block.append(row);
    }
    return block;
}

ReportRenderer::Block ReportRenderer::ending(const Sheet &sheet) const
{
    Block block;
    if (lineCount() == 0 && !m_definition.emptyText.isEmpty()) {
        // Nothing to sum or sign: the text says why instead of an empty form.
        block.append(text(sheet, QRectF(0, sheet.mm(3), sheet.width, unlimited),
                          expand(m_definition.emptyText, Where{}), font(m_definition.fontSize * 1.2, true),
                          Qt::AlignHCenter | Qt::AlignTop));
        block.mark(ReportPiece::Part::Empty);
        return block;
    }
    if (!m_definition.totals.empty()) {
        Block sums = rule(sheet, 0.3);
        sums.append(totals(sheet));
        sums.mark(ReportPiece::Part::Totals);
        block.append(sums);
    }
    Block footer = rows(sheet, m_definition.reportFooter, Where{lineCount() > 0 ? 0 : -1, 0, 0});
    footer.mark(ReportPiece::Part::ReportFooter);
    block.append(footer);
    return block;
}

std::vector<ReportPage> ReportRenderer::layOut(const QPaintDevice &device) const
{
    const Sheet sheet = sheetFor(device);
    const int firstLine = lineCount() > 0 ? 0 : -1;
    Block header = rows(sheet, m_definition.pageHeader, Where{firstLine, 0, 0});
    header.mark(ReportPiece::Part::PageHeader);
    if (lineCount() > 0 || m_definition.emptyText.isEmpty()) {
        Block columnHeadings = headings(sheet);
        columnHeadings.mark(ReportPiece::Part::Headings);
        header.append(columnHeadings);
    }
    // The footer's height does not depend on the page numbers it shows.
    const qreal footerTop = sheet.height - rows(sheet, m_definition.pageFooter, Where{firstLine, 999, 999}).height;

    struct Placed {
        Block block;
        qreal y;
    };
    std::vector<std::vector<Placed>> bodies(1);
    qreal y = header.height;
    const auto place = [&](Block block) {
        if (y + block.height > footerTop && !bodies.back().empty()) {
            bodies.emplace_back();
            y = header.height;
        }
        bodies.back().push_back({std::move(block), y});
        y += bodies.back().back().block.height;
    };
    for (int i = 0; i < lineCount(); ++i)
        place(line(sheet, i));
    // Totals and report footer stay together, and never stand alone on a page: when they
    // do not fit under the lines, the last line goes over with them.
    Block end = ending(sheet);
    if (y + end.height > footerTop && bodies.back().size() > 1) {
        Placed last = std::move(bodies.back().back());
        bodies.back().pop_back();
        bodies.emplace_back();
        y = header.height;
        place(std::move(last.block));
    }
    place(std::move(end));

    const int pageTotal = int(bodies.size());
    std::vector<Page> pages;
    for (int p = 0; p < pageTotal; ++p) {
        Block page = header;
        for (Placed &placed : bodies[size_t(p)])
            page.place(std::move(placed.block), placed.y);
        Block footer = rows(sheet, m_definition.pageFooter, Where{firstLine, p + 1, pageTotal});
        footer.mark(ReportPiece::Part::PageFooter);
        page.place(footer, footerTop);
        pages.push_back(std::move(page.pieces));
    }
    return pages;
}

int ReportRenderer::pageCount(const QPaintDevice &device) const
{
    return int(layOut(device).size());
}

namespace {

// Where drawText(rect, flags, text) starts a text known to fit its box on one line (the
// point on its baseline), so it can be drawn without laying it out again.
QPointF lineOrigin(const QFontMetricsF &metrics, const ReportPiece &piece)
{
    const QRectF &box = piece.rect;
    qreal x = box.left();
    if (piece.flags & Qt::AlignRight)
        x = box.right() - piece.advance;
    else if (piece.flags & Qt::AlignHCenter)
        x = box.left() + (box.width() - piece.advance) / 2;
    qreal top = box.top();
    if (piece.flags & Qt::AlignBottom)
        top = box.bottom() - metrics.height();
    else if (piece.flags & Qt::AlignVCenter)
        top = box.top() + (box.height() - metrics.height()) / 2;
    return QPointF(x, top + metrics.ascent());
}

} // namespace

int ReportRenderer::paint(QPainter &painter, QPagedPaintDevice &device) const
{
    const std::vector<Page> pages = layOut(device);
    painter.setPen(Qt::black);
    // A PDF file takes a page's one-line texts as a few glyph runs; other devices (the
    // preview records its pages) get every text drawn by itself.
    std::optional<GlyphRunPainter> runs;
    if (GlyphRunPainter::suits(painter))
        runs.emplace(painter);
    Measure *fonts = nullptr; // the last piece's
    for (size_t p = 0; p < pages.size(); ++p) {
        if (p > 0) {
            if (runs)
                runs->flush();
            device.newPage();
        }
        for (const Piece &piece : pages[p]) {
            if (!piece.isLine && piece.oneLine) {
                if (!fonts || fonts->font != piece.font)
                    fonts = &measure(&device, piece.font);
                const QPointF origin = lineOrigin(fonts->metrics, piece);
                if (runs && runs->draw(fonts->glyphs, origin, piece.text))
                    continue;
                if (runs)
                    runs->flush();
                if (painter.font() != piece.font)
                    painter.setFont(piece.font);
                painter.drawText(origin, piece.text);
                continue;
            }
            if (runs)
                runs->flush();
            if (piece.isLine) {
                painter.fillRect(piece.rect, Qt::black);
                continue;
            }
            if (painter.font() != piece.font)
                painter.setFont(piece.font);
            painter.drawText(piece.rect, piece.flags, piece.text);
        }
    }
    if (runs)
        runs->flush();
    return int(pages.size());
}
