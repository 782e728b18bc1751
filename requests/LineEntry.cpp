#include "LineEntry.h"

#include "LineGrid.h"
#include "WindowKeyFilter.h"
#include "app/DataComboBox.h"
#include "app/LocationLists.h"
#include "app/MessageBox.h"
#include "app/NumberHandling.h"
#include "app/modInventory.h"
#include "records/clsItem.h"
#include "records/clsItemMaster.h"
#include "session/SessionComponent.h"
#include "widgets/BusyCursor.h"
#include "widgets/FocusValidator.h"
#include "ui_frmMain.h"

#include <QKeyEvent>

#include <cmath>

using namespace NumberHandling;

namespace {

constexpr double maxQuantity = 1e9;
constexpr double maxUnitCost = 1e9;

// Numbers shown as they are: the shortest text, no grouping, no padded decimals.
QString plainText(double value)
{
    return QString::number(value, 'g', 15);
}

// The value of a field's text when it passes the numeric test, else 0. Digit grouping
// counts as grouping: "1,234" is one thousand two hundred and thirty-four, never 1.
double fieldValue(const QString &text)
{
    return isNumeric(text) ? numericValue(text) : 0.0;
}

} // namespace

LineEntry::LineEntry(Ui::frmMain &ui, FocusValidator &validator, WindowKeyFilter &keys, QWidget *window)
    : ui(ui), m_validator(validator), m_keys(keys), m_window(window)
{
    connectControls();
    registerChecks(validator);
    ui.txtProdCode->installEventFilter(this);
    // The ADS box and figure keep their place while hidden, so that the fields beside
    // them stay where the clerk's eye and mouse expect them from one line to the next.
    for (QWidget *ads : {static_cast<QWidget *>(ui.chkAdS), static_cast<QWidget *>(ui.lblADSStock)}) {
        QSizePolicy policy = ads->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        ads->setSizePolicy(policy);
    }
    showAdsControls(false);
}

void LineEntry::connectControls()
{
    connect(ui.txtProdCode, &QLineEdit::textChanged, this, &LineEntry::enableUpdate);
    connect(ui.txtWithdraw, &QLineEdit::textChanged, this, &LineEntry::enableUpdate);
    connect(ui.txtUnitCost, &QLineEdit::textChanged, this, &LineEntry::enableUpdate);
    connect(ui.cmdCode, &QPushButton::clicked, this, &LineEntry::productSearchButton);
    connect(ui.cmdOK, &QPushButton::clicked, this, [this] { updateLine(); });
    connect(ui.cmdAdd, &QPushButton::clicked, this, &LineEntry::goToBlankRow);
    connect(ui.cmdDelete, &QPushButton::clicked, this, &LineEntry::deleteLine);

    // Enter in the unit cost or on a retail option goes to "&Update" when it can; the
    // unit cost is checked first, as when it is left with Tab.
    connect(ui.txtUnitCost, &QLineEdit::returnPressed, this, [this] {
        if (!ui.cmdOK->isEnabled())
            return; // Enter moves on like Tab, which runs the check
        m_keys.cancelMoveOn();
        if (m_validator.validateFocused())
            ui.cmdOK->setFocus();
    });
    for (QRadioButton *option : {ui.optConsumed_0, ui.optConsumed_1})
        option->installEventFilter(this);

    // Selecting the whole text on entry lets a new code or quantity replace the old one.
    for (QLineEdit *field : {ui.txtProdCode, ui.txtWithdraw, ui.txtDocNum}) {
        field->installEventFilter(this);
    }

    connect(ui.grdDetails, &LineGrid::rowChanged, this, [this] {
        EditCurrentRow();
        ShowLineCounter();
    });
    connect(ui.grdDetails, &LineGrid::doubleClicked, this, &LineEntry::gridDoubleClick);
    connect(ui.grdDetails, &LineGrid::keyPressed, this, &LineEntry::gridKeyPressed);
    // The grid receives Enter and the full stop itself.
    connect(ui.grdDetails, &LineGrid::focusEntered, this, [this] { m_keys.setEnabled(false); });
    connect(ui.grdDetails, &LineGrid::focusLeft, this, [this] { m_keys.setEnabled(true); });
}

void LineEntry::registerChecks(FocusValidator &validator)
{
    validator.add(ui.cboLocation, [this] { return sourceLocationCheck(); });
    validator.add(ui.cboTargetLocation, [this] { return targetLocationCheck(); });
    validator.add(ui.txtProdCode, [this] { return productLookup(); });
    validator.add(ui.txtWithdraw, [this] { return quantityCheck(); });
    validator.add(ui.txtUnitCost, [this] { return unitCostCheck(); });
}

bool LineEntry::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (auto *field = qobject_cast<QLineEdit *>(watched))
            QMetaObject::invokeMethod(field, &QLineEdit::selectAll, Qt::QueuedConnection);
    } else if (event->type() == QEvent::KeyPress
               && (watched == ui.optConsumed_0 || watched == ui.optConsumed_1)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && ui.cmdOK->isEnabled()) {
            ui.cmdOK->setFocus();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

// ---- header drop-downs ---------------------------------------------------------------

bool LineEntry::sourceLocationCheck()
{
    QString id;
    bool retail = false;
    const bool ok = ValidateLocation(ui.cboLocation->Text(), id, retail, true);
    ui.cboLocation->setTag(id);
    return ok;
}

bool LineEntry::targetLocationCheck()
{
    QString id;
    bool retail = false;
    const bool ok = ValidateLocation(ui.cboTargetLocation->Text(), id, retail, false);
    m_retailTarget = retail;
    if (!ok)
        return false;
    ui.cboTargetLocation->setTag(id);
    if (ui.cboTargetLocation->Tag() == ui.cboLocation->Tag()) {
        MsgBox(QStringLiteral("Invalid Target Location..."), vbCritical);
        return false;
    }
    if (m_retailTarget) {
        ui.optConsumed_0->setEnabled(true);
        ui.optConsumed_1->setEnabled(true);
        ui.optConsumed_0->setChecked(true);
    } else {
        ui.optConsumed_0->setEnabled(false);
        ui.optConsumed_1->setEnabled(true);
        ui.optConsumed_1->setChecked(true);
    }
    return true;
}

// ---- product lookup --------------------------------------------------------------------

bool LineEntry::productLookup()
{
    bool found = true;
    if (ui.txtProdCode->text().trimmed().isEmpty()) {
        ui.txtProdName->clear();
    } else {
        found = false;
        try {
            ui.txtProdCode->setText(GetItemIDFromBarcode(ui.txtProdCode->text().trimmed()));
            auto item = std::make_unique<clsItem>();
            item->setActiveConnection(&gCurrentUser->SQLConnection());
            const QString searchText = gblnFromProductSearch ? QString() : ui.txtProdCode->text();
            if (item->SearchItem(searchText, ui.cboLocation->Text(), ui.cboLocation->Tag())) {
                fillProductFields(*item);
                // A cost in the field is kept only for the item it belongs to (a stored line
                // entered again); another item brings its own.
                const QString unitCost = ui.txtUnitCost->text().trimmed();
                if (unitCost == QLatin1String("0.00") || unitCost.isEmpty() || m_costItem != item->ItemID())
                    ui.txtUnitCost->setText(format(item->ItemMaster()->AverageCost().toDouble(), costPicture));
                m_costItem = item->ItemID();
                if (item->IsADSStock())
                    ui.chkAdS->setChecked(true);
                ui.txtWithdraw->setFocus();
                found = true;
            }
        } catch (const std::exception &) {
            // The record has reported what went wrong; the code field keeps the focus.
            found = false;
        }
    }
    gblnFromProductSearch = false;
    return found;
}

void LineEntry::productSearchButton()
{
    gblnFromProductSearch = true;
    productLookup();
}

void LineEntry::fillProductFields(clsItem &item)
{
    const auto master = item.ItemMaster();
    ui.txtProdCode->setText(item.ItemID());
    ui.txtProdName->setText(master->ItemName().trimmed() + QLatin1Char(' ') + master->ItemDesc());
    ui.txtListCost->setText(plainText(master->ListCost().toDouble()));
    ui.txtPacking->setText(plainText(master->Packing()));
    ui.txtOnhand->setText(plainText(item.OnHand()));
    ui.txtAverageCost->setText(format(master->AverageCost().toDouble(), costPicture));
    showAdsControls(item.IsADSStock());
    if (item.IsADSStock())
        ui.lblADSStock->setText(plainText(item.ADSStock()));
}

void LineEntry::clearProductFields()
{
    for (QLineEdit *field : {ui.txtProdCode, ui.txtProdName, ui.txtListCost, ui.txtPacking,
                             ui.txtOnhand, ui.txtAverageCost, ui.txtUnitCost})
        field->clear();
    m_costItem.clear();
    showAdsControls(false);
}

void LineEntry::showAdsControls(bool visible)
{
    ui.chkAdS->setVisible(visible);
    ui.lblADSStock->setVisible(visible);
    // The stored mark is what the clerk can see: a hidden box is never ticked.
    if (!visible)
        ui.chkAdS->setChecked(false);
}

void LineEntry::ShowItemInfo()
{
    const BusyCursor busy;
    try {
        auto item = std::make_unique<clsItem>();
        item->setActiveConnection(&gCurrentUser->SQLConnection());
        if (item->LoadItem(ui.txtProdCode->text(), ui.cboLocation->Tag()))
            fillProductFields(*item);
        else
            clearProductFields();
    } catch (const std::exception &error) {
        MsgBox(QString::fromStdString(error.what()), vbOKOnly);
    }
}

// ---- quantity and unit cost ------------------------------------------------------------

void LineEntry::enableUpdate()
{
    ui.cmdOK->setEnabled(true);
}

bool LineEntry::quantityCheck()
{
    if (ui.txtWithdraw->text().trimmed().isEmpty())
        ui.txtWithdraw->setText(QStringLiteral("0"));
    if (!isNumeric(ui.txtWithdraw->text()) || desktopReadsOtherwise(ui.txtWithdraw->text())) {
        MsgBox(QStringLiteral("Invalid entry..."), vbOKOnly);
        return false;
    }
    if (std::fabs(numericValue(ui.txtWithdraw->text())) >= maxQuantity) {
        MsgBox(QStringLiteral("Invalid entry... A quantity must be below 1,000,000,000."), vbOKOnly);
        return false;
    }
    ui.txtWithdraw->setText(format(numericValue(ui.txtWithdraw->text()), wholePicture));
    ComputeLineTotal();
    return true;
}

bool LineEntry::unitCostCheck()
{
    if (ui.txtUnitCost->text().trimmed().isEmpty())
        ui.txtUnitCost->setText(QStringLiteral("0.00"));
    if (!isNumeric(ui.txtUnitCost->text())) {
        MsgBox(QStringLiteral("Invalid entry..."), vbOKOnly);
        return false;
    }
    ui.txtAverageCost->setText(format(numericValue(ui.txtUnitCost->text()), quantityPicture));
    if (!(numericValue(ui.txtUnitCost->text()) > 0))
        ui.txtUnitCost->setText(QStringLiteral("0.00"));
    ComputeLineTotal();
    return true;
}

// ---- lines --------------------------------------------------------------------------

bool LineEntry::updateChecksPass()
{
    struct Check {
        bool failed;
        const char *message;
        const char *title;
        QWidget *focus;
    };
    const QString quantity = ui.txtWithdraw->text();
    const QString unitCost = ui.txtUnitCost->text();
    const bool quantityNumeric = isNumeric(quantity) && !desktopReadsOtherwise(quantity);
    const bool costNumeric = isNumeric(unitCost);
    const double quantityValue = quantityNumeric ? numericValue(quantity) : 0.0;
    const double costValue = costNumeric ? numericValue(unitCost) : 0.0;
    const Check checks[] = {
        {ui.txtProdCode->text().trimmed().isEmpty(), "Invalid product code...", "MESSAGE", ui.txtProdCode},
        {!quantityNumeric, "Invalid quantity...", "MESSAGE", ui.txtWithdraw},
        {quantityNumeric && quantityValue == 0, "Please enter a value for Quantity.", "MESSAGE", ui.txtWithdraw},
        {!costNumeric, "Invalid unit cost...", "MESSAGE", ui.txtUnitCost},
        {costNumeric && costValue < 0, "Invalid unit cost...", "MESSAGE", ui.txtUnitCost},
        // Beyond these a line total no longer fits a money amount.
        {quantityNumeric && std::fabs(quantityValue) >= maxQuantity, "Invalid quantity...", "MESSAGE", ui.txtWithdraw},
        {costNumeric && costValue >= maxUnitCost, "Invalid unit cost...", "MESSAGE", ui.txtUnitCost},
    };
    for (const Check &check : checks) {
        if (check.failed) {
            MsgBox(QString::fromLatin1(check.message), vbInformation, QString::fromLatin1(check.title));
            check.focus->setFocus();
            return false;
        }
    }
    // More than the stock shown at the source location: the user decides.
    if (quantityValue > 0 && isNumeric(ui.txtOnhand->text()) && quantityValue > numericValue(ui.txtOnhand->text())
        && MsgBox(QStringLiteral("Quantity is greater than current stock.  Do you want to continue?"),
                  vbYesNo + vbQuestion) != vbYes) {
        ui.txtWithdraw->setFocus();
        return false;
    }
    if (quantityValue < 0) {
        MsgBox(QStringLiteral("Quantity must not be lesser than zero."), vbInformation, QStringLiteral("HEY!"));
        ui.txtWithdraw->setFocus();
        return false;
    }
    return true;
}

void LineEntry::writeLine(int row)
{
    LineGrid &grid = *ui.grdDetails;
    grid.setTextMatrix(row, 0, ui.txtProdCode->text());
    grid.setTextMatrix(row, 1, ui.txtProdName->text());
    grid.setTextMatrix(row, 2, ui.txtWithdraw->text());
    grid.setTextMatrix(row, 3, ui.txtUnitCost->text());
    grid.setTextMatrix(row, 4, ui.txtTotalCost->text());
    grid.setTextMatrix(row, 5, ui.optConsumed_0->isChecked() ? QStringLiteral("Y") : QStringLiteral("N"));
    grid.setTextMatrix(row, 6, ui.chkAdS->isChecked() ? QStringLiteral("Y") : QStringLiteral("N"));
}

bool LineEntry::updateLine()
{
    if (!updateChecksPass())
        return false;
    LineGrid &grid = *ui.grdDetails;
    const int row = std::max(grid.Row(), 1);
    const bool onBlankRow = row == grid.Rows() - 1;
    if (onBlankRow && grid.lineCount() >= LineGrid::maxLines) { // no room for one more
        MsgBox(QStringLiteral("A request holds at most %1 lines. Save this request and enter the "
                              "remaining lines in a new one.").arg(LineGrid::maxLines),
               vbExclamation);
        return false;
    }
    writeLine(row);
    if (onBlankRow) {
        grid.setRows(grid.Rows() + 1);
        grid.setRow(grid.Rows() - 1); // brings the blank row into the entry
        scrollToShowLast();
        focusProductCode();
    } else {
        grid.setFocus();
    }
    ui.cmdOK->setEnabled(false);
    ComputeGrandTotal();
    ShowLineCounter();
    return true;
}

bool LineEntry::hasUnaddedLine() const
{
    const LineGrid &grid = *ui.grdDetails;
    const int row = grid.Row();
    if (row < 1)
        return false;
    // Without a code there is nothing "&Update" could add (a line whose item the source
    // location does not stock shows empty fields).
    const QString code = ui.txtProdCode->text().trimmed();
    if (code.isEmpty())
        return false;
    if (row == grid.Rows() - 1)
        return true; // the blank entry row: a code typed
    // A figure only formatted anew (12.5 shown as 12.5000) is the same figure.
    auto sameFigure = [](const QString &field, const QString &cell) {
        if (isNumeric(field) && isNumeric(cell))
            return numericValue(field) == numericValue(cell);
        return field.trimmed() == cell.trimmed();
    };
    return code != grid.TextMatrix(row, 0).trimmed() || !sameFigure(ui.txtWithdraw->text(), grid.TextMatrix(row, 2))
        || !sameFigure(ui.txtUnitCost->text(), grid.TextMatrix(row, 3));
}

void LineEntry::scrollToShowLast()
{
    LineGrid &grid = *ui.grdDetails;
    if (grid.Row() > 7)
        grid.setTopRow(grid.Rows() - 7);
}

void LineEntry::focusProductCode()
{
    if (ui.txtProdCode->isEnabled() && ui.txtProdCode->isVisible())
        ui.txtProdCode->setFocus();
}

void LineEntry::goToBlankRow()
{
    LineGrid &grid = *ui.grdDetails;
    grid.setRow(grid.Rows() - 1);
    scrollToShowLast();
    gridDoubleClick();
    focusProductCode();
}

void LineEntry::deleteLine()
{
    LineGrid &grid = *ui.grdDetails;
    const int row = grid.Row();
    if (row >= 1 && row != grid.Rows() - 1)
        grid.RemoveItem(row);
    grid.setFocus();
    EditCurrentRow();
    ComputeGrandTotal();
    ShowLineCounter();
}

// ---- grid ---------------------------------------------------------------------------

void LineEntry::gridDoubleClick()
{
    EditCurrentRow();
    ui.txtProdCode->setFocus();
    ShowLineCounter();
}

void LineEntry::gridKeyPressed(int key, const QString &text, bool *handled)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        gridDoubleClick();
        *handled = true;
    } else if (text == QLatin1String(".")) {
        deleteLine();
        *handled = true;
    }
}

void LineEntry::EditCurrentRow()
{
    const LineGrid &grid = *ui.grdDetails;
    const int row = grid.Row();
    if (row < 1)
        return;
    ui.txtProdCode->setText(grid.TextMatrix(row, 0));
    ui.txtProdName->setText(grid.TextMatrix(row, 1));
    ui.txtWithdraw->setText(grid.TextMatrix(row, 2));
    ui.txtUnitCost->setText(grid.TextMatrix(row, 3));
    ui.txtTotalCost->setText(grid.TextMatrix(row, 4));
    if (grid.TextMatrix(row, 5) != QLatin1String("N") && ui.optConsumed_0->isEnabled())
        ui.optConsumed_0->setChecked(true);
    else
        ui.optConsumed_1->setChecked(true);
    ui.chkAdS->setChecked(grid.TextMatrix(row, 6) == QLatin1String("Y"));
    ShowItemInfo();
    // The unit cost now in the field is the row's, for the row's item.
    m_costItem = ui.txtUnitCost->text().isEmpty() ? QString() : ui.txtProdCode->text();
}

void LineEntry::ComputeLineTotal()
{
    const double total = fieldValue(ui.txtWithdraw->text()) * fieldValue(ui.txtUnitCost->text());
    ui.txtTotalCost->setText(format(total, amountPicture));
}

void LineEntry::ComputeGrandTotal()
{
    // The grid keeps the sum of its line totals as they change.
    ui.txtTotalCounter->setText(ui.grdDetails->grandTotalText());
}

void LineEntry::ShowLineCounter()
{
    const LineGrid &grid = *ui.grdDetails;
    ui.txtLineCounter->setText(signedNumberText(grid.Row()) + QLatin1Char('/') + signedNumberText(grid.Rows() - 1));
}

void LineEntry::clearFields()
{
    for (QLineEdit *field : {ui.txtProdCode, ui.txtProdName, ui.txtWithdraw, ui.txtUnitCost,
                             ui.txtAverageCost, ui.txtTotalCost, ui.txtPacking, ui.txtOnhand,
                             ui.Text2, ui.txtListCost})
        field->clear();
    m_costItem.clear();
    // No product is in the entry, so no ADS stock is shown (or ticked) for one.
    showAdsControls(false);
}
