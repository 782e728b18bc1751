#pragma once

#include <QString>

// The password cipher shared with the hospital's other programs. Passwords are stored
// enciphered; the program only enciphers and compares.
//
// Mode "E" enciphers: two hexadecimal digits of the fixed seed, then for each character
// two places (blank-filled upper-case hexadecimal) of ((code + previous) mod 255) XOR the
// next key character. Mode "D" deciphers. Any other mode gives "".
// Characters are taken by their code in Latin-1 (0 to 255); others become "?".
QString CryptPassword(const QString &mode, const QString &key, const QString &input);

// The fixed seed of the cipher: 0x5A. Every stored password of this installation was
// enciphered with it; changing it invalidates them all.
constexpr int gCipherSeed = 0x5A;
