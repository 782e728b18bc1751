#include "Benchmark.h"

#include "MemoryGrowth.h"
#include "RawDatabase.h"
#include "StartupTiming.h"

#include "app/MessageBox.h"
#include "app/program/Startup.h"
#include "app/modInventory.h"
#include "auth_report/ReportPrinting.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "records/clsItem.h"
#include "reporting/ReportDocument.h"
#include "reporting/ReportError.h"
#include "requests/frmMain.h"
#include "session/SessionComponent.h"
#include "widgets/ModalDialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QGraphicsView>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <stdexcept>

namespace {


// Lets the window system catch up, then paints the view's rows at once: what the clerk
// sees, not a paint that is still queued.
void paintNow(QAbstractItemView *view)
{
    QApplication::processEvents();
    view->viewport()->repaint();
}

// How many rows the view shows at a time.
int screenRows(const QAbstractItemView *view)
{
    const auto *table = qobject_cast<const QTableView *>(view);
    const int rowHeight = table ? table->verticalHeader()->defaultSectionSize() : view->fontMetrics().height() + 6;
    return std::max(1, view->viewport()->height() / std::max(1, rowHeight) + 1);
}

void waitExposed(QWidget *widget)
{
    QElapsedTimer timer;
    timer.start();
    while (!(widget->windowHandle() && widget->windowHandle()->isExposed())) {
        if (timer.elapsed() > 10000)
            throw std::runtime_error("A window was never shown.");
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QApplication::processEvents();
}

} // namespace

// ---- results --------------------------------------------------------------------------


Benchmark::Benchmark(Options options) : m_options(std::move(options)) { }

Benchmark::~Benchmark()
{
    ModalDialogs::clearScript();
    gReport.reset();
    m_window.reset();
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
    result.peakRssKb = MemoryGrowth::statusKb("VmHWM");
    if (!MsgBoxScript::shown().empty())
        throw std::runtime_error("A message box appeared during \"" + result.name.toStdString()
                                 + "\": " + MsgBoxScript::shown().front().prompt.toStdString());
}

template<typename T>
T *Benchmark::control(const char *name) const
{
    T *found = m_window->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        throw std::runtime_error(std::string("The main window has no control ") + name + ".");
    return found;
}

// ---- set-up ---------------------------------------------------------------------------

// The raw connection commits as durably as the program's, so that a save costs the same.
void Benchmark::matchDurability()
{
    const auto setting = m_connection->run(QStringLiteral("PRAGMA synchronous"));
    if (setting && setting->rowCount() > 0) {
        const QByteArray pragma = "PRAGMA synchronous = " + setting->value(0, 0).toString().toLatin1();
        m_raw->execute(pragma.constData());
    }
}

void Benchmark::prepareSubjects()
{
    m_raw = std::make_unique<RawDatabase>(m_options.databaseFile);
    matchDurability();

    // The two big pending documents: the one with the most lines, and one of about 1,000.
    const auto sizes = m_raw->query(QStringLiteral(
        "SELECT DocumentNumber, count(*) AS n FROM tbInvWithdrawRequest "
        "WHERE ProcessDate IS NULL AND (Status IS NULL OR NOT Status = 'D') "
        "GROUP BY DocumentNumber ORDER BY n DESC LIMIT 2"));
    if (sizes.size() < 2)
        throw std::runtime_error("The database holds fewer than two pending requests.");
    m_largestDocument = RawDatabase::qtext(sizes[0][0]);
    m_largestLines = int(std::get<std::int64_t>(sizes[0][1]));
    m_mediumDocument = RawDatabase::qtext(sizes[1][0]);
    m_mediumLines = int(std::get<std::int64_t>(sizes[1][1]));
    const auto lines = m_raw->query(QStringLiteral(
        "SELECT ItemID, LocationID FROM tbInvWithdrawRequest WHERE DocumentNumber = ? ORDER BY LineID"),
        {m_largestDocument.toStdString()});
    for (const auto &line : lines)
        m_largestItems << RawDatabase::qtext(line[0]);
    m_largestLocation = lines.empty() ? QString() : RawDatabase::qtext(lines[0][1]);

    m_searchLocation = gstrDefaultLocationID;
    const auto location = m_raw->query(QStringLiteral("SELECT Location FROM tbInvLocation WHERE LocationID = ?"),
                                       {m_searchLocation.toStdString()});
    if (location.empty())
        throw std::runtime_error("The default location is missing.");
    m_searchLocationName = RawDatabase::qtext(location[0][0]);
    const auto stocked = m_raw->query(QStringLiteral(
        "SELECT I.ItemID FROM tbInvent I JOIN tbInvMaster M ON M.ItemID = I.ItemID "
        "WHERE I.LocationID = ? AND (I.ItemStatus = 0 OR I.ItemStatus IS NULL) "
        "AND (M.ItemStatus = 0 OR M.ItemStatus IS NULL) ORDER BY I.ItemID LIMIT 200"),
        {m_searchLocation.toStdString()});
    if (stocked.empty())
        throw std::runtime_error("The default location stocks no item.");
    m_exactCode = RawDatabase::qtext(stocked[stocked.size() / 2][0]);
}

// As start-up leaves it after the log-in: hospital information read, main window shown.
void Benchmark::openWindow()
{
    LoadHospitalInfo();
    m_window = std::make_unique<frmMain>();
    m_window->resize(1100, 780);
    m_window->show();
    waitExposed(m_window.get());
    m_window->activateWindow();
    QApplication::setActiveWindow(m_window.get());
    auto *grid = control<QTableView>("grdListing");
    paintNow(grid);
    m_listingScreenRows = screenRows(grid);
}

// ---- window helpers -----------------------------------------------------------------

// Finds the document in the listing (letting the listing fetch further rows as a clerk
// scrolling down would), shows it and clicks it.
void Benchmark::selectInListing(const QString &documentNumber)
{
    auto *grid = control<QTableView>("grdListing");
    QAbstractItemModel *model = grid->model();
    int row = 0;
    for (;; ++row) {
        if (row >= model->rowCount()) {
            if (!model->canFetchMore({}))
                throw std::runtime_error("Request " + documentNumber.toStdString() + " is not in the listing.");
            model->fetchMore({});
            if (row >= model->rowCount())
                throw std::runtime_error("The listing fetched no further rows.");
        }
        if (model->index(row, 0).data().toString().trimmed() == documentNumber)
            break;
    }
    const QModelIndex index = model->index(row, 0);
    grid->scrollTo(index);
    QApplication::processEvents();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
    if (grid->currentIndex().row() != row)
        throw std::runtime_error("A click in the listing did not select request " + documentNumber.toStdString() + ".");
}

// "&Edit" and what the clerk then waits for: the editor showing the request.
void Benchmark::openSelectedRequest()
{
    QTest::mouseClick(control<QPushButton>("cmdEdit"), Qt::LeftButton);
    paintNow(control<QAbstractItemView>("grdDetails"));
}

void Benchmark::backToList()
{
    auto *tabs = control<QTabWidget>("SSTab1");
    QTabBar *bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    QApplication::processEvents();
    if (tabs->currentIndex() != 0)
        throw std::runtime_error("A click on the tab \"List\" did not show the listing.");
}

QString Benchmark::lineQuery() const
{
    return QStringLiteral(
        "SELECT R.LocationID, L.Location, R.TargetLocationID, T.Location, R.DocumentNumber, R.ItemID, "
        "TRIM(COALESCE(M.ItemName, '') || ' ' || COALESCE(M.ItemDesc, '')), R.Quantity, R.UnitCost, "
        "R.ForRetail, R.isADS "
        "FROM tbInvWithdrawRequest R "
        "LEFT JOIN tbInvLocation L ON L.LocationID = R.LocationID "
        "LEFT JOIN tbInvLocation T ON T.LocationID = R.TargetLocationID "
        "LEFT JOIN tbInvMaster M ON M.ItemID = R.ItemID "
        "WHERE R.DocumentNumber = ? ORDER BY R.LineID");
}

int Benchmark::listingFloorRows(bool processed, int rows)
{
    return int(m_raw->query(RawDatabase::listingStatement(processed), {std::to_string(rows)}).size());
}

// ---- cases ----------------------------------------------------------------------------

// The option buttons of the listing: the first screen of rows in the grid and painted.
std::vector<Benchmark::Result> Benchmark::listings()
{
    Result pending{QStringLiteral("listing-pending"), QStringLiteral("listing, pending: first screen")};
    Result processed{QStringLiteral("listing-processed"), QStringLiteral("listing, processed: first screen")};
    for (Result *r : {&pending, &processed}) {
        r->targetMs = 50;
        r->memoryTargetKb = 20 * 1024;
        r->memoryGrowthKb = 0;
    }
    auto *pendingOption = control<QRadioButton>("optOptions_0");
    auto *processedOption = control<QRadioButton>("optOptions_1");
    auto *grid = control<QTableView>("grdListing");
    std::vector<double> times[2];
    std::vector<double> floors[2];
    for (int run = 0; run < m_options.runs; ++run) {
        // The window opened on "Pendings", so every click is a change.
        for (const bool wantProcessed : {true, false}) {
            Result &result = wantProcessed ? processed : pending;
            QRadioButton *option = wantProcessed ? processedOption : pendingOption;
            const MemoryGrowth growth;
            times[wantProcessed].push_back(timeMs([&] {
                QTest::mouseClick(option, Qt::LeftButton);
                paintNow(grid);
            }));
            result.memoryGrowthKb = std::max(result.memoryGrowthKb, growth.kb());
            if (!option->isChecked())
                throw std::runtime_error("A click did not select the listing option.");
            result.rows = grid->model()->rowCount();
            const int screen = screenRows(grid);
            floors[wantProcessed].push_back(timeMs([&] { listingFloorRows(wantProcessed, screen); }));
        }
    }
    for (Result *r : {&pending, &processed}) {
        const bool isProcessed = r == &processed;
        r->medianMs = BenchResult::median(times[isProcessed]);
        r->floorMs = BenchResult::median(floors[isProcessed]);
        finish(*r);
    }
    return {pending, processed};
}

// The largest request selected in the listing and opened with "&Edit", until the editor
// shows it. The window is left on it for the cases that work in the editor.
Benchmark::Result Benchmark::editing()
{
    Result result{QStringLiteral("edit"), QStringLiteral("edit of %1 lines, through the window").arg(m_largestLines)};
    result.targetMs = 80;
    result.targetRatio = 2.5;
    result.memoryGrowthKb = 0;
    std::vector<double> times;
    std::vector<double> floors;
    const std::string document = m_largestDocument.toStdString();
    const QString statement = lineQuery();
    for (int run = 0; run < m_options.runs; ++run) {
        selectInListing(m_largestDocument);
        const MemoryGrowth growth;
        times.push_back(timeMs([&] { openSelectedRequest(); }));
        result.memoryGrowthKb = std::max(result.memoryGrowthKb, growth.kb());
        if (control<QLineEdit>("txtDocNum")->text().trimmed() != m_largestDocument
            || control<QTabWidget>("SSTab1")->currentIndex() != 1)
            throw std::runtime_error("\"&Edit\" did not open request " + document + ".");
        result.rows = control<QAbstractItemView>("grdDetails")->model()->rowCount();
        floors.push_back(timeMs([&] { m_raw->query(statement, {document}); }));
        if (run + 1 < m_options.runs)
            backToList();
    }
    // A grid that fetches its rows as it scrolls may hold fewer for now.
    if (result.rows < m_largestLines && !control<QAbstractItemView>("grdDetails")->model()->canFetchMore({}))
        throw std::runtime_error("The editor shows fewer lines than the request holds.");
    result.medianMs = BenchResult::median(times);
    result.floorMs = BenchResult::median(floors);
    finish(result);
    return result;
}

// Down in the line grid of the open request, until the entry panel shows the line and
// the item's stock at the request's location (read afresh each time; a line whose item
// the location no longer stocks shows empty stock fields).
Benchmark::Result Benchmark::rowChange()
{
    Result result{QStringLiteral("row-change"), QStringLiteral("grid row change (key Down)")};
    result.targetMs = 16; // within one frame at 60 Hz
    auto *grid = control<QAbstractItemView>("grdDetails");
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    QApplication::processEvents();
    const int firstRow = grid->currentIndex().row();
    const int moves = std::min(200, int(m_largestItems.size()) - 1);
    std::vector<double> times;
    for (int k = 0; k < moves; ++k) {
        times.push_back(timeMs([&] {
            QTest::keyClick(grid, Qt::Key_Down);
            QApplication::processEvents();
        }));
    }
    if (grid->currentIndex().row() != firstRow + moves)
        throw std::runtime_error("Key Down did not move through the lines.");
    result.rows = moves;

    const std::string location = m_largestLocation.toStdString();
    std::vector<double> floors;
    for (int k = 1; k <= moves; ++k) {
        const std::string item = m_largestItems[k].toStdString();
        floors.push_back(timeMs([&] {
            m_raw->query(QStringLiteral("SELECT * FROM tbInvent WHERE ItemID = ? AND LocationID = ?"), {item, location});
            m_raw->query(QStringLiteral("SELECT * FROM tbInvMaster WHERE ItemID = ?"), {item});
        }));
    }
    result.medianMs = BenchResult::median(times);
    result.floorMs = BenchResult::median(floors);
    finish(result);
    return result;
}

// "&View" on the open request, until the viewer window has painted the first page.
Benchmark::Result Benchmark::reportToViewer()
{
    Result result{QStringLiteral("report-viewer"), QStringLiteral("report of %1 lines to the viewer").arg(m_largestLines)};
    const std::string document = m_largestDocument.toStdString();
    std::vector<double> times;
    std::vector<double> floors;
    const int runs = std::min(m_options.runs, 5);
    for (int run = 0; run < runs; ++run) {
        QWidget *viewer = nullptr;
        times.push_back(timeMs([&] {
            QTest::mouseClick(control<QPushButton>("cmdView"), Qt::LeftButton);
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (widget->isVisible() && qstrcmp(widget->metaObject()->className(), "frmReportViewer") == 0)
                    viewer = widget;
            }
            if (!viewer)
                throw std::runtime_error("\"&View\" showed no report viewer.");
            waitExposed(viewer);
            if (auto *pages = viewer->findChild<QGraphicsView *>())
                pages->viewport()->repaint();
            else
                viewer->repaint();
        }));
        viewer->close();
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        floors.push_back(timeMs([&] { result.rows = int(m_raw->query(lineQuery(), {document}).size()); }));
    }
    result.medianMs = BenchResult::median(times);
    result.floorMs = BenchResult::median(floors);
    finish(result);
    return result;
}

// The same report prepared afresh and written as a PDF file.
Benchmark::Result Benchmark::reportToPdf()
{
    Result result{QStringLiteral("report-pdf"), QStringLiteral("report of %1 lines to PDF").arg(m_largestLines)};
    result.targetMs = 300;
    QTemporaryDir folder;
    if (!folder.isValid())
        throw std::runtime_error("No temporary folder can be made.");
    const QString file = folder.filePath(QStringLiteral("request.pdf"));
    const QString report = QApplication::applicationDirPath() + QStringLiteral("/DepartmentRequest.rpt");
    const std::string document = m_largestDocument.toStdString();
    std::vector<double> times;
    std::vector<double> floors;
    const int runs = std::min(m_options.runs, 5);
    for (int run = 0; run < runs; ++run) {
        QFile::remove(file);
        times.push_back(timeMs([&] {
            try {
                PrepareReport(report, {gstrHospitalName, gstrHospitalAddress, m_largestDocument});
                gReport->exportToPdf(file);
            } catch (const ReportError &error) {
                throw std::runtime_error("The report cannot be written: " + error.message().toStdString());
            }
        }));
        gReport.reset();
        if (QFile(file).size() <= 0)
            throw std::runtime_error("The report wrote an empty PDF file.");
        floors.push_back(timeMs([&] { result.rows = int(m_raw->query(lineQuery(), {document}).size()); }));
    }
    result.medianMs = BenchResult::median(times);
    result.floorMs = BenchResult::median(floors);
    finish(result);
    return result;
}

// "&Save" of a new 1,000-line request, until the window is back on "List" with the
// listing refreshed (the new request on its first row) and painted. The lines are put
// into the editor untimed: the stored 1,000-line request is opened through the window and
// made a new one, as if its lines had been typed in. The saved request is removed again
// after every run, so the database stays as generated.
Benchmark::Result Benchmark::saving()
{
    Result result{QStringLiteral("save"), QStringLiteral("save of %1 lines + listing").arg(m_mediumLines)};
    result.targetMs = 60;
    result.targetRatio = 3;
    const std::string medium = m_mediumDocument.toStdString();
    const auto sequence = m_raw->query(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = 'tbInvWithdrawRequest'"));
    const std::string lastLine = sequence.empty() ? std::string("0") : RawDatabase::text(sequence[0][0]);
    auto highestNumber = [this] {
        return RawDatabase::text(m_raw->query(QStringLiteral("SELECT max(CAST(DocumentNumber AS int)) FROM tbInvWithdrawRequest")).at(0).at(0));
    };
    const std::string generatedHighest = highestNumber();
    auto remove = [&](const std::string &number) {
        m_raw->execute("BEGIN IMMEDIATE");
        try {
            m_raw->query(QStringLiteral("DELETE FROM tbInvWithdrawRequest WHERE DocumentNumber = ?"), {number});
            m_raw->query(QStringLiteral("UPDATE sqlite_sequence SET seq = CAST(? AS INTEGER) WHERE name = 'tbInvWithdrawRequest'"),
                         {lastLine});
            m_raw->execute("COMMIT");
        } catch (...) {
            m_raw->execute("ROLLBACK");
            throw;
        }
    };
    const auto stored = m_raw->query(QStringLiteral(
        "SELECT ItemID, Quantity, UnitCost, ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID "
        "FROM tbInvWithdrawRequest WHERE DocumentNumber = ? ORDER BY LineID"), {medium});

    // The save checks that the employee may request from the request's source location:
    // the right is granted for the runs, and taken back so that the database stays as
    // generated.
    const std::string employee = gCurrentUser->EmployeeCode().toStdString();
    const std::string source = stored.empty() ? std::string() : RawDatabase::text(stored[0][5]);
    const bool grant = !stored.empty()
        && m_raw->query(QStringLiteral("SELECT 1 FROM tbInvUserLocation WHERE EmployeeID = ? AND LocationID = ?"),
                        {employee, source}).empty();
    if (grant)
        m_raw->query(QStringLiteral("INSERT INTO tbInvUserLocation (EmployeeID, LocationID) VALUES (?, ?)"), {employee, source});
    const auto revoke = qScopeGuard([&] {
        if (grant)
            m_raw->query(QStringLiteral("DELETE FROM tbInvUserLocation WHERE EmployeeID = ? AND LocationID = ?"),
                         {employee, source});
    });

    auto *tabs = control<QTabWidget>("SSTab1");
    auto *listing = control<QTableView>("grdListing");
    auto *save = control<QPushButton>("cmdSave");
    auto *number = control<QLineEdit>("txtDocNum");
    std::vector<double> times;
    std::vector<double> floors;
    for (int run = 0; run < m_options.runs; ++run) {
        selectInListing(m_mediumDocument);
        openSelectedRequest();
        if (number->text().trimmed() != m_mediumDocument)
            throw std::runtime_error("\"&Edit\" did not open request " + medium + ".");
        number->setText(QStringLiteral("NEW"));
        try {
            times.push_back(timeMs([&] {
                QTest::mouseClick(save, Qt::LeftButton);
                paintNow(listing);
            }));
            const std::string saved = highestNumber();
            if (saved == generatedHighest)
                throw std::runtime_error("\"&Save\" stored no new request"
                                         + (MsgBoxScript::shown().empty()
                                                ? std::string(".")
                                                : ": " + MsgBoxScript::shown().back().prompt.toStdString()));
            const auto lines = m_raw->query(
                QStringLiteral("SELECT count(*) FROM tbInvWithdrawRequest WHERE DocumentNumber = ?"), {saved});
            result.rows = int(std::get<std::int64_t>(lines.at(0).at(0)));
            if (result.rows != m_mediumLines)
                throw std::runtime_error("The saved request does not hold its lines.");
            if (tabs->currentIndex() != 0)
                throw std::runtime_error("After \"&Save\" the window is not back on the listing.");
            if (listing->model()->index(0, 0).data().toString().trimmed() != QString::fromStdString(saved))
                throw std::runtime_error("After \"&Save\" the listing does not show the new request first.");
        } catch (...) {
            const std::string saved = highestNumber();
            if (saved != generatedHighest)
                remove(saved); // the database stays as generated, whatever went wrong
            throw;
        }
        remove(highestNumber());

        // The floor: the next number, the rows written in one transaction, then the first
        // screen of the listing.
        const int screen = screenRows(listing);
        std::string next;
        floors.push_back(timeMs([&] {
            m_raw->execute("BEGIN IMMEDIATE");
            next = RawDatabase::text(m_raw->query(QStringLiteral(
                "SELECT max(CAST(DocumentNumber AS int)) + 1 FROM tbInvWithdrawRequest")).at(0).at(0));
            try {
                m_raw->insertRows("INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, "
                                  "ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID) "
                                  "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", next, stored);
            } catch (...) {
                m_raw->execute("ROLLBACK");
                throw;
            }
            m_raw->execute("COMMIT");
            listingFloorRows(false, screen);
        }));
        remove(next);
    }
    result.medianMs = BenchResult::median(times);
    result.floorMs = BenchResult::median(floors);
    finish(result);
    return result;
}

// clsItem::SearchItem as the line entry calls it. When the text names no single product
// the "Product Search" window opens; the script closes it once its first screen of
// products is painted.
Benchmark::Result Benchmark::search(const QString &key, const QString &name, const QString &searchText,
                                    double targetMs, bool exact)
{
    Result result{key, name};
    result.targetMs = targetMs;
    std::vector<double> times;
    std::vector<double> floors;
    const std::string location = m_searchLocation.toStdString();
    for (int run = 0; run < std::max(m_options.runs, 21); ++run) {
        bool shown = false;
        int screen = 1;
        ModalDialogs::script([&](QDialog &dialog) {
            shown = true;
            auto *grid = dialog.findChild<QAbstractItemView *>(QStringLiteral("grdLookup"));
            if (!grid)
                return;
            grid->viewport()->repaint();
            result.rows = grid->model()->rowCount();
            screen = screenRows(grid);
            dialog.reject();
        });
        bool found = false;
        times.push_back(timeMs([&] {
            clsItem item;
            item.setActiveConnection(m_connection);
            found = item.SearchItem(searchText, m_searchLocationName, m_searchLocation);
        }));
        ModalDialogs::clearScript();
        if (exact && (shown || !found))
            throw std::runtime_error("The exact code " + searchText.toStdString() + " was not taken at once.");

        if (exact) {
            const std::string code = searchText.toStdString();
            floors.push_back(timeMs([&] {
                result.rows = int(m_raw->query(RawDatabase::productFloorStatement(QStringLiteral("AND A.ItemID = ?")).replace(
                                                   QStringLiteral(" LIMIT ?"), QString()),
                                               {location, code}).size());
                m_raw->query(QStringLiteral("SELECT * FROM tbInvent WHERE ItemID = ? AND LocationID = ?"), {code, location});
            }));
        } else if (searchText.isEmpty()) {
            floors.push_back(timeMs([&] {
                m_raw->query(RawDatabase::productFloorStatement(QString()), {location, std::to_string(screen)});
            }));
        } else {
            const std::string low = searchText.toStdString();
            const std::string high = RawDatabase::prefixEnd(searchText).toStdString();
            floors.push_back(timeMs([&] {
                m_raw->query(RawDatabase::productFloorStatement(QStringLiteral("AND A.ItemName >= ? AND A.ItemName < ?")),
                             {location, low, high, std::to_string(screen)});
            }));
        }
    }
    result.medianMs = BenchResult::median(times);
    result.floorMs = BenchResult::median(floors);
    finish(result);
    return result;
}

// The "Product Search" window opened with no search text at the default location, as the
// line entry opens it; once its first screen is painted (untimed), Ctrl+End in the grid
// until the last product is the current row and painted.
Benchmark::Result Benchmark::searchToEnd()
{
    Result result{QStringLiteral("search-end"), QStringLiteral("product search, empty: Ctrl+End to the last row")};
    result.targetMs = 1000;
    result.targetRatio = 2;
    std::vector<double> times;
    std::vector<double> floors;
    const std::string location = m_searchLocation.toStdString();
    for (int run = 0; run < m_options.runs; ++run) {
        std::string failure;
        bool shown = false;
        ModalDialogs::script([&](QDialog &dialog) {
            shown = true;
            auto *grid = dialog.findChild<QAbstractItemView *>(QStringLiteral("grdLookup"));
            if (!grid) {
                failure = "The product search has no grid.";
                return;
            }
            waitExposed(&dialog);
            grid->viewport()->repaint();
            QAbstractItemModel *model = grid->model();
            times.push_back(timeMs([&] {
                QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
                paintNow(grid);
            }));
            result.rows = model->rowCount();
            if (model->canFetchMore({}) || grid->currentIndex().row() != model->rowCount() - 1)
                failure = "Ctrl+End did not reach the last product.";
            dialog.reject();
        });
        clsItem item;
        item.setActiveConnection(m_connection);
        item.SearchItem(QString(), m_searchLocationName, m_searchLocation);
        ModalDialogs::clearScript();
        if (!shown)
            throw std::runtime_error("The product search window did not open.");
        if (!failure.empty())
            throw std::runtime_error(failure);
        int floorRows = 0;
        floors.push_back(timeMs([&] { floorRows = int(m_raw->query(RawDatabase::allProductsFloorStatement(), {location}).size()); }));
        if (floorRows != result.rows)
            throw std::runtime_error("The product search lists " + std::to_string(result.rows) + " products, the location stocks "
                                     + std::to_string(floorRows) + ".");
    }
    result.medianMs = BenchResult::median(times);
    result.floorMs = BenchResult::median(floors);
    finish(result);
    return result;
}


Benchmark::Result Benchmark::startup()
{
    Result result{QStringLiteral("startup"), QStringLiteral("start-up incl. log-in to main window")};
    result.targetMs = 1000;
    QTemporaryDir settings; // the log-in remembers its fields; keep that out of the user's settings
    if (!settings.isValid())
        throw std::runtime_error("No temporary folder can be made.");
    auto launch = [&](const QStringList &arguments, QByteArray *output) {
        return StartupTiming::timeOnce(m_options.startupHarness, arguments, settings.path(), output);
    };
    std::vector<double> times;
    std::vector<double> floors;
    for (int run = 0; run < std::min(m_options.runs, 5); ++run) {
        times.push_back(launch({m_options.databaseFile}, nullptr));
        floors.push_back(launch({QStringLiteral("--floor"), m_options.databaseFile}, nullptr));
    }
    // One more start that notes when each phase began.
    QByteArray report;
    const double total = launch({QStringLiteral("--breakdown"), m_options.databaseFile}, &report);
    m_breakdown.clear();
    double inProcess = 0;
    for (const QByteArray &line : report.split('\n')) {
        const QList<QByteArray> words = line.split('\t');
        if (words.size() == 3 && words[0] == "phase") {
            m_breakdown.append({QString::fromUtf8(words[1]), words[2].toDouble()});
            inProcess += words[2].toDouble();
        } else if (line.startsWith("shown")) {
            result.peakRssKb = line.split(' ').value(1).trimmed().toLongLong();
        }
    }
    m_breakdown.prepend({QStringLiteral("process start and libraries"), std::max(0.0, total - inProcess)});
    m_breakdown.append({QStringLiteral("total (this start)"), total});
    result.medianMs = BenchResult::median(times);
    result.floorMs = BenchResult::median(floors);
    result.rows = 1;
    return result;
}

std::vector<Benchmark::Result> Benchmark::run(QTextStream &log)
{
    MsgBoxScript::start(); // a message box would stop the run; each one is a failure
    m_connection = &gCurrentUser->SQLConnection();
    prepareSubjects();
    openWindow();
    std::vector<Result> results;
    // A group runs when any of its cases is asked for; the editor's cases need "edit".
    auto wanted = [this](std::initializer_list<const char *> keys) {
        if (m_options.cases.isEmpty())
            return true;
        for (const char *key : keys) {
            if (m_options.cases.contains(QLatin1String(key)))
                return true;
        }
        return false;
    };
    auto step = [&](const char *what, const std::function<void()> &work) {
        log << "  " << what << "...\n";
        log.flush();
        work();
    };
    if (wanted({"listing-pending", "listing-processed"})) {
        step("listing", [&] {
            for (Result &r : listings())
                results.push_back(r);
        });
    }
    if (wanted({"edit", "row-change", "report-viewer", "report-pdf"}))
        step("edit", [&] { results.push_back(editing()); });
    if (wanted({"row-change"}))
        step("row change", [&] { results.push_back(rowChange()); });
    if (wanted({"report-viewer"}))
        step("report to viewer", [&] { results.push_back(reportToViewer()); });
    if (wanted({"report-pdf"}))
        step("report to PDF", [&] { results.push_back(reportToPdf()); });
    if (wanted({"save"})) {
        step("save", [&] {
            backToList();
            results.push_back(saving());
        });
    }
    if (wanted({"search-letter", "search-prefix", "search-all", "search-code"})) {
        step("product search", [&] {
            results.push_back(search(QStringLiteral("search-letter"), QStringLiteral("product search \"A\": first screen"),
                                     QStringLiteral("A"), 20, false));
            results.push_back(search(QStringLiteral("search-prefix"), QStringLiteral("product search \"PARA\": first screen"),
                                     QStringLiteral("PARA"), 20, false));
            results.push_back(search(QStringLiteral("search-all"), QStringLiteral("product search, empty: first screen"),
                                     QString(), 20, false));
            results.push_back(search(QStringLiteral("search-code"), QStringLiteral("product search, exact code"),
                                     m_exactCode, 2, true));
        });
    }
    if (wanted({"search-end"}))
        step("product search to its end", [&] { results.push_back(searchToEnd()); });
    if (!m_options.startupHarness.isEmpty() && wanted({"startup"}))
        step("start-up", [&] { results.push_back(startup()); });
    m_window.reset();
    MsgBoxScript::stop();
    return results;
}

