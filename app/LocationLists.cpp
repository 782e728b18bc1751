#include "LocationLists.h"

#include "DataComboBox.h"
#include "MessageBox.h"
#include "modInventory.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/SqlQuote.h"
#include "session/SessionComponent.h"

namespace {

QString locationListStatement(bool excludeDispensing, bool excludeWarehouse, bool mayOrderOnly,
                              bool userLocationsOnly)
{
    if (userLocationsOnly)
        return userLocationStatement(gCurrentUser->EmployeeCode());
    if (excludeWarehouse && excludeDispensing)
        return QStringLiteral("Select Location, LocationID From tbInvLocation Where ( isWarehouse = 0 or isDispensingArea = 0 ) AND ( Not Status = 'I' or Status is Null ) ORDER BY Location");
    if (excludeWarehouse)
        return QStringLiteral("Select Location, LocationID From tbInvLocation Where isWarehouse = 0 AND ( Not Status = 'I' or Status is Null ) ORDER BY Location");
    if (excludeDispensing)
        return QStringLiteral("Select Location, LocationID From tbInvLocation Where isDispensingArea = 0 AND ( Not Status = 'I' or Status is Null ) ORDER BY Location");
    if (mayOrderOnly)
        return QStringLiteral("Select Location, LocationID From tbInvLocation Where AllowOrder = 1 AND ( Not Status = 'I' or Status is Null ) ORDER BY Location");
    return QStringLiteral("Select Location, LocationID From tbInvLocation Where Not Status = 'I' or Status is Null  ORDER BY Location");
}

// A flag column that is set: NULL does not count as 0.
bool isZero(const QVariant &flag)
{
    return flag.isValid() && !flag.isNull() && flag.toLongLong() == 0 && !flag.toBool();
}

} // namespace

QString userLocationStatement(const QString &employeeCode)
{
    return QStringLiteral("sp_Inv_UserLocation '") + sqlText(employeeCode) + QStringLiteral("'");
}

QString locationByNameStatement(const QString &locationName)
{
    return QStringLiteral("Select * From tbInvLocation Where Location = '") + sqlText(locationName) + QStringLiteral("'");
}

bool inventoryTypeAllows(const QString &userInventoryType, const QString &locationInventoryType)
{
    return !userInventoryType.isEmpty()
        && (locationInventoryType.isEmpty() || userInventoryType == QLatin1String("A")
            || locationInventoryType.contains(userInventoryType, Qt::CaseSensitive));
}

void LoadLocation(DataComboBox *combo, bool excludeDispensing, bool selectDefault,
                  bool excludeWarehouse, bool mayOrderOnly, bool userLocationsOnly)
{
    try {
        combo->setTag(QString());
        Recordset rs;
        rs.setCursorLocation(Recordset::adUseClient);
        rs.Open(locationListStatement(excludeDispensing, excludeWarehouse, mayOrderOnly, userLocationsOnly),
                gCurrentUser->SQLConnection(), Recordset::adOpenDynamic, Recordset::adLockReadOnly, -1);
        if (!(rs.BOF() && rs.isEOF()))
            combo->setRowSource(rs.table(), QStringLiteral("Location"));
        if (selectDefault) {
            const Recordset found = gCurrentUser->SQLConnection().Execute(
                QStringLiteral("Select Location From tbInvLocation Where LocationID = '") + sqlText(gstrDefaultLocationID) + QStringLiteral("'"));
            if (!(found.BOF() && found.isEOF())) {
                combo->setText(IfNull(found.Fields(QStringLiteral("Location")), QString()).toString());
                combo->setTag(gstrDefaultLocationID);
            }
        }
    } catch (const DbError &error) {
        MsgBox(QStringLiteral("Called from: Sub LoadLocation -") + error.description(), vbOKOnly);
    }
}

bool ValidateLocation(const QString &locationName, QString &locationId, bool &retail, bool checkAccess)
{
    try {
        requireStorableText(locationName, QStringLiteral("The location name"));
        const Recordset rs = gCurrentUser->SQLConnection().Execute(locationByNameStatement(locationName));
        if (rs.BOF() && rs.isEOF()) {
            locationId.clear();
            retail = false;
            return false;
        }
        locationId = IfNull(rs.Fields(QStringLiteral("LocationID")), QString()).toString();
        const QString inventoryType = IfNull(rs.Fields(QStringLiteral("InventoryType")), QString()).toString();
        retail = isZero(rs.Fields(QStringLiteral("IsWareHouse"))) || isZero(rs.Fields(QStringLiteral("isDispensingArea")));
        if (!checkAccess)
            return true;
        if (!inventoryTypeAllows(gstrUserInventoryType, inventoryType)) {
            MsgBox(QStringLiteral("Unauthorized Access..."), vbOKOnly);
            locationId.clear();
            return false;
        }
        return true;
    } catch (const DbError &error) {
        MsgBox(error.description(), vbOKOnly);
        return false;
    }
}

// A refused code is told to the clerk here: the product lookup that calls this ends
// quietly on any error, expecting the one who failed to have said why.
QString GetItemIDFromBarcode(const QString &code)
{
    QString result = code;
    if (!code.isEmpty()) {
        try {
            requireStorableText(code, QStringLiteral("The product code"));
        } catch (const DbError &error) {
            MsgBox(error.description(), vbOKOnly);
            throw;
        }
        Recordset rs;
        rs.setCursorLocation(Recordset::adUseClient);
        rs.Open(QStringLiteral("Select ItemID from tbInvMaster Where Barcode = '") + sqlText(code) + QStringLiteral("'"),
                gCurrentUser->SQLConnection(), Recordset::adOpenDynamic, Recordset::adLockOptimistic, -1);
        if (rs.RecordCount() > 0)
            result = IfNull(rs.Fields(QStringLiteral("ItemID")), QString()).toString();
        if (rs.State() > 0)
            rs.Close();
    }
    return result;
}
