#include "BenchResult.h"

#include <QJsonArray>
#include <QStringList>
#include <QThread>

#include <sqlite3.h>

#include <algorithm>

bool BenchResult::met() const
{
    if (targetMs > 0 && medianMs > targetMs)
        return false;
    if (targetRatio > 0 && floorMs > 0 && medianMs > targetRatio * floorMs)
        return false;
    return !(memoryTargetKb > 0 && memoryGrowthKb > memoryTargetKb);
}

QString BenchResult::targetText() const
{
    QStringList parts;
    if (targetMs > 0)
        parts << QStringLiteral("< %1 ms").arg(targetMs);
    if (targetRatio > 0)
        parts << QStringLiteral("<= %1x").arg(targetRatio);
    if (memoryTargetKb > 0)
        parts << QStringLiteral("< %1 MB").arg(memoryTargetKb / 1024);
    return parts.isEmpty() ? QStringLiteral("-") : parts.join(QStringLiteral(", "));
}

double BenchResult::median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void BenchResult::printTable(const std::vector<BenchResult> &results, QTextStream &out)
{
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
               .arg(QStringLiteral("case"), -40)
               .arg(QStringLiteral("median ms"), 10)
               .arg(QStringLiteral("floor ms"), 9)
               .arg(QStringLiteral("ratio"), 6)
               .arg(QStringLiteral("mem MB"), 7)
               .arg(QStringLiteral("target"), -26)
               .arg(QStringLiteral("rows"), 6)
               .arg(QStringLiteral("met"));
    for (const BenchResult &r : results) {
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
                   .arg(r.name, -40)
                   .arg(r.medianMs, 10, 'f', 3)
                   .arg(r.floorMs, 9, 'f', 3)
                   .arg(r.floorMs > 0 ? r.medianMs / r.floorMs : 0.0, 6, 'f', 2)
                   .arg(r.memoryGrowthKb >= 0 ? QString::number(double(r.memoryGrowthKb) / 1024.0, 'f', 1)
                                              : QStringLiteral("-"), 7)
                   .arg(r.targetText(), -26)
                   .arg(r.rows, 6)
                   .arg(r.met() ? QStringLiteral("yes") : QStringLiteral("NO"));
    }
    out.flush();
}

void BenchResult::printBreakdown(const Breakdown &breakdown, QTextStream &out)
{
    if (breakdown.isEmpty())
        return;
    out << "Start-up, phase by phase (one start):\n";
    for (const auto &[phase, ms] : breakdown)
        out << QStringLiteral("  %1 %2 ms\n").arg(phase, -30).arg(ms, 9, 'f', 1);
    out.flush();
}

QJsonObject BenchResult::toJson(const std::vector<BenchResult> &results, const Breakdown &breakdown,
                                const QString &databaseFile, int runs)
{
    QJsonArray cases;
    for (const BenchResult &r : results) {
        cases.append(QJsonObject{{QStringLiteral("key"), r.key},
                                 {QStringLiteral("name"), r.name},
                                 {QStringLiteral("median_ms"), r.medianMs},
                                 {QStringLiteral("floor_ms"), r.floorMs},
                                 {QStringLiteral("ratio"), r.floorMs > 0 ? r.medianMs / r.floorMs : 0.0},
                                 {QStringLiteral("target_ms"), r.targetMs},
                                 {QStringLiteral("target_ratio"), r.targetRatio},
                                 {QStringLiteral("memory_growth_kb"), r.memoryGrowthKb},
                                 {QStringLiteral("memory_target_kb"), r.memoryTargetKb},
                                 {QStringLiteral("peak_rss_kb"), r.peakRssKb},
                                 {QStringLiteral("rows"), r.rows},
                                 {QStringLiteral("met"), r.met()}});
    }
    QJsonArray phases;
    for (const auto &[phase, ms] : breakdown)
        phases.append(QJsonObject{{QStringLiteral("phase"), phase}, {QStringLiteral("ms"), ms}});
    return QJsonObject{{QStringLiteral("database"), databaseFile},
                       {QStringLiteral("runs"), runs},
                       {QStringLiteral("cpus"), QThread::idealThreadCount()},
                       {QStringLiteral("sqlite"), QString::fromLatin1(sqlite3_libversion())},
                       {QStringLiteral("qt"), QString::fromLatin1(qVersion())},
                       {QStringLiteral("cases"), cases},
                       {QStringLiteral("startup_phases"), phases}};
}

std::vector<BenchResult> BenchResult::fromJson(const QJsonObject &json)
{
    std::vector<BenchResult> results;
    for (const QJsonValue &value : json.value(QStringLiteral("cases")).toArray()) {
        const QJsonObject c = value.toObject();
        BenchResult r;
        r.key = c.value(QStringLiteral("key")).toString();
        r.name = c.value(QStringLiteral("name")).toString();
        r.medianMs = c.value(QStringLiteral("median_ms")).toDouble();
        r.floorMs = c.value(QStringLiteral("floor_ms")).toDouble();
        r.targetMs = c.value(QStringLiteral("target_ms")).toDouble();
        r.targetRatio = c.value(QStringLiteral("target_ratio")).toDouble();
        r.memoryGrowthKb = c.value(QStringLiteral("memory_growth_kb")).toInteger(-1);
        r.memoryTargetKb = c.value(QStringLiteral("memory_target_kb")).toInteger();
        r.peakRssKb = c.value(QStringLiteral("peak_rss_kb")).toInteger();
        r.rows = c.value(QStringLiteral("rows")).toInt();
        results.push_back(r);
    }
    return results;
}
