#include "CipherSettings.h"

#include "Module1.h"

#include <QSettings>

namespace {

QSettings systemSettings()
{
    return QSettings(QSettings::SystemScope, QStringLiteral("Quellar"), QStringLiteral("Cipher"));
}

} // namespace

QString CipherSettings::fileName()
{
    return systemSettings().fileName();
}

CipherSettings CipherSettings::system()
{
    QSettings settings = systemSettings();
    if (settings.status() != QSettings::NoError)
        throw DbError(QStringLiteral("The cipher settings %1 cannot be read.").arg(settings.fileName()));
    CipherSettings cipher;
    const QString seed = settings.value(QStringLiteral("cipher/seed")).toString().trimmed();
    if (!seed.isEmpty()) {
        cipher.m_seed = seedOf(seed.size() == 2 ? seed : QString());
        if (cipher.m_seed < 0 || cipher.m_seed >= 255) {
            throw DbError(QStringLiteral("The cipher seed \"%1\" in %2 is not two hexadecimal digits from 00 to FE.")
                              .arg(seed, settings.fileName()));
        }
    }
    if (settings.contains(QStringLiteral("cipher/key"))) {
        cipher.m_key = settings.value(QStringLiteral("cipher/key")).toString();
        if (cipher.m_key.isEmpty())
            throw DbError(QStringLiteral("The cipher key in %1 is empty.").arg(settings.fileName()));
    }
    return cipher;
}

QString CipherSettings::seedText() const
{
    return QStringLiteral("%1").arg(m_seed, 2, 16, QLatin1Char('0')).toUpper();
}

QString CipherSettings::encipher(const QString &password) const
{
    return CryptPassword(QStringLiteral("E"), m_key, password, m_seed);
}

int CipherSettings::seedOf(const QString &enciphered)
{
    const QString digits = enciphered.left(2);
    bool ok = digits.size() == 2 && digits[0].isLetterOrNumber() && digits[1].isLetterOrNumber();
    const int seed = ok ? digits.toInt(&ok, 16) : -1;
    return ok ? seed : -1;
}
