#include "frmItemLookup.h"

#include "ui_frmItemLookup.h"

#include "app/MessageBox.h"
#include "app/NumberHandling.h"
#include "app/modInventory.h"
#include "widgets/ModalDialogs.h"
#include "widgets/Twips.h"
#include "LookupModel.h"
#include "db/Connection.h"
#include "db/SqlQuote.h"
#include "session/SessionComponent.h"

#include <memory>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QStyle>

#include <array>
#include <stdexcept>

namespace {

enum OptionIndex { optionClose = 0, optionSelect = 1 };

// Code, product name, description, supplier and the two markups; the others keep the
// grid's default width.
constexpr std::array<int, 6> columnTwips{1000, 3000, 2000, 3000, 2000, 2000};

const QString locationSearchStart = QStringLiteral(
    "Select A.ItemID as Code, A.ItemName As [Product Name], "
    "A.ItemDesc As Description, B.SupplierName As Supplier, D.Markup_In As [In-Patient Markup], D.Markup_Out As [Out-Patient Markup],"
    "Case when D.ItemStatus = 1 then 'Inactive' Else 'Active' end  As Status, A.Packing, A.ListCost,  "
    "C.ItemClassificationName "
    "From tbInvMaster A "
    "Left Outer Join tbInvent D ON A.ItemID = D.ItemID "
    "Left Outer Join tbInvSupplier B ON A.SupplierID = B.SupplierID "
    "Left Outer join tbInvClassification C ON A.ItemClassificationID = C.ItemClassificationID "
    "Where D.LocationID = '");

const QString locationSearchStatus = QStringLiteral(
    "' and "
    " ( D.ItemStatus = 0 or D.ItemStatus is Null ) and ");

const QString masterSearchStart = QStringLiteral(
    "Select A.ItemID as Code, A.ItemName As [Product Name], "
    "A.ItemDesc As Description, B.SupplierName As Supplier, A.MarkupIn As [In-Patient Markup], A.MarkupOut As [Out-Patient Markup],"
    "Case when A.ItemStatus = 1 then 'Inactive' Else 'Active' End  As Status, A.Packing, A.ListCost,  "
    "C.ItemClassificationName "
    "From tbInvMaster A "
    "Left Outer Join tbInvSupplier B ON A.SupplierID = B.SupplierID "
    "Left Outer Join tbInvClassification C ON A.ItemClassificationID = C.ItemClassificationID "
    " Where ( A.ItemStatus = 0 or A.ItemStatus is Null ) and ");

qsizetype leadingBlanks(const QString &text)
{
    qsizetype count = 0;
    while (count < text.size() && text.at(count).isSpace())
        ++count;
    return count;
}

} // namespace

frmItemLookup::frmItemLookup(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmItemLookup>()), m_products(new LookupModel(this))
{
    ui->setupUi(this);
    ui->cmdSearch->setIcon(QIcon::fromTheme(QStringLiteral("edit-find"),
                                            style()->standardIcon(QStyle::SP_FileDialogContentsView)));
    ui->grdLookup->setModel(m_products);
    // Nothing to choose from until a search has found something.
    ui->grdLookup->setEnabled(false);
    ui->cmdOptions_1->setEnabled(false);
    ui->txtSearch->installEventFilter(this);
    ui->grdLookup->installEventFilter(this);
    connectControls();
    connect(m_products, &LookupModel::fetchFailed, this, [](const QString &message) { MsgBox(message, vbOKOnly); });
}

frmItemLookup::~frmItemLookup() = default;

void frmItemLookup::connectControls()
{
    connect(ui->cmdSearch, &QPushButton::clicked, this, &frmItemLookup::cmdSearch_Click);
    connect(ui->cmdOptions_1, &QPushButton::clicked, this, [this] { cmdOptions_Click(optionSelect); });
    connect(ui->cmdOptions_0, &QPushButton::clicked, this, [this] { cmdOptions_Click(optionClose); });
    connect(ui->grdLookup, &QAbstractItemView::doubleClicked, this, [this] { cmdOptions_Click(optionSelect); });
    connect(ui->grdLookup, &LookupGrid::keyDown, this, &frmItemLookup::grdLookup_KeyDown);
}

void frmItemLookup::Form_Load()
{
    loadControls();
    SearchProducts(m_searchString);
}

void frmItemLookup::loadControls()
{
    m_exactMatch = false;
    gvarSearchValue = QString();
    ui->txtLocation->setText(m_locationName);
    ui->txtSearch->setText(m_searchString);
}

// A number searches the code exactly; any other text is the start of a product name.
QString frmItemLookup::searchStatement(const QString &locationCode, const QString &searchText)
{
    requireStorableText(searchText, QStringLiteral("The search text"));
    QString sql = locationCode.trimmed().isEmpty()
        ? masterSearchStart
        : locationSearchStart + sqlText(locationCode) + locationSearchStatus;
    const QString trimmed = searchText.trimmed();
    if (NumberHandling::isNumeric(searchText))
        sql += QStringLiteral(" A.ItemID = '") + sqlText(trimmed) + QStringLiteral("' ");
    else
        sql += QStringLiteral(" A.ItemName Like '") + sqlText(trimmed.toUpper()) + QStringLiteral("%' ");
    return sql + QStringLiteral(" Order by A.ItemName, A.ItemDesc");
}

// Runs a product search over the session's connection and reads its first rows; throws
// when it fails. A code names at most one product, so that result is read whole.
LookupModel::Result frmItemLookup::openProducts(const QString &locationCode, const QString &searchText)
{
    if (!gCurrentUser)
        throw std::logic_error("Nobody is logged in.");
    // Every product of a location, in name order, has a plan of its own on the embedded
    // database: the first screen comes soon however many the location stocks.
    const bool wholeLocation = !locationCode.trimmed().isEmpty() && searchText.trimmed().isEmpty();
    return LookupModel::search(gCurrentUser->SQLConnection(), searchStatement(locationCode, searchText),
                               NumberHandling::isNumeric(searchText),
                               wholeLocation ? ReadPlan::locationProductsByName(locationCode) : ReadPlan());
}

// A failed search is reported and leaves the grid as it was.
bool frmItemLookup::SearchProducts(const QString &searchText)
{
    try {
        return showSearchResult(openProducts(m_locationCode, searchText));
    } catch (const std::exception &error) {
        MsgBox(QString::fromStdString(error.what()), vbOKOnly);
        return false;
    }
}

bool frmItemLookup::showSearchResult(LookupModel::Result products)
{
    if (!products.found()) {
        showNoProducts();
        return false;
    }
    if (products.single()) {
        m_exactMatch = true;
        m_searchString = products.firstValue(u"Code");
    }
    showProducts(std::move(products));
    return true;
}

void frmItemLookup::showNoProducts()
{
    ui->grdLookup->setEnabled(false);
    ui->cmdOptions_1->setEnabled(false);
    m_products->setResult({});
}

void frmItemLookup::showProducts(LookupModel::Result products)
{
    ui->grdLookup->setEnabled(true);
    ui->cmdOptions_1->setEnabled(true);
    m_products->setResult(std::move(products));
    ui->grdLookup->setCurrentIndex(m_products->index(0, 0));
    for (int column = 0; column < int(columnTwips.size()); ++column)
        ui->grdLookup->setColumnWidth(column, twipsToPixels(ui->grdLookup, columnTwips[size_t(column)]));
}

QString frmItemLookup::currentCode() const
{
    const QModelIndex current = ui->grdLookup->currentIndex();
    if (!current.isValid())
        return QString();
    return m_products->index(current.row(), 0).data().toString();
}

void frmItemLookup::cmdSearch_Click()
{
    if (SearchProducts(ui->txtSearch->text()))
        ui->grdLookup->setFocus();
    else
        ui->txtSearch->setFocus();
}

void frmItemLookup::cmdOptions_Click(int index)
{
    if (index == optionSelect) {
        gvarSearchValue = currentCode();
        accept();
    } else {
        reject();
    }
}

void frmItemLookup::done(int result)
{
    m_products->releaseCursor();
    QDialog::done(result);
}

// Typing in the grid goes on in the search box: a letter starts a new search text,
// Backspace shortens the current one and leaves the focus in the grid.
void frmItemLookup::grdLookup_KeyDown(int key, const QString &text, bool *handled)
{
    if (key == Qt::Key_Backspace) {
        *handled = true;
        const QString current = ui->txtSearch->text();
        const qsizetype length = current.trimmed().size();
        if (length > 0)
            ui->txtSearch->setText(current.left(leadingBlanks(current) + length - 1));
        return;
    }
    // Control combinations carry no printable text; they are not typing.
    const bool letter = key >= Qt::Key_A && key <= Qt::Key_Z && !text.isEmpty() && text.at(0).isPrint();
    if (!letter)
        return;
    *handled = true;
    ui->txtSearch->setFocus();
    ui->txtSearch->setText(QString(QChar(key)));
    ui->txtSearch->end(false);
}

// Every typed character goes in as its upper-case form, wherever the caret is.
bool frmItemLookup::txtSearch_KeyPress(QKeyEvent *event)
{
    const QString upper = event->text().toUpper();
    if (upper == event->text())
        return false;
    QKeyEvent typed(event->type(), event->key(), event->modifiers(), upper, event->isAutoRepeat(),
                    event->count());
    QCoreApplication::sendEvent(ui->txtSearch, &typed);
    return true;
}

// The default button follows the focus: the search button while the user types the
// search text, "&Select" while the user picks a row.
bool frmItemLookup::eventFilter(QObject *watched, QEvent *event)
{
    const bool focusIn = event->type() == QEvent::FocusIn;
    const bool focusOut = event->type() == QEvent::FocusOut;
    if (watched == ui->txtSearch) {
        if (focusIn || focusOut)
            ui->cmdSearch->setDefault(focusIn);
        else if (event->type() == QEvent::KeyPress)
            return txtSearch_KeyPress(static_cast<QKeyEvent *>(event));
    } else if (watched == ui->grdLookup && (focusIn || focusOut)) {
        ui->cmdOptions_1->setDefault(focusIn);
    }
    return QDialog::eventFilter(watched, event);
}

// The search runs before any window is built: a text that names one product is taken at
// once, and only a list to choose from pays for the window, which shows that same result.
void frmItemLookup::pickCode(const QString &searchText, const QString &locationName, const QString &locationCode)
{
    gvarSearchValue = QString();
    LookupModel::Result products;
    bool opened = false;
    try {
        products = openProducts(locationCode, searchText);
        opened = true;
    } catch (const std::exception &error) {
        MsgBox(QString::fromStdString(error.what()), vbOKOnly);
    }
    if (products.single()) {
        gvarSearchValue = products.firstValue(u"Code");
        return;
    }
    frmItemLookup dialog;
    dialog.setLocationName(locationName);
    dialog.setLocationCode(locationCode);
    dialog.setSearchString(searchText);
    dialog.loadControls();
    if (opened)
        dialog.showSearchResult(std::move(products));
    ModalDialogs::exec(dialog);
}
