#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <memory>

class SessionComponent;

// Process-wide state of the program, set at start-up.
extern std::unique_ptr<SessionComponent> gCurrentUser; // the logged-in session
extern QString gstrHospitalName;       // tbHospitalInfo.Company
extern QString gstrHospitalAddress;    // tbHospitalInfo.Address1
extern QString gstrServerDate;         // the server's clock at start-up, as text
extern QString gstrDefaultLocationID;  // "20": the preselected requesting location
extern QString gstrUserInventoryType;  // "A": the inventory types the user may work with
extern bool gblnFromProductSearch;     // a code picked with the search button is being checked
extern QVariant gvarSearchValue;       // the code a search dialog hands back

// The default when the value is the database NULL; otherwise the value itself.
QVariant IfNull(const QVariant &value, const QVariant &defaultValue);

// How gstrServerDate writes and reads the server's date and time.
QString generalDateText(const QDateTime &value);
QDateTime parseGeneralDate(const QString &text);
