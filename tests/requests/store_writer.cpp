// Saves N new requests into a database, as one workstation would (N = 0: until killed).
// LINES gives the lines per request, or a comma list of line counts taken in turn
// ("5,2000"). Each committed save is reported on stdout as "saved NUMBER LINES", so that
// the reliability tests can wait for progress, not for time, before they kill it.
//
// store_writer FILE edit NUMBER USER CODES saves stored request NUMBER as a second clerk's
// editor does: it reads the request as stored, then saves it with one line per item code
// of the comma list CODES (quantity 3, unit cost 2) and the checks of the editor's save.
// Prints "saved NUMBER", or "refused MESSAGE" and exits with 3.
#include "db/Connection.h"
#include "db/DbError.h"
#include "requests/RequestConflict.h"
#include "requests/RequestStore.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

int editStored(const ConnectionSettings &settings, const QStringList &args)
{
    Connection connection(settings);
    RequestStore store(connection);
    SaveChecks checks;
    checks.opened = store.readStored(args[3]);
    checks.userInventoryType = QStringLiteral("A");
    RequestDocument doc;
    doc.documentNumber = args[3];
    doc.transDate = QDateTime::currentDateTime();
    doc.locationId = QStringLiteral("20");
    doc.targetLocationId = QStringLiteral("1");
    for (const QString &code : args[5].split(QLatin1Char(',')))
        doc.lines.push_back({code, QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("N"), QStringLiteral("N")});
    try {
        std::printf("saved %s\n", qPrintable(store.save(doc, args[4], {}, checks)));
    } catch (const RequestConflict &conflict) {
        std::printf("refused %s\n", qPrintable(conflict.description()));
        return 3;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() == 6 && args[2] == QLatin1String("edit")) {
        ConnectionSettings settings;
        settings.databaseFile = args[1];
        try {
            return editStored(settings, args);
        } catch (const DbError &error) {
            QTextStream(stderr) << error.description() << "\n";
            return 1;
        }
    }
    if (args.size() != 4 && args.size() != 5)
        return 2;
    QList<int> lineCounts;
    for (const QString &count : (args.size() == 5 ? args[4] : QStringLiteral("2")).split(QLatin1Char(',')))
        lineCounts << count.toInt();
    const int count = args[2].toInt();
    ConnectionSettings settings;
    settings.databaseFile = args[1];
    settings.busyTimeoutMs = 30000;
    try {
        Connection connection(settings);
        RequestStore store(connection);
        for (int i = 0; count <= 0 || i < count; ++i) {
            const int lines = lineCounts[i % lineCounts.size()];
            RequestDocument doc;
            doc.documentNumber = QStringLiteral("NEW");
            doc.transDate = QDateTime::currentDateTime();
            doc.locationId = QStringLiteral("20");
            doc.targetLocationId = QStringLiteral("1");
            for (int line = 0; line < lines; ++line)
                doc.lines.push_back({line % 2 ? QStringLiteral("142") : QStringLiteral("10"), QString::number(line + 1),
                                     QStringLiteral("2.5"), QStringLiteral("N"), QStringLiteral("N")});
            const QString number = store.save(doc, args[3]);
            std::printf("saved %s %d\n", qPrintable(number), lines);
            std::fflush(stdout);
        }
    } catch (const DbError &error) {
        QTextStream(stderr) << error.description() << "\n";
        return 1;
    }
    return 0;
}
