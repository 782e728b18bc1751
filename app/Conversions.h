#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <compare>
#include <cstdint>
#include <stdexcept>

// A value that cannot become the type asked for: "Invalid use of Null", "Overflow" or
// "Type mismatch".
class ConversionError : public std::runtime_error
{
public:
    explicit ConversionError(const QString &description)
        : std::runtime_error(description.toStdString()), m_description(description) { }
    const QString &description() const { return m_description; }

private:
    QString m_description;
};

// A money amount: a fixed-point number with four decimals.
class Currency
{
public:
    constexpr Currency() = default;
    // Rounds to four decimals, halves to even; throws ConversionError("Overflow").
    static Currency fromDouble(double value);
    static constexpr Currency fromScaled(std::int64_t tenThousandths)
    {
        Currency c;
        c.m_scaled = tenThousandths;
        return c;
    }

    double toDouble() const { return double(m_scaled) / 10000.0; }
    std::int64_t scaled() const { return m_scaled; }

    friend constexpr auto operator<=>(const Currency &, const Currency &) = default;
    friend constexpr bool operator==(const Currency &, const Currency &) = default;

private:
    std::int64_t m_scaled = 0;
};

// Conversions of database and typed values that fail as the record objects expect:
// NULL fails, numbers out of range overflow, texts that are no numbers do not match.
namespace Convert {

// A 16-bit whole number, rounded half to even.
qint16 toInteger(const QVariant &value);
double toDouble(const QVariant &value);
Currency toCurrency(const QVariant &value);
bool toBoolean(const QVariant &value);
// A date-time; numbers are automation dates.
QDateTime toDate(const QVariant &value);
// A text; NULL fails.
QString toText(const QVariant &value);

// A Boolean read as a number: true is -1.
constexpr int booleanAsNumber(bool value) { return value ? -1 : 0; }

// Automation dates: days since 30 December 1899 at midnight, the fraction the time of day.
QDateTime dateZero();
double toOleDate(const QDateTime &value);
QDateTime fromOleDate(double days);

} // namespace Convert
