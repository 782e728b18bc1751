#include "StatementTrace.h"

#include "DbError.h"

#include <QDateTime>

void StatementTrace::setFile(const QString &path)
{
    m_file.reset();
    if (path.isEmpty())
        return;
    auto file = std::make_unique<QFile>(path);
    // The trace shows the stock data and who saved what: a new file is for its owner
    // only, as the databases are.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text,
                    QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        throw DbError(QStringLiteral("Cannot open the statement trace file %1: %2")
                          .arg(path, file->errorString()));
    m_file = std::move(file);
}

void StatementTrace::record(const QString &statement)
{
    if (!m_recording && !m_file)
        return;
    if (m_recording)
        m_statements << statement; // tests see exactly what was sent
    if (m_file) {
        const QString shown = m_mask ? m_mask(statement) : statement;
        const QString line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs)
            + QLatin1Char('\t') + shown + QLatin1Char('\n');
        m_file->write(line.toUtf8());
        m_file->flush();
    }
}
