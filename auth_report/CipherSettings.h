#pragma once

#include <QString>

// The seed and key of the hospital's password cipher. The hospital's other programs
// stored its passwords with them, so IT sets them once for the whole computer, in the
// system-wide settings file Quellar/Cipher.conf of QSettings' system scope
// (/etc/xdg/Quellar/Cipher.conf), which no user's own settings can override:
//     [cipher]
//     seed=5A             two hexadecimal digits, as every enciphered password begins
//     key=VELTAMORQUISH   the key text
// Without the file (or a value) the seed is 0x5A and the key "VELTAMORQUISH".
class CipherSettings
{
public:
    static constexpr int defaultSeed = 0x5A;
    static QString defaultKey() { return QStringLiteral("VELTAMORQUISH"); }

    CipherSettings() = default;
    CipherSettings(int seed, const QString &key) : m_seed(seed), m_key(key) { }

    // As set for this computer. Throws DbError, naming the file, for a seed that is not
    // two hexadecimal digits below FF or an empty key: no password could match then.
    static CipherSettings system();
    // The file system() reads.
    static QString fileName();

    int seed() const { return m_seed; }
    const QString &key() const { return m_key; }
    // The seed as enciphered passwords begin: "5A".
    QString seedText() const;
    // The password as the password table stores it (mode "E" of the cipher).
    QString encipher(const QString &password) const;
    // The seed an enciphered password begins with; -1 when it begins with none.
    static int seedOf(const QString &enciphered);

private:
    int m_seed = defaultSeed;
    QString m_key = defaultKey();
};
