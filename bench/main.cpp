// quellar-bench DATABASE [--runs N] [--json FILE]
// quellar-bench --generate-scale F [--seed N] [--runs N] [--json FILE]
// Times the program's paths on a large embedded database beside SQLite's own floor.
#include "Benchmark.h"
#include "BenchSession.h"
#include "DatabaseGenerator.h"

#include "app/modInventory.h"
#include "db/DbError.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <stdexcept>

namespace {

int usage(QTextStream &err)
{
    err << "usage: quellar-bench DATABASE [--runs N] [--json FILE]\n"
           "       quellar-bench --generate-scale F [--seed N] [--runs N] [--json FILE]\n";
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    Benchmark::Options options;
    QString jsonFile;
    double generateScale = 0;
    DatabaseGenerator::Options generator;
    const QStringList arguments = application.arguments().mid(1);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        bool ok = true;
        if (argument == QLatin1String("--runs") && hasValue)
            options.runs = arguments[++i].toInt(&ok);
        else if (argument == QLatin1String("--json") && hasValue)
            jsonFile = arguments[++i];
        else if (argument == QLatin1String("--generate-scale") && hasValue)
            generateScale = arguments[++i].toDouble(&ok);
        else if (argument == QLatin1String("--seed") && hasValue)
            generator.seed = arguments[++i].toULongLong(&ok);
        else if (!argument.startsWith(QLatin1String("--")) && options.databaseFile.isEmpty())
            options.databaseFile = argument;
        else
            return usage(err);
        if (!ok)
            return usage(err);
    }
    if (options.runs < 1 || (options.databaseFile.isEmpty() == (generateScale <= 0)))
        return usage(err);
    options.startupHarness = QDir(QApplication::applicationDirPath()).filePath(QStringLiteral("quellar-bench-startup"));

    QTemporaryDir scratch;
    int exitCode = 0;
    try {
        if (generateScale > 0) {
            if (!scratch.isValid())
                throw std::runtime_error("No temporary folder can be made.");
            options.databaseFile = scratch.filePath(QStringLiteral("bench.db"));
            generator.scale = generateScale;
            DatabaseGenerator(generator).generate(options.databaseFile);
        }
        BenchSession::signIn(options.databaseFile);
        out << "Benchmark on " << options.databaseFile << ", " << options.runs << " runs per case\n";
        out.flush();
        Benchmark benchmark(options);
        const auto results = benchmark.run(out);
        Benchmark::printTable(results, out);
        if (!jsonFile.isEmpty()) {
            QFile file(jsonFile);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
                || file.write(QJsonDocument(Benchmark::toJson(results, options)).toJson()) < 0)
                throw std::runtime_error("Cannot write " + jsonFile.toStdString());
            out << "Figures written to " << jsonFile << "\n";
        }
    } catch (const DbError &error) {
        err << "quellar-bench: " << error.description() << "\n";
        exitCode = 1;
    } catch (const std::exception &error) {
        err << "quellar-bench: " << error.what() << "\n";
        exitCode = 1;
    }
    gCurrentUser.reset(); // the connection closes before the application object goes
    return exitCode;
}
