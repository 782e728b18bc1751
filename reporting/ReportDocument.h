#pragma once

#include "ParameterField.h"
#include "ReportDatabase.h"
#include "ReportDefinition.h"

#include <QDateTime>
#include <QPageLayout>
#include <QString>

#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;
class QTemporaryDir;
class ResultTable;
struct ConnectionSettings;
struct ReportPiece;
struct ReportValues;

// An opened report: its tables with their locations and log-on, its parameter fields, a
// title, and once read, its rows. It reads through a connection of its own, opened from
// the tables' log-on information, never through the program's session.
class ReportDocument
{
public:
    // copy: the temporary copy the report was read from, removed with the document.
    ReportDocument(ReportDefinition definition, const QString &filePath, std::unique_ptr<QTemporaryDir> copy);
    ~ReportDocument();
    ReportDocument(const ReportDocument &) = delete;
    ReportDocument &operator=(const ReportDocument &) = delete;

    // The file the report was opened from, and the one it is read from (a temporary copy
    // in open mode 1).
    const QString &filePath() const { return m_filePath; }
    const QString &workingFile() const { return m_workingFile; }

    // Shown as {#ReportTitle}, and the title of exported PDF files and print jobs.
    const QString &ReportTitle() const { return m_title; }
    void setReportTitle(const QString &title) { m_title = title; }

    ReportDatabase &Database() { return m_database; }
    const ReportDatabase &Database() const { return m_database; }
    std::vector<ParameterField> &ParameterFields() { return m_parameters; }
    const std::vector<ParameterField> &ParameterFields() const { return m_parameters; }

    // The statement the report runs, with tables and parameter values filled in. Throws
    // ReportError for a parameter without a value or a table location without a name.
    QString statement() const;
    // The connection the report logs on with. Throws ReportError when the tables have no
    // log-on information or differ in it.
    ConnectionSettings connectionSettings() const;

    // Logs on, runs the query and keeps the rows; throws ReportError with the reason.
    void ReadRecords();
    bool hasRecords() const { return m_records != nullptr; }
    const std::shared_ptr<const ResultTable> &records() const { return m_records; }
    void DiscardSavedData() { m_records.reset(); }

    QPageLayout pageLayout() const { return m_definition.pageLayout; }
    // Paints the report (rows read before) on the device the painter is active on;
    // returns the page count. Throws ReportError when the rows have not been read.
    int render(QPainter &painter, QPagedPaintDevice &device) const;
    int pageCount(QPagedPaintDevice &device) const;
    // The pages as render() paints them on the device: every text with the box it is
    // drawn in. Throws ReportError when the rows have not been read.
    std::vector<std::vector<ReportPiece>> layOut(const QPaintDevice &device) const;
    // Reads the rows when that has not been done, and writes the report as a PDF file.
    void exportToPdf(const QString &file);

private:
    // What the renderer shows; throws ReportError when the rows have not been read.
    ReportValues values() const;
    void checkColumns() const;
    QVariant parameterValue(const QString &name) const;

    ReportDefinition m_definition;
    QString m_filePath;
    std::unique_ptr<QTemporaryDir> m_copy;
    QString m_workingFile;
    QString m_title;
    ReportDatabase m_database;
    std::vector<ParameterField> m_parameters;
    std::shared_ptr<const ResultTable> m_records;
    QDateTime m_readAt;
};
