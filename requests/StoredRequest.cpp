#include "StoredRequest.h"

#include "db/ResultTable.h"
#include "db/SqlQuote.h"

#include <QCryptographicHash>
#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const QString columns = QStringLiteral(
    "DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS, LocationID, TargetLocationID, "
    "TransDate, UserID, Status, ProcessDate, ProcessBy, VerifiedBy, VerifiedDate");

} // namespace

QString StoredRequest::readStatement(const QString &documentNumber, bool lockToTransactionEnd)
{
    return QStringLiteral("Select ") + columns + QStringLiteral(" From tbInvWithdrawRequest")
        + (lockToTransactionEnd ? QStringLiteral(" With (UPDLOCK, HOLDLOCK)") : QString())
        + QStringLiteral(" Where DocumentNumber = '") + sqlText(documentNumber) + QStringLiteral("'");
}

StoredRequest StoredRequest::fromRows(const QString &documentNumber, const ResultTable &rows)
{
    StoredRequest stored(documentNumber);
    stored.m_lineCount = rows.rowCount();
    if (rows.rowCount() == 0)
        return stored;
    auto column = [&rows](const char *name) { return rows.columnIndex(QString::fromLatin1(name)); };
    const int quantity = column("Quantity"), unitCost = column("UnitCost"), userId = column("UserID"),
              status = column("Status"), processDate = column("ProcessDate"), processBy = column("ProcessBy"),
              verifiedBy = column("VerifiedBy"), verifiedDate = column("VerifiedDate");
    auto text = [&rows](int row, int c) { return rows.isNull(row, c) ? QString() : rows.value(row, c).toString().trimmed(); };
    auto date = [&rows](int row, int c) { return rows.isNull(row, c) ? QDateTime() : rows.value(row, c).toDateTime(); };

    // The hospital's table may have no column that keeps the order the lines were written
    // in, so the rows are taken in the order of their values: the same rows give the same
    // fingerprint whatever order the database returns them in.
    std::vector<std::pair<QByteArray, int>> ordered;
    ordered.reserve(size_t(rows.rowCount()));
    for (int row = 0; row < rows.rowCount(); ++row) {
        QCryptographicHash line(QCryptographicHash::Sha256);
        for (int c = 0; c < rows.columnCount(); ++c)
            rows.addToFingerprint(row, c, line);
        ordered.emplace_back(line.result(), row);
    }
    std::sort(ordered.begin(), ordered.end());

    QCryptographicHash hash(QCryptographicHash::Sha256);
    stored.m_savedBy = text(ordered.front().second, userId);
    for (const auto &[values, row] : ordered) {
        hash.addData(values);

        // The stamps are those of the first line that has them; dates are read only then.
        auto processing = [&, row = row] { return Stamp{text(row, processBy), date(row, processDate)}; };
        if (text(row, status).compare(QLatin1String("D"), Qt::CaseInsensitive) == 0) {
            if (!stored.m_deletedMark)
                stored.m_deleted = processing();
            stored.m_deletedMark = true;
        } else {
            if (!stored.m_processed.isSet() && !rows.isNull(row, processDate))
                stored.m_processed = processing();
            const double lineTotal = rows.value(row, quantity).toDouble() * rows.value(row, unitCost).toDouble();
            stored.m_total += std::round(lineTotal * 10000.0) / 10000.0;
        }
        if (!stored.m_verified.isSet() && (!rows.isNull(row, verifiedBy) || !rows.isNull(row, verifiedDate))) {
            const Stamp verification{text(row, verifiedBy), date(row, verifiedDate)};
            if (verification.isSet())
                stored.m_verified = verification;
        }
    }
    stored.m_fingerprint = hash.result();
    return stored;
}

QString StoredRequest::byWhomAndWhen(const Stamp &stamp)
{
    QStringList parts;
    if (!stamp.by.isEmpty())
        parts << QStringLiteral("by ") + stamp.by;
    if (stamp.when.isValid())
        parts << QStringLiteral("on ") + QLocale::c().toString(stamp.when, QStringLiteral("MM/dd/yyyy hh:mm AP"));
    return parts.join(QLatin1Char(' '));
}

QString StoredRequest::stateText() const
{
    if (!exists())
        return QStringLiteral("No stored lines.");
    QString state;
    if (isDeleted())
        state = QStringLiteral("Deleted ") + byWhomAndWhen(m_deleted);
    else if (isProcessed())
        state = QStringLiteral("Processed ") + byWhomAndWhen(m_processed);
    else
        state = QStringLiteral("Pending");
    state += isVerified() ? QStringLiteral(", verified ") + byWhomAndWhen(m_verified) : QStringLiteral(", not verified");
    return state.trimmed() + QLatin1Char('.');
}

QString StoredRequest::changeSince(const StoredRequest &earlier, const QString &since) const
{
    const QString request = QStringLiteral("Request ") + m_documentNumber;
    auto sentence = [&](const QString &what) { return request + QLatin1Char(' ') + what + QLatin1Char(' ') + since + QLatin1Char('.'); };
    if (!exists())
        return sentence(QStringLiteral("was removed from the database"));
    if (isDeleted() && !(earlier.isDeleted() && earlier.m_deleted == m_deleted))
        return sentence(QStringLiteral("was marked deleted ") + byWhomAndWhen(m_deleted));
    if (isProcessed() && !(earlier.isProcessed() && earlier.m_processed == m_processed))
        return sentence(QStringLiteral("was processed ") + byWhomAndWhen(m_processed));
    if (!earlier.exists())
        return sentence(QStringLiteral("was stored by ") + m_savedBy);
    if (isVerified() && earlier.m_verified != m_verified)
        return sentence(QStringLiteral("was verified ") + byWhomAndWhen(m_verified));
    return request + QStringLiteral(" was changed ") + since + QStringLiteral(" (last saved by ") + m_savedBy
        + QStringLiteral(").");
}

QString StoredRequest::differenceFromListing(bool listedAsProcessed, const QString &listedTotal) const
{
    const QString request = QStringLiteral("Request ") + m_documentNumber;
    const QString since = QStringLiteral(" since the list showed it.");
    if (!exists())
        return request + QStringLiteral(" was removed from the database") + since;
    if (isDeleted())
        return request + QStringLiteral(" was marked deleted ") + byWhomAndWhen(m_deleted) + since;
    if (isProcessed() && !listedAsProcessed)
        return request + QStringLiteral(" was processed ") + byWhomAndWhen(m_processed) + since;
    if (!isProcessed() && listedAsProcessed)
        return request + QStringLiteral(" was saved again by ") + m_savedBy
            + QStringLiteral(" and is pending now; the list shows it as processed.");
    QString text = listedTotal.trimmed();
    text.remove(QLatin1Char(','));
    bool isNumber = false;
    const double shown = text.toDouble(&isNumber);
    // The listing rounds each line to four decimals, as the total here does; beyond 2^53
    // ten-thousandths the sums may differ in their last binary digits.
    const double tolerance = 0.00005 + 1e-13 * std::max(std::fabs(shown), std::fabs(m_total));
    if (isNumber && std::fabs(shown - m_total) > tolerance)
        return request + QStringLiteral(" was changed") + since.chopped(1)
            + QStringLiteral(" (last saved by %1): its total is now %2, the list shows %3.")
                  .arg(m_savedBy, QString::number(m_total, 'f', 4), listedTotal.trimmed());
    return {};
}
