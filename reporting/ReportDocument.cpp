#include "ReportDocument.h"

#include "ReportError.h"
#include "ReportQuery.h"
#include "ReportRenderer.h"
#include "db/Connection.h"
#include "db/ConnectionSettings.h"
#include "db/DbError.h"
#include "db/OdbcConfiguration.h"
#include "db/ResultTable.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

namespace {

std::vector<DatabaseTable> tablesOf(const ReportDefinition &definition)
{
    std::vector<DatabaseTable> tables;
    for (const ReportTable &table : definition.tables)
        tables.emplace_back(table.name, table.location);
    return tables;
}

std::vector<ParameterField> parametersOf(const ReportDefinition &definition)
{
    std::vector<ParameterField> fields;
    for (const ReportParameter &parameter : definition.parameters)
        fields.emplace_back(parameter.name, parameter.defaultValue);
    return fields;
}

} // namespace

ReportDocument::ReportDocument(ReportDefinition definition, const QString &filePath,
                               std::unique_ptr<QTemporaryDir> copy)
    : m_definition(std::move(definition)), m_filePath(filePath), m_copy(std::move(copy)),
      m_workingFile(m_copy ? m_copy->filePath(QFileInfo(filePath).fileName()) : filePath),
      m_title(m_definition.title), m_database(tablesOf(m_definition)), m_parameters(parametersOf(m_definition))
{
}

ReportDocument::~ReportDocument() = default;

QVariant ReportDocument::parameterValue(const QString &name) const
{
    for (const ParameterField &field : m_parameters) {
        if (field.ParameterFieldName() == name)
            return field.value();
    }
    throw ReportError(QStringLiteral("The report has no parameter {?%1}.").arg(name));
}

QString ReportDocument::statement() const
{
    const auto tableName = [this](const QString &name) {
        for (const DatabaseTable &table : m_database.Tables()) {
            if (table.Name() == name)
                return table.tableName();
        }
        throw ReportError(QStringLiteral("The report has no table %1.").arg(name));
    };
    const auto parameterText = [this](const QString &name) { return parameterValue(name).toString(); };
    return ReportQuery::fill(m_definition.query, tableName, parameterText);
}

ConnectionSettings ReportDocument::connectionSettings() const
{
    const auto &tables = m_database.Tables();
    const std::optional<LogOnInfo> &logOn = tables.front().logOnInfo();
    if (!logOn)
        throw ReportError(QStringLiteral("The report table %1 has no log-on information.").arg(tables.front().Name()));
    for (const DatabaseTable &table : tables) {
        if (table.logOnInfo() != logOn)
            throw ReportError(QStringLiteral("The report's tables are logged on to different databases (%1 and %2); "
                                             "one report reads one database.")
                                  .arg(tables.front().Name(), table.Name()));
    }
    ConnectionSettings settings;
    if (logOn->server.trimmed().isEmpty()) {
        settings.kind = ConnectionSettings::Kind::Embedded;
        settings.databaseFile = logOn->database;
        settings.withPasswords = false; // no report reads the password table
    } else {
        // through the driver and options IT set for this computer, as the log-in connects
        settings = OdbcConfiguration::sqlServer(logOn->server, logOn->database, logOn->user, logOn->password);
    }
    return settings;
}

void ReportDocument::checkColumns() const
{
    for (const QString &field : m_definition.fieldNames()) {
        if (m_records->columnIndex(field) < 0)
            throw ReportError(QStringLiteral("The report shows the column %1, which its query does not return.")
                                  .arg(field));
    }
}

void ReportDocument::ReadRecords()
{
    for (const ParameterField &field : m_parameters)
        field.value(); // every parameter needs a value, not only those of the query
    const QString sql = statement();
    std::unique_ptr<Connection> connection;
    try {
        connection = std::make_unique<Connection>(connectionSettings());
    } catch (const DbError &error) {
        throw ReportError(QStringLiteral("The report cannot log on to its database. %1").arg(error.description()));
    }
    try {
        m_records = connection->run(sql);
    } catch (const DbError &error) {
        throw ReportError(QStringLiteral("The report's data cannot be read. %1").arg(error.description()));
    }
    if (!m_records)
        throw ReportError(QStringLiteral("The report's query returns no rows to show."));
    m_readAt = QDateTime::currentDateTime();
    try {
        checkColumns();
    } catch (const ReportError &) {
        m_records.reset();
        throw;
    }
}

ReportValues ReportDocument::values() const
{
    if (!m_records)
        throw ReportError(QStringLiteral("The report's data has not been read."));
    QHash<QString, QVariant> parameters;
    for (const ParameterField &field : m_parameters)
        parameters.insert(field.ParameterFieldName(), field.value());
    return ReportValues{parameters, m_title, m_readAt, m_records};
}

int ReportDocument::render(QPainter &painter, QPagedPaintDevice &device) const
{
    const ReportValues shown = values();
    return ReportRenderer(m_definition, shown).paint(painter, device);
}

int ReportDocument::pageCount(QPagedPaintDevice &device) const
{
    const ReportValues shown = values();
    return ReportRenderer(m_definition, shown).pageCount(device);
}

std::vector<ReportPage> ReportDocument::layOut(const QPaintDevice &device) const
{
    const ReportValues shown = values();
    return ReportRenderer(m_definition, shown).layOut(device);
}

void ReportDocument::exportToPdf(const QString &file)
{
    if (!m_records)
        ReadRecords();
    const QFileInfo target(file);
    if (!target.absoluteDir().exists())
        throw ReportError(QStringLiteral("The folder %1 does not exist.").arg(target.absolutePath()));
    QPdfWriter writer(file);
    writer.setPageLayout(pageLayout());
    writer.setTitle(m_title);
    writer.setCreator(QStringLiteral("Quellar"));
    QPainter painter;
    if (!painter.begin(&writer))
        throw ReportError(QStringLiteral("The file %1 cannot be written.").arg(file));
    render(painter, writer);
    if (!painter.end())
        throw ReportError(QStringLiteral("The file %1 cannot be written.").arg(file));
}
