#pragma once

#include "LookupModel.h"

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class frmItemLookup;
}

// The "Product Search" window: finds products by code or by the start of their name,
// either among the items stocked at one location or in the whole item master, and hands
// the chosen code back through gvarSearchValue.
//
// A search creates one window per use: set LocationName, LocationCode and SearchString,
// call Form_Load(); when blnExactMatch() is then true take SearchString() (the single
// matching code), otherwise show the window with ModalDialogs::exec and read
// gvarSearchValue (empty when the user closed it without choosing). Destroying the
// window (or closing it) releases its result.
class frmItemLookup : public QDialog
{
    Q_OBJECT

public:
    explicit frmItemLookup(QWidget *parent = nullptr);
    ~frmItemLookup() override;

    // The search text on entry; after a search that found exactly one product, its code.
    QString SearchString() const { return m_searchString; }
    void setSearchString(const QString &value) { m_searchString = value; }

    void setLocationName(const QString &value) { m_locationName = value; }
    // Empty (or blank) searches the item master instead of one location's stock.
    void setLocationCode(const QString &value) { m_locationCode = value; }

    // Whether the last search found exactly one product.
    bool blnExactMatch() const { return m_exactMatch; }
    void setBlnExactMatch(bool value) { m_exactMatch = value; }

    // Prepares the window for use without showing it: empties gvarSearchValue, shows the
    // location and the search text, and searches for SearchString.
    void Form_Load();

    // The records' search: an exact single match is taken without building the window,
    // otherwise the window shows that result and the user chooses. The chosen code (or "") is left in gvarSearchValue.
    // An empty location code searches the item master.
    static void pickCode(const QString &searchText, const QString &locationName, const QString &locationCode);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Closing lets go of the result's open read at once.
    void done(int result) override;

private:
    void connectControls();

    void loadControls();
    bool SearchProducts(const QString &searchText);
    bool showSearchResult(LookupModel::Result products);
    static QString searchStatement(const QString &locationCode, const QString &searchText);
    static LookupModel::Result openProducts(const QString &locationCode, const QString &searchText);
    void showNoProducts();
    void showProducts(LookupModel::Result products);
    QString currentCode() const;

    void cmdSearch_Click();
    void cmdOptions_Click(int index);
    void grdLookup_KeyDown(int key, const QString &text, bool *handled);
    bool txtSearch_KeyPress(QKeyEvent *event);

    std::unique_ptr<Ui::frmItemLookup> ui;
    LookupModel *m_products; // owned through Qt's parent; holds the result the grid shows
    QString m_searchString;
    QString m_locationName;
    QString m_locationCode;
    bool m_exactMatch = false;
};
