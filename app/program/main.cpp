#include "app/MessageBox.h"
#include "ProgramCommandLine.h"
#include "app/ClassError.h"
#include "db/DbError.h"
#include "Startup.h"
#include "app/modInventory.h"
#include "session/SessionComponent.h"
#include "session/clsCurrentUser.h"

#include <QApplication>
#include <QTextStream>
#include <QWidget>

#include <algorithm>

int main(int argc, char *argv[])
{
    {
        // --help and --version answer before the window system is reached.
        const QCoreApplication commandLine(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        if (const auto exitCode = ProgramCommandLine::handle(QCoreApplication::arguments(), out, err))
            return *exitCode;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quellar"));
    QApplication::setOrganizationName(QStringLiteral("Quellar"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quellar.Quellar"));
    clsCurrentUser::registerComponent();

    int exitCode = 0;
    try {
        Main();
        // Without a log-in no window was shown and the program ends at once.
        const auto windows = QApplication::topLevelWidgets();
        if (std::any_of(windows.cbegin(), windows.cend(), [](const QWidget *w) { return w->isVisible(); }))
            exitCode = application.exec();
    } catch (const DbError &error) {
        MsgBox(error.description(), vbCritical, applicationTitle());
        exitCode = 1;
    } catch (const std::exception &error) {
        MsgBox(QString::fromStdString(error.what()), vbCritical, applicationTitle());
        exitCode = 1;
    }
    gCurrentUser.reset(); // the connection closes before the application object goes
    return exitCode;
}
