#pragma once

#include <QPageLayout>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

// What a report file holds, read and checked. The file format is described in README.md.

struct ReportSignature {
    QString caption; // under the line
    QString name;    // above the line; may hold placeholders
};

// One row of a header or footer.
struct ReportRow {
    enum class Kind { Text, Rule, Space, Signatures };
    Kind kind = Kind::Text;
    QString left, center, right;
    qreal fontSize = 0; // 0: the report's font size
    bool bold = false;
    bool italic = false;
    qreal millimetres = 0; // Rule: thickness; Space: height
    std::vector<ReportSignature> signatures;
    // The row prints only when `when` (if given) expands to a text that is not blank and
    // `unless` (if given) expands to a blank one.
    QString when;
    QString unless;
};

struct ReportColumn {
    QString title;
    QString value;      // text with placeholders, for each line
    qreal width = 1;    // relative to the other columns
    Qt::Alignment align = Qt::AlignLeft;
};

struct ReportTotal {
    QString label;
    int column = 0;     // the column it stands under
    bool count = false; // counts the lines instead of summing a field
    QString field;      // the query column summed
    QString format;
};

struct ReportParameter {
    QString name;
    QVariant defaultValue; // not valid: none
};

struct ReportTable {
    QString name;
    QString location;
};

struct ReportDefinition {
    QString title;
    QPageLayout pageLayout;
    QString fontFamily;
    qreal fontSize = 9;
    std::vector<ReportParameter> parameters;
    std::vector<ReportTable> tables;
    QString query;
    std::vector<ReportRow> pageHeader;
    std::vector<ReportColumn> columns;
    QString emptyText;
    std::vector<ReportTotal> totals;
    std::vector<ReportRow> reportFooter;
    std::vector<ReportRow> pageFooter;

    // Reads a report file's contents; throws ReportError naming the file and the fault.
    static ReportDefinition parse(const QByteArray &contents, const QString &fileName);

    // Every query column the layout names, once each.
    QStringList fieldNames() const;
    // Every text of the layout.
    QStringList texts() const;
};
