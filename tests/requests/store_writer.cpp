// Saves N new requests into a database, as one workstation would (N = 0: until killed).
// LINES gives the lines per request, or a comma list of line counts taken in turn
// ("5,2000"). Each committed save is reported on stdout as "saved NUMBER LINES", so that
// the reliability tests can wait for progress, not for time, before they kill it.
#include "db/Connection.h"
#include "db/DbError.h"
#include "requests/RequestStore.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
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
