#include "ReportDefinition.h"

#include "ReportError.h"
#include "ReportQuery.h"
#include "ReportText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPageSize>

#include <set>

namespace {

const QString formatName = QStringLiteral("quellar-report/1");

[[noreturn]] void fail(const QString &what)
{
    throw ReportError(what);
}

QString requiredText(const QJsonObject &object, const char *key, const QString &where)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isString() || value.toString().trimmed().isEmpty())
        fail(QStringLiteral("%1 needs the text \"%2\".").arg(where, QLatin1String(key)));
    return value.toString();
}

qreal positiveNumber(const QJsonValue &value, qreal fallback, const QString &what)
{
    if (value.isUndefined())
        return fallback;
    if (!value.isDouble() || value.toDouble() < 0)
        fail(QStringLiteral("%1 must be a number of zero or more.").arg(what));
    return value.toDouble();
}

QPageSize::PageSizeId pageSizeId(const QString &name)
{
    const QString key = name.trimmed().toLower();
    if (key == QLatin1String("a4"))
        return QPageSize::A4;
    if (key == QLatin1String("a5"))
        return QPageSize::A5;
    if (key == QLatin1String("letter"))
        return QPageSize::Letter;
    if (key == QLatin1String("legal"))
        return QPageSize::Legal;
    fail(QStringLiteral("The page size \"%1\" is not known; use A4, A5, Letter or Legal.").arg(name));
}

QPageLayout readPage(const QJsonObject &page)
{
    const QPageSize size(pageSizeId(page.value(QLatin1String("size")).toString(QStringLiteral("A4"))));
    const QString orientationName = page.value(QLatin1String("orientation")).toString(QStringLiteral("portrait"));
    if (orientationName != QLatin1String("portrait") && orientationName != QLatin1String("landscape"))
        fail(QStringLiteral("The page orientation must be \"portrait\" or \"landscape\"."));
    const auto orientation = orientationName == QLatin1String("landscape") ? QPageLayout::Landscape
                                                                            : QPageLayout::Portrait;
    QMarginsF margins(15, 15, 15, 15);
    const QJsonValue marginValue = page.value(QLatin1String("margins"));
    if (!marginValue.isUndefined()) {
        const QJsonArray m = marginValue.toArray();
        if (m.size() != 4)
            fail(QStringLiteral("The page margins are four numbers: left, top, right, bottom (mm)."));
        margins = QMarginsF(positiveNumber(m[0], 0, QStringLiteral("A margin")),
                            positiveNumber(m[1], 0, QStringLiteral("A margin")),
                            positiveNumber(m[2], 0, QStringLiteral("A margin")),
                            positiveNumber(m[3], 0, QStringLiteral("A margin")));
    }
    return QPageLayout(size, orientation, margins, QPageLayout::Millimeter);
}

Qt::Alignment readAlignment(const QJsonValue &value)
{
    const QString name = value.toString(QStringLiteral("left"));
    if (name == QLatin1String("left"))
        return Qt::AlignLeft;
    if (name == QLatin1String("center"))
        return Qt::AlignHCenter;
    if (name == QLatin1String("right"))
        return Qt::AlignRight;
    fail(QStringLiteral("The alignment \"%1\" is not known; use left, center or right.").arg(name));
}

std::vector<ReportSignature> readSignatures(const QJsonArray &array)
{
    std::vector<ReportSignature> signatures;
    for (const QJsonValue &value : array) {
        const QJsonObject object = value.toObject();
        signatures.push_back({requiredText(object, "caption", QStringLiteral("A signature")),
                              object.value(QLatin1String("name")).toString()});
    }
    if (signatures.empty())
        fail(QStringLiteral("A signatures row needs at least one signature."));
    return signatures;
}

ReportRow readRow(const QJsonObject &object)
{
    ReportRow row;
    if (object.contains(QLatin1String("signatures"))) {
        row.kind = ReportRow::Kind::Signatures;
        row.signatures = readSignatures(object.value(QLatin1String("signatures")).toArray());
    } else if (object.contains(QLatin1String("rule"))) {
        row.kind = ReportRow::Kind::Rule;
        row.millimetres = positiveNumber(object.value(QLatin1String("rule")), 0.3, QStringLiteral("A rule"));
    } else if (object.contains(QLatin1String("space"))) {
        row.kind = ReportRow::Kind::Space;
        row.millimetres = positiveNumber(object.value(QLatin1String("space")), 0, QStringLiteral("A space"));
    } else {
        row.left = object.value(QLatin1String("left")).toString();
        row.center = object.value(QLatin1String("center")).toString();
        row.right = object.value(QLatin1String("right")).toString();
    }
    row.fontSize = positiveNumber(object.value(QLatin1String("size")), 0, QStringLiteral("A font size"));
    row.bold = object.value(QLatin1String("bold")).toBool();
    row.italic = object.value(QLatin1String("italic")).toBool();
    row.when = object.value(QLatin1String("when")).toString();
    row.unless = object.value(QLatin1String("unless")).toString();
    return row;
}

std::vector<ReportRow> readRows(const QJsonObject &root, const char *key)
{
    std::vector<ReportRow> rows;
    for (const QJsonValue &value : root.value(QLatin1String(key)).toArray()) {
        if (!value.isObject())
            fail(QStringLiteral("Every row of \"%1\" is an object.").arg(QLatin1String(key)));
        rows.push_back(readRow(value.toObject()));
    }
    return rows;
}

std::vector<ReportParameter> readParameters(const QJsonArray &array)
{
    std::vector<ReportParameter> parameters;
    std::set<QString> names;
    for (const QJsonValue &value : array) {
        const QJsonObject object = value.toObject();
        ReportParameter parameter{requiredText(object, "name", QStringLiteral("A parameter")),
                                  object.value(QLatin1String("default")).toVariant()};
        if (!names.insert(parameter.name).second)
            fail(QStringLiteral("The parameter %1 is defined twice.").arg(parameter.name));
        parameters.push_back(parameter);
    }
    return parameters;
}

std::vector<ReportTable> readTables(const QJsonArray &array)
{
    std::vector<ReportTable> tables;
    for (const QJsonValue &value : array) {
        const QJsonObject object = value.toObject();
        tables.push_back({requiredText(object, "name", QStringLiteral("A table")),
                          requiredText(object, "location", QStringLiteral("A table"))});
    }
    if (tables.empty())
        fail(QStringLiteral("The report lists no tables."));
    return tables;
}

QString readQuery(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    QStringList lines;
    for (const QJsonValue &line : value.toArray())
        lines << line.toString();
    if (lines.join(QString()).trimmed().isEmpty())
        fail(QStringLiteral("The report has no query."));
    return lines.join(QLatin1Char('\n'));
}

std::vector<ReportColumn> readColumns(const QJsonArray &array)
{
    std::vector<ReportColumn> columns;
    for (const QJsonValue &value : array) {
        const QJsonObject object = value.toObject();
        ReportColumn column;
        column.title = object.value(QLatin1String("title")).toString();
        column.value = requiredText(object, "value", QStringLiteral("A column"));
        column.width = positiveNumber(object.value(QLatin1String("width")), 1, QStringLiteral("A column width"));
        column.align = readAlignment(object.value(QLatin1String("align")));
        columns.push_back(column);
    }
    if (columns.empty())
        fail(QStringLiteral("The report has no columns."));
    return columns;
}

int columnTitled(const std::vector<ReportColumn> &columns, const QString &title)
{
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].title == title)
            return int(i);
    }
    fail(QStringLiteral("A total stands under the column \"%1\", which the report does not have.").arg(title));
}

std::vector<ReportTotal> readTotals(const QJsonArray &array, const std::vector<ReportColumn> &columns)
{
    std::vector<ReportTotal> totals;
    for (const QJsonValue &value : array) {
        const QJsonObject object = value.toObject();
        ReportTotal total;
        total.label = object.value(QLatin1String("label")).toString();
        total.column = columnTitled(columns, requiredText(object, "column", QStringLiteral("A total")));
        total.count = object.value(QLatin1String("count")).toBool();
        if (!total.count)
            total.field = requiredText(object, "sum", QStringLiteral("A total"));
        total.format = object.value(QLatin1String("format")).toString();
        ReportText::checkFormat(total.format);
        totals.push_back(total);
    }
    return totals;
}

const QStringList specialNames = {QStringLiteral("Page"), QStringLiteral("Pages"), QStringLiteral("PrintDate"),
                                  QStringLiteral("ReportTitle")};

void checkText(const QString &text, const QStringList &parameters)
{
    for (const ReportText::Placeholder &placeholder : ReportText::placeholders(text)) {
        ReportText::checkFormat(placeholder.format);
        if (placeholder.kind == ReportText::Placeholder::Kind::Parameter && !parameters.contains(placeholder.name))
            fail(QStringLiteral("The text \"%1\" uses the parameter {?%2}, which the report does not define.")
                     .arg(text, placeholder.name));
        if (placeholder.kind == ReportText::Placeholder::Kind::Special && !specialNames.contains(placeholder.name))
            fail(QStringLiteral("The text \"%1\" uses {#%2}; the engine knows {#%3}.")
                     .arg(text, placeholder.name, specialNames.join(QStringLiteral("}, {#"))));
    }
}

void appendTexts(QStringList &texts, const std::vector<ReportRow> &rows)
{
    for (const ReportRow &row : rows) {
        texts << row.left << row.center << row.right << row.when << row.unless;
        for (const ReportSignature &signature : row.signatures)
            texts << signature.caption << signature.name;
    }
}

ReportDefinition readDefinition(const QJsonObject &root)
{
    if (root.value(QLatin1String("format")).toString() != formatName)
        fail(QStringLiteral("It does not start with \"format\": \"%1\".").arg(formatName));
    ReportDefinition definition;
    definition.title = root.value(QLatin1String("title")).toString();
    definition.pageLayout = readPage(root.value(QLatin1String("page")).toObject());
    const QJsonObject font = root.value(QLatin1String("font")).toObject();
    definition.fontFamily = font.value(QLatin1String("family")).toString(QStringLiteral("DejaVu Sans"));
    definition.fontSize = positiveNumber(font.value(QLatin1String("size")), 9, QStringLiteral("The font size"));
    if (definition.fontSize <= 0)
        fail(QStringLiteral("The font size must be more than zero."));
    definition.parameters = readParameters(root.value(QLatin1String("parameters")).toArray());
    definition.tables = readTables(root.value(QLatin1String("tables")).toArray());
    definition.query = readQuery(root.value(QLatin1String("query")));
    definition.pageHeader = readRows(root, "pageHeader");
    definition.columns = readColumns(root.value(QLatin1String("columns")).toArray());
    definition.emptyText = root.value(QLatin1String("emptyText")).toString();
    definition.totals = readTotals(root.value(QLatin1String("totals")).toArray(), definition.columns);
    definition.reportFooter = readRows(root, "reportFooter");
    definition.pageFooter = readRows(root, "pageFooter");
    return definition;
}

void checkReferences(const ReportDefinition &definition)
{
    QStringList parameters;
    for (const ReportParameter &parameter : definition.parameters)
        parameters << parameter.name;
    QStringList tables;
    for (const ReportTable &table : definition.tables)
        tables << table.name;
    ReportQuery::check(definition.query, tables, parameters);
    for (const QString &text : definition.texts())
        checkText(text, parameters);
}

} // namespace

ReportDefinition ReportDefinition::parse(const QByteArray &contents, const QString &fileName)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(contents, &error);
    if (error.error != QJsonParseError::NoError) {
        const int line = int(contents.left(error.offset).count('\n')) + 1;
        throw ReportError(QStringLiteral("The report file %1 cannot be read (line %2): %3.")
                              .arg(fileName).arg(line).arg(error.errorString()));
    }
    if (!document.isObject())
        throw ReportError(QStringLiteral("The report file %1 is not a report.").arg(fileName));
    try {
        ReportDefinition definition = readDefinition(document.object());
        checkReferences(definition);
        return definition;
    } catch (const ReportError &fault) {
        throw ReportError(QStringLiteral("The report file %1 is not valid. %2").arg(fileName, fault.message()));
    }
}

QStringList ReportDefinition::texts() const
{
    QStringList all;
    appendTexts(all, pageHeader);
    for (const ReportColumn &column : columns)
        all << column.title << column.value;
    all << emptyText;
    for (const ReportTotal &total : totals)
        all << total.label;
    appendTexts(all, reportFooter);
    appendTexts(all, pageFooter);
    return all;
}

QStringList ReportDefinition::fieldNames() const
{
    QStringList names;
    for (const QString &text : texts()) {
        for (const ReportText::Placeholder &placeholder : ReportText::placeholders(text)) {
            if (placeholder.kind == ReportText::Placeholder::Kind::Field)
                names << placeholder.name;
        }
    }
    for (const ReportTotal &total : totals) {
        if (!total.count)
            names << total.field;
    }
    names.removeDuplicates();
    return names;
}
