#include "AdminCommand.h"

#include <QCoreApplication>
#include <QGuiApplication>

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
    if (printsReport(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    AdminCommand command(out, err);
    return command.run(QCoreApplication::arguments().mid(1));
}
