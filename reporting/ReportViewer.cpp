#include "ReportViewer.h"

#include "ReportDocument.h"
#include "ReportError.h"
#include "ui_ReportViewer.h"

#include "widgets/PlainFileDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>

#include <algorithm>

namespace {

constexpr int fitWidth = 1;
constexpr int wholePage = 2;
constexpr int smallestPercent = 10;
constexpr int largestPercent = 400;

} // namespace

ReportViewer::ReportViewer(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::ReportViewer>())
{
    ui->setupUi(this);
    m_preview = std::make_unique<QPrintPreviewWidget>(&m_previewPrinter, ui->fraPreview);
    m_preview->setObjectName(QStringLiteral("pvwPages"));
    ui->layPreview->addWidget(m_preview.get());
    ui->splViewer->setStretchFactor(1, 1);
    ui->splViewer->setSizes({160, 640});

    ui->cmdFirstPage->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
    ui->cmdPreviousPage->setIcon(style()->standardIcon(QStyle::SP_MediaSeekBackward));
    ui->cmdNextPage->setIcon(style()->standardIcon(QStyle::SP_MediaSeekForward));
    ui->cmdLastPage->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));
    ui->cmdExport->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    ui->cboZoom->addItem(tr("Page Width"), fitWidth);
    ui->cboZoom->addItem(tr("Whole Page"), wholePage);
    for (const int percent : {50, 75, 100, 150, 200})
        ui->cboZoom->addItem(QStringLiteral("%1%").arg(percent), percent);

    connect(m_preview.get(), &QPrintPreviewWidget::paintRequested, this, &ReportViewer::paintPreview);
    connect(m_preview.get(), &QPrintPreviewWidget::previewChanged, this, &ReportViewer::updatePageControls);
    connect(ui->cmdFirstPage, &QToolButton::clicked, this, &ReportViewer::ShowFirstPage);
    connect(ui->cmdPreviousPage, &QToolButton::clicked, this, &ReportViewer::ShowPreviousPage);
    connect(ui->cmdNextPage, &QToolButton::clicked, this, &ReportViewer::ShowNextPage);
    connect(ui->cmdLastPage, &QToolButton::clicked, this, &ReportViewer::ShowLastPage);
    connect(ui->cmdPrint, &QToolButton::clicked, this, &ReportViewer::PrintReport);
    connect(ui->cmdExport, &QToolButton::clicked, this, &ReportViewer::ExportReport);
    connect(ui->cboZoom, &QComboBox::activated, this, &ReportViewer::zoomChosen);
    connect(ui->cmdClose, &QPushButton::clicked, this, &ReportViewer::closeRequested);
    connect(ui->cmdGroupTree, &QToolButton::toggled, this, &ReportViewer::setDisplayGroupTree);
    connect(ui->tvwGroupTree, &QTreeWidget::itemClicked, this, &ReportViewer::groupTreeClicked);

    applyGroupTree();
    selectZoomItem();
    updatePageControls();
}

ReportViewer::~ReportViewer() = default;

void ReportViewer::setReportSource(std::shared_ptr<ReportDocument> report)
{
    m_report = std::move(report);
}

void ReportViewer::requireReport() const
{
    if (!m_report)
        throw ReportError(QStringLiteral("The viewer has no report to show."));
}

QString ReportViewer::reportTitle() const
{
    if (!m_report)
        return {};
    return m_report->ReportTitle().isEmpty() ? QFileInfo(m_report->filePath()).completeBaseName()
                                             : m_report->ReportTitle();
}

void ReportViewer::ViewReport()
{
    requireReport();
    if (!m_report->hasRecords())
        m_report->ReadRecords();
    m_previewPrinter.setPageLayout(m_report->pageLayout());
    m_previewPrinter.setDocName(reportTitle());
    m_preview->updatePreview();
    applyZoom();
    fillGroupTree();
    ShowFirstPage();
}

void ReportViewer::paintPreview(QPrinter *printer) const
{
    if (!m_report || !m_report->hasRecords())
        return;
    QPainter painter(printer);
    try {
        m_report->render(painter, *printer);
    } catch (const ReportError &error) {
        // No message box while painting: the page itself says what went wrong.
        painter.drawText(QRect(0, 0, printer->width(), printer->height()), Qt::AlignCenter | Qt::TextWordWrap,
                         error.message());
    }
}

void ReportViewer::Zoom(int level)
{
    m_zoom = level == fitWidth || level == wholePage ? level : std::clamp(level, smallestPercent, largestPercent);
    applyZoom();
    selectZoomItem();
}

void ReportViewer::applyZoom()
{
    if (m_zoom == fitWidth)
        m_preview->fitToWidth();
    else if (m_zoom == wholePage)
        m_preview->fitInView();
    else
        m_preview->setZoomFactor(m_zoom / 100.0);
}

void ReportViewer::selectZoomItem()
{
    int index = ui->cboZoom->findData(m_zoom);
    if (index < 0) {
        ui->cboZoom->addItem(QStringLiteral("%1%").arg(m_zoom), m_zoom);
        index = ui->cboZoom->count() - 1;
    }
    ui->cboZoom->setCurrentIndex(index);
}

void ReportViewer::zoomChosen(int index)
{
    Zoom(ui->cboZoom->itemData(index).toInt());
}

void ReportViewer::setDisplayGroupTree(bool display)
{
    m_displayGroupTree = display;
    applyGroupTree();
}

void ReportViewer::setEnableGroupTree(bool enable)
{
    m_enableGroupTree = enable;
    applyGroupTree();
}

void ReportViewer::applyGroupTree()
{
    const bool shown = m_displayGroupTree && m_enableGroupTree;
    ui->tvwGroupTree->setVisible(shown);
    ui->tvwGroupTree->setEnabled(m_enableGroupTree);
    const QSignalBlocker quiet(ui->cmdGroupTree);
    ui->cmdGroupTree->setEnabled(m_enableGroupTree);
    ui->cmdGroupTree->setChecked(shown);
}

void ReportViewer::fillGroupTree()
{
    ui->tvwGroupTree->clear();
    auto *top = new QTreeWidgetItem(ui->tvwGroupTree, {reportTitle()});
    for (int page = 1; page <= pageCount(); ++page) {
        auto *item = new QTreeWidgetItem(top, {tr("Page %1").arg(page)});
        item->setData(0, Qt::UserRole, page);
    }
    top->setExpanded(true);
}

void ReportViewer::groupTreeClicked(QTreeWidgetItem *item)
{
    const int page = item->data(0, Qt::UserRole).toInt();
    if (page > 0)
        ShowNthPage(page);
}

int ReportViewer::pageCount() const
{
    return m_preview->pageCount();
}

int ReportViewer::currentPage() const
{
    return m_preview->currentPage();
}

void ReportViewer::ShowNthPage(int page)
{
    if (pageCount() > 0)
        m_preview->setCurrentPage(std::clamp(page, 1, pageCount()));
    updatePageControls();
}

void ReportViewer::ShowFirstPage()
{
    ShowNthPage(1);
}

void ReportViewer::ShowPreviousPage()
{
    ShowNthPage(currentPage() - 1);
}

void ReportViewer::ShowNextPage()
{
    ShowNthPage(currentPage() + 1);
}

void ReportViewer::ShowLastPage()
{
    ShowNthPage(pageCount());
}

void ReportViewer::updatePageControls()
{
    const int pages = pageCount();
    const int page = pages > 0 ? currentPage() : 0;
    ui->lblPage->setText(pages > 0 ? tr("Page %1 of %2").arg(page).arg(pages) : QString());
    ui->cmdFirstPage->setEnabled(page > 1);
    ui->cmdPreviousPage->setEnabled(page > 1);
    ui->cmdNextPage->setEnabled(page < pages);
    ui->cmdLastPage->setEnabled(page < pages);
    ui->cmdPrint->setEnabled(pages > 0);
    ui->cmdExport->setEnabled(pages > 0);
}

void ReportViewer::printTo(QPrinter &printer) const
{
    requireReport();
    QPainter painter;
    if (!painter.begin(&printer))
        throw ReportError(QStringLiteral("The printer %1 cannot be used.").arg(printer.printerName()));
    m_report->render(painter, printer);
}

void ReportViewer::exportToPdf(const QString &file)
{
    requireReport();
    m_report->exportToPdf(file);
}

void ReportViewer::PrintReport()
{
    if (!m_report)
        return;
    m_printer.setPageLayout(m_report->pageLayout());
    m_printer.setDocName(reportTitle());
    QPrintDialog dialog(&m_printer, this);
    PlainFileDialog::quietenFileLists(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    try {
        printTo(m_printer);
    } catch (const ReportError &error) {
        showError(error.message());
    }
}

void ReportViewer::ExportReport()
{
    if (!m_report)
        return;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested = QDir(folder).filePath(QFileInfo(m_report->filePath()).completeBaseName() + QStringLiteral(".pdf"));
    QString file = PlainFileDialog::saveFileName(this, tr("Export to PDF"), suggested, tr("PDF files (*.pdf)"));
    if (file.isEmpty())
        return;
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".pdf");
    try {
        exportToPdf(file);
    } catch (const ReportError &error) {
        showError(error.message());
    }
}

void ReportViewer::showError(const QString &message)
{
    QMessageBox::critical(this, window()->windowTitle(), message);
}
