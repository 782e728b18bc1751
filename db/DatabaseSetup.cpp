#include "DatabaseSetup.h"

#include "Connection.h"
#include "ConnectionSettings.h"
#include "Dialect.h"
#include "DbError.h"
#include "SqlQuote.h"
#include "dialects/TSqlTokenizer.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

static void initResources()
{
    Q_INIT_RESOURCE(sql);
}

QString DatabaseSetup::builtInScript(const QString &name)
{
    initResources();
    QFile file(QStringLiteral(":/sql/") + name);
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("The built-in script %1 is missing.").arg(name));
    return QString::fromUtf8(file.readAll());
}

void DatabaseSetup::createEmbedded(const QString &databaseFile)
{
    const QString passwordFile = ConnectionSettings::passwordFileFor(databaseFile);
    for (const QString &file : {databaseFile, passwordFile}) {
        if (QFileInfo::exists(file))
            throw DbError(QStringLiteral("%1 exists already; choose another file name.").arg(file));
    }
    // Stock and password data are for their owner only: the files exist, readable by
    // the owner alone, before the database opens them.
    for (const QString &file : {databaseFile, passwordFile}) {
        const int fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0)
            throw DbError(QStringLiteral("Cannot create %1: %2").arg(file, QString::fromLocal8Bit(strerror(errno))));
        ::close(fd);
    }
    ConnectionSettings settings;
    settings.databaseFile = databaseFile;
    settings.createIfMissing = true;
    try {
        Connection connection(settings);
        connection.runNativeScript(builtInScript(QStringLiteral("sqlite/schema.sql")));
        connection.runNativeScript(builtInScript(QStringLiteral("sqlite/password.sql")));
        installProcedures(connection, builtInScript(QStringLiteral("sqlite/procedures.sql")));
    } catch (const DbError &) {
        // A half-made database is of no use to anyone.
        QFile::remove(databaseFile);
        QFile::remove(passwordFile);
        QFile::remove(databaseFile + QStringLiteral("-wal"));
        QFile::remove(databaseFile + QStringLiteral("-shm"));
        throw;
    }
}

void DatabaseSetup::installProcedures(Connection &connection, const QString &script)
{
    static const QRegularExpression header(QStringLiteral(R"(^--\s*@procedure\s+(\S+)(.*)$)"),
                                           QRegularExpression::MultilineOption);
    auto matches = header.globalMatch(script);
    QList<QRegularExpressionMatch> found;
    while (matches.hasNext())
        found << matches.next();
    TransactionScope transaction(connection);
    for (qsizetype i = 0; i < found.size(); ++i) {
        const auto &m = found[i];
        const qsizetype bodyStart = m.capturedEnd(0);
        const qsizetype bodyEnd = i + 1 < found.size() ? found[i + 1].capturedStart(0) : script.size();
        const QString name = m.captured(1);
        const QString parameters = m.captured(2).simplified();
        // The body without its comment lines and trailing semicolon.
        QStringList lines;
        for (const QString &line : script.mid(bodyStart, bodyEnd - bodyStart).split(QLatin1Char('\n'))) {
            if (!line.trimmed().startsWith(QLatin1String("--")))
                lines << line;
        }
        QString body = lines.join(QLatin1Char('\n')).trimmed();
        while (body.endsWith(QLatin1Char(';')))
            body.chop(1);
        if (body.isEmpty())
            throw DbError(QStringLiteral("The procedure %1 has no body.").arg(name));
        connection.Execute(QStringLiteral("Delete sysProcedures Where Name = '%1'").arg(sqlText(name)));
        connection.Execute(QStringLiteral("Insert Into sysProcedures (Name, Parameters, Body) Values ('%1', '%2', '%3')")
                               .arg(sqlText(name), sqlText(parameters), sqlText(body)));
    }
    transaction.commit();
    connection.dialect().schemaChanged();
}

void DatabaseSetup::loadDemoData(Connection &connection)
{
    TransactionScope transaction(connection);
    for (const QString &statement : TSqlTokenizer::splitScript(builtInScript(QStringLiteral("demo.sql"))))
        connection.Execute(statement);
    transaction.commit();
}
