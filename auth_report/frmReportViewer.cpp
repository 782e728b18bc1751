#include "frmReportViewer.h"

#include "ReportPrinting.h"
#include "app/MessageBox.h"
#include "reporting/ReportError.h"
#include "reporting/ReportViewer.h"
#include "widgets/WindowGeometry.h"
#include "ui_frmReportViewer.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace {
// The viewer's zoom setting 1: the page fills the window's width.
constexpr int fitPageWidth = 1;
} // namespace

frmReportViewer::frmReportViewer(QWidget *owner)
    : QWidget(owner, Qt::Window), ui(std::make_unique<Ui::frmReportViewer>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    connect(ui->CRViewer1, &ReportViewer::closeRequested, this, &QWidget::close);
    WindowGeometry(QStringLiteral("frmReportViewer")).restore(*this);
}

frmReportViewer::~frmReportViewer() = default;

ReportViewer &frmReportViewer::CRViewer1()
{
    return *ui->CRViewer1;
}

void frmReportViewer::Form_Load()
{
    m_loaded = true;
    ui->CRViewer1->setReportSource(gReport);
    ui->CRViewer1->Zoom(fitPageWidth);
    // The clerk's own zoom, when one was kept, wins over the page width.
    if (const QVariant zoom = WindowGeometry(QStringLiteral("frmReportViewer")).value(QStringLiteral("zoom")); zoom.isValid())
        ui->CRViewer1->Zoom(zoom.toInt());
    ui->CRViewer1->setDisplayGroupTree(m_showGroupTree);
    ui->CRViewer1->setEnableGroupTree(m_showGroupTree);
    ui->CRViewer1->ViewReport();
}

bool frmReportViewer::event(QEvent *event)
{
    // Shown without being loaded first: load now, and say so when the report cannot be shown.
    if (event->type() == QEvent::Show && !m_loaded) {
        try {
            Form_Load();
        } catch (const ReportError &error) {
            MsgBox(error.message(), vbCritical);
        }
    }
    return QWidget::event(event);
}

void frmReportViewer::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmReportViewer::closeEvent(QCloseEvent *event)
{
    gReport.reset();
    const WindowGeometry desk(QStringLiteral("frmReportViewer"));
    desk.save(*this);
    desk.setValue(QStringLiteral("zoom"), ui->CRViewer1->zoomLevel());
    QWidget::closeEvent(event);
}
