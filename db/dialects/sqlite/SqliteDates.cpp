#include "SqliteDates.h"

#include "db/DbError.h"

#include <QRegularExpression>

QString SqliteDates::stored(const QDateTime &value)
{
    return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

QString SqliteDates::storedOfLiteral(const QString &value)
{
    // Every line of a save carries the same date: convert it once.
    thread_local QString lastValue;
    thread_local QString lastStored;
    if (!lastStored.isEmpty() && value == lastValue)
        return lastStored;
    if (value.trimmed().isEmpty()) {
        lastStored = QStringLiteral("1900-01-01 00:00:00.000");
    } else {
        const auto parsed = parseLiteral(value);
        if (!parsed)
            throw DbError(QStringLiteral("Conversion failed when converting date and/or time from character string."));
        lastStored = stored(*parsed);
    }
    lastValue = value;
    return lastStored;
}

std::optional<QDateTime> SqliteDates::parseStored(QStringView text)
{
    // 'YYYY-MM-DD HH:MM:SS.fff', read digit by digit: it is on every date cell's path.
    if (text.size() != 23 || text[4] != QLatin1Char('-') || text[7] != QLatin1Char('-')
        || text[10] != QLatin1Char(' ') || text[13] != QLatin1Char(':')
        || text[16] != QLatin1Char(':') || text[19] != QLatin1Char('.'))
        return std::nullopt;
    auto number = [&](int from, int length, bool *ok) {
        int value = 0;
        for (int i = from; i < from + length; ++i) {
            const QChar c = text[i];
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                *ok = false;
            value = value * 10 + (c.unicode() - '0');
        }
        return value;
    };
    bool ok = true;
    const QDate date(number(0, 4, &ok), number(5, 2, &ok), number(8, 2, &ok));
    const QTime time(number(11, 2, &ok), number(14, 2, &ok), number(17, 2, &ok), number(20, 3, &ok));
    if (!ok || !date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

std::optional<QDateTime> SqliteDates::parseLiteral(const QString &text)
{
    static const QRegularExpression iso(QStringLiteral(
        R"(^\s*(\d{4})-?(\d{2})-?(\d{2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2})(?:\.(\d{1,7}))?)?)?\s*$)"));
    static const QRegularExpression us(QStringLiteral(
        R"(^\s*(\d{1,2})/(\d{1,2})/(\d{4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2})(?:\.(\d{1,7}))?)?\s*([AaPp][Mm])?)?\s*$)"));
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    QString ampm;
    auto fraction = [](const QString &digits) {
        return digits.isEmpty() ? 0 : QString(digits + QStringLiteral("00")).left(3).toInt();
    };
    QRegularExpressionMatch m = iso.match(text);
    if (m.hasMatch()) {
        year = m.captured(1).toInt();
        month = m.captured(2).toInt();
        day = m.captured(3).toInt();
    } else {
        m = us.match(text);
        if (!m.hasMatch())
            return std::nullopt;
        month = m.captured(1).toInt();
        day = m.captured(2).toInt();
        year = m.captured(3).toInt();
        ampm = m.captured(8).toUpper();
    }
    hour = m.captured(4).toInt();
    minute = m.captured(5).toInt();
    second = m.captured(6).toInt();
    ms = fraction(m.captured(7));
    if (!ampm.isEmpty()) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        if (ampm == QLatin1String("AM"))
            hour = hour == 12 ? 0 : hour;
        else
            hour = hour == 12 ? 12 : hour + 12;
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second, ms);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

