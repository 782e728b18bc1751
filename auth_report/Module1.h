#pragma once

#include "db/DbError.h"

#include <QString>

// The password cipher shared with the hospital's other programs. Passwords are stored
// enciphered; the program only enciphers and compares.
//
// Mode "E" enciphers: two hexadecimal digits of the seed (0x5A, or the hospital's from
// CipherSettings), then for each character
// two places (blank-filled upper-case hexadecimal) of ((code + previous) mod 255) XOR the
// next key character. Mode "D" deciphers. Any other mode gives "".
// Characters are taken by their code in the Windows single-byte code page (Windows-1252),
// the code page the other programs enciphered the stored passwords in: "€" is 0x80.
// Enciphering a text with a character that code page lacks throws PasswordTextError;
// deciphering gives U+FFFD for the five codes the code page leaves unassigned.
QString CryptPassword(const QString &mode, const QString &key, const QString &input);
// The same with the seed the hospital's passwords were enciphered with (CipherSettings).
QString CryptPassword(const QString &mode, const QString &key, const QString &input, int seed);

// A password (or key) holding a character that the single-byte code page cannot carry:
// it could never match a stored password, and storing it would lose the character.
// It is a DbError because the password table is what cannot hold it, and so every
// caller that checks or stores a password already shows it to the user.
class PasswordTextError : public DbError
{
public:
    explicit PasswordTextError(const QString &character)
        : DbError(QStringLiteral("A password cannot contain the character \"%1\".").arg(character))
    {
    }
};

