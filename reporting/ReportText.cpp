#include "ReportText.h"

#include "ReportError.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

namespace {

const QRegularExpression &placeholderPattern()
{
    static const QRegularExpression pattern(QStringLiteral(R"(\{([?#]?)([^{}|]+)(?:\|([^{}]*))?\})"));
    return pattern;
}

bool isNull(const QVariant &value)
{
    return !value.isValid() || value.isNull();
}

// Amounts print with digit grouping whatever the desktop's language is, as on the screen.
QString numberText(const QVariant &value, int decimals)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        return value.toString();
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(number, 'f', decimals);
}

QString dateText(const QVariant &value, const QString &pattern)
{
    QDateTime date = value.toDateTime();
    if (!date.isValid() && value.typeId() == QMetaType::QString)
        date = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    if (!date.isValid())
        return value.toString();
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(date, pattern);
}

QString yesNoText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed().toUpper();
        return text == QLatin1String("Y") || text == QLatin1String("YES") || text == QLatin1String("T")
                || text == QLatin1String("TRUE") || text == QLatin1String("1")
            ? QStringLiteral("Yes")
            : QStringLiteral("No");
    }
    return value.toBool() ? QStringLiteral("Yes") : QStringLiteral("No");
}

// "number:4" -> {"number", "4"}; the argument may itself hold colons (date patterns).
std::pair<QString, QString> splitFormat(const QString &format)
{
    const qsizetype colon = format.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return {format.trimmed(), QString()};
    return {format.left(colon).trimmed(), format.mid(colon + 1)};
}

} // namespace

std::vector<ReportText::Placeholder> ReportText::placeholders(const QString &text)
{
    std::vector<Placeholder> found;
    auto matches = placeholderPattern().globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        Placeholder placeholder;
        const QString sigil = match.captured(1);
        placeholder.kind = sigil == QLatin1String("?") ? Placeholder::Kind::Parameter
            : sigil == QLatin1String("#")              ? Placeholder::Kind::Special
                                                       : Placeholder::Kind::Field;
        placeholder.name = match.captured(2).trimmed();
        placeholder.format = match.captured(3);
        placeholder.start = match.capturedStart();
        placeholder.length = match.capturedLength();
        found.push_back(placeholder);
    }
    return found;
}

QString ReportText::expand(const QString &text, const Resolver &resolve)
{
    return expand(text, placeholders(text), resolve);
}

QString ReportText::expand(const QString &text, const std::vector<Placeholder> &placeholders, const Resolver &resolve)
{
    if (placeholders.empty())
        return text;
    QString result;
    qsizetype done = 0;
    for (const Placeholder &placeholder : placeholders) {
        result += QStringView(text).mid(done, placeholder.start - done);
        result += format(resolve(placeholder), placeholder.format);
        done = placeholder.start + placeholder.length;
    }
    result += QStringView(text).mid(done);
    return result;
}

QString ReportText::format(const QVariant &value, const QString &format)
{
    const auto [kind, argument] = splitFormat(format);
    if (kind == QLatin1String("ifnull"))
        return isNull(value) || value.toString().trimmed().isEmpty() ? argument : value.toString();
    if (isNull(value))
        return {};
    if (kind == QLatin1String("number"))
        return numberText(value, argument.toInt());
    if (kind == QLatin1String("date"))
        return dateText(value, argument);
    if (kind == QLatin1String("yesno"))
        return yesNoText(value);
    if (kind == QLatin1String("equals"))
        return value.toString().trimmed().compare(argument.trimmed(), Qt::CaseInsensitive) == 0 ? argument.trimmed()
                                                                                                  : QString();
    if (kind == QLatin1String("around")) {
        const QString text = value.toString().trimmed();
        if (text.isEmpty())
            return {};
        const qsizetype colon = argument.indexOf(QLatin1Char(':'));
        return colon < 0 ? text : argument.left(colon) + text + argument.mid(colon + 1);
    }
    if (value.typeId() == QMetaType::QDateTime)
        return dateText(value, QStringLiteral("MM/dd/yyyy hh:mm AP"));
    return value.toString();
}

void ReportText::checkFormat(const QString &format)
{
    const auto [kind, argument] = splitFormat(format);
    if (kind.isEmpty() || kind == QLatin1String("text") || kind == QLatin1String("yesno")
        || kind == QLatin1String("ifnull"))
        return;
    if (kind == QLatin1String("equals") && !argument.trimmed().isEmpty())
        return;
    if (kind == QLatin1String("around") && argument.contains(QLatin1Char(':')))
        return;
    if (kind == QLatin1String("number")) {
        bool ok = false;
        const int decimals = argument.toInt(&ok);
        if (ok && decimals >= 0 && decimals <= 10)
            return;
    }
    if (kind == QLatin1String("date") && !argument.trimmed().isEmpty())
        return;
    throw ReportError(QStringLiteral("The format \"%1\" is not known; use text, number:N, date:PATTERN, "
                                     "yesno, ifnull:TEXT, equals:TEXT or around:BEFORE:AFTER.").arg(format));
}
