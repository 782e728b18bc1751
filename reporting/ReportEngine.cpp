#include "ReportEngine.h"

#include "ReportDefinition.h"
#include "ReportDocument.h"
#include "ReportError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

std::unique_ptr<QTemporaryDir> copyOf(const QString &path)
{
    auto folder = std::make_unique<QTemporaryDir>();
    if (!folder->isValid())
        throw ReportError(QStringLiteral("No temporary copy of the report %1 can be made: %2")
                              .arg(path, folder->errorString()));
    const QString copy = folder->filePath(QFileInfo(path).fileName());
    if (!QFile::copy(path, copy))
        throw ReportError(QStringLiteral("No temporary copy of the report %1 can be made.").arg(path));
    return folder;
}

QByteArray contentsOf(const QString &file, const QString &shownName)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        throw ReportError(QStringLiteral("The report file %1 cannot be read: %2").arg(shownName, input.errorString()));
    return input.readAll();
}

} // namespace

std::shared_ptr<ReportDocument> ReportEngine::OpenReport(const QString &path, int openMode)
{
    if (openMode != OpenInPlace && openMode != OpenTemporaryCopy)
        throw ReportError(QStringLiteral("The open mode %1 is not known; use 0 or 1.").arg(openMode));
    const QFileInfo info(path);
    if (!info.exists())
        throw ReportError(QStringLiteral("The report file %1 was not found.").arg(QDir::toNativeSeparators(path)));
    if (!info.isFile())
        throw ReportError(QStringLiteral("%1 is not a report file.").arg(QDir::toNativeSeparators(path)));
    std::unique_ptr<QTemporaryDir> copy = openMode == OpenTemporaryCopy ? copyOf(path) : nullptr;
    const QString working = copy ? copy->filePath(info.fileName()) : path;
    ReportDefinition definition = ReportDefinition::parse(contentsOf(working, path), path);
    return std::make_shared<ReportDocument>(std::move(definition), path, std::move(copy));
}
