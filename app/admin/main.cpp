#include "AdminCommand.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstring>
#include <memory>

namespace {

// The command is the first argument that is no option.
bool printsReport(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-')
            return std::strcmp(argv[i], "report") == 0;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    // A report is laid out with fonts, which need a GUI application; no window is ever
    // shown, so none needs a display. Every other command is a plain console program.
    std::unique_ptr<QCoreApplication> application;
    // Run from cron there is no session's runtime folder; Qt would then pick one itself and
    // say so on standard error, which cron mails to IT after every night's run.
    std::unique_ptr<QTemporaryDir> runtime;
    if (printsReport(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            runtime = std::make_unique<QTemporaryDir>();
            if (runtime->isValid()) // made for this user alone, as the session's would be
                qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
        }
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    AdminCommand command(out, err);
    return command.run(QCoreApplication::arguments().mid(1));
}
