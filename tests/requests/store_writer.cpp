// Saves N new two-line requests into a database, as one workstation would; the request
// store test runs two of these at once.
#include "db/Connection.h"
#include "db/DbError.h"
#include "requests/RequestStore.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() != 4)
        return 2;
    ConnectionSettings settings;
    settings.databaseFile = args[1];
    settings.busyTimeoutMs = 30000;
    try {
        Connection connection(settings);
        RequestStore store(connection);
        for (int i = 0; i < args[2].toInt(); ++i) {
            RequestDocument doc;
            doc.documentNumber = QStringLiteral("NEW");
            doc.transDate = QDateTime::currentDateTime();
            doc.locationId = QStringLiteral("20");
            doc.targetLocationId = QStringLiteral("1");
            doc.lines = {{QStringLiteral("10"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("N"), QStringLiteral("N")},
                         {QStringLiteral("142"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("N"), QStringLiteral("N")}};
            store.save(doc, args[3]);
        }
    } catch (const DbError &error) {
        QTextStream(stderr) << error.description() << "\n";
        return 1;
    }
    return 0;
}
