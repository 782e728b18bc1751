#pragma once

#include "StoredRequest.h"

#include <QWidget>

#include <memory>
#include <optional>

namespace Ui {
class frmMain;
}
class FocusValidator;
class LineEntry;
class CursorModel;
class WindowKeyFilter;
class RequestConflict;

// The main window: the listing of requests and the request editor.
class frmMain : public QWidget
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // The next document number; empty when it cannot be drawn (the message has been shown).
    QString GetNewDocNumber();
    // Records the verifier of a document.
    void VerifySaved(const QString &strDocNum, const QString &strVerifiedByID);
    // Empties the entry fields and the line grid and lets the locations be chosen again.
    void ClearAll();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void connectControls();
    void setUpTransactionDate();

    // Listing
    void ListRequests();
    QString selectedDocumentNumber() const;
    void applyListingLayout();
    void widenListing(int firstRow, int lastRow);

    // Tabs
    void showTab(int index);
    void SSTab1_Click(int previousTab);
    bool isClickOnDetailsTab(QEvent *event) const;
    bool isKeyToDetailsTab(QEvent *event) const;

    // Editor life cycle
    void LoadRequest(bool fromListing);
    // Loads a stored request, remembering first how it is stored.
    void loadStoredRequest(const QString &documentNumber);
    void loadRows(const QString &statement);
    void showRequestState();
    void fillGrid(const class Recordset &rs);
    void cmdNew_Click();
    void cmdEdit_Click();
    void cmdCancel_Click();
    void cmdExit_Click();
    void setLocationsEnabled(bool enabled);

    // Saving and deleting
    bool SaveRequest(const QString &verifierId = {});
    void cmdSave_Click(const QString &verifierId = {});
    bool linesMayBeSaved();
    // A line typed into the entry fields and not added: the clerk adds it, drops it or
    // goes back to it (false).
    bool entryLineSettled();
    // Saving over a stored request that is processed or verified: the clerk agrees.
    bool overwriteAgreed(const QString &verifierId);
    void offerReload(const RequestConflict &conflict);
    void cmdVerified_Click();
    void cmdDeleteReq_Click();
    // The request selected in the listing, as stored now, still is what the row shows;
    // else the clerk is told and the listing refreshed.
    bool listedRowStillStored(const StoredRequest &stored);
    bool deleteAgreed(const StoredRequest &stored);

    std::unique_ptr<Ui::frmMain> ui;
    CursorModel *m_listing;        // owned through Qt's parent
    // Declared after ui, so that they are gone (and watch no events) before the
    // controls they refer to.
    std::unique_ptr<WindowKeyFilter> m_keys;
    std::unique_ptr<FocusValidator> m_validator;
    std::unique_ptr<LineEntry> m_entry;
    int m_shownTab = 0;
    int m_storedLines = 0;     // lines of the stored request last loaded
    std::optional<StoredRequest> m_opened; // how the request in the editor was stored when loaded
    bool m_listedProcessed = false;        // the listing shows processed requests
    bool m_opening = false;    // Edit is loading the selected request
    bool m_startingNew = false;
    bool m_exitConfirmed = false;
};
