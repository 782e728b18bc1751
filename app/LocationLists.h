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

// The item id of the item with that bar code, or the code itself when no item has it.
// Database failures reach the caller.
QString GetItemIDFromBarcode(const QString &code);
