#pragma once

#include <QJsonObject>
#include <QString>
#include <QTextStream>

#include <functional>
#include <memory>
#include <vector>

class Connection;
class RawDatabase;
class SqliteDialect;
class QSqlDatabase;

// Times the program's own paths on a database and, in the same run, the floor: the same
// work done straight through SQLite's C API. Prints a table and gives the figures as JSON.
class Benchmark
{
public:
    struct Options {
        QString databaseFile;
        QString startupHarness; // the quellar-bench-startup executable; empty skips start-up
        int runs = 7;
    };

    struct Result {
        QString name;
        double medianMs = 0;
        double floorMs = 0;
        double targetMs = 0;     // absolute limit
        double targetRatio = 0;  // limit relative to the floor; 0 when there is none
        qint64 peakRssKb = 0;    // VmHWM after the case
        qint64 rssKb = 0;        // VmRSS after the case
        int rows = 0;            // rows the case read, as a check that it did the work
        bool met() const;
    };

    explicit Benchmark(Options options);
    ~Benchmark();

    // Runs every case. Throws DbError or std::runtime_error when a case could not run.
    std::vector<Result> run(QTextStream &log);

    static void printTable(const std::vector<Result> &results, QTextStream &out);
    static QJsonObject toJson(const std::vector<Result> &results, const Options &options);

private:
    QString translated(const QString &statement);
    void prepareSubjects();

    Result listing(bool processed);
    Result loading();
    Result saving();
    Result search(const QString &name, const QString &text, double targetMs);
    Result rowChange();
    Result startup();

    static double median(std::vector<double> values);
    static double timeMs(const std::function<void()> &work);
    void finish(Result &result) const;

    Options m_options;
    Connection *m_connection = nullptr; // the session's
    std::unique_ptr<RawDatabase> m_raw;
    std::unique_ptr<SqliteDialect> m_dialect; // translates the floors' statements once
    QString m_translatorName;
    QString m_largestDocument;
    QString m_searchLocation;
    QString m_exactCode;
    std::vector<QString> m_rowItems;
};
