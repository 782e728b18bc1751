#pragma once

#include "GlyphTable.h"

#include "ReportDefinition.h"
#include "ReportText.h"

#include <QDateTime>
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QRectF>

#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;
class ResultTable;

// What a report shows besides its layout: parameter values, title, print time, rows.
struct ReportValues {
    QHash<QString, QVariant> parameters; // by name, without "{?" and "}"
    QString title;
    QDateTime printed;
    std::shared_ptr<const ResultTable> rows;
};

// One text drawn on a page in its box, or (isLine) a line along the top of a box as
// thick as the box is high. Texts are drawn where QPainter::drawText(rect, flags, text) puts them.
struct ReportPiece {
    enum class Part { PageHeader, Headings, Line, Empty, Totals, ReportFooter, PageFooter };
    QRectF rect;
    QString text;
    QFont font;
    int flags = 0;
    bool isLine = false;
    Part part = Part::PageHeader;
    int column = -1; // the detail column a heading, cell or total stands in
    int line = -1;   // the line a cell belongs to
    bool oneLine = false; // the text fits its box's width on one line, in glyphs of its own font
    qreal advance = 0;    // of a text on one line
};
using ReportPage = std::vector<ReportPiece>;

// Lays a report out on the pages of a paint device (PDF writer, printer, preview) and
// paints it: the page header and the column headings on every page, the lines, then the
// totals and the report footer kept together, the page footer at the foot of every page.
class ReportRenderer
{
public:
    // Expands every cell and total once; the values must outlive the renderer.
    ReportRenderer(const ReportDefinition &definition, const ReportValues &values);
    ~ReportRenderer();
    ReportRenderer(const ReportRenderer &) = delete;
    ReportRenderer &operator=(const ReportRenderer &) = delete;

    // Paints every page on the device the painter is active on; returns the page count.
    int paint(QPainter &painter, QPagedPaintDevice &device) const;
    int pageCount(const QPaintDevice &device) const;
    // The pages as they are painted on the device, in its units.
    std::vector<ReportPage> layOut(const QPaintDevice &device) const;

private:
    using Piece = ReportPiece;
    using Page = ReportPage;
    // Pieces stacked from y = 0 down to height.
    struct Block {
        std::vector<Piece> pieces;
        qreal height = 0;
        void append(const Block &below);
        void place(const Block &block, qreal y);
        void place(Block &&block, qreal y);
        void mark(ReportPiece::Part part);
    };
    // The device being laid out for, in its own units, and the detail columns sized for
    // the values of this report.
    struct Sheet {
        const QPaintDevice *device = nullptr;
        qreal width = 0;
        qreal height = 0;
        qreal pixelsPerMm = 1;
        std::vector<qreal> edges; // left edge of every column, then the right edge of the last
        qreal bodyScale = 1;      // headings, lines and totals print this much smaller
        bool breakAnywhere = false; // even the smallest print is too wide: values break in their cells
        qreal mm(qreal millimetres) const { return millimetres * pixelsPerMm; }
    };
    // One font on one device, and the widths of the texts measured in it so far.
    struct Measure {
        const QPaintDevice *device = nullptr;
        QFont font;
        QFontMetricsF metrics;
        GlyphTable glyphs; // the same font's glyphs: which lines are plain, their widths and glyph runs
        QHash<QString, qreal> advances;
    };
    // The distinct words of a column, by the font they print in.
    struct Words {
        QStringList plain; // the values
        QStringList bold;  // the heading and the totals
    };
    // Which line and page a text is expanded for; line -1 has no fields.
    struct Where {
        int line = -1;
        int page = 0;
        int pages = 0;
    };

    Sheet sheetFor(const QPaintDevice &device) const;
    int lineCount() const;

    Block rows(const Sheet &sheet, const std::vector<ReportRow> &rows, const Where &where) const;
    Block textRow(const Sheet &sheet, const ReportRow &row, const Where &where) const;
    Block rule(const Sheet &sheet, qreal thickness) const;
    Block signatures(const Sheet &sheet, const ReportRow &row, const Where &where) const;
    Block headings(const Sheet &sheet) const;
    Block line(const Sheet &sheet, int line) const;
    Block ending(const Sheet &sheet) const;
    Block totals(const Sheet &sheet) const;
    Block text(const Sheet &sheet, const QRectF &box, const QString &text, const QFont &font, int flags) const;
    qreal textHeight(const Sheet &sheet, const QFont &font, const QString &text, qreal width, int flags,
                     qreal *oneLineAdvance) const;
    Measure &measure(const QPaintDevice *device, const QFont &font) const;
    static qreal advance(Measure &measure, const QString &text);

    QFont font(qreal size = 0, bool bold = false, bool italic = false) const;
    QFont bodyFont(const Sheet &sheet, bool bold) const;
    int cellFlags(const Sheet &sheet, Qt::Alignment align) const;
    const QString &cellText(int column, int line) const;
    void expandCells();
    void collectWords();
    void fitColumns(Sheet &sheet) const;
    std::vector<qreal> widestWords(const Sheet &sheet) const;
    bool shows(const ReportRow &row, const Where &where) const;
    QString expand(const QString &text, const Where &where) const;
    QVariant valueOf(const ReportText::Placeholder &placeholder, const Where &where) const;
    QVariant total(const ReportTotal &total) const;

    const ReportDefinition &m_definition;
    const ReportValues &m_values;
    std::vector<QString> m_cells;  // line by line, a text for every column
    std::vector<QString> m_totals; // formatted, in the order of the definition's totals
    std::vector<Words> m_words;    // by column
    // Text is measured while laying out, which is otherwise const.
    mutable std::vector<std::unique_ptr<Measure>> m_measures;
};
