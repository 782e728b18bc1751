#pragma once

#include "LookupModel.h"

#include <QDialog>
#include <QEvent>
#include <QString>

#include <memory>

class QKeyEvent;

namespace Ui {
class frmLookup;
}

// Picks one supplier, payment term or unit of measure by the start of its name or by its
// code. The chosen code comes back in gvarSearchValue ("" when the user cancels). A text
// that matches exactly one row is taken without showing the dialog (see pickCode).
class frmLookup : public QDialog
{
    Q_OBJECT

public:
    enum LookupKind { lookupSuppliers = 1, lookupTerms = 2, lookupUnitsOfMeasure = 3 };

    explicit frmLookup(QWidget *parent = nullptr);
    ~frmLookup() override;

    int LookupType() const { return m_lookupType; }
    void setLookupType(int lookupType) { m_lookupType = lookupType; }

    // The text searched for on load; after a search with exactly one row, that row's code.
    const QString &SearchString() const { return m_searchString; }
    void setSearchString(const QString &searchString) { m_searchString = searchString; }

    // Whether a search has found exactly one row since the dialog was loaded.
    bool blnExactMatch() const { return m_exactMatch; }

    // The load steps, without showing the dialog: clears gvarSearchValue, sets the
    // caption and search box, and runs the first search.
    void Form_Load();

    // Lists the active rows whose code equals the (numeric) text or whose name starts
    // with it. True when at least one row was found. A database error is shown to the
    // user; the grid then keeps what it showed.
    bool RunSearch(const QString &text);

    // The whole search as the records run it: searches the text, takes an exact match at
    // once (no dialog is built for it), otherwise loads the dialog with that result and
    // lets the user choose. gvarSearchValue holds the outcome.
    static void pickCode(int lookupType, const QString &searchText);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Closing lets go of the result's open read at once.
    void done(int result) override;

private:
    void connectSignals();
    void loadControls();
    void setCaptionByType();
    static bool searchesByCode(int lookupType, const QString &text);
    static QString searchStatement(int lookupType, const QString &text);
    static LookupModel::Result openSearch(int lookupType, const QString &text);
    bool takeResult(LookupModel::Result rows);
    void showResult(LookupModel::Result rows, bool found);

    void cmdSearch_Click();
    void cmdOptions_Click(int index);
    void selectCurrentCode();
    void grdLookup_KeyDown(int key, const QString &text, bool *handled);
    void shortenSearchText();
    void startSearchTextWith(QChar letter);
    bool txtSearch_KeyPress(QKeyEvent *event);
    void switchDefaultButton(QObject *watched, QEvent::Type type);

    std::unique_ptr<Ui::frmLookup> ui;
    LookupModel *m_model; // owned by the dialog as its Qt child; holds the result the grid shows
    int m_lookupType = 0;
    QString m_searchString;
    bool m_exactMatch = false;
};
