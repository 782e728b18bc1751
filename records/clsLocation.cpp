#include "clsLocation.h"

#include "RecordText.h"

#include "app/ClassError.h"
#include "app/Conversions.h"
#include "app/MessageBox.h"
#include "app/NumberHandling.h"
#include "app/modInventory.h"
#include "db/Connection.h"
#include "db/SqlQuote.h"

#include <stdexcept>

namespace {

constexpr qint32 recordErrorNumber = 9999;

bool isNull(const QVariant &value)
{
    return !value.isValid() || value.isNull();
}

// A flag column keeps its number (a set bit is -1); a missing value counts as set.
qint16 flagValue(const QVariant &value)
{
    return isNull(value) ? qint16(1) : Convert::toInteger(value);
}

QString selectLocation(const QString &locationId)
{
    return QStringLiteral("Select * From tbInvLocation Where LocationID = '") + sqlText(locationId)
        + QStringLiteral("'");
}

} // namespace

clsLocation::clsLocation()
{
    Class_Initialize();
}

void clsLocation::Class_Initialize()
{
    m_description.clear();
    m_code.clear();
    m_status = QStringLiteral("A");
    m_isWareHouse = 1;
    m_isDispensingArea = 1;
}

Connection &clsLocation::connection() const
{
    if (!m_connection)
        throw std::logic_error("The location record was given no connection.");
    return *m_connection;
}

bool clsLocation::LoadLocation(const QString &locationId)
{
    try {
        const Recordset rs = connection().Execute(selectLocation(locationId));
        if (rs.BOF() && rs.isEOF()) {
            Class_Initialize();
            return false;
        }
        readRow(rs);
        return true;
    } catch (const std::exception &) {
        RaiseClassError(recordErrorNumber, QStringLiteral("clsLocation:LoadLocation Method"));
    }
}

void clsLocation::readRow(const Recordset &row)
{
    m_code = IfNull(row.Fields(QStringLiteral("LocationID")), QString()).toString();
    m_description = IfNull(row.Fields(QStringLiteral("Location")), QString()).toString();
    m_status = IfNull(row.Fields(QStringLiteral("Status")), QStringLiteral("A")).toString();
    m_isWareHouse = flagValue(row.Fields(QStringLiteral("IsWareHouse")));
    m_isDispensingArea = flagValue(row.Fields(QStringLiteral("isDispensingArea")));
    const QVariant allowOrder = row.Fields(QStringLiteral("AllowOrder"));
    m_allowedForPO = !isNull(allowOrder) && Convert::toBoolean(allowOrder);
}

bool clsLocation::Update()
{
    try {
        // A refused text reaches the clerk through the message below, naming its field.
        requireStorableTexts({{m_code, QStringLiteral("The location ID")},
                              {m_description, QStringLiteral("The location name")},
                              {m_status, QStringLiteral("The location status")}});
        const Recordset existing = connection().Execute(selectLocation(m_code));
        if (existing.BOF() && existing.isEOF()) {
            const QString newId = nextLocationId();
            insertLocation(newId);
            // The record now stands for the stored row, so a second Update updates it
            // instead of inserting the location once more.
            m_code = newId;
        } else {
            updateLocation();
        }
        return true;
    } catch (const std::exception &error) {
        MsgBox(QString::fromStdString(error.what()), vbOKOnly);
        RaiseClassError(recordErrorNumber, QStringLiteral("clsLocation:Update Method"));
    }
}

// The largest identifier read as a number, plus one, in at most four characters: the
// server refuses "10000" and any identifier that is not a number, and so does Update.
QString clsLocation::nextLocationId() const
{
    const Recordset rs = connection().Execute(QStringLiteral(
        "Select Convert( VarChar(4),Max( Convert(Integer,LocationID ) ) + 1 ) As NewLocationID From tbInvLocation"));
    if (rs.BOF() && rs.isEOF())
        return QStringLiteral("1");
    return IfNull(rs.Fields(QStringLiteral("NewLocationID")), QStringLiteral("1")).toString();
}

// The name goes in as given: a leading blank would hide the new location from the
// look-ups by name.
void clsLocation::insertLocation(const QString &newId) const
{
    connection().Execute(
        QStringLiteral("Insert Into tbInvLocation (LocationId, Location, Status, IsWareHouse, isDispensingArea, AllowOrder ) ")
        + QStringLiteral("Values ('") + sqlText(newId) + QStringLiteral("','") + sqlText(m_description)
        + QStringLiteral("','") + sqlText(m_status) + QStringLiteral("',")
        + NumberHandling::signedNumberText(m_isWareHouse) + QStringLiteral(",")
        + NumberHandling::signedNumberText(m_isDispensingArea) + QStringLiteral(",")
        + (m_allowedForPO ? QStringLiteral("1") : QStringLiteral("0")) + QStringLiteral(")"));
}

void clsLocation::updateLocation() const
{
    connection().Execute(
        QStringLiteral("Update tbInvLocation Set Location = '") + sqlText(m_description)
        + QStringLiteral("', Status = '") + sqlText(m_status)
        + QStringLiteral("', isWarehouse = ") + NumberHandling::signedNumberText(m_isWareHouse)
        + QStringLiteral(", isDispensingArea = ") + NumberHandling::signedNumberText(m_isDispensingArea)
        + QStringLiteral(", AllowOrder = ") + (m_allowedForPO ? QStringLiteral("1") : QStringLiteral("0"))
        + QStringLiteral(" Where LocationID = '") + sqlText(m_code) + QStringLiteral("'"));
}
