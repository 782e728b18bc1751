#pragma once

#include "ReportDefinition.h"
#include "ReportText.h"

#include <QDateTime>
#include <QFont>
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

// Lays a report out on the pages of a paint device (PDF writer, printer, preview) and
// paints it: the page header and the column headings on every page, the lines, then the
// totals and the report footer kept together, the page footer at the foot of every page.
class ReportRenderer
{
public:
    ReportRenderer(const ReportDefinition &definition, const ReportValues &values);

    // Paints every page on the device the painter is active on; returns the page count.
    int paint(QPainter &painter, QPagedPaintDevice &device) const;
    int pageCount(const QPaintDevice &device) const;

private:
    // One thing to draw: a text in a box, or a line along the top of a box as thick as
    // the box is high.
    struct Piece {
        QRectF rect;
        QString text;
        QFont font;
        int flags = 0;
        bool isLine = false;
    };
    // Pieces stacked from y = 0 down to height.
    struct Block {
        std::vector<Piece> pieces;
        qreal height = 0;
        void append(const Block &below);
        void place(const Block &block, qreal y);
    };
    using Page = std::vector<Piece>;
    // The device being laid out for, in its own units.
    struct Sheet {
        const QPaintDevice *device = nullptr;
        qreal width = 0;
        qreal height = 0;
        qreal pixelsPerMm = 1;
        qreal mm(qreal millimetres) const { return millimetres * pixelsPerMm; }
    };
    // Which line and page a text is expanded for; line -1 has no fields.
    struct Where {
        int line = -1;
        int page = 0;
        int pages = 0;
    };

    std::vector<Page> layOut(const QPaintDevice &device) const;
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

    QFont font(qreal size = 0, bool bold = false, bool italic = false) const;
    std::vector<qreal> columnEdges(const Sheet &sheet) const;
    QString expand(const QString &text, const Where &where) const;
    QVariant valueOf(const ReportText::Placeholder &placeholder, const Where &where) const;
    QVariant total(const ReportTotal &total) const;

    const ReportDefinition &m_definition;
    const ReportValues &m_values;
};
