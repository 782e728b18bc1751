#include "frmDeletePassword.h"

#include "CipherSettings.h"
#include "app/MessageBox.h"
#include "app/modInventory.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/SqlQuote.h"
#include "session/SessionComponent.h"
#include "ui_frmDeletePassword.h"

#include <QKeyEvent>

frmDeletePassword::frmDeletePassword(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmDeletePassword>())
{
    ui->setupUi(this);
    // The mask character: a bullet.
    ui->txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 8226"));
    ui->txtUserID->installEventFilter(this);
    ui->txtPassword->installEventFilter(this);
    connect(ui->cmdEnter, &QPushButton::clicked, this, &frmDeletePassword::cmdEnter_Click);
}

frmDeletePassword::~frmDeletePassword() = default;

bool frmDeletePassword::event(QEvent *event)
{
    if (event->type() == QEvent::Show) // every opening starts afresh
        Form_Activate();
    return QDialog::event(event);
}

void frmDeletePassword::Form_Activate()
{
    m_okCharge = false;
    m_verifyId.clear();
    ui->txtUserID->setFocus();
}

bool frmDeletePassword::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (key->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    if (enter && watched == ui->txtUserID) {
        ui->txtPassword->setFocus();
        return true;
    }
    if (enter && watched == ui->txtPassword) {
        cmdEnter_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QString frmDeletePassword::passwordStatement(const QString &employeeId, const QString &enciphered)
{
    return QStringLiteral("Select EmployeeId, Password ") + QStringLiteral("from password..tbpasswordmain ")
        + QStringLiteral("where departmentid in ('4','00') ")
        + QStringLiteral("and Right_Code1 = 'A' and Right_Code2 = 'S' ") + QStringLiteral("and Employeeid = '")
        + sqlText(employeeId) + QStringLiteral("' and Password = '") + sqlText(enciphered) + QStringLiteral("'");
}

bool frmDeletePassword::GetPassword(const QString &employeeId, const QString &password) const
{
    // The hospital's seed and key, as its other programs stored the passwords with.
    const QString enciphered = CipherSettings::system().encipher(password);
    Recordset rs;
    rs.setCursorLocation(Recordset::adUseClient);
    rs.Open(passwordStatement(employeeId, enciphered), gCurrentUser->SQLConnection(),
            Recordset::adOpenDynamic, Recordset::adLockOptimistic, -1);
    const bool found = rs.RecordCount() > 0;
    rs.Close();
    return found;
}

void frmDeletePassword::cmdEnter_Click()
{
    const QString id = ui->txtUserID->text().trimmed();
    bool passed = false;
    try {
        passed = GetPassword(id, ui->txtPassword->text().trimmed());
    } catch (const DbError &error) {
        // The password database cannot be reached, or the password holds a character
        // no stored password can: no verification, and the user is told why.
        MsgBox(error.description(), vbCritical);
        ui->txtPassword->setFocus();
        return;
    }
    if (passed) {
        m_okCharge = true;
        m_verifyId = id;
        accept();
        return;
    }
    MsgBox(QStringLiteral("Password not valid!"), vbInformation);
    ui->txtPassword->setFocus();
}
