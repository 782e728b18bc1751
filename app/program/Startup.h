#pragma once

// The program's entry: logs the user in through the session component and, when that
// succeeded, loads the hospital information and shows the main window. Throws when the
// session component or the hospital query fails.
void Main();

// Reads the hospital's name and address and the server's clock, once.
void LoadHospitalInfo();
