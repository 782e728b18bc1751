#pragma once

#include <QCoreApplication>
#include <QString>

// Where the program's own files lie (the department request report): beside the program
// in the build tree, in the package's share folder (bin/../share/quellar) when installed.
// Returns the path beside the program when the file is in neither place, so that a
// message about it names where it was looked for first.
QString programDataFile(const QString &fileName,
                        const QString &programFolder = QCoreApplication::applicationDirPath());
