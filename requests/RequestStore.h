#pragma once

#include <QDateTime>
#include <QString>

#include <memory>
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
    QString save(const RequestDocument &document, const QString &employeeCode,
                 const QString &verifierId = {});

    // Stamps every line of the document with the verifier and the server's time.
    void VerifySaved(const QString &documentNumber, const QString &verifierId);

    // Marks every line of the document deleted (status 'D'); nothing is removed.
    void markDeleted(const QString &documentNumber, const QString &employeeCode);

    static QString loadStatement(const QString &documentNumber);
    static QString newDocumentStatement();
    // The pending (processed false) or processed requests.
    static QString listStatement(bool processed);

    // How the transaction date is written: "12/07/2026 02:05:09 PM".
    static QString transDateText(const QDateTime &value);

private:
    QString insertStatement(const QString &documentNumber, const RequestLine &line,
                            const RequestDocument &document, const QString &date,
                            const QString &employeeCode, int lineNumber) const;

    Connection &m_connection;
};
