#include "modInventory.h"

#include "session/SessionComponent.h"

std::unique_ptr<SessionComponent> gCurrentUser;
QString gstrHospitalName;
QString gstrHospitalAddress;
QString gstrServerDate;
QString gstrDefaultLocationID;
QString gstrUserInventoryType;
bool gblnFromProductSearch = false;
QVariant gvarSearchValue;

namespace {
const QString generalDateFormat = QStringLiteral("M/d/yyyy h:mm:ss AP");
}

QString generalDateText(const QDateTime &value)
{
    return value.toString(generalDateFormat);
}

QDateTime parseGeneralDate(const QString &text)
{
    return QDateTime::fromString(text, generalDateFormat);
}

QVariant IfNull(const QVariant &value, const QVariant &defaultValue)
{
    return !value.isValid() || value.isNull() ? defaultValue : value;
}
