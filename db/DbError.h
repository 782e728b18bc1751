#pragma once

#include <QString>
#include <stdexcept>

// A failure reported by the database or by the data-access layer. description() is the
// database's own message, so that it can reach the user as it stands.
class DbError : public std::runtime_error
{
public:
    explicit DbError(const QString &description, const QString &nativeCode = {})
        : std::runtime_error(description.toStdString()), m_description(description),
          m_nativeCode(nativeCode)
    {
    }

    // Another connection kept the database locked past the busy timeout: the file is
    // sound, it is only in use.
    static DbError busy(const QString &databaseText, const QString &nativeCode)
    {
        return DbError(QStringLiteral("The database is busy: another workstation or program is using it. "
                                      "Try again in a moment. (%1)").arg(databaseText),
                       nativeCode);
    }

    const QString &description() const { return m_description; }
    const QString &nativeCode() const { return m_nativeCode; }

private:
    QString m_description;
    QString m_nativeCode;
};
