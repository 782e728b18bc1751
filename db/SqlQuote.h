#pragma once

#include <QString>

// Makes a text safe to splice between the single quotes of a statement: every single
// quote inside it is doubled. The statement texts keep their own quotes; only values go
// through here, so a ward named O'Brien never breaks a statement.
inline QString sqlText(const QString &value)
{
    if (!value.contains(QLatin1Char('\'')))
        return value;
    QString doubled = value;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return doubled;
}
