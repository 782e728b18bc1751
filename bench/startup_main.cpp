// quellar-bench-startup [--floor] DATABASE
// Starts as the program does after a log-in (hospital information, main window with
// its listing) and writes "shown PEAK-KB" once the window is on screen. With --floor it
// opens the database and reads the listing through SQLite's C API instead.
#include "BenchSession.h"
#include "RawDatabase.h"

#include "app/MessageBox.h"
#include "app/Startup.h"
#include "app/modInventory.h"
#include "db/DbError.h"
#include "requests/RequestStore.h"
#include "requests/frmMain.h"

#include <QApplication>
#include <QFile>
#include <QWindow>

#include <cstdio>
#include <memory>

namespace {

long long peakKb()
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

int floorRun(const QString &file)
{
    RawDatabase raw(file);
    const auto body = raw.query(QStringLiteral("SELECT Body FROM sysProcedures WHERE Name = 'sp_Inv_ListofWithdrawalRequest'"));
    if (body.empty())
        throw DbError(QStringLiteral("The listing procedure is missing."));
    QString sql = QString::fromStdString(std::get<std::string>(body[0][0]));
    sql.replace(QStringLiteral("@Selector"), QStringLiteral("''"));
    raw.query(QStringLiteral("SELECT * FROM tbHospitalInfo"));
    raw.query(sql);
    std::printf("shown %lld\n", peakKb());
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const bool floor = argc == 3 && qstrcmp(argv[1], "--floor") == 0;
    if (!floor && argc != 2) {
        std::fprintf(stderr, "usage: quellar-bench-startup [--floor] DATABASE\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[argc - 1]);
    try {
        if (floor)
            return floorRun(file);
        QApplication application(argc, argv);
        MsgBoxScript::start();
        BenchSession::signIn(file);
        LoadHospitalInfo();
        auto window = std::make_unique<frmMain>();
        window->show();
        while (!(window->windowHandle() && window->windowHandle()->isExposed()))
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        QApplication::processEvents();
        if (!MsgBoxScript::shown().empty()) {
            std::fprintf(stderr, "A message box appeared: %s\n", qPrintable(MsgBoxScript::shown().front().prompt));
            return 1;
        }
        std::printf("shown %lld\n", peakKb());
        std::fflush(stdout);
        window.reset();
        gCurrentUser.reset();
        return 0;
    } catch (const DbError &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.description()));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
    }
    return 1;
}
