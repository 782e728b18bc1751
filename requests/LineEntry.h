#pragma once

#include <QObject>

class FocusValidator;
class LineGrid;
class WindowKeyFilter;
class clsItem;
namespace Ui {
class frmMain;
}

// The "Item Entry" panel and the line grid of the request editor: product lookup by
// code, bar code or name, the stock panel, quantity and unit cost, writing lines into the
// grid, and the totals and line counter.
class LineEntry : public QObject
{
    Q_OBJECT
public:
    LineEntry(Ui::frmMain &ui, FocusValidator &validator, WindowKeyFilter &keys, QWidget *window);

    // The current grid row into the entry fields, with its stock figures.
    void EditCurrentRow();
    void ComputeLineTotal();
    void ComputeGrandTotal();
    void ShowLineCounter();
    void ShowItemInfo();

    // Empties the entry and stock fields (the editor's ClearAll).
    void clearFields();

    // The entry fields hold a code, quantity or unit cost that "&Update" has not written
    // into the grid's current row.
    bool hasUnaddedLine() const;
    // "&Update": true when the line was written into the grid.
    bool updateLine();

    bool blnRetailTarget() const { return m_retailTarget; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectControls();
    void registerChecks(FocusValidator &validator);

    // Leaving the header drop-downs
    bool sourceLocationCheck();
    bool targetLocationCheck();

    // Product lookup
    bool productLookup();
    void productSearchButton();
    void fillProductFields(clsItem &item);
    void clearProductFields();
    void showAdsControls(bool visible);

    // Quantity and unit cost
    bool quantityCheck();
    bool unitCostCheck();
    void enableUpdate();

    // Lines
    bool updateChecksPass();
    void writeLine(int row);
    void goToBlankRow();
    void deleteLine();
    void scrollToShowLast();
    void focusProductCode();

    // Grid events
    void gridDoubleClick();
    void gridKeyPressed(int key, const QString &text, bool *handled);

    Ui::frmMain &ui;
    FocusValidator &m_validator;
    WindowKeyFilter &m_keys;
    QWidget *m_window;
    bool m_retailTarget = true;
    QString m_costItem; // the item whose cost stands in the unit cost field
};
