#include "Startup.h"

#include "app/MessageBox.h"
#include "app/modInventory.h"
#include "db/Connection.h"
#include "requests/frmMain.h"
#include "session/SessionComponent.h"

void LoadHospitalInfo()
{
    Recordset rs;
    rs.setCursorLocation(Recordset::adUseClient);
    rs.Open(QStringLiteral("Select *, GetDate() as CurDate From tbHospitalInfo"),
            gCurrentUser->SQLConnection(), Recordset::adOpenDynamic, Recordset::adLockReadOnly, -1);
    if (rs.RecordCount() < 1) {
        MsgBox(QStringLiteral("No Hospital information was found"), vbInformation + vbOKOnly,
               QStringLiteral("MESSAGE"));
    } else {
        gstrHospitalName = IfNull(rs.Fields(QStringLiteral("Company")), QString()).toString();
        gstrHospitalAddress = IfNull(rs.Fields(QStringLiteral("Address1")), QString()).toString();
        gstrServerDate = generalDateText(rs.Fields(QStringLiteral("CurDate")).toDateTime());
    }
    if (rs.State() > 0)
        rs.Close();
}

void Main()
{
    gCurrentUser = SessionComponent::create(QStringLiteral("Orvane_User.clsCurrentUser"));
    gCurrentUser->setPasswordDeptCode(QStringLiteral("4"));
    gCurrentUser->ShowMain();
    if (!gCurrentUser->Connected().value_or(false))
        return;

    LoadHospitalInfo();
    gstrDefaultLocationID = QStringLiteral("20");
    gstrUserInventoryType = QStringLiteral("A");
    auto *window = new frmMain; // deletes itself when closed
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}
