#include "NumberHandling.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace NumberHandling {

namespace {

// The text rewritten with "." as decimal point and no grouping, or empty when it does
// not have the form of a number with the given decimal point and grouping.
QString canonical(const QString &text, const QString &decimal = QStringLiteral("."),
                  const QString &group = QStringLiteral(","))
{
    const QString trimmed = text.trimmed();
    QString out;
    qsizetype i = 0;
    const qsizetype n = trimmed.size();
    if (i < n && (trimmed[i] == QLatin1Char('+') || trimmed[i] == QLatin1Char('-')))
        out += trimmed[i++];
    bool digits = false;
    bool point = false;
    bool grouped = false;
    int groupDigits = 0; // digits since the last group separator, before the point
    while (i < n) {
        const QChar c = trimmed[i];
        if (c.isDigit() && c.unicode() < 128) {
            out += c;
            digits = true;
            if (!point)
                ++groupDigits;
            ++i;
        } else if (!point && trimmed.mid(i, decimal.size()) == decimal) {
            if (grouped && groupDigits != 3)
                return {};
            out += QLatin1Char('.');
            point = true;
            i += decimal.size();
        } else if (!point && digits && !group.isEmpty() && trimmed.mid(i, group.size()) == group) {
            // Grouping stands between groups of three digits: "1,234" is a number, "1,2,3" is not.
            if ((grouped && groupDigits != 3) || (!grouped && groupDigits > 3))
                return {};
            grouped = true;
            groupDigits = 0;
            i += group.size();
        } else {
            break;
        }
    }
    if (!digits || (grouped && !point && groupDigits != 3))
        return {};
    if (i < n && (trimmed[i] == QLatin1Char('e') || trimmed[i] == QLatin1Char('E'))) {
        out += QLatin1Char('e');
        ++i;
        if (i < n && (trimmed[i] == QLatin1Char('+') || trimmed[i] == QLatin1Char('-')))
            out += trimmed[i++];
        bool exponentDigits = false;
        while (i < n && trimmed[i].isDigit() && trimmed[i].unicode() < 128) {
            out += trimmed[i++];
            exponentDigits = true;
        }
        if (!exponentDigits)
            return {};
    }
    return i == n ? out : QString();
}

} // namespace

QString roundedDigits(double value, int decimals, bool halfToEven)
{
    const QString significant = QString::number(std::fabs(value), 'e', 14); // d.dddddddddddddde±x
    const qsizetype e = significant.indexOf(QLatin1Char('e'));
    QString mantissa = significant.left(e);
    mantissa.remove(QLatin1Char('.'));
    const int exponent = significant.mid(e + 1).toInt();
    // mantissa holds 15 digits; the decimal point stands after (exponent + 1) of them.
    int pointAt = exponent + 1;
    if (pointAt < 0) {
        mantissa.prepend(QString(-pointAt, QLatin1Char('0')));
        pointAt = 0;
    }
    while (mantissa.size() < pointAt + decimals + 1)
        mantissa.append(QLatin1Char('0'));
    const qsizetype keep = pointAt + decimals;
    QString kept = mantissa.left(keep);
    bool up = mantissa[keep] > QLatin1Char('5');
    if (mantissa[keep] == QLatin1Char('5')) {
        const bool exactHalf = QStringView(mantissa).mid(keep + 1).count(QLatin1Char('0')) == mantissa.size() - keep - 1;
        const bool lastOdd = !kept.isEmpty() && (kept.back().unicode() - '0') % 2 == 1;
        up = !halfToEven || !exactHalf || lastOdd;
    }
    if (up) {
        qsizetype k = kept.size() - 1;
        while (k >= 0 && kept[k] == QLatin1Char('9')) {
            kept[k] = QLatin1Char('0');
            --k;
        }
        if (k >= 0)
            kept[k] = QChar(kept[k].unicode() + 1);
        else {
            kept.prepend(QLatin1Char('1'));
            ++pointAt;
        }
    }
    if (pointAt == 0)
        kept.prepend(QLatin1Char('0')), ++pointAt;
    QString integer = kept.left(pointAt);
    while (integer.size() > 1 && integer[0] == QLatin1Char('0'))
        integer.remove(0, 1);
    return decimals > 0 ? integer + QLatin1Char('.') + kept.mid(pointAt) : integer;
}

bool isNumeric(const QString &text)
{
    const QString number = canonical(text);
    if (number.isEmpty())
        return false;
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok && std::isfinite(value);
}

double numericValue(const QString &text)
{
    return canonical(text).toDouble();
}

bool desktopReadsOtherwise(const QString &text)
{
    const QLocale desktop; // the desktop's locale, unless a default was set
    const QString decimal = desktop.decimalPoint();
    const QString group = desktop.groupSeparator();
    if (decimal == QLatin1String(".") && (group == QLatin1String(",") || group.isEmpty()))
        return false;
    const QString ours = canonical(text);
    const QString theirs = canonical(text, decimal, group);
    if (ours.isEmpty() || theirs.isEmpty())
        return false; // only one reading: no doubt about the number meant
    return ours.toDouble() != theirs.toDouble();
}

double leadingNumber(const QString &text)
{
    QString number;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')
                         || text[i] == QLatin1Char('\n') || text[i] == QLatin1Char('\r')))
            ++i;
    };
    skipBlanks();
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        number += text[i++];
    bool point = false;
    bool digits = false;
    for (;;) {
        skipBlanks();
        if (i < n && text[i].isDigit() && text[i].unicode() < 128) {
            number += text[i++];
            digits = true;
        } else if (i < n && !point && text[i] == QLatin1Char('.')) {
            number += text[i++];
            point = true;
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E')
                  || text[i] == QLatin1Char('d') || text[i] == QLatin1Char('D'))) {
        QString exponent = QStringLiteral("e");
        qsizetype j = i + 1;
        if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')))
            exponent += text[j++];
        bool exponentDigits = false;
        while (j < n && text[j].isDigit() && text[j].unicode() < 128) {
            exponent += text[j++];
            exponentDigits = true;
        }
        if (exponentDigits)
            number += exponent;
    }
    const double value = number.toDouble();
    return std::isfinite(value) ? value : 0.0;
}

QString format(double value, const QString &picture)
{
    if (!std::isfinite(value))
        return {}; // no picture can show it; callers refuse such values before
    const qsizetype point = picture.indexOf(QLatin1Char('.'));
    const int decimals = point < 0 ? 0 : int(picture.size() - point - 1);
    const bool grouping = picture.left(point < 0 ? picture.size() : point).contains(QLatin1Char(','));
    QString digits = roundedDigits(value, decimals, false);
    const bool negative = value < 0
        && std::any_of(digits.cbegin(), digits.cend(), [](QChar c) { return c >= QLatin1Char('1') && c <= QLatin1Char('9'); });
    if (grouping) {
        const qsizetype integerEnd = digits.indexOf(QLatin1Char('.')) < 0 ? digits.size() : digits.indexOf(QLatin1Char('.'));
        for (qsizetype at = integerEnd - 3; at > 0; at -= 3)
            digits.insert(at, QLatin1Char(','));
    }
    return negative ? QLatin1Char('-') + digits : digits;
}

QString signedNumberText(qint64 value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

} // namespace NumberHandling
