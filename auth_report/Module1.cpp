#include "Module1.h"

namespace {

// Key positions run 1, 2, ..., K, 1, 2, ... (0-based here: 0 .. K-1).
class KeyStream
{
public:
    explicit KeyStream(const QByteArray &key) : m_key(key) { }
    int next()
    {
        if (m_key.isEmpty())
            return 0;
        m_position = m_position < m_key.size() ? m_position + 1 : 1;
        return static_cast<unsigned char>(m_key[m_position - 1]);
    }

private:
    QByteArray m_key;
    qsizetype m_position = 0;
};

QString hexPlaces(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char(' ')).toUpper();
}

} // namespace

QString CryptPassword(const QString &mode, const QString &key, const QString &input)
{
    KeyStream keys(key.toLatin1());
    if (mode == QLatin1String("E")) {
        int seed = gCipherSeed;
        QString output = QStringLiteral("%1").arg(seed, 2, 16, QLatin1Char('0')).toUpper();
        for (const char c : input.toLatin1()) {
            int v = (static_cast<unsigned char>(c) + seed) % 255;
            v ^= keys.next();
            output += hexPlaces(v);
            seed = v;
        }
        return output;
    }
    if (mode == QLatin1String("D")) {
        bool ok = false;
        int seed = input.left(2).trimmed().toInt(&ok, 16);
        if (!ok)
            return {};
        QByteArray output;
        for (qsizetype position = 2; position < input.size(); position += 2) {
            const int v = input.mid(position, 2).trimmed().toInt(&ok, 16);
            if (!ok)
                return {};
            // Undo (code + previous) mod 255. Codes run 1 to 255, so a remainder of 0 is
            // code 255: that happens when the previous value was 255 itself.
            int t = keys.next() ^ v;
            t = t <= seed ? 255 + t - seed : t - seed;
            if (t == 0)
                t = 255;
            output += char(t);
            seed = v;
        }
        return QString::fromLatin1(output);
    }
    return {};
}
