#include "Benchmark.h"

#include "RawDatabase.h"

#include "app/MessageBox.h"
#include "app/modInventory.h"
#include "session/SessionComponent.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/CursorModel.h"
#include "db/dialects/SqliteDialect.h"
#include "lookup/frmItemLookup.h"
#include "records/clsItem.h"
#include "records/clsItemMaster.h"
#include "requests/LineGrid.h"
#include "requests/RequestStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QSignalBlocker>
#include <QSqlDatabase>
#include <QSysInfo>
#include <QTableView>
#include <QThread>

#include <sqlite3.h>

#include <algorithm>
#include <stdexcept>

namespace {

// A field of /proc/self/status in kB ("VmHWM", "VmRSS").
qint64 statusKb(const char *field)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

std::string text(const RawDatabase::Value &value)
{
    if (const auto *s = std::get_if<std::string>(&value))
        return *s;
    if (const auto *i = std::get_if<std::int64_t>(&value))
        return std::to_string(*i);
    return {};
}

} // namespace

bool Benchmark::Result::met() const
{
    if (targetMs > 0 && medianMs > targetMs)
        return false;
    return !(targetRatio > 0 && floorMs > 0 && medianMs > targetRatio * floorMs);
}

Benchmark::Benchmark(Options options) : m_options(std::move(options)) { }

Benchmark::~Benchmark()
{
    m_dialect.reset();
    if (!m_translatorName.isEmpty()) {
        QSqlDatabase::database(m_translatorName, false).close();
        QSqlDatabase::removeDatabase(m_translatorName);
    }
}

double Benchmark::median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Benchmark::timeMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

void Benchmark::finish(Result &result) const
{
    result.peakRssKb = statusKb("VmHWM");
    result.rssKb = statusKb("VmRSS");
}

// The statement exactly as the program's connection sends it to SQLite.
QString Benchmark::translated(const QString &statement)
{
    QSqlDatabase db = QSqlDatabase::database(m_translatorName, false);
    return m_dialect->translate(statement, db);
}

void Benchmark::prepareSubjects()
{
    m_raw = std::make_unique<RawDatabase>(m_options.databaseFile);
    m_translatorName = QStringLiteral("bench-translator");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_translatorName);
        db.setDatabaseName(m_options.databaseFile);
        if (!db.open())
            throw DbError(QStringLiteral("Cannot open %1 for translation.").arg(m_options.databaseFile));
        m_dialect = std::make_unique<SqliteDialect>(false);
        ConnectionSettings settings;
        settings.databaseFile = m_options.databaseFile;
        m_dialect->prepare(db, settings);
    }

    const auto largest = m_raw->query(QStringLiteral(
        "SELECT DocumentNumber, count(*) AS n FROM tbInvWithdrawRequest GROUP BY DocumentNumber "
        "ORDER BY n DESC LIMIT 1"));
    if (largest.empty())
        throw std::runtime_error("The database holds no requests.");
    m_largestDocument = QString::fromStdString(text(largest[0][0]));

    m_searchLocation = gstrDefaultLocationID;
    const auto stocked = m_raw->query(QStringLiteral(
        "SELECT I.ItemID FROM tbInvent I JOIN tbInvMaster M ON M.ItemID = I.ItemID "
        "WHERE I.LocationID = ? AND (I.ItemStatus = 0 OR I.ItemStatus IS NULL) "
        "AND (M.ItemStatus = 0 OR M.ItemStatus IS NULL) ORDER BY I.ItemID LIMIT 200"),
        {m_searchLocation.toStdString()});
    if (stocked.size() < 2)
        throw std::runtime_error("The default location stocks too few items.");
    m_exactCode = QString::fromStdString(text(stocked[stocked.size() / 2][0]));
    for (const auto &row : stocked)
        m_rowItems.push_back(QString::fromStdString(text(row[0])));
}

// ListRequests: the procedure opened as a cursor, its first block in the grid model and
// the view showing it (the first screen).
Benchmark::Result Benchmark::listing(bool processed)
{
    Result result{processed ? QStringLiteral("listing, first screen (processed)")
                            : QStringLiteral("listing, first screen (pending)")};
    result.targetMs = 50;
    result.targetRatio = 2;
    CursorModel model;
    QTableView view;
    view.setModel(&model);
    view.resize(900, 500);
    view.show();
    std::vector<double> times;
    std::vector<double> floors;
    const QString statement = RequestStore::listStatement(processed);
    const QString raw = translated(statement) + QStringLiteral(" LIMIT %1").arg(CursorModel::blockRows);
    for (int run = 0; run < m_options.runs; ++run) {
        times.push_back(timeMs([&] {
            model.setCursor(m_connection->openCursor(statement));
            if (model.rowCount() > 0)
                view.setCurrentIndex(model.index(0, 0));
            QCoreApplication::processEvents();
            result.rows = model.rowCount();
        }));
        floors.push_back(timeMs([&] { m_raw->query(raw); }));
    }
    model.setCursor(nullptr);
    result.medianMs = median(times);
    result.floorMs = median(floors);
    finish(result);
    return result;
}

// LoadRequest up to the filled line grid, as the editor fills it.
Benchmark::Result Benchmark::loading()
{
    Result result{QStringLiteral("load request (") + m_largestDocument + QStringLiteral(")")};
    result.targetMs = 300;
    result.targetRatio = 3;
    LineGrid grid;
    grid.resize(800, 400);
    grid.show();
    const QString statement = RequestStore::loadStatement(m_largestDocument);
    const QString raw = translated(statement);
    std::vector<double> times;
    std::vector<double> floors;
    for (int run = 0; run < m_options.runs; ++run) {
        {
            const QSignalBlocker quiet(grid);
            grid.resetLines();
        }
        QCoreApplication::processEvents();
        times.push_back(timeMs([&] {
            Recordset rs;
            rs.setCursorLocation(Recordset::adUseClient);
            rs.Open(statement, *m_connection, Recordset::adOpenDynamic, Recordset::adLockReadOnly, -1);
            const QSignalBlocker quiet(grid);
            const int lines = grid.fillFromRequest(*rs.table()); // as the editor fills it
            grid.setRow(1);
            grid.applyLayout();
            QCoreApplication::processEvents();
            result.rows = lines;
        }));
        floors.push_back(timeMs([&] { m_raw->query(raw); }));
    }
    result.medianMs = median(times);
    result.floorMs = median(floors);
    finish(result);
    return result;
}

// SaveRequest of a new request of 1,000 lines; each saved request is removed again
// outside the timing, so that the database stays as it was generated.
Benchmark::Result Benchmark::saving()
{
    Result result{QStringLiteral("save request (1,000 lines)")};
    result.targetMs = 150;
    result.targetRatio = 5;
    RequestDocument document;
    document.documentNumber = QStringLiteral("NEW");
    document.transDate = QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9));
    document.locationId = m_searchLocation;
    document.targetLocationId = QStringLiteral("1");
    for (int k = 0; k < 1000; ++k) {
        const QString &item = m_rowItems[size_t(k) % m_rowItems.size()];
        document.lines.push_back({item, QString::number(1 + k % 20), QStringLiteral("12.5"), QStringLiteral("N"),
                                  k % 10 == 0 ? QStringLiteral("Y") : QStringLiteral("N")});
    }
    const QByteArray date = SqliteDialect::storedDate(document.transDate).toUtf8();
    auto removeDocument = [this](const std::string &number) {
        m_raw->query(QStringLiteral("DELETE FROM tbInvWithdrawRequest WHERE DocumentNumber = ?"), {number});
    };
    std::vector<double> times;
    std::vector<double> floors;
    for (int run = 0; run < m_options.runs; ++run) {
        QString saved;
        times.push_back(timeMs([&] { saved = RequestStore(*m_connection).save(document, QStringLiteral("1001")); }));
        removeDocument(saved.toStdString());

        std::string number;
        floors.push_back(timeMs([&] {
            sqlite3 *db = m_raw->handle();
            m_raw->execute("BEGIN IMMEDIATE");
            const auto next = m_raw->query(QStringLiteral(
                "SELECT (max(CAST(DocumentNumber AS int)) + 1) AS DocNum FROM tbInvWithdrawRequest"));
            number = text(next.at(0).at(0));
            m_raw->query(QStringLiteral("DELETE FROM tbInvWithdrawRequest WHERE DocumentNumber = ?"), {number});
            sqlite3_stmt *insert = nullptr;
            if (sqlite3_prepare_v2(db, "INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, "
                                       "ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID) "
                                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", -1, &insert, nullptr) != SQLITE_OK)
                m_raw->fail();
            const QByteArray location = document.locationId.toUtf8();
            const QByteArray target = document.targetLocationId.toUtf8();
            for (const RequestLine &line : document.lines) {
                const QByteArray item = line.itemId.toUtf8();
                const QByteArray retail = line.forRetail.toUtf8();
                sqlite3_bind_text(insert, 1, number.data(), int(number.size()), SQLITE_STATIC);
                sqlite3_bind_text(insert, 2, item.constData(), int(item.size()), SQLITE_STATIC);
                sqlite3_bind_double(insert, 3, line.quantity.toDouble());
                sqlite3_bind_double(insert, 4, line.unitCost.toDouble());
                sqlite3_bind_text(insert, 5, retail.constData(), int(retail.size()), SQLITE_STATIC);
                sqlite3_bind_int(insert, 6, line.ads == QLatin1String("Y") ? 1 : 0);
                sqlite3_bind_text(insert, 7, location.constData(), int(location.size()), SQLITE_STATIC);
                sqlite3_bind_text(insert, 8, target.constData(), int(target.size()), SQLITE_STATIC);
                sqlite3_bind_text(insert, 9, date.constData(), int(date.size()), SQLITE_STATIC);
                sqlite3_bind_text(insert, 10, "1001", 4, SQLITE_STATIC);
                if (sqlite3_step(insert) != SQLITE_DONE) {
                    sqlite3_finalize(insert);
                    m_raw->execute("ROLLBACK");
                    m_raw->fail();
                }
                sqlite3_reset(insert);
            }
            sqlite3_finalize(insert);
            m_raw->execute("COMMIT");
        }));
        removeDocument(number);
    }
    result.rows = int(document.lines.size());
    result.medianMs = median(times);
    result.floorMs = median(floors);
    finish(result);
    return result;
}

// SearchProducts through the product search window, as Form_Load runs it.
Benchmark::Result Benchmark::search(const QString &name, const QString &searchText, double targetMs)
{
    Result result{name};
    result.targetMs = targetMs;
    frmItemLookup window;
    window.setLocationName(QStringLiteral("BENCH"));
    window.setLocationCode(m_searchLocation);
    window.setSearchString(searchText);
    window.Form_Load(); // the first search readies the window's grid
    // The statement the window sends, taken from the connection's trace.
    const bool recording = m_connection->trace().isRecording();
    m_connection->trace().setRecording(true);
    m_connection->trace().clear();
    window.setSearchString(searchText);
    window.Form_Load();
    if (m_connection->trace().statements().isEmpty())
        throw std::runtime_error("The product search sent no statement.");
    const QString raw = translated(m_connection->trace().statements().constLast());
    m_connection->trace().setRecording(recording);
    std::vector<double> times;
    std::vector<double> floors;
    for (int run = 0; run < std::max(m_options.runs, 21); ++run) {
        times.push_back(timeMs([&] {
            window.setSearchString(searchText);
            window.Form_Load();
        }));
        floors.push_back(timeMs([&] { result.rows = int(m_raw->query(raw).size()); }));
    }
    result.medianMs = median(times);
    result.floorMs = median(floors);
    finish(result);
    return result;
}

// A grid row change: EditCurrentRow's ShowItemInfo loads the stock row and the item
// master and reads the fields the entry panel shows.
Benchmark::Result Benchmark::rowChange()
{
    Result result{QStringLiteral("grid row change")};
    result.targetMs = 1;
    std::vector<double> times;
    std::vector<double> floors;
    double sink = 0;
    for (const QString &itemId : m_rowItems) {
        times.push_back(timeMs([&] {
            clsItem item;
            item.setActiveConnection(m_connection);
            if (!item.LoadItem(itemId, m_searchLocation))
                throw std::runtime_error("A stocked item did not load.");
            const auto master = item.ItemMaster();
            const QString shown = item.ItemID() + master->ItemName().trimmed() + QLatin1Char(' ') + master->ItemDesc();
            sink += shown.size() + master->ListCost().toDouble() + master->Packing() + item.OnHand()
                + master->AverageCost().toDouble() + (item.IsADSStock() ? item.ADSStock() : 0);
        }));
        const QString procedure = translated(QStringLiteral("sp_Inv_SearchItem_In_Invent '") + itemId + QStringLiteral("','")
                                             + m_searchLocation + QStringLiteral("'"));
        const QString masterRow = translated(QStringLiteral("Select * From tbInvMaster Where ItemID = '") + itemId + QStringLiteral("'"));
        floors.push_back(timeMs([&] {
            result.rows = int(m_raw->query(procedure).size() + m_raw->query(masterRow).size());
        }));
    }
    if (sink < 0)
        throw std::runtime_error("impossible");
    result.medianMs = median(times);
    result.floorMs = median(floors);
    finish(result);
    return result;
}

// From process start to the main window shown, in a process of its own each time; the
// floor is the same process opening the database and reading the listing raw.
Benchmark::Result Benchmark::startup()
{
    Result result{QStringLiteral("start-up to main window")};
    result.targetMs = 1500;
    auto launch = [this](const QStringList &arguments, qint64 *peakKb) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        QElapsedTimer timer;
        timer.start();
        process.start(m_options.startupHarness, arguments);
        QByteArray output;
        while (!output.contains('\n')) {
            if (!process.waitForReadyRead(60000))
                throw std::runtime_error("The start-up harness gave no answer: "
                                         + process.readAllStandardError().toStdString());
            output += process.readAllStandardOutput();
        }
        const double elapsed = double(timer.nsecsElapsed()) / 1e6;
        process.waitForFinished(60000);
        if (process.exitCode() != 0 || !output.startsWith("shown"))
            throw std::runtime_error("The start-up harness failed: " + output.toStdString()
                                     + process.readAllStandardError().toStdString());
        *peakKb = std::max(*peakKb, output.split(' ').value(1).trimmed().toLongLong());
        return elapsed;
    };
    std::vector<double> times;
    std::vector<double> floors;
    qint64 peak = 0;
    qint64 floorPeak = 0;
    for (int run = 0; run < std::min(m_options.runs, 5); ++run) {
        times.push_back(launch({m_options.databaseFile}, &peak));
        floors.push_back(launch({QStringLiteral("--floor"), m_options.databaseFile}, &floorPeak));
    }
    result.medianMs = median(times);
    result.floorMs = median(floors);
    result.peakRssKb = peak;
    result.rssKb = peak;
    result.rows = 1;
    return result;
}

std::vector<Benchmark::Result> Benchmark::run(QTextStream &log)
{
    MsgBoxScript::start(); // a message box would stop the run; each one is a failure
    prepareSubjects();
    m_connection = &gCurrentUser->SQLConnection();
    std::vector<Result> results;
    auto step = [&](const char *what, const std::function<Result()> &work) {
        log << "  " << what << "...\n";
        log.flush();
        results.push_back(work());
        if (!MsgBoxScript::shown().empty())
            throw std::runtime_error("A message box appeared: " + MsgBoxScript::shown().front().prompt.toStdString());
    };
    step("listing", [this] { return listing(false); });
    step("listing, processed", [this] { return listing(true); });
    step("load", [this] { return loading(); });
    step("save", [this] { return saving(); });
    step("search by name", [this] {
        return search(QStringLiteral("product search, name prefix"), QStringLiteral("PARA"), 20);
    });
    step("search by code", [this] { return search(QStringLiteral("product search, exact code"), m_exactCode, 2); });
    step("row change", [this] { return rowChange(); });
    if (!m_options.startupHarness.isEmpty())
        step("start-up", [this] { return startup(); });
    MsgBoxScript::stop();
    return results;
}

void Benchmark::printTable(const std::vector<Result> &results, QTextStream &out)
{
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
               .arg(QStringLiteral("case"), -32)
               .arg(QStringLiteral("median ms"), 10)
               .arg(QStringLiteral("floor ms"), 10)
               .arg(QStringLiteral("ratio"), 7)
               .arg(QStringLiteral("target"), -18)
               .arg(QStringLiteral("peak MB"), 8)
               .arg(QStringLiteral("rows"), 7)
               .arg(QStringLiteral("met"));
    for (const Result &r : results) {
        QString target = QStringLiteral("< %1 ms").arg(r.targetMs);
        if (r.targetRatio > 0)
            target += QStringLiteral(", <= %1x").arg(r.targetRatio);
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
                   .arg(r.name, -32)
                   .arg(r.medianMs, 10, 'f', 3)
                   .arg(r.floorMs, 10, 'f', 3)
                   .arg(r.floorMs > 0 ? r.medianMs / r.floorMs : 0.0, 7, 'f', 2)
                   .arg(target, -18)
                   .arg(double(r.peakRssKb) / 1024.0, 8, 'f', 1)
                   .arg(r.rows, 7)
                   .arg(r.met() ? QStringLiteral("yes") : QStringLiteral("NO"));
    }
    out.flush();
}

QJsonObject Benchmark::toJson(const std::vector<Result> &results, const Options &options)
{
    QJsonArray cases;
    for (const Result &r : results) {
        cases.append(QJsonObject{{QStringLiteral("name"), r.name},
                                 {QStringLiteral("median_ms"), r.medianMs},
                                 {QStringLiteral("floor_ms"), r.floorMs},
                                 {QStringLiteral("ratio"), r.floorMs > 0 ? r.medianMs / r.floorMs : 0.0},
                                 {QStringLiteral("target_ms"), r.targetMs},
                                 {QStringLiteral("target_ratio"), r.targetRatio},
                                 {QStringLiteral("peak_rss_kb"), r.peakRssKb},
                                 {QStringLiteral("rss_kb"), r.rssKb},
                                 {QStringLiteral("rows"), r.rows},
                                 {QStringLiteral("met"), r.met()}});
    }
    return QJsonObject{{QStringLiteral("database"), options.databaseFile},
                       {QStringLiteral("runs"), options.runs},
                       {QStringLiteral("cpus"), QThread::idealThreadCount()},
                       {QStringLiteral("kernel"), QSysInfo::kernelVersion()},
                       {QStringLiteral("cases"), cases}};
}
