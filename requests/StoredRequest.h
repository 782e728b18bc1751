#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

class ResultTable;

// A stored request as it was read at one moment: a fingerprint of every column of all its
// rows, and what they say of it (verified, processed, deleted, by whom and when). Two
// reads compare equal only when the document's rows hold the same values: no row was
// written with other values, removed or stamped between them.
class StoredRequest
{
public:
    struct Stamp {
        QString by;
        QDateTime when;
        bool isSet() const { return !by.isEmpty() || when.isValid(); }
        bool operator==(const Stamp &) const = default;
    };

    StoredRequest() = default;
    // A document with no stored rows.
    explicit StoredRequest(const QString &documentNumber) : m_documentNumber(documentNumber) { }

    // The read of every row of a document with every column the program writes or
    // stamps (no others: the hospital's table may lack them). With lockToTransactionEnd the rows read (and the room for new ones) stay
    // locked against other writers until the transaction ends (SQL Server's hints; on the
    // embedded database the save's write transaction already holds the file).
    static QString readStatement(const QString &documentNumber, bool lockToTransactionEnd);
    // What that read returned.
    static StoredRequest fromRows(const QString &documentNumber, const ResultTable &rows);

    const QString &documentNumber() const { return m_documentNumber; }
    bool exists() const { return m_lineCount > 0; }
    int lineCount() const { return m_lineCount; }
    // The sum of the lines' totals, each rounded to four decimals, over the lines that
    // are not deleted.
    double total() const { return m_total; }
    const QString &savedBy() const { return m_savedBy; }

    bool isDeleted() const { return m_deletedMark; }
    bool isProcessed() const { return !isDeleted() && m_processed.isSet(); }
    bool isVerified() const { return m_verified.isSet(); }
    const Stamp &deleted() const { return m_deleted; }
    const Stamp &processed() const { return m_processed; }
    const Stamp &verified() const { return m_verified; }

    // Same rows with the same values in every column.
    bool operator==(const StoredRequest &other) const
    {
        return m_documentNumber == other.m_documentNumber && m_fingerprint == other.m_fingerprint;
    }

    // For the Details tab: "Verified by 2001 on 11/24/2026 10:05 AM. Processed by 2001 on
    // 11/24/2026 03:10 PM." ("Pending, not verified." when neither).
    QString stateText() const;
    // What happened to the request between the earlier read and this one, as a sentence
    // ending in `since` ("since you opened it"): "Request 4 was processed by 3001 on ...".
    QString changeSince(const StoredRequest &earlier, const QString &since) const;

    // How the request as stored now differs from its row in the listing (in the processed
    // or the pending listing, with that total text), as a sentence; empty when it does
    // not: still listed there, not deleted, the same total.
    QString differenceFromListing(bool listedAsProcessed, const QString &listedTotal) const;

    // "by 2001 on 11/24/2026 03:10 PM"
    static QString byWhomAndWhen(const Stamp &stamp);

private:
    QString m_documentNumber;
    QByteArray m_fingerprint;
    int m_lineCount = 0;
    double m_total = 0;
    QString m_savedBy;
    Stamp m_deleted;
    bool m_deletedMark = false; // status 'D' even without a stamp beside it
    Stamp m_processed;
    Stamp m_verified;
};
