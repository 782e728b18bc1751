#pragma once

#include "StoredRequest.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class Connection;
class ResultTable;

// One line of a request as the line grid holds it: the code, the quantity and unit cost
// texts, "Y"/"N" for retail and for ADS stock.
struct RequestLine {
    QString itemId;
    QString quantity;
    QString unitCost;
    QString forRetail;
    QString ads;
};

// The request as the editor holds it when it is saved.
struct RequestDocument {
    QString documentNumber; // "NEW" for a request never saved
    QDateTime transDate;
    QString locationId;
    QString targetLocationId;
    std::vector<RequestLine> lines; // blank codes are skipped
};

// What a save from the editor makes sure of inside its own transaction, before it writes
// anything; a failed check throws and nothing is stored.
struct SaveChecks {
    // The stored request as the editor opened it (none for a "NEW" one): a stored request
    // that differs from it now is not saved over (RequestConflict), nor is one marked
    // deleted. A number the editor did not open must have no stored rows.
    std::optional<StoredRequest> opened;
    // The saving employee must be allowed to request from the source location: it is
    // among the employee's locations and its inventory types admit these.
    QString userInventoryType;
    QString locationName; // the source location as the clerk sees it, for the message
};

// Every statement through which withdrawal requests are numbered, written, verified,
// marked deleted, loaded and listed.
class RequestStore
{
public:
    explicit RequestStore(Connection &connection) : m_connection(connection) { }

    // The next document number: the largest stored number + 1, deleted documents
    // included; "1" for an empty table. Throws DbError.
    QString GetNewDocNumber();

    // Writes the document in one transaction: a "NEW" document first draws its number
    // under a lock that keeps other workstations from drawing the same one, then every
    // stored line of the document is replaced by the lines given, and with a verifier the
    // document is stamped as verified. Either all of it is stored or nothing. Returns the
    // number. Throws DbError; the stored document is then as it was.
    // With checks, a stored request is saved over only when it is still the one opened
    // (see SaveChecks).
    QString save(const RequestDocument &document, const QString &employeeCode,
                 const QString &verifierId = {}, const std::optional<SaveChecks> &checks = std::nullopt);

    // The document as it is stored now, every row. Throws DbError.
    StoredRequest readStored(const QString &documentNumber);

    // Stamps every line of the document with the verifier and the server's time.
    void VerifySaved(const QString &documentNumber, const QString &verifierId);

    // Marks every line of the document deleted (status 'D'); nothing is removed.
    void markDeleted(const QString &documentNumber, const QString &employeeCode);
    // The same, in one transaction, only when the stored document is still `expected`
    // and not marked deleted already; otherwise throws RequestConflict and marks nothing.
    void markDeleted(const QString &documentNumber, const QString &employeeCode, const StoredRequest &expected);

    static QString loadStatement(const QString &documentNumber);
    static QString newDocumentStatement();
    // The pending (processed false) or processed requests.
    static QString listStatement(bool processed);

    // How the transaction date is written: "12/07/2026 02:05:09 PM".
    static QString transDateText(const QDateTime &value);

private:
    // Inside the transaction: the stored document is still `expected` and not marked
    // deleted, else RequestConflict naming what happened, then `outcome`.
    void requireStill(const StoredRequest &expected, const QString &since, const QString &outcome);
    void requireRightToRequestFrom(const QString &locationId, const QString &employeeCode, const SaveChecks &checks);
    QString insertStatement(const QString &documentNumber, const RequestLine &line,
                            const RequestDocument &document, const QString &date,
                            const QString &employeeCode, int lineNumber) const;

    Connection &m_connection;
};
