#include "AdminCommand.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    AdminCommand command(out, err);
    return command.run(application.arguments().mid(1));
}
