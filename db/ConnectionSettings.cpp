#include "ConnectionSettings.h"

#include <QFileInfo>

QString ConnectionSettings::passwordFileFor(const QString &databaseFile)
{
    const QFileInfo info(databaseFile);
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? info.filePath()
                                          : info.filePath().chopped(suffix.size() + 1);
    return base + QStringLiteral(".password") + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
}
