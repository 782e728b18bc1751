#pragma once

#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QTextStream>

#include <vector>

// One timed case of the benchmark beside its floor and its target.
struct BenchResult {
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

    // Where start-up spends its time, phase by phase, in milliseconds.
    using Breakdown = QList<QPair<QString, double>>;

    static double median(std::vector<double> values);
    static void printTable(const std::vector<BenchResult> &results, QTextStream &out);
    static void printBreakdown(const Breakdown &breakdown, QTextStream &out);
    static QJsonObject toJson(const std::vector<BenchResult> &results, const Breakdown &breakdown,
                              const QString &databaseFile, int runs);
    static std::vector<BenchResult> fromJson(const QJsonObject &json);
};
