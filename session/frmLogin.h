#pragma once

#include "db/ConnectionSettings.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <memory>

class QLineEdit;
class clsCurrentUser;
class DbError;

namespace Ui {
class frmLogin;
}

// The log-in window: where the data lives (embedded file or SQL Server), the employee
// and the password. It stays open until the employee is in or the user cancels; every
// problem is shown in the message line so the user can correct it and try again.
class frmLogin : public QDialog
{
    Q_OBJECT

public:
    explicit frmLogin(clsCurrentUser &user, QWidget *parent = nullptr);
    ~frmLogin() override;

    // Where the data lives when nothing was remembered: $QUELLAR_DEMO_DATABASE, else the
    // demo database next to the installed program.
    static QString defaultDatabaseFile();

public slots:
    // Connects and checks the password; on success hands the connection to the user
    // component and accepts. Returns whether the employee is logged in.
    bool tryLogIn();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void updateConnectionFields();
    void browseDatabaseFile();

private:
    void connectSignals();
    void loadRememberedSettings();
    void rememberSettings() const;
    void focusFirstField();
    QList<QLineEdit *> connectionFields() const;
    QLineEdit *firstEmptyConnectionField() const;
    ConnectionSettings connectionSettings() const;
    QString employeeId() const;

    void clearMessage();
    void showProblem(const QString &message, QLineEdit *field);
    static QString connectionProblem(const DbError &error);

    std::unique_ptr<Ui::frmLogin> ui;
    clsCurrentUser &m_user;
};
