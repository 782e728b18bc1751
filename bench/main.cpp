// quellar-bench DATABASE [--runs N] [--cases KEY,...] [--json FILE]
// quellar-bench --generate-scale F [--seed N] [--runs N] [--cases KEY,...] [--json FILE]
// quellar-bench --scales F,F,... [--workdir DIR] [--seed N] [--runs N] [--cases KEY,...] [--json FILE]
// Times what the clerk waits for on a large embedded database, beside SQLite's own floor.
// With --scales it makes (or reuses) one database per scale in DIR, runs the benchmark on
// each in a process of its own and shows how every case grows with the size.
#include "Benchmark.h"
#include "StartupTiming.h"
#include "BenchSession.h"
#include "app/admin/DatabaseGenerator.h"

#include "app/admin/AdminCommand.h"
#include "app/modInventory.h"
#include "db/DbError.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <map>
#include <optional>
#include <stdexcept>

namespace {

// The offscreen window system says this for every dialog it shows; it is no news.
void quietMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message == QLatin1String("This plugin does not support propagateSizeHints()"))
        return;
    qt_message_output(type, context, message);
}

int usage(QTextStream &err)
{
    err << "usage: quellar-bench DATABASE [--runs N] [--cases KEY,...] [--json FILE]\n"
           "       quellar-bench --generate-scale F [--seed N] [--runs N] [--cases KEY,...] [--json FILE]\n"
           "       quellar-bench --scales F,F,... [--workdir DIR] [--seed N] [--runs N] [--cases KEY,...] [--json FILE]\n";
    return 2;
}

// A new database of the given scale, with the demo employees able to log in.
void generate(const QString &file, const DatabaseGenerator::Options &options, QTextStream &err)
{
    err << "Generating " << file << " (scale " << options.scale << ")\n";
    err.flush();
    DatabaseGenerator generator(options);
    generator.setProgress([&err](const QString &what) {
        err << "  " << what << "\n";
        err.flush();
    });
    generator.generate(file);
    for (const AdminCommand::DemoEmployee &employee : AdminCommand::demoEmployees) {
        AdminCommand::setPassword(file, QString::fromLatin1(employee.id), QString::fromLatin1(employee.password),
                                  employee.verifier, QString::fromLatin1(employee.name));
    }
}

QJsonObject readJson(const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        throw std::runtime_error("Cannot read " + file.toStdString());
    return QJsonDocument::fromJson(in.readAll()).object();
}

void writeJson(const QString &file, const QJsonObject &json)
{
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(QJsonDocument(json).toJson()) < 0)
        throw std::runtime_error("Cannot write " + file.toStdString());
}

// One database, in this process.
int benchmarkOne(const Benchmark::Options &options, const QString &jsonFile, QTextStream &out)
{
    BenchSession::signIn(options.databaseFile);
    out << "Benchmark on " << options.databaseFile << ", " << options.runs << " runs per case\n";
    out.flush();
    Benchmark benchmark(options);
    const auto results = benchmark.run(out);
    BenchResult::printTable(results, out);
    BenchResult::printBreakdown(benchmark.startupBreakdown(), out);
    if (!jsonFile.isEmpty()) {
        writeJson(jsonFile, BenchResult::toJson(results, benchmark.startupBreakdown(), options.databaseFile, options.runs));
        out << "Figures written to " << jsonFile << "\n";
    }
    out.flush();
    return 0;
}

// How each case grows from the smallest scale to the others.
void printGrowth(const std::vector<double> &scales, const std::vector<std::vector<BenchResult>> &runs,
                 QTextStream &out)
{
    out << "\nGrowth with size (median ms; memory growth in MB for the listings):\n";
    QString header = QStringLiteral("%1").arg(QStringLiteral("case"), -22);
    for (double scale : scales)
        header += QStringLiteral(" %1").arg(QStringLiteral("x") + QString::number(scale), 10);
    header += QStringLiteral(" %1").arg(QStringLiteral("growth"), 8);
    out << header << "\n";
    for (size_t c = 0; c < runs.front().size(); ++c) {
        const QString key = runs.front()[c].key;
        auto find = [&key](const std::vector<BenchResult> &results) -> const BenchResult * {
            for (const auto &r : results) {
                if (r.key == key)
                    return &r;
            }
            return nullptr;
        };
        auto row = [&](const QString &label, auto value) {
            QString line = QStringLiteral("%1").arg(label, -22);
            double first = 0;
            double last = 0;
            for (size_t s = 0; s < runs.size(); ++s) {
                const BenchResult *r = find(runs[s]);
                const double v = r ? value(*r) : 0;
                line += QStringLiteral(" %1").arg(r ? QString::number(v, 'f', 2) : QStringLiteral("-"), 10);
                if (s == 0)
                    first = v;
                last = v;
            }
            line += QStringLiteral(" %1").arg(first > 0 ? QString::number(last / first, 'f', 2) + QLatin1Char('x')
                                                        : QStringLiteral("-"), 8);
            out << line << "\n";
        };
        row(key, [](const BenchResult &r) { return r.medianMs; });
        if (runs.front()[c].memoryTargetKb > 0)
            row(key + QStringLiteral(" MB"), [](const BenchResult &r) { return double(r.memoryGrowthKb) / 1024.0; });
    }
    out << "(growth: the largest scale's figure over the smallest's; the data grows "
        << QString::number(scales.back() / scales.front(), 'g', 4) << "x)\n";

    out.flush();
}

// One database per scale, each benchmarked in a process of its own.
int benchmarkScales(const std::vector<double> &scales, QString workDir, const Benchmark::Options &options,
                    const DatabaseGenerator::Options &generatorOptions, const QString &jsonFile, QTextStream &out,
                    QTextStream &err)
{
    QTemporaryDir scratch;
    if (workDir.isEmpty()) {
        if (!scratch.isValid())
            throw std::runtime_error("No temporary folder can be made.");
        workDir = scratch.path();
    }
    if (!QDir().mkpath(workDir))
        throw std::runtime_error("Cannot make the folder " + workDir.toStdString());
    std::vector<std::vector<BenchResult>> runs;
    std::vector<QString> files;
    QJsonArray all;
    for (double scale : scales) {
        const QString file = QDir(workDir).filePath(QStringLiteral("quellar-bench-seed%1-scale%2-v%3.db")
                                                        .arg(generatorOptions.seed)
                                                        .arg(scale)
                                                        .arg(DatabaseGenerator::formatVersion));
        files.push_back(file);
        if (!QFileInfo::exists(file)) {
            DatabaseGenerator::Options o = generatorOptions;
            o.scale = scale;
            generate(file, o, err);
        } else {
            err << "Reusing " << file << "\n";
            err.flush();
        }
        const QString figures = file + QStringLiteral(".json");
        QFile::remove(figures);
        out << "\n=== scale " << scale << " ===\n";
        out.flush();
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        QStringList childArguments{file, QStringLiteral("--runs"), QString::number(options.runs),
                                   QStringLiteral("--json"), figures};
        if (!options.cases.isEmpty())
            childArguments << QStringLiteral("--cases") << options.cases.join(QLatin1Char(','));
        child.start(QApplication::applicationFilePath(), childArguments);
        if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            throw std::runtime_error("The benchmark at scale " + std::to_string(scale) + " failed.");
        const QJsonObject json = readJson(figures);
        runs.push_back(BenchResult::fromJson(json));
        QJsonObject entry = json;
        entry.insert(QStringLiteral("scale"), scale);
        all.append(entry);
    }
    if (!runs.empty() && !runs.front().empty())
        printGrowth(scales, runs, out);
    // Start-up no slower at the largest scale than at 1: starts taking turns on the two
    // files, as the figures per scale were taken minutes apart.
    const auto one = std::find(scales.begin(), scales.end(), 1.0);
    std::optional<double> startupRatio;
    const bool startupWanted = options.cases.isEmpty() || options.cases.contains(QLatin1String("startup"));
    if (one != scales.end() && scales.back() > 1.0 && startupWanted && !options.startupHarness.isEmpty()) {
        const double ratio = StartupTiming::ratio(options.startupHarness, files.back(),
                                                     files[size_t(one - scales.begin())], 11);
        // Within a tenth: the noise of starting a process on a shared machine.
        out << "start-up at x" << scales.back() << " against x1, taking turns: " << QString::number(ratio, 'f', 2)
            << "x (target: no slower, <= 1.10x): " << (ratio <= 1.1 ? "yes" : "NO") << "\n";
        startupRatio = ratio;
    }
    if (!jsonFile.isEmpty()) {
        QJsonObject figures{{QStringLiteral("scales"), all}};
        if (startupRatio)
            figures.insert(QStringLiteral("startupRatio"), *startupRatio);
        writeJson(jsonFile, figures);
        out << "Figures written to " << jsonFile << "\n";
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    QApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    Benchmark::Options options;
    QString jsonFile;
    QString workDir;
    double generateScale = 0;
    std::vector<double> scales;
    DatabaseGenerator::Options generator;
    const QStringList arguments = application.arguments().mid(1);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        bool ok = true;
        if (argument == QLatin1String("--runs") && hasValue) {
            options.runs = arguments[++i].toInt(&ok);
        } else if (argument == QLatin1String("--json") && hasValue) {
            jsonFile = arguments[++i];
        } else if (argument == QLatin1String("--generate-scale") && hasValue) {
            generateScale = arguments[++i].toDouble(&ok);
        } else if (argument == QLatin1String("--scales") && hasValue) {
            for (const QString &scale : arguments[++i].split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                scales.push_back(scale.toDouble(&ok));
                if (!ok || scales.back() <= 0)
                    return usage(err);
            }
        } else if (argument == QLatin1String("--cases") && hasValue) {
            options.cases = arguments[++i].split(QLatin1Char(','), Qt::SkipEmptyParts);
        } else if (argument == QLatin1String("--workdir") && hasValue) {
            workDir = arguments[++i];
        } else if (argument == QLatin1String("--seed") && hasValue) {
            generator.seed = arguments[++i].toULongLong(&ok);
        } else if (!argument.startsWith(QLatin1String("--")) && options.databaseFile.isEmpty()) {
            options.databaseFile = argument;
        } else {
            return usage(err);
        }
        if (!ok)
            return usage(err);
    }
    const int modes = int(!options.databaseFile.isEmpty()) + int(generateScale > 0) + int(!scales.empty());
    if (options.runs < 1 || modes != 1)
        return usage(err);
    std::sort(scales.begin(), scales.end());
    options.startupHarness = QDir(QApplication::applicationDirPath()).filePath(QStringLiteral("quellar-bench-startup"));

    QTemporaryDir scratch;
    int exitCode = 0;
    try {
        if (!scales.empty()) {
            exitCode = benchmarkScales(scales, workDir, options, generator, jsonFile, out, err);
        } else {
            if (generateScale > 0) {
                if (!scratch.isValid())
                    throw std::runtime_error("No temporary folder can be made.");
                options.databaseFile = scratch.filePath(QStringLiteral("bench.db"));
                generator.scale = generateScale;
                generate(options.databaseFile, generator, err);
            }
            exitCode = benchmarkOne(options, jsonFile, out);
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
