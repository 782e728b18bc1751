#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmDeletePassword;
}

// Asks an authorised employee for ID and password before a request is saved as
// verified. OKCharge tells the opener whether the check passed, VerifyID who passed it.
class frmDeletePassword : public QDialog
{
    Q_OBJECT
public:
    explicit frmDeletePassword(QWidget *parent = nullptr);
    ~frmDeletePassword() override;

    bool OKCharge() const { return m_okCharge; }
    QString VerifyID() const { return m_verifyId; }

    // Whether the employee may verify and the password is his; throws DbError.
    bool GetPassword(const QString &employeeId, const QString &password) const;
    static QString passwordStatement(const QString &employeeId, const QString &enciphered);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Activate();
    void cmdEnter_Click();

    std::unique_ptr<Ui::frmDeletePassword> ui;
    bool m_okCharge = false;
    QString m_verifyId;
};
