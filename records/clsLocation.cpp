#include "clsLocation.h"

#include "RecordAccess.h"
#include "RecordText.h"

#include "app/Conversions.h"
#include "app/NumberHandling.h"
#include "app/modInventory.h"
#include "db/SqlQuote.h"

#include <stdexcept>

using RecordAccess::raisingAs;

namespace {

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
    return raisingAs(QStringLiteral("clsLocation:LoadLocation Method"), [&] {
        return RecordAccess::loadFirstRow(connection(), selectLocation(locationId), *this, &clsLocation::Class_Initialize,
                                          &clsLocation::readRow);
    });
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
    // A refused text reaches the clerk through the message, naming its field.
    return raisingAs(QStringLiteral("clsLocation:Update Method"), [this] {
        requireStorableTexts({{m_code, QStringLiteral("The location ID")},
                              {m_description, QStringLiteral("The location name")},
                              {m_status, QStringLiteral("The location status")}});
        if (!RecordAccess::rowExists(connection(), selectLocation(m_code))) {
            const QString newId = nextLocationId();
            insertLocation(newId);
            // The record now stands for the stored row, so a second Update updates it
            // instead of inserting the location once more.
            m_code = newId;
        } else {
            updateLocation();
        }
        return true;
    }, RecordAccess::Shown);
}

// The largest identifier read as a number, plus one, in at most four characters: the
// server refuses "10000" and any identifier that is not a number, and so does Update.
QString clsLocation::nextLocationId() const
{
    return RecordAccess::firstValue(connection(), QStringLiteral(
        "Select Convert( VarChar(4),Max( Convert(Integer,LocationID ) ) + 1 ) As NewLocationID From tbInvLocation"),
        QStringLiteral("NewLocationID"), QStringLiteral("1")).toString();
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
