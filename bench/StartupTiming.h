#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Start-up timed from outside: a process of its own per start, through the harness that
// fills in the log-in window.
class StartupTiming
{
public:
    // One start through the harness until its main window is shown.
    static double timeOnce(const QString &harness, const QStringList &arguments, const QString &settingsFolder,
                           QByteArray *output = nullptr);
    // How much longer start-up through the harness takes on file than on reference, from
    // starts that take turns on the two (median over median).
    static double ratio(const QString &harness, const QString &file, const QString &reference, int runs);
};
