#pragma once

#include "DbError.h"

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

// Where the first character stands that no statement can carry: a NUL (the database
// reads the statement only up to it) or half of a UTF-16 pair standing alone (it has no
// encoding at all). -1 when the text has none.
inline qsizetype unstorableCharacterAt(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isNull())
            return i;
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return i;
    }
    return -1;
}

// The reason a text cannot be stored, naming the character and, for a value, its place
// (counted from 1); empty when it can be.
inline QString unstorableCharacterProblem(QStringView text, bool withPosition = true)
{
    const qsizetype at = unstorableCharacterAt(text);
    if (at < 0)
        return {};
    const QString code = QString::number(text[at].unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
    if (!withPosition)
        return QStringLiteral("a character that cannot be stored (U+%1)").arg(code);
    return QStringLiteral("a character that cannot be stored (U+%1 at position %2)").arg(code, QString::number(at + 1));
}

// Refuses a value before any statement is built from it: throws DbError naming the field
// ("The item code on line 2 holds a character that cannot be stored (U+D800 at
// position 3).") when the text holds a character no statement can carry.
inline void requireStorableText(const QString &value, const QString &field)
{
    const QString problem = unstorableCharacterProblem(value);
    if (!problem.isEmpty())
        throw DbError(field + QStringLiteral(" holds ") + problem + QLatin1Char('.'));
}
