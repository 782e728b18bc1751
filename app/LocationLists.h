#pragma once

#include <QString>

class DataComboBox;

// Fills a location drop-down with the locations a caller may choose from; the drop-down's
// tag is emptied, and set to the default location when that one is preselected.
// Failures are reported in a message box; the drop-down keeps what it was given so far.
void LoadLocation(DataComboBox *combo, bool excludeDispensing, bool selectDefault,
                  bool excludeWarehouse, bool mayOrderOnly, bool userLocationsOnly);

// Resolves a location name to its id and retail flag (false only when the location is
// both a warehouse and a dispensing area); with checkAccess, also checks the user's
// inventory types. True when the location exists and may be used.
bool ValidateLocation(const QString &locationName, QString &locationId, bool &retail,
                      bool checkAccess);

// The statement that lists the locations the employee may request for.
QString userLocationStatement(const QString &employeeCode);

// The statement that reads a location's row by its name.
QString locationByNameStatement(const QString &locationName);

// The inventory-type rule of the access check: a location without inventory types is open
// to everyone, the user type "A" opens every location, any other user type must occur in
// the location's types (case-sensitive); a user without inventory types may use none.
bool inventoryTypeAllows(const QString &userInventoryType, const QString &locationInventoryType);

// The item id of the item with that bar code, or the code itself when no item has it.
// Database failures reach the caller.
QString GetItemIDFromBarcode(const QString &code);
