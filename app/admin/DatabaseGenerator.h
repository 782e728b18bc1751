#pragma once

#include <QString>

#include <cstdint>
#include <functional>

struct sqlite3;

// Fills a new embedded database with a large hospital: years of withdrawal requests,
// tens of thousands of items with bar codes, their stock at every location. The same
// seed and scale always give the same data.
//
// At scale 1: 100,000 documents with 1,000,000 lines, 50,000 items, 40 locations and
// 400,000 stock rows. Most documents are processed, some are pending and a few deleted;
// one pending document holds 5,000 lines and another 1,000 (smaller at tiny scales).
class DatabaseGenerator
{
public:
    struct Options {
        std::uint64_t seed = 1;
        double scale = 1.0;
    };

    struct Counts {
        int documents = 0;
        int lines = 0;
        int items = 0;
        int locations = 0;
        int stockRows = 0;
        QString largestDocument; // the document with the most lines
        int largestDocumentLines = 0;
        QString mediumDocument; // a pending document of 1,000 lines
        int mediumDocumentLines = 0;
    };

    // Changes whenever the same seed and scale would give other data, so that a file
    // made by an older generator is not taken for a current one.
    static constexpr int formatVersion = 2;

    explicit DatabaseGenerator(const Options &options);

    // Creates the database file (and its password file) with the program's own schema
    // and procedures, then writes the data in one transaction. Throws DbError; a file
    // that was left half-written is removed.
    Counts generate(const QString &databaseFile);

    // Progress notes for a command-line caller: the part being written ("items",
    // "stock", "requests", "statistics") and, every 5% of the rows, how far it is
    // ("42% of 1,450,050 rows").
    void setProgress(std::function<void(const QString &)> progress) { m_progress = std::move(progress); }

    // The number of rows of each table at the options' scale.
    Counts plannedCounts() const;

private:
    void fill(sqlite3 *db, Counts &counts);
    void note(const QString &what) const;
    // Counts rows written and notes every further 5% of all rows.
    void advance(int rows = 1);

    Options m_options;
    std::function<void(const QString &)> m_progress;
    std::int64_t m_totalRows = 0;
    std::int64_t m_writtenRows = 0;
    int m_reportedPercent = 0;
};
