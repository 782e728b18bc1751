#pragma once

#include <QString>
#include <QVariant>

#include <functional>
#include <vector>

// The texts of a report layout: literal text with placeholders in braces.
//   {?Name}          the current value of the parameter Name
//   {#Page} {#Pages} {#PrintDate} {#ReportTitle}   values the engine supplies
//   {Column}         a column of the report's query (the current line, or the first row)
// Any placeholder may end in "|format": text, number:N, date:PATTERN, yesno, ifnull:TEXT,
// equals:TEXT (TEXT when the value is TEXT, else nothing), around:BEFORE:AFTER (the value
// between the two, nothing when it is blank).
class ReportText
{
public:
    struct Placeholder {
        enum class Kind { Parameter, Special, Field };
        Kind kind = Kind::Field;
        QString name;
        QString format;
        qsizetype start = 0;
        qsizetype length = 0;
    };

    static std::vector<Placeholder> placeholders(const QString &text);

    using Resolver = std::function<QVariant(const Placeholder &)>;
    // The text with every placeholder replaced by its formatted value.
    static QString expand(const QString &text, const Resolver &resolve);
    // The same with the text's placeholders found before, for a text expanded many times.
    static QString expand(const QString &text, const std::vector<Placeholder> &placeholders, const Resolver &resolve);

    // The value as the format shows it; NULL shows as "" (or the ifnull text).
    static QString format(const QVariant &value, const QString &format);
    // Throws ReportError naming the format when it is not one of the above.
    static void checkFormat(const QString &format);
};
