#include "OdbcConfiguration.h"

#include "DbError.h"

#include <QRegularExpression>
#include <QSettings>
#include <QStringList>

namespace {

const QString keyDriver = QStringLiteral("sqlserver/driver");
const QString keyOptions = QStringLiteral("sqlserver/options");

// The parts the program writes itself; a second one would be ignored by one driver and
// win with another.
const QStringList ownKeys = {QStringLiteral("DRIVER"), QStringLiteral("DSN"), QStringLiteral("FILEDSN"),
                             QStringLiteral("SAVEFILE"), QStringLiteral("SERVER"), QStringLiteral("DATABASE"),
                             QStringLiteral("UID"), QStringLiteral("PWD"), QStringLiteral("CLIENTCHARSET")};

QString setting(const QString &key)
{
    const QSettings session(QStringLiteral("Quellar"), QStringLiteral("Session"));
    return session.value(key).toString().trimmed();
}

// The pairs of a connection string or of the options, split at the semicolons outside a
// braced value (one whose first character after "=" is "{"). `what` names the text in
// the message for an unclosed brace.
QStringList splitPairs(const QString &text, const QString &what)
{
    QStringList pieces;
    QString piece;
    enum class At { Key, ValueStart, Value, Braces } at = At::Key;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (at == At::Braces) {
            if (c == QLatin1Char('}') && i + 1 < text.size() && text[i + 1] == QLatin1Char('}')) {
                piece += QLatin1String("}}");
                ++i;
                continue;
            }
            if (c == QLatin1Char('}'))
                at = At::Value;
        } else if (c == QLatin1Char(';')) {
            pieces << piece;
            piece.clear();
            at = At::Key;
            continue;
        } else if (at == At::Key && c == QLatin1Char('=')) {
            at = At::ValueStart;
        } else if (at == At::ValueStart && c == QLatin1Char('{')) {
            at = At::Braces;
        } else if (at == At::ValueStart && !c.isSpace()) {
            at = At::Value;
        }
        piece += c;
    }
    if (at == At::Braces)
        throw DbError(QStringLiteral("%1 open a brace they do not close.").arg(what));
    pieces << piece;
    return pieces;
}

QString optionPair(const QString &piece)
{
    const qsizetype equals = piece.indexOf(QLatin1Char('='));
    const QString key = piece.left(equals).trimmed();
    static const QRegularExpression plainKey(QStringLiteral("^[A-Za-z][A-Za-z0-9_ ]*$"));
    if (equals < 0 || !plainKey.match(key).hasMatch())
        throw DbError(QStringLiteral("The connection option \"%1\" (setting %2) is not of the form name=value.")
                          .arg(piece.trimmed(), keyOptions));
    if (ownKeys.contains(key.toUpper()))
        throw DbError(QStringLiteral("The connection option %1 (setting %2) is one the program sets itself from the "
                                     "log-in; leave it out of the options.")
                          .arg(key, keyOptions));
    const QString value = piece.mid(equals + 1).trimmed();
    // a braced value stays as written: its braces already hold what it holds
    const bool braced = value.startsWith(QLatin1Char('{')) && value.endsWith(QLatin1Char('}'));
    return key + QLatin1Char('=') + (braced ? value : OdbcConfiguration::quotedValue(value));
}

} // namespace

QString OdbcConfiguration::configuredDriver()
{
    const QString driver = setting(keyDriver);
    return driver.isEmpty() ? QStringLiteral("FreeTDS") : driver;
}

QString OdbcConfiguration::configuredOptions()
{
    // Unquoted in the file, a value with a comma reads as a list (and a ";" starts a
    // comment there: the README has the value written in double quotes).
    const QSettings session(QStringLiteral("Quellar"), QStringLiteral("Session"));
    return session.value(keyOptions).toStringList().join(QLatin1Char(',')).trimmed();
}

ConnectionSettings OdbcConfiguration::sqlServer(const QString &server, const QString &database, const QString &user,
                                                const QString &password)
{
    ConnectionSettings settings;
    settings.kind = ConnectionSettings::Kind::SqlServer;
    settings.server = server;
    settings.database = database;
    settings.user = user;
    settings.password = password;
    settings.odbcDriver = configuredDriver();
    settings.odbcOptions = configuredOptions();
    return settings;
}

ConnectionSettings OdbcConfiguration::logOnOf(const QString &connectionString)
{
    const QMap<QString, QString> named = parts(connectionString);
    QString server = named.value(QStringLiteral("SERVER"));
    if (!named.value(QStringLiteral("PORT")).isEmpty())
        server += QLatin1Char(',') + named.value(QStringLiteral("PORT"));
    return sqlServer(server, named.value(QStringLiteral("DATABASE")), named.value(QStringLiteral("UID")),
                     named.value(QStringLiteral("PWD")));
}

QString OdbcConfiguration::connectionString(const ConnectionSettings &settings)
{
    return QStringLiteral("DRIVER=%1;SERVER=%2;DATABASE=%3;UID=%4;PWD=%5;ClientCharset=UTF-8")
               .arg(quotedValue(settings.odbcDriver, true), quotedValue(settings.server),
                    quotedValue(settings.database), quotedValue(settings.user), quotedValue(settings.password))
        + optionsText(settings.odbcOptions);
}

QString OdbcConfiguration::optionsText(const QString &options)
{
    QString text;
    const QString what = QStringLiteral("The connection options \"%1\" (setting %2)").arg(options, keyOptions);
    for (const QString &piece : splitPairs(options, what)) {
        if (!piece.trimmed().isEmpty())
            text += QLatin1Char(';') + optionPair(piece);
    }
    return text;
}

QString OdbcConfiguration::quotedValue(const QString &value, bool braced)
{
    // Only where it must: FreeTDS reads a braced value's "}}" as two braces, not one, so a
    // "}" inside a value goes unbraced where it can.
    const bool needsBraces = value.contains(QLatin1Char(';')) || value.startsWith(QLatin1Char('{'))
        || value != value.trimmed();
    if (!braced && !needsBraces)
        return value;
    QString doubled = value;
    doubled.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + doubled + QLatin1Char('}');
}

QMap<QString, QString> OdbcConfiguration::parts(const QString &connectionString)
{
    QMap<QString, QString> named;
    for (const QString &piece : splitPairs(connectionString, QStringLiteral("The connection string's values"))) {
        const qsizetype equals = piece.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        QString value = piece.mid(equals + 1).trimmed();
        if (value.startsWith(QLatin1Char('{')) && value.endsWith(QLatin1Char('}')))
            value = value.mid(1, value.size() - 2).replace(QLatin1String("}}"), QLatin1String("}"));
        named.insert(piece.left(equals).trimmed().toUpper(), value);
    }
    return named;
}
