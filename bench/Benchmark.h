#pragma once

#include "BenchResult.h"

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

    using Result = BenchResult;

    using Breakdown = BenchResult::Breakdown;

    explicit Benchmark(Options options);
    ~Benchmark();

    // Runs every case. The session must be signed in on the options' database. Throws
    // DbError or std::runtime_error when a case could not run.
    std::vector<Result> run(QTextStream &log);
    const Breakdown &startupBreakdown() const { return m_breakdown; }


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

    static double timeMs(const std::function<void()> &work);
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
