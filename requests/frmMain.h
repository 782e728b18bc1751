#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class frmMain;
}
class ResultModel;

// The main window: the listing of requests and the request editor.
class frmMain : public QWidget
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void connectControls();

    // Listing
    void ListRequests();
    QString selectedDocumentNumber() const;
    void applyListingLayout(bool hasRows);

    // Tabs
    void showTab(int index);
    void SSTab1_Click(int previousTab);
    bool isClickOnDetailsTab(QEvent *event) const;

    std::unique_ptr<Ui::frmMain> ui;
    ResultModel *m_listing; // owned through Qt's parent
    int m_shownTab = 0;
};
