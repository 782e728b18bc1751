#pragma once

#include <QString>
#include <QVariantList>

#include <memory>

class QWidget;
class ReportDocument;

// The report opened last; a viewer window shows it and closing any viewer releases it.
// (It lives here rather than with the other globals because only printing knows the
// report engine.)
extern std::shared_ptr<ReportDocument> gReport;

// Opens the report file (as a temporary copy) into gReport: the hospital name as its
// title, every table moved to the session's database and logged on with the session's
// server, database, login and password, parameter i given value i. Throws ReportError.
void PrepareReport(const QString &reportFile, const QVariantList &parameters);

// Opens another viewer window on gReport with the caption; owner, when given, is the
// window the viewer belongs to and closes with. Throws ReportError when the report
// cannot be shown; no window stays open then.
void ShowReport(bool showGroupTree, const QString &caption, QWidget *owner = nullptr);

// "&View" of the main window: prints the request through DepartmentRequest.rpt in the
// program's folder. A failure reaches the user as a message.
void printDepartmentRequest(const QString &documentNumber, QWidget *parent);

// The re-pointing rule: the session's database followed by the old location from its
// first "." onward. Throws ReportError for a location without ".".
QString repointedLocation(const QString &tableName, const QString &location, const QString &database);
