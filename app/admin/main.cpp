#include "AdminCommand.h"

#include <QGuiApplication>

int main(int argc, char *argv[])
{
    // Reports are laid out with fonts, which need a GUI application; no window is ever
    // shown, so none needs a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    AdminCommand command(out, err);
    return command.run(application.arguments().mid(1));
}
