#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class frmMain;
}

// The main window: the listing of requests and the request editor.
class frmMain : public QWidget
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

private:
    std::unique_ptr<Ui::frmMain> ui;
};
