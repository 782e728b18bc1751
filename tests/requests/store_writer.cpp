// Saves N new requests of L lines into a database, as one workstation would (N = 0: until
// killed). The reliability tests run several at once, and kill them mid-save.
#include "db/Connection.h"
#include "db/DbError.h"
#include "requests/RequestStore.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() != 4 && args.size() != 5)
        return 2;
    const int lines = args.size() == 5 ? args[4].toInt() : 2;
    const int count = args[2].toInt();
    ConnectionSettings settings;
    settings.databaseFile = args[1];
    settings.busyTimeoutMs = 30000;
    try {
        Connection connection(settings);
        RequestStore store(connection);
        for (int i = 0; count <= 0 || i < count; ++i) {
            RequestDocument doc;
            doc.documentNumber = QStringLiteral("NEW");
            doc.transDate = QDateTime::currentDateTime();
            doc.locationId = QStringLiteral("20");
            doc.targetLocationId = QStringLiteral("1");
            for (int line = 0; line < lines; ++line)
                doc.lines.push_back({line % 2 ? QStringLiteral("142") : QStringLiteral("10"), QString::number(line + 1),
                                     QStringLiteral("2.5"), QStringLiteral("N"), QStringLiteral("N")});
            store.save(doc, args[3]);
        }
    } catch (const DbError &error) {
        QTextStream(stderr) << error.description() << "\n";
        return 1;
    }
    return 0;
}
