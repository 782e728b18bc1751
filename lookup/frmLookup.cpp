#include "frmLookup.h"
#include "ui_frmLookup.h"

#include "app/MessageBox.h"
#include "app/NumberHandling.h"
#include "app/modInventory.h"
#include "db/Connection.h"
#include "widgets/ModalDialogs.h"
#include "widgets/Twips.h"
#include "LookupModel.h"
#include "db/SqlQuote.h"
#include "session/SessionComponent.h"

#include <QKeyEvent>
#include <QRegularExpression>

#include <stdexcept>

namespace {

constexpr double nameColumnTwips = 4199.81;

struct SearchStatement {
    QString start;
    QString byCode;   // followed by the search text
    QString codeEnd;  // closes the code comparison
    QString byName;   // followed by the search text and "%'"
    QString end;
};

// The statement parts of each lookup type. Supplier codes are texts, the others numbers.
const SearchStatement *statementFor(int lookupType)
{
    static const SearchStatement suppliers{
        QStringLiteral("Select DISTINCT SupplierName as Supplier,SupplierID As Code From tbinvSupplier "),
        QStringLiteral(" Where SupplierID = '"), QStringLiteral("'"),
        QStringLiteral(" Where SupplierName Like '"),
        QStringLiteral(" and  (not Status = 'I' or Status is null) ORDER by SupplierName")};
    static const SearchStatement terms{
        QStringLiteral("Select DISTINCT Terms AS [Terms of Payment] , TermsID as Code From tbinvTerms "),
        QStringLiteral(" Where TermsID = "), QString(),
        QStringLiteral(" Where Terms Like '"),
        QStringLiteral(" and  (not Status = 'I' or Status is null) Order by Terms")};
    static const SearchStatement units{
        QStringLiteral("Select UnitOfMeasure As [Unit of Measure], UnitOfMeasureID as Code From tbinvUnitOfMeasure "),
        QStringLiteral(" Where UnitOfMeasureID = "), QString(),
        QStringLiteral(" Where UnitOfMeasure Like '"),
        QStringLiteral(" and ( Not Status = 'I' or Status is Null ) Order by UnitOfMeasure")};
    switch (lookupType) {
    case frmLookup::lookupSuppliers:
        return &suppliers;
    case frmLookup::lookupTerms:
        return &terms;
    case frmLookup::lookupUnitsOfMeasure:
        return &units;
    default:
        return nullptr;
    }
}

// Whether the trimmed text can stand in a statement as a bare number. Numeric texts the
// statement cannot read as one, such as a grouped "1,234", are searched as names instead:
// no code is written with digit grouping, while a name may well start with such a number.
bool isBareNumber(const QString &trimmed)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    return number.match(trimmed).hasMatch();
}

} // namespace

frmLookup::frmLookup(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmLookup>()), m_model(new LookupModel(this))
{
    ui->setupUi(this);
    ui->grdLookup->setModel(m_model);
    ui->txtSearch->installEventFilter(this);
    ui->grdLookup->installEventFilter(this);
    connectSignals();
    connect(m_model, &LookupModel::fetchFailed, this, [](const QString &message) { MsgBox(message, vbOKOnly); });
}

frmLookup::~frmLookup()
{
    // The filter reads ui, which goes before the child widgets do.
    ui->txtSearch->removeEventFilter(this);
    ui->grdLookup->removeEventFilter(this);
}

void frmLookup::connectSignals()
{
    connect(ui->cmdSearch, &QPushButton::clicked, this, &frmLookup::cmdSearch_Click);
    connect(ui->cmdOptions_1, &QPushButton::clicked, this, [this] { cmdOptions_Click(1); });
    connect(ui->cmdOptions_0, &QPushButton::clicked, this, [this] { cmdOptions_Click(0); });
    connect(ui->grdLookup, &QAbstractItemView::doubleClicked, this, [this] { cmdOptions_Click(1); });
    connect(ui->grdLookup, &LookupGrid::keyDown, this, &frmLookup::grdLookup_KeyDown);
}

void frmLookup::Form_Load()
{
    loadControls();
    RunSearch(m_searchString);
}

void frmLookup::loadControls()
{
    m_exactMatch = false;
    gvarSearchValue = QString();
    setCaptionByType();
    ui->txtSearch->setText(m_searchString);
}

void frmLookup::setCaptionByType()
{
    switch (m_lookupType) {
    case lookupSuppliers:
        setWindowTitle(QStringLiteral("Supplier"));
        break;
    case lookupTerms:
        setWindowTitle(QStringLiteral("Terms of Payment"));
        break;
    case lookupUnitsOfMeasure:
        setWindowTitle(QStringLiteral("Unit of Measure"));
        break;
    default:
        break;
    }
}

// Numbers are told apart on the text as typed: " 12 " still searches by code. Supplier
// codes are compared as quoted texts, so any numeric text will do for them.
bool frmLookup::searchesByCode(int lookupType, const QString &text)
{
    return NumberHandling::isNumeric(text)
        && (lookupType == lookupSuppliers || isBareNumber(text.trimmed().toUpper()));
}

QString frmLookup::searchStatement(int lookupType, const QString &text)
{
    requireStorableText(text, QStringLiteral("The search text"));
    const SearchStatement *parts = statementFor(lookupType);
    if (!parts)
        return {}; // an unknown type has no statement; opening it fails and is reported
    const QString searched = text.trimmed().toUpper();
    const QString condition = searchesByCode(lookupType, text)
        ? parts->byCode + sqlText(searched) + parts->codeEnd
        : parts->byName + sqlText(searched) + QStringLiteral("%'");
    return parts->start + condition + parts->end;
}

// A code names at most one row, so that result is read whole; a name search reads its
// first rows and the rest as the grid scrolls.
LookupModel::Result frmLookup::openSearch(int lookupType, const QString &text)
{
    if (!gCurrentUser)
        throw std::logic_error("Nobody is logged in.");
    return LookupModel::search(gCurrentUser->SQLConnection(), searchStatement(lookupType, text),
                               searchesByCode(lookupType, text));
}

bool frmLookup::RunSearch(const QString &text)
{
    try {
        return takeResult(openSearch(m_lookupType, text));
    } catch (const std::exception &error) {
        MsgBox(QString::fromUtf8(error.what()), vbOKOnly);
        return false;
    }
}

bool frmLookup::takeResult(LookupModel::Result rows)
{
    const bool found = rows.found();
    if (rows.single()) {
        m_searchString = rows.firstValue(u"Code");
        m_exactMatch = true;
    }
    showResult(std::move(rows), found);
    return found;
}

void frmLookup::showResult(LookupModel::Result rows, bool found)
{
    ui->grdLookup->setEnabled(found);
    ui->cmdOptions_1->setEnabled(found);
    m_model->setResult(std::move(rows)); // the former result is released here
    ui->grdLookup->setColumnWidth(0, twipsToPixels(ui->grdLookup, nameColumnTwips));
    if (found)
        ui->grdLookup->setCurrentIndex(m_model->index(0, 0));
}

void frmLookup::cmdSearch_Click()
{
    if (RunSearch(ui->txtSearch->text()))
        ui->grdLookup->setFocus();
    else
        ui->txtSearch->setFocus();
}

void frmLookup::cmdOptions_Click(int index)
{
    if (index == 1)
        selectCurrentCode();
    else
        reject();
}

void frmLookup::selectCurrentCode()
{
    const QModelIndex current = ui->grdLookup->currentIndex();
    if (!current.isValid())
        return; // no row to choose
    const QModelIndex code = m_model->index(current.row(), 1);
    ui->grdLookup->setCurrentIndex(code);
    gvarSearchValue = m_model->data(code).toString();
    accept();
}

void frmLookup::done(int result)
{
    m_model->releaseCursor();
    QDialog::done(result);
}

void frmLookup::grdLookup_KeyDown(int key, const QString &text, bool *handled)
{
    if (key == Qt::Key_Backspace) {
        shortenSearchText();
        *handled = true;
    } else if (key >= Qt::Key_A && key <= Qt::Key_Z && !text.isEmpty() && text.front().isLetter()) {
        startSearchTextWith(QChar(key)); // Qt's letter keys are the upper-case letters
        *handled = true;
    }
}

void frmLookup::shortenSearchText()
{
    // Drops the last character that counts; the list stays until the user searches again.
    const QString text = ui->txtSearch->text();
    const qsizetype length = text.trimmed().size();
    if (length > 0)
        ui->txtSearch->setText(text.left(length - 1));
}

void frmLookup::startSearchTextWith(QChar letter)
{
    ui->txtSearch->setFocus();
    ui->txtSearch->setText(QString(letter));
    ui->txtSearch->setCursorPosition(1);
}

bool frmLookup::txtSearch_KeyPress(QKeyEvent *event)
{
    // Every typed character goes in upper case, at the caret.
    const QString typed = event->text();
    const bool command = event->modifiers().testAnyFlags(Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (command || typed.isEmpty() || typed.toUpper() == typed)
        return false;
    ui->txtSearch->insert(typed.toUpper());
    return true;
}

void frmLookup::switchDefaultButton(QObject *watched, QEvent::Type type)
{
    // Enter searches while the search box has the focus and selects while the grid has it.
    QPushButton *button = watched == ui->txtSearch ? ui->cmdSearch : ui->cmdOptions_1;
    button->setDefault(type == QEvent::FocusIn);
}

bool frmLookup::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->txtSearch || watched == ui->grdLookup) {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
            switchDefaultButton(watched, event->type());
        else if (watched == ui->txtSearch && event->type() == QEvent::KeyPress)
            return txtSearch_KeyPress(static_cast<QKeyEvent *>(event));
    }
    return QDialog::eventFilter(watched, event);
}

// The search runs before any dialog is built: a text that names one row is taken at once,
// and only a list to choose from pays for the dialog, which shows that same result.
void frmLookup::pickCode(int lookupType, const QString &searchText)
{
    gvarSearchValue = QString();
    LookupModel::Result rows;
    bool opened = false;
    try {
        rows = openSearch(lookupType, searchText);
        opened = true;
    } catch (const std::exception &error) {
        MsgBox(QString::fromUtf8(error.what()), vbOKOnly);
    }
    if (rows.single()) {
        gvarSearchValue = rows.firstValue(u"Code");
        return;
    }
    frmLookup dialog;
    dialog.setSearchString(searchText);
    dialog.setLookupType(lookupType);
    dialog.loadControls();
    if (opened)
        dialog.takeResult(std::move(rows));
    ModalDialogs::exec(dialog);
}
