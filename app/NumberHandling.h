#pragma once

#include <QString>

// How the request editor and the search dialogs read and show numbers.
namespace NumberHandling {

// Whether the text, without its leading and trailing blanks, reads as a number in the
// form the program writes numbers in, whatever the desktop's locale: optional sign,
// digits with optional "," grouping (between groups of three digits), optional "."
// decimal point, optional exponent. So a text the program has written always reads
// back as itself. The empty text is no number, and neither is one too large for a double.
bool isNumeric(const QString &text);

// The value of a text that passed isNumeric.
double numericValue(const QString &text);

// Whether the desktop's locale reads the text as a number other than numericValue
// does: "1.000" is one on our form but one thousand on a comma-decimal desktop. A text
// a clerk types must not mean two numbers.
bool desktopReadsOtherwise(const QString &text);

// The value of the longest leading part of the text that forms a number: blanks are
// skipped, then an optional sign, digits, one "." and an exponent are read; any other
// character (a grouping comma too) ends it. 0 when there is no such part. So
// "1,234.5000" gives 1.
double leadingNumber(const QString &text);

// Renders a value with a picture such as "###,###,##0.0000", "#########0" or "##0.00":
// "0" a required digit, "#" an optional one, "," digit grouping, "." the decimal point.
// Rounds half away from zero at the picture's decimals; at least one digit stands before
// the point; a point and commas are always "." and ",".
QString format(double value, const QString &picture);

// The decimal digits of |value| rounded at the given decimals ("1234.5000"), read from its
// 15 significant digits so that 2.675 rounds to 2.68 as a person expects. Halves go away
// from zero, or to even when asked.
QString roundedDigits(double value, int decimals, bool halfToEven);

// A whole number as decimal text with one leading blank when it is not negative:
// 0 gives " 0", -1 gives "-1".
QString signedNumberText(qint64 value);

// The editor's four display pictures.
inline const QString amountPicture = QStringLiteral("###,###,##0.0000");
inline const QString costPicture = QStringLiteral("########0.0000");
inline const QString quantityPicture = QStringLiteral("#########0.0000");
inline const QString wholePicture = QStringLiteral("#########0");

} // namespace NumberHandling
