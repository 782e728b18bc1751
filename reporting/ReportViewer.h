#pragma once

#include <QPrinter>
#include <QWidget>

#include <memory>

class QPrintPreviewWidget;
class QTreeWidgetItem;
class ReportDocument;

namespace Ui {
class ReportViewer;
}

// The report engine's viewer control: shows a report's pages with zoom and page
// navigation, a group tree listing the pages, printing through the system's print dialog
// and export to PDF. It keeps the report it was given for as long as it shows it.
class ReportViewer : public QWidget
{
    Q_OBJECT
public:
    explicit ReportViewer(QWidget *parent = nullptr);
    ~ReportViewer() override;

    void setReportSource(std::shared_ptr<ReportDocument> report);
    const std::shared_ptr<ReportDocument> &ReportSource() const { return m_report; }

    // 1 fits the page width, 2 the whole page; 10 to 400 is a percentage.
    void Zoom(int level);
    int zoomLevel() const { return m_zoom; }

    // The group tree shows when it is both displayed and enabled; only an enabled tree
    // can be switched on and off by the user.
    void setDisplayGroupTree(bool display);
    bool DisplayGroupTree() const { return m_displayGroupTree; }
    void setEnableGroupTree(bool enable);
    bool EnableGroupTree() const { return m_enableGroupTree; }

    // Reads the report's rows when that has not been done and shows its first page.
    // Throws ReportError with the reason when the report cannot be shown.
    void ViewReport();

    int pageCount() const;
    int currentPage() const;
    void ShowFirstPage();
    void ShowPreviousPage();
    void ShowNextPage();
    void ShowLastPage();
    void ShowNthPage(int page);

    // Ask with the system's dialogs and report a failure in a message.
    void PrintReport();
    void ExportReport();
    // Throw ReportError.
    void exportToPdf(const QString &file);
    void printTo(QPrinter &printer) const;

signals:
    // The user pressed "&Close": the window holding the viewer closes.
    void closeRequested();

private:
    void paintPreview(QPrinter *printer) const;
    void applyZoom();
    void selectZoomItem();
    void applyGroupTree();
    void fillGroupTree();
    void groupTreeClicked(QTreeWidgetItem *item);
    void zoomChosen(int index);
    void updatePageControls();
    void showError(const QString &message);
    void requireReport() const;
    QString reportTitle() const;

    std::unique_ptr<Ui::ReportViewer> ui;
    QPrinter m_previewPrinter{QPrinter::HighResolution};
    QPrinter m_printer{QPrinter::HighResolution};
    // Destroyed before the printer it paints on.
    std::unique_ptr<QPrintPreviewWidget> m_preview;
    std::shared_ptr<ReportDocument> m_report;
    int m_zoom = 1;
    bool m_displayGroupTree = true;
    bool m_enableGroupTree = true;
};
