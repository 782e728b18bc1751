#include "frmMain.h"

#include "LineEntry.h"
#include "LineGrid.h"
#include "RequestConflict.h"
#include "RequestStore.h"
#include "WindowKeyFilter.h"
#include "app/LocationLists.h"
#include "app/MessageBox.h"
#include "app/modInventory.h"
#include "auth_report/ReportPrinting.h"
#include "auth_report/frmDeletePassword.h"
#include "db/Connection.h"
#include "db/CursorModel.h"
#include "db/DbError.h"
#include "session/SessionComponent.h"
#include "widgets/BusyCursor.h"
#include "widgets/FocusValidator.h"
#include "widgets/GridTextDelegate.h"
#include "widgets/ModalDialogs.h"
#include "widgets/Twips.h"
#include "widgets/WindowGeometry.h"
#include "ui_frmMain.h"

#include <QAbstractItemDelegate>
#include <QFontMetricsF>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabBar>

#include <array>
#include <vector>

namespace {

const QString listingFormat = QStringLiteral(
    "Doc #     |Request From                |To                           |Date          |TotalCost     |Requested By");
constexpr int listingWidths[] = {1200, 2000, 2000, 1200, 1200, 2500};
constexpr int tabList = 0;
constexpr int tabDetails = 1;

} // namespace

frmMain::frmMain(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::frmMain>()), m_listing(new CursorModel(this))
{
    ui->setupUi(this);
    WindowGeometry(QStringLiteral("frmMain")).restore(*this);
    m_keys = std::make_unique<WindowKeyFilter>(this);
    m_validator = std::make_unique<FocusValidator>(this);
    m_entry = std::make_unique<LineEntry>(*ui, *m_validator, *m_keys, this);
    m_listing->setHeaderLabels(listingFormat.split(QLatin1Char('|')));
    ui->grdListing->setModel(m_listing);
    ui->grdListing->setItemDelegate(new GridTextDelegate(ui->grdListing));
    ui->SSTab1->tabBar()->installEventFilter(this);
    ui->SSTab1->installEventFilter(this);
    connectControls();
    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::connectControls()
{
    connect(ui->optOptions_0, &QRadioButton::clicked, this, &frmMain::ListRequests);
    connect(ui->optOptions_1, &QRadioButton::clicked, this, &frmMain::ListRequests);
    connect(ui->grdListing, &QTableView::doubleClicked, this, &frmMain::cmdEdit_Click);
    connect(m_listing, &CursorModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { widenListing(first, last); });
    // A listing read again after others saved may hold longer texts anywhere.
    connect(m_listing, &CursorModel::layoutChanged, this, [this] { widenListing(0, m_listing->rowCount() - 1); });
    connect(m_listing, &CursorModel::fetchFailed, this, [](const QString &message) { MsgBox(message, vbOKOnly); });
    connect(ui->cmdNew, &QPushButton::clicked, this, &frmMain::cmdNew_Click);
    connect(ui->cmdEdit, &QPushButton::clicked, this, &frmMain::cmdEdit_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmMain::cmdCancel_Click);
    connect(ui->cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    connect(ui->cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    connect(ui->cmdVerified, &QPushButton::clicked, this, &frmMain::cmdVerified_Click);
    connect(ui->cmdDeleteReq, &QPushButton::clicked, this, &frmMain::cmdDeleteReq_Click);
    connect(ui->cmdView, &QPushButton::clicked, this, [this] { printDepartmentRequest(ui->txtDocNum->text(), this); });
    connect(ui->SSTab1, &QTabWidget::currentChanged, this, [this](int index) {
        const int previous = m_shownTab;
        m_shownTab = index;
        SSTab1_Click(previous);
    });
}

void frmMain::Form_Load()
{
    LoadLocation(ui->cboLocation, true, true, true, false, true);
    LoadLocation(ui->cboTargetLocation, false, false, false, false, false);
    setUpTransactionDate();
    gblnFromProductSearch = false;
    ui->optOptions_0->setChecked(true);
    ListRequests();
    showTab(tabList);
    // Tab "Details" is reached only through New and Edit; it looks unavailable.
    ui->SSTab1->tabBar()->setTabTextColor(tabDetails, palette().color(QPalette::Disabled, QPalette::WindowText));
}

// ---- listing ------------------------------------------------------------------------

void frmMain::ListRequests()
{
    const bool processed = !ui->optOptions_0->isChecked();
    const BusyCursor busy;
    try {
        // The rows come a block at a time as the grid scrolls: the first screen shows at
        // once however many requests there are.
        m_listing->setCursor(gCurrentUser->SQLConnection().openCursor(RequestStore::listStatement(processed)));
    } catch (const DbError &error) {
        MsgBox(error.description(), vbOKOnly);
        return;
    }
    m_listedProcessed = processed;
    const bool hasRows = m_listing->rowCount() > 0;
    ui->grdListing->setEnabled(hasRows);
    applyListingLayout();
    if (hasRows)
        ui->grdListing->setCurrentIndex(m_listing->index(0, 0));
}

void frmMain::applyListingLayout()
{
    // The widths are the least a column gets; a title or value that needs more widens it.
    QHeaderView *header = ui->grdListing->horizontalHeader();
    for (int column = 0; column < int(std::size(listingWidths)); ++column)
        ui->grdListing->setColumnWidth(column, std::max(twipsToPixels(ui->grdListing, listingWidths[column]),
                                                        header->sectionSizeHint(column)));
    widenListing(0, m_listing->rowCount() - 1);
}

void frmMain::widenListing(int firstRow, int lastRow)
{
    QTableView *grid = ui->grdListing;
    const QFontMetrics metrics = grid->fontMetrics();
    QStyleOptionViewItem option;
    option.initFrom(grid);
    option.font = grid->font();
    option.fontMetrics = metrics;
    option.widget = grid;
    const int gridLine = grid->showGrid() ? 1 : 0;
    // The characters' own widths tell most texts narrower than the widest without laying
    // them out; only those within a few pixels of the widest estimate are measured.
    std::array<qreal, 256> advances{};
    const QFontMetricsF exact(grid->font());
    for (size_t c = 0; c < advances.size(); ++c)
        advances[c] = exact.horizontalAdvance(QChar(char16_t(c)));
    auto estimate = [&advances](const QString &text) {
        qreal width = 0;
        for (const QChar c : text) {
            if (c.unicode() >= advances.size())
                return qreal(-1); // beyond Latin-1: always measured
            width += advances[c.unicode()];
        }
        return width;
    };
    constexpr qreal tolerance = 6;
    QStringList texts;
    std::vector<qreal> estimates;
    for (int column = 0; column < m_listing->columnCount(); ++column) {
        texts.clear();
        estimates.clear();
        qreal widestEstimate = 0;
        for (int row = firstRow; row <= lastRow; ++row) {
            texts << m_listing->text(row, column);
            estimates.push_back(estimate(texts.back()));
            widestEstimate = std::max(widestEstimate, estimates.back());
        }
        // The widest text by the font's measure; the cell's margins come from the delegate.
        int widestRow = -1;
        int widestText = 0;
        for (int row = firstRow; row <= lastRow; ++row) {
            const qreal guess = estimates[size_t(row - firstRow)];
            if (guess >= 0 && guess + tolerance < widestEstimate)
                continue;
            const int width = metrics.horizontalAdvance(texts[row - firstRow]);
            if (width > widestText) {
                widestText = width;
                widestRow = row;
            }
        }
        if (widestRow < 0)
            continue;
        const int needed = grid->itemDelegate()->sizeHint(option, m_listing->index(widestRow, column)).width()
            + gridLine + 1;
        if (needed > grid->columnWidth(column))
            grid->setColumnWidth(column, needed);
    }
}

QString frmMain::selectedDocumentNumber() const
{
    const QModelIndex current = ui->grdListing->currentIndex();
    if (!current.isValid())
        return {};
    return m_listing->index(current.row(), 0).data().toString();
}

// ---- tabs ---------------------------------------------------------------------------

void frmMain::showTab(int index)
{
    ui->SSTab1->setCurrentIndex(index);
}

void frmMain::SSTab1_Click(int previousTab)
{
    // Every change away from "List" opens the selected request.
    if (previousTab == tabList)
        cmdEdit_Click();
}

bool frmMain::isClickOnDetailsTab(QEvent *event) const
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        return ui->SSTab1->tabBar()->tabAt(mouse->position().toPoint()) == tabDetails;
    }
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}

bool frmMain::isKeyToDetailsTab(QEvent *event) const
{
    if (event->type() != QEvent::KeyPress || ui->SSTab1->currentIndex() != tabList)
        return false;
    switch (static_cast<QKeyEvent *>(event)->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->SSTab1->tabBar() && (isClickOnDetailsTab(event) || isKeyToDetailsTab(event)))
        return true; // "Details" cannot be chosen by the user
    if (watched == ui->SSTab1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->modifiers() & Qt::ControlModifier)
            && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab
                || key->key() == Qt::Key_PageDown || key->key() == Qt::Key_PageUp))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- editor life cycle ----------------------------------------------------------------

void frmMain::setUpTransactionDate()
{
    // The server's clock at log-in; no later moment can be chosen.
    QDateTime serverTime = parseGeneralDate(gstrServerDate);
    if (!serverTime.isValid())
        serverTime = QDateTime::currentDateTime();
    ui->txtTransDate->setDateTime(serverTime);
    ui->txtTransDate->setMaximumDateTime(serverTime);
}

void frmMain::setLocationsEnabled(bool enabled)
{
    ui->cboLocation->setEnabled(enabled);
    ui->cboTargetLocation->setEnabled(enabled);
}

void frmMain::fillGrid(const Recordset &rs)
{
    const auto &rows = *rs.table();
    ui->grdDetails->fillFromRequest(rows);
    m_storedLines = rows.rowCount();
    // New loads the selected request only on its way to an empty one: no warning then.
    if (m_storedLines > LineGrid::maxLines && !m_startingNew)
        MsgBox(QStringLiteral("This request has %1 lines; only the first %2 can be shown, and it cannot be "
                              "saved from this window.").arg(m_storedLines).arg(LineGrid::maxLines),
               vbExclamation);
}

void frmMain::LoadRequest(bool fromListing)
{
    if (fromListing) {
        loadStoredRequest(selectedDocumentNumber());
        return;
    }
    m_opened.reset();
    loadRows(RequestStore::newDocumentStatement());
    showRequestState();
}

void frmMain::loadStoredRequest(const QString &documentNumber)
{
    // Read before the lines: whatever another workstation writes in between is seen at
    // the save as a change, never missed.
    m_opened = RequestStore(gCurrentUser->SQLConnection()).readStored(documentNumber);
    loadRows(RequestStore::loadStatement(documentNumber));
    showRequestState();
}

void frmMain::loadRows(const QString &statement)
{
    Recordset rs;
    rs.setCursorLocation(Recordset::adUseClient);
    rs.Open(statement, gCurrentUser->SQLConnection(), Recordset::adOpenDynamic, Recordset::adLockReadOnly, -1);
    LineGrid &grid = *ui->grdDetails;
    const int keptRow = grid.Row();
    m_storedLines = 0;
    if (!(rs.BOF() && rs.isEOF())) {
        auto text = [&rs](const char *column) {
            return IfNull(rs.Fields(QString::fromLatin1(column)), QString()).toString();
        };
        ui->cboLocation->setTag(text("LocationID"));
        ui->cboLocation->setText(text("Location"));
        ui->cboTargetLocation->setTag(text("TargetLocationID"));
        ui->cboTargetLocation->setText(text("TLocation"));
        ui->txtDocNum->setText(text("DocumentNumber"));
        {
            const QSignalBlocker quiet(grid); // one row change, after the rows are in
            fillGrid(rs);
            grid.setRow(std::clamp(keptRow, 1, grid.Rows() - 1));
        }
        m_entry->EditCurrentRow();
    } else {
        const QSignalBlocker quiet(grid);
        grid.resetLines();
        grid.setRow(1);
    }
    grid.applyLayout();
    m_entry->ComputeGrandTotal();
    m_entry->ShowLineCounter();
    rs.Close();
}

void frmMain::showRequestState()
{
    ui->lblRequestState->setText(m_opened ? m_opened->stateText() : QString());
}

void frmMain::ClearAll()
{
    m_entry->clearFields();
    setLocationsEnabled(true);
    m_storedLines = 0;
    m_opened.reset();
    showRequestState();
    {
        const QSignalBlocker quiet(*ui->grdDetails);
        ui->grdDetails->resetLines();
        ui->grdDetails->setRow(1);
    }
    // The figures describe the grid shown, never the request shown before.
    m_entry->ComputeGrandTotal();
    m_entry->ShowLineCounter();
}

void frmMain::cmdNew_Click()
{
    try {
        LoadRequest(false);
        m_startingNew = true;
        const auto done = qScopeGuard([this] { m_startingNew = false; });
        showTab(tabDetails);
        ClearAll();
        ui->txtDocNum->setText(QStringLiteral("NEW"));
        ui->txtProdCode->setFocus();
    } catch (const std::exception &error) {
        MsgBox(QString::fromStdString(error.what()), vbOKOnly);
    }
}

void frmMain::cmdEdit_Click()
{
    // Showing "Details" from "List" runs Edit again; the request is open already.
    if (m_opening)
        return;
    m_opening = true;
    const auto done = qScopeGuard([this] { m_opening = false; });
    try {
        LoadRequest(true);
        showTab(tabDetails);
        setLocationsEnabled(false);
        ui->txtProdCode->setFocus();
    } catch (const std::exception &error) {
        MsgBox(QString::fromStdString(error.what()), vbOKOnly);
    }
}

void frmMain::cmdCancel_Click()
{
    if (MsgBox(QStringLiteral("Do you want to leave without saving?"), vbYesNo + vbQuestion,
               QStringLiteral("Message")) == vbYes)
        showTab(tabList);
    else
        ui->txtProdCode->setFocus();
}

void frmMain::cmdExit_Click()
{
    if (MsgBox(QStringLiteral("Are you sure you want to exit without saving?"), vbYesNo + vbQuestion) != vbYes)
        return;
    m_exitConfirmed = true;
    close();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Closing the window by its frame asks as "E&xit" does: nothing is saved.
    if (!m_exitConfirmed
        && MsgBox(QStringLiteral("Are you sure you want to exit without saving?"), vbYesNo + vbQuestion) != vbYes) {
        event->ignore();
        return;
    }
    WindowGeometry(QStringLiteral("frmMain")).save(*this);
    event->accept();
}

// ---- saving and deleting ----------------------------------------------------------------

QString frmMain::GetNewDocNumber()
{
    try {
        return RequestStore(gCurrentUser->SQLConnection()).GetNewDocNumber();
    } catch (const DbError &error) {
        MsgBox(error.description(), vbCritical, QStringLiteral("Error Message"));
        return {};
    }
}

void frmMain::VerifySaved(const QString &strDocNum, const QString &strVerifiedByID)
{
    try {
        RequestStore(gCurrentUser->SQLConnection()).VerifySaved(strDocNum, strVerifiedByID);
    } catch (const DbError &error) {
        MsgBox(error.description(), vbCritical, QStringLiteral("Error Message"));
    }
}

bool frmMain::SaveRequest(const QString &verifierId)
{
    RequestDocument document;
    document.documentNumber = ui->txtDocNum->text();
    document.transDate = ui->txtTransDate->dateTime();
    document.locationId = ui->cboLocation->Tag();
    document.targetLocationId = ui->cboTargetLocation->Tag();
    const LineGrid &grid = *ui->grdDetails;
    document.lines.reserve(size_t(grid.Rows()));
    for (int row = 1; row < grid.Rows(); ++row) {
        document.lines.push_back({grid.TextMatrix(row, 0), grid.TextMatrix(row, 2), grid.TextMatrix(row, 3),
                                  grid.TextMatrix(row, 5), grid.TextMatrix(row, 6)});
    }
    // Inside the save's transaction: the stored request is still the one opened, and the
    // employee may request from the source location.
    SaveChecks checks;
    checks.opened = m_opened;
    checks.userInventoryType = gstrUserInventoryType;
    checks.locationName = ui->cboLocation->Text();
    try {
        const BusyCursor busy;
        const QString number = RequestStore(gCurrentUser->SQLConnection())
                                   .save(document, gCurrentUser->EmployeeCode(), verifierId, checks);
        ui->txtDocNum->setText(number);
        return true;
    } catch (const RequestConflict &conflict) {
        offerReload(conflict);
        return false;
    } catch (const DbError &error) {
        // Nothing was stored; a new request keeps "NEW" so that a retry draws a fresh number.
        MsgBox(error.description(), vbOKOnly);
        return false;
    }
}

void frmMain::cmdSave_Click(const QString &verifierId)
{
    if (ui->cboTargetLocation->Text().trimmed().isEmpty()) {
        MsgBox(QStringLiteral("Invalid target location..."), vbOKOnly);
        ui->cboTargetLocation->setFocus();
        return;
    }
    if (ui->txtDocNum->text().trimmed().isEmpty()) {
        MsgBox(QStringLiteral("Invalid document number..."), vbOKOnly);
        ui->txtDocNum->setFocus();
        return;
    }
    if (!entryLineSettled())
        return;
    if (!linesMayBeSaved())
        return;
    if (!overwriteAgreed(verifierId))
        return;
    if (!SaveRequest(verifierId))
        return;
    ListRequests();
    showTab(tabList);
    ClearAll();
}

bool frmMain::linesMayBeSaved()
{
    // A save replaces every stored line of the document with the lines of the grid.
    if (m_storedLines > LineGrid::maxLines) {
        MsgBox(QStringLiteral("This request has %1 stored lines and only %2 are shown; saving it here would "
                              "lose the others. It is not saved.").arg(m_storedLines).arg(LineGrid::maxLines),
               vbExclamation);
        return false;
    }
    if (ui->grdDetails->hasLines())
        return true;
    if (ui->txtDocNum->text().trimmed() == QLatin1String("NEW"))
        MsgBox(QStringLiteral("This request has no lines. Enter at least one line before saving."), vbExclamation);
    else
        MsgBox(QStringLiteral("Request %1 has no lines left and is not saved. To remove the request, select it "
                              "in the list and use \"Delete\".").arg(ui->txtDocNum->text().trimmed()),
               vbExclamation);
    ui->txtProdCode->setFocus();
    return false;
}

bool frmMain::entryLineSettled()
{
    if (!m_entry->hasUnaddedLine())
        return true;
    const int answer = MsgBox(
        QStringLiteral("The line in the entry fields (item %1, quantity %2) has not been added with \"Update\".\n\n"
                       "Yes: add it, then save.\nNo: leave it out and save.\nCancel: go back to it; nothing is saved.")
            .arg(ui->txtProdCode->text().trimmed(), ui->txtWithdraw->text().trimmed()),
        vbYesNoCancel + vbQuestion + vbDefaultButton3);
    switch (answer) {
    case vbYes:
        return m_entry->updateLine(); // its checks may refuse the line; then nothing is saved
    case vbNo:
        m_entry->EditCurrentRow(); // the fields show the row again
        return true;
    default:
        ui->txtProdCode->setFocus();
        return false;
    }
}

bool frmMain::overwriteAgreed(const QString &verifierId)
{
    const QString number = ui->txtDocNum->text();
    if (!m_opened || m_opened->documentNumber() != number)
        return true; // a new request; a number not opened is refused by the save itself
    const StoredRequest &stored = *m_opened;
    if (stored.isDeleted()) {
        MsgBox(QStringLiteral("Request %1 was marked deleted %2; a deleted request is never saved over. Nothing was saved.")
                   .arg(number, StoredRequest::byWhomAndWhen(stored.deleted())),
               vbExclamation);
        return false;
    }
    // Save/Verify verifies it anew; a plain save leaves it unverified.
    const bool clearsVerification = stored.isVerified() && verifierId.isEmpty();
    QString prompt;
    if (stored.isProcessed()) {
        prompt = QStringLiteral("Request %1 was processed %2; the warehouse may have issued it already.\n"
                                "Saving it makes it pending again")
                     .arg(number, StoredRequest::byWhomAndWhen(stored.processed()));
        if (clearsVerification)
            prompt += QStringLiteral(" and clears its verification %1").arg(StoredRequest::byWhomAndWhen(stored.verified()));
        prompt += QLatin1Char('.');
    } else if (clearsVerification) {
        prompt = QStringLiteral("Request %1 was verified %2.\nSaving it clears the verification; it must be verified again.")
                     .arg(number, StoredRequest::byWhomAndWhen(stored.verified()));
    } else {
        return true;
    }
    return MsgBox(prompt + QStringLiteral("\n\nSave it anyway?"), vbYesNo + vbQuestion + vbDefaultButton2) == vbYes;
}

void frmMain::offerReload(const RequestConflict &conflict)
{
    const QString number = conflict.current().documentNumber();
    if (MsgBox(conflict.description()
                   + QStringLiteral("\n\nReload request %1 as it is stored now? Yes replaces the lines on your screen; "
                                    "No keeps them.").arg(number),
               vbYesNo + vbExclamation + vbDefaultButton2)
        != vbYes)
        return;
    try {
        loadStoredRequest(number);
        setLocationsEnabled(false);
        ui->txtProdCode->setFocus();
    } catch (const std::exception &error) {
        MsgBox(QString::fromStdString(error.what()), vbOKOnly);
    }
}

void frmMain::cmdVerified_Click()
{
    if (!entryLineSettled()) // before the verifier is asked for a password
        return;
    frmDeletePassword dialog(this);
    ModalDialogs::exec(dialog);
    if (dialog.OKCharge())
        cmdSave_Click(dialog.VerifyID());
}

void frmMain::cmdDeleteReq_Click()
{
    RequestStore store(gCurrentUser->SQLConnection());
    const QString number = selectedDocumentNumber();
    std::optional<StoredRequest> stored;
    try {
        if (!number.isEmpty())
            stored = store.readStored(number);
    } catch (const DbError &error) {
        MsgBox(error.description(), vbOKOnly);
        return;
    }
    if (stored && !listedRowStillStored(*stored))
        return;
    if (!deleteAgreed(stored ? *stored : StoredRequest(number)))
        return;
    try {
        // The mark goes only onto the request as it was read before the question.
        if (stored)
            store.markDeleted(number, gCurrentUser->EmployeeCode(), *stored);
        else
            store.markDeleted(number, gCurrentUser->EmployeeCode());
    } catch (const RequestConflict &conflict) {
        MsgBox(conflict.description() + QStringLiteral(" The list is shown anew."), vbExclamation);
        ListRequests();
        return;
    } catch (const DbError &error) {
        MsgBox(error.description(), vbOKOnly);
        return;
    }
    ListRequests();
}

bool frmMain::listedRowStillStored(const StoredRequest &stored)
{
    const QModelIndex current = ui->grdListing->currentIndex();
    if (!current.isValid())
        return true;
    const QString difference = stored.differenceFromListing(m_listedProcessed, m_listing->text(current.row(), 4));
    if (difference.isEmpty())
        return true;
    MsgBox(difference + QStringLiteral(" Nothing was deleted. The list is shown anew."), vbExclamation);
    ListRequests();
    return false;
}

bool frmMain::deleteAgreed(const StoredRequest &stored)
{
    QString prompt = QStringLiteral("Are you sure you want to delete this record?");
    if (stored.isProcessed())
        prompt = QStringLiteral("Request %1 was processed %2. Marking it deleted overwrites who processed it and when.\n\n")
                     .arg(stored.documentNumber(), StoredRequest::byWhomAndWhen(stored.processed()))
            + prompt;
    return MsgBox(prompt, vbYesNo + vbQuestion + vbDefaultButton2, QStringLiteral("Message")) == vbYes;
}
