#pragma once

#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <memory>
#include <vector>

class Connection;
class RawDatabase;
class frmMain;
class QAbstractItemView;

// Times what the clerk waits for, driving the program through its main window, its
// controls and the records' search operations, and in the same run the floor: the same
// work done the plainest fast way through SQLite's C API (prepared statements, rows read
// into memory, only as many rows as the case shows). Prints a table, gives JSON.
class Benchmark
{
public:
    struct Options {
        QString databaseFile;
        QString startupHarness; // the quellar-bench-startup executable; empty skips start-up
        int runs = 7;
        QStringList cases; // keys of the cases to run (their groups run whole); empty runs all
    };

    struct Result {
        QString key;  // short and stable, for comparing runs and scales
        QString name; // what the clerk does
        double medianMs = 0;
        double floorMs = 0;
        double targetMs = 0;          // absolute limit; 0 when there is none
        double targetRatio = 0;       // limit relative to the floor; 0 when there is none
        qint64 memoryGrowthKb = -1;   // peak resident growth during the case; -1 not measured
        qint64 memoryTargetKb = 0;    // limit of that growth; 0 when there is none
        qint64 peakRssKb = 0;         // VmHWM of the process after the case
        int rows = 0;                 // rows the case showed, as a check that it did the work
        bool met() const;
        QString targetText() const;
    };

    // Where start-up spends its time, phase by phase, in milliseconds.
    using Breakdown = QList<QPair<QString, double>>;

    explicit Benchmark(Options options);
    ~Benchmark();

    // Runs every case. The session must be signed in on the options' database. Throws
    // DbError or std::runtime_error when a case could not run.
    std::vector<Result> run(QTextStream &log);
    const Breakdown &startupBreakdown() const { return m_breakdown; }

    static void printTable(const std::vector<Result> &results, QTextStream &out);
    // How much longer start-up through the harness takes on file than on reference, from
    // starts that take turns on the two (median over median).
    static double startupRatio(const QString &harness, const QString &file, const QString &reference, int runs);
    static void printBreakdown(const Breakdown &breakdown, QTextStream &out);
    static QJsonObject toJson(const std::vector<Result> &results, const Breakdown &breakdown, const Options &options);
    static std::vector<Result> resultsFromJson(const QJsonObject &json);

private:
    void openWindow();
    void prepareSubjects();
    void matchDurability();

    std::vector<Result> listings();
    Result editing();
    Result rowChange();
    Result reportToViewer();
    Result reportToPdf();
    Result saving();
    Result search(const QString &key, const QString &name, const QString &text, double targetMs, bool exact);
    Result searchToEnd();
    Result startup();

    // Window helpers: all through the controls the clerk uses.
    template<typename T>
    T *control(const char *name) const;
    void selectInListing(const QString &documentNumber);
    void openSelectedRequest();
    void backToList();

    // Floors
    int listingFloorRows(bool processed, int screenRows);
    QString lineQuery() const;

    static double median(std::vector<double> values);
    static double timeMs(const std::function<void()> &work);
    // One start through the harness until its main window is shown.
    static double timeStartup(const QString &harness, const QStringList &arguments, const QString &settingsFolder,
                              QByteArray *output = nullptr);
    void finish(Result &result) const;

    Options m_options;
    Connection *m_connection = nullptr; // the session's
    std::unique_ptr<RawDatabase> m_raw;
    std::unique_ptr<frmMain> m_window;
    QString m_largestDocument;
    int m_largestLines = 0;
    QString m_mediumDocument;
    int m_mediumLines = 0;
    QString m_largestLocation; // the source location of the largest document
    QStringList m_largestItems;  // its item ids, in line order
    QString m_searchLocation;
    QString m_searchLocationName;
    QString m_exactCode;
    int m_listingScreenRows = 0;
    Breakdown m_breakdown;
};
