#pragma once

#include <QFileIconProvider>

// Icons and type names of files told from their names alone. Qt's own provider reads the
// first bytes of a file whose name does not tell its type, and closing that descriptor
// would cost the embedded database its locks when the file listed is the database.
class FileTypeIconProvider : public QFileIconProvider
{
public:
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo &info) const override;
    QString type(const QFileInfo &info) const override;
};
