#pragma once

#include <QWidget>

#include <memory>

class ReportViewer;

namespace Ui {
class frmReportViewer;
}

// A modeless window showing the report that was gReport when it loaded; it keeps that
// report while it is open, and closing it releases gReport.
class frmReportViewer : public QWidget
{
    Q_OBJECT
public:
    // owner: the window this one belongs to (it closes with it); none for a free window.
    explicit frmReportViewer(QWidget *owner = nullptr);
    ~frmReportViewer() override;

    // Set before the window loads.
    void setShowGroupTree(bool show) { m_showGroupTree = show; }

    // Hands gReport to the viewer and displays it. Throws ReportError.
    void Form_Load();

    ReportViewer &CRViewer1();

protected:
    bool event(QEvent *event) override;
    // Esc closes the window, wherever the focus is in it.
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<Ui::frmReportViewer> ui;
    bool m_showGroupTree = false;
    bool m_loaded = false;
};
