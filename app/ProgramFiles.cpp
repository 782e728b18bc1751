#include "ProgramFiles.h"

#include <QDir>
#include <QFileInfo>

QString programDataFile(const QString &fileName, const QString &programFolder)
{
    const QDir folder(programFolder);
    const QString beside = folder.filePath(fileName);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = QDir::cleanPath(folder.filePath(QStringLiteral("../share/quellar/") + fileName));
    if (QFileInfo::exists(installed))
        return installed;
    return beside;
}
