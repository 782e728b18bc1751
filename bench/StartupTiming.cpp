#include "StartupTiming.h"

#include "BenchResult.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <stdexcept>
#include <vector>

// From process start to the main window exposed, the log-in window filled in and
// confirmed by the harness; a process of its own each time. The floor is a process that
// opens the database and reads what the window first shows through SQLite's C API.
double StartupTiming::timeOnce(const QString &harness, const QStringList &arguments, const QString &settingsFolder,
                               QByteArray *output)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), settingsFolder);
    process.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    process.start(harness, arguments);
    QByteArray received;
    while (!received.contains("shown")) {
        if (!process.waitForReadyRead(60000))
            throw std::runtime_error("The start-up harness gave no answer: " + process.readAllStandardError().toStdString());
        received += process.readAllStandardOutput();
    }
    const double elapsed = double(timer.nsecsElapsed()) / 1e6;
    process.waitForFinished(60000);
    received += process.readAllStandardOutput();
    if (process.exitCode() != 0)
        throw std::runtime_error("The start-up harness failed: " + received.toStdString()
                                 + process.readAllStandardError().toStdString());
    if (output)
        *output = received;
    return elapsed;
}

double StartupTiming::ratio(const QString &harness, const QString &file, const QString &reference, int runs)
{
    QTemporaryDir settings;
    if (!settings.isValid())
        throw std::runtime_error("No temporary folder can be made.");
    std::vector<double> atFile;
    std::vector<double> atReference;
    for (int run = 0; run < runs; ++run) {
        // Turn about, so that a machine slowing down or speeding up weighs on both alike.
        if (run % 2 == 0) {
            atReference.push_back(timeOnce(harness, {reference}, settings.path()));
            atFile.push_back(timeOnce(harness, {file}, settings.path()));
        } else {
            atFile.push_back(timeOnce(harness, {file}, settings.path()));
            atReference.push_back(timeOnce(harness, {reference}, settings.path()));
        }
    }
    return BenchResult::median(atFile) / BenchResult::median(atReference);
}
