#include "ReportPrinting.h"

#include "frmReportViewer.h"
#include "app/MessageBox.h"
#include "app/ProgramFiles.h"
#include "app/modInventory.h"
#include "db/DbError.h"
#include "reporting/ReportDocument.h"
#include "reporting/ReportEngine.h"
#include "reporting/ReportError.h"
#include "session/SessionComponent.h"
#include "widgets/BusyCursor.h"

#include <QCoreApplication>

std::shared_ptr<ReportDocument> gReport;

namespace {

// These two fields were defined in the reports with a blank after their codes.
bool wantsTrailingBlank(const QString &fieldName)
{
    return fieldName == QLatin1String("{?@SupplierCode}") || fieldName == QLatin1String("{?SupplierID}");
}

void repointTables(ReportDocument &report, const SessionComponent &session)
{
    const QString database = session.Database();
    for (DatabaseTable &table : report.Database().Tables()) {
        table.setLocation(repointedLocation(table.Name(), table.Location(), database));
        table.SetLogOnInfo(session.ServerName(), database, session.ServerUser(), session.ServerPassword());
    }
}

void fillParameters(ReportDocument &report, const QVariantList &parameters)
{
    const qsizetype highest = parameters.size() - 1;
    qsizetype i = 0;
    for (ParameterField &field : report.ParameterFields()) {
        if (i > highest)
            break;
        const QVariant &value = parameters[i];
        field.AddCurrentValue(wantsTrailingBlank(field.Name()) ? QVariant(value.toString() + QLatin1Char(' ')) : value);
        ++i;
    }
}

} // namespace

QString repointedLocation(const QString &tableName, const QString &location, const QString &database)
{
    const qsizetype dot = location.indexOf(QLatin1Char('.'));
    if (dot < 0)
        throw ReportError(QStringLiteral("The report table %1 has the location \"%2\", which names no database, "
                                         "so it cannot be moved to the database %3.")
                              .arg(tableName, location, database));
    return database + location.mid(dot);
}

void PrepareReport(const QString &reportFile, const QVariantList &parameters)
{
    if (!gCurrentUser)
        throw ReportError(QStringLiteral("Nobody is logged in, so the report has no database to read."));
    // Filled completely before it becomes gReport, so gReport never holds half a report.
    std::shared_ptr<ReportDocument> report = ReportEngine::OpenReport(reportFile, ReportEngine::OpenTemporaryCopy);
    report->setReportTitle(gstrHospitalName);
    repointTables(*report, *gCurrentUser);
    fillParameters(*report, parameters);
    gReport = std::move(report);
}

void ShowReport(bool showGroupTree, const QString &caption, QWidget *owner)
{
    auto viewer = std::make_unique<frmReportViewer>(owner);
    viewer->setShowGroupTree(showGroupTree);
    viewer->setWindowTitle(caption);
    viewer->Form_Load();
    viewer.release()->show(); // deletes itself when closed
}

void printDepartmentRequest(const QString &documentNumber, QWidget *parent)
{
    QString failure;
    try {
        const BusyCursor hourglass;
        const QVariantList parameters{gstrHospitalName, gstrHospitalAddress, documentNumber.trimmed()};
        PrepareReport(programDataFile(QStringLiteral("DepartmentRequest.rpt")), parameters);
        ShowReport(false, QStringLiteral("Inventory Master File"), parent);
        return;
    } catch (const ReportError &error) {
        failure = error.message();
    } catch (const DbError &error) {
        failure = error.description();
    } catch (const std::exception &error) {
        failure = QString::fromLocal8Bit(error.what());
    }
    // Nothing is shown, so nothing keeps the report.
    gReport.reset();
    MsgBox(QStringLiteral("The department request cannot be printed.\n\n") + failure, vbCritical);
}
