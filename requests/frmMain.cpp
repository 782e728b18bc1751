#include "frmMain.h"

#include "RequestStore.h"
#include "app/BusyCursor.h"
#include "app/LocationLists.h"
#include "app/MessageBox.h"
#include "app/Twips.h"
#include "app/modInventory.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/ResultModel.h"
#include "session/SessionComponent.h"
#include "ui_frmMain.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabBar>

namespace {

const QString listingFormat = QStringLiteral(
    "Doc #     |Request From                |To                           |Date          |TotalCost     |Requested By");
constexpr int listingWidths[] = {1200, 2000, 2000, 1200, 1200, 2500};
constexpr int tabList = 0;
constexpr int tabDetails = 1;

} // namespace

frmMain::frmMain(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::frmMain>()), m_listing(new ResultModel(this))
{
    ui->setupUi(this);
    m_listing->setHeaderLabels(listingFormat.split(QLatin1Char('|')));
    ui->grdListing->setModel(m_listing);
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
        Recordset rs;
        rs.setCursorLocation(Recordset::adUseClient);
        rs.Open(RequestStore::listStatement(processed), gCurrentUser->SQLConnection(),
                Recordset::adOpenDynamic, Recordset::adLockReadOnly, -1);
        const bool hasRows = !(rs.BOF() && rs.isEOF());
        ui->grdListing->setEnabled(hasRows);
        m_listing->setTable(hasRows ? rs.table() : nullptr);
        applyListingLayout(hasRows);
        if (hasRows)
            ui->grdListing->setCurrentIndex(m_listing->index(0, 0));
    } catch (const DbError &error) {
        MsgBox(error.description(), vbOKOnly);
    }
}

void frmMain::applyListingLayout(bool hasRows)
{
    if (!hasRows)
        return;
    for (int column = 0; column < int(std::size(listingWidths)); ++column)
        ui->grdListing->setColumnWidth(column, twipsToPixels(ui->grdListing, listingWidths[column]));
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
    Q_UNUSED(previousTab);
    // Leaving "List" opens the selected request in the editor (the request editor).
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

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->SSTab1->tabBar() && isClickOnDetailsTab(event))
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
