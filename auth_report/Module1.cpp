#include "Module1.h"

#include "CipherSettings.h"

#include <iconv.h>

namespace {

// The Windows single-byte code page as the C library's iconv knows it.
constexpr char codePage[] = "CP1252";

// One conversion descriptor, closed with the object.
class Iconv
{
public:
    Iconv(const char *to, const char *from) : m_cd(iconv_open(to, from))
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw DbError(QStringLiteral("The code page %1 is not available for passwords.").arg(QLatin1String(codePage)));
    }
    ~Iconv() { iconv_close(m_cd); }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;

    // Converts as much as it can; returns false at an input sequence the target lacks
    // (or that is incomplete), leaving in and inLeft at it.
    bool convert(char *&in, size_t &inLeft, char *&out, size_t &outLeft)
    {
        return iconv(m_cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1);
    }

private:
    iconv_t m_cd;
};

// The text as code-page bytes; a character the code page lacks is refused by name.
QByteArray toCodePage(const QString &text)
{
    QByteArray utf8 = text.toUtf8();
    QByteArray bytes(utf8.size(), Qt::Uninitialized); // one byte per character at most
    Iconv iconv(codePage, "UTF-8");
    char *in = utf8.data();
    size_t inLeft = size_t(utf8.size());
    char *out = bytes.data();
    size_t outLeft = size_t(bytes.size());
    if (!iconv.convert(in, inLeft, out, outLeft)) {
        const QString rest = QString::fromUtf8(in, qsizetype(inLeft));
        const qsizetype length = !rest.isEmpty() && rest.front().isHighSurrogate() ? 2 : 1;
        throw PasswordTextError(rest.left(length));
    }
    bytes.truncate(bytes.size() - qsizetype(outLeft));
    return bytes;
}

// The characters of code-page bytes; an unassigned code gives U+FFFD.
QString fromCodePage(const QByteArray &bytes)
{
    Iconv iconv("UTF-8", codePage);
    QString text;
    for (const char byte : bytes) {
        char single[1] = {byte};
        char utf8[8];
        char *in = single;
        size_t inLeft = 1;
        char *out = utf8;
        size_t outLeft = sizeof utf8;
        if (iconv.convert(in, inLeft, out, outLeft))
            text += QString::fromUtf8(utf8, qsizetype(sizeof utf8 - outLeft));
        else
            text += QChar(QChar::ReplacementCharacter);
    }
    return text;
}

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
    return CryptPassword(mode, key, input, CipherSettings::defaultSeed);
}

QString CryptPassword(const QString &mode, const QString &key, const QString &input, int fixedSeed)
{
    if (mode == QLatin1String("E")) {
        KeyStream keys(toCodePage(key));
        int seed = fixedSeed;
        QString output = QStringLiteral("%1").arg(seed, 2, 16, QLatin1Char('0')).toUpper();
        for (const char c : toCodePage(input)) {
            int v = (static_cast<unsigned char>(c) + seed) % 255;
            v ^= keys.next();
            output += hexPlaces(v);
            seed = v;
        }
        return output;
    }
    if (mode == QLatin1String("D")) {
        KeyStream keys(toCodePage(key));
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
        return fromCodePage(output);
    }
    return {};
}
