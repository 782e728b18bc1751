#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// Date-times of the embedded database, stored as texts 'YYYY-MM-DD HH:MM:SS.fff', and the
// literals the program writes for them in any form SQL Server reads.
class SqliteDates
{
public:
    // A date literal in any form SQL Server reads ('12/07/2026 02:05:09 PM',
    // '2026-12-07 14:05:09', '20261207 14:05:09', ...).
    static std::optional<QDateTime> parseLiteral(const QString &text);
    // How date-times are stored: 'YYYY-MM-DD HH:MM:SS.fff'.
    static QString stored(const QDateTime &value);
    static std::optional<QDateTime> parseStored(QStringView text);
    // A literal's value as it is stored; the empty text is 1 January 1900, as SQL Server
    // reads it. Throws DbError, in SQL Server's words, for a text that is no date.
    static QString storedOfLiteral(const QString &value);
};
