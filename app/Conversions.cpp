#include "Conversions.h"

#include "NumberHandling.h"

#include <cmath>
#include <limits>

namespace {

[[noreturn]] void invalidNull() { throw ConversionError(QStringLiteral("Invalid use of Null")); }
[[noreturn]] void overflow() { throw ConversionError(QStringLiteral("Overflow")); }
[[noreturn]] void typeMismatch() { throw ConversionError(QStringLiteral("Type mismatch")); }

bool isNull(const QVariant &value) { return !value.isValid() || value.isNull(); }

// The number a value stands for; texts must pass the numeric test.
double numberOf(const QVariant &value)
{
    if (isNull(value))
        invalidNull();
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? -1.0 : 0.0;
    case QMetaType::QString: {
        const QString text = value.toString();
        if (!NumberHandling::isNumeric(text))
            typeMismatch();
        return NumberHandling::numericValue(text);
    }
    case QMetaType::QDateTime:
        return Convert::toOleDate(value.toDateTime());
    default: {
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (!ok)
            typeMismatch();
        return number;
    }
    }
}

} // namespace

Currency Currency::fromDouble(double value)
{
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e14)
        overflow();
    // Rounded on the decimal digits, halves to even: 0.00015 is 0.0002.
    QString digits = NumberHandling::roundedDigits(value, 4, true);
    digits.remove(QLatin1Char('.'));
    const std::int64_t scaled = digits.toLongLong();
    return fromScaled(value < 0 ? -scaled : scaled);
}

namespace Convert {

qint16 toInteger(const QVariant &value)
{
    const double rounded = std::nearbyint(numberOf(value));
    if (!std::isfinite(rounded) || rounded < std::numeric_limits<qint16>::min()
        || rounded > std::numeric_limits<qint16>::max())
        overflow();
    return qint16(rounded);
}

double toDouble(const QVariant &value)
{
    const double number = numberOf(value);
    if (!std::isfinite(number))
        overflow();
    return number;
}

Currency toCurrency(const QVariant &value)
{
    return Currency::fromDouble(toDouble(value));
}

bool toBoolean(const QVariant &value)
{
    if (isNull(value))
        invalidNull();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return numberOf(value) != 0.0;
}

QDateTime toDate(const QVariant &value)
{
    if (isNull(value))
        invalidNull();
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    if (value.typeId() == QMetaType::QDate)
        return QDateTime(value.toDate(), QTime(0, 0));
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        for (const QString &format : {QStringLiteral("M/d/yyyy h:mm:ss AP"), QStringLiteral("M/d/yyyy"),
                                      QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-dd")}) {
            const QDateTime parsed = QDateTime::fromString(text, format);
            if (parsed.isValid())
                return parsed;
        }
        typeMismatch();
    }
    return fromOleDate(numberOf(value));
}

QString toText(const QVariant &value)
{
    if (isNull(value))
        invalidNull();
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return value.toString();
}

QDateTime dateZero()
{
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

double toOleDate(const QDateTime &value)
{
    const qint64 days = dateZero().date().daysTo(value.date());
    const double fraction = value.time().msecsSinceStartOfDay() / 86'400'000.0;
    // Before the zero the fraction still counts forward from midnight: -1.25 is
    // 28 December 1899 at 06:00.
    return days >= 0 ? double(days) + fraction : double(days) - fraction;
}

QDateTime fromOleDate(double days)
{
    if (!std::isfinite(days) || std::fabs(days) > 2'958'465.0)
        overflow();
    const double whole = std::trunc(days);
    const double fraction = std::fabs(days - whole);
    qint64 ms = qint64(std::llround(fraction * 86'400'000.0));
    qint64 dayCount = qint64(whole);
    if (ms >= 86'400'000) {
        ms -= 86'400'000;
        dayCount += days >= 0 ? 1 : -1;
    }
    return QDateTime(dateZero().date().addDays(dayCount), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

} // namespace Convert
