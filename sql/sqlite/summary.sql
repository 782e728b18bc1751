-- Fills the summary of the request listing from the lines in one pass (for a database
-- whose lines were written with the triggers off, or to set a doubtful summary right).
-- A line's total is taken in its two parts as the triggers of schema.sql count it.
DELETE FROM tbInvWithdrawRequestSummary;
INSERT INTO tbInvWithdrawRequestSummary (Listing, DocumentNumber, LineCount, TotalHigh, TotalLow, FirstLineID)
SELECT Listing, DocumentNumber, count(*),
       sum(qi * uw / 100000),
       sum(qi * uw % 100000 * 10000 + coalesce(CAST(round(
           qi * CASE WHEN abs(F - round(F)) < 0.001 THEN round(F) ELSE F END + (Q - qi) * U * 10000) AS INTEGER), 0)),
       min(LineID)
  FROM (SELECT Listing, DocumentNumber, LineID, Q, U, qi, uw, (U - uw) * 10000 AS F
          FROM (SELECT Listing, DocumentNumber, LineID, Q, U, CAST(Q AS INTEGER) AS qi, CAST(U AS INTEGER) AS uw
                  FROM (SELECT CASE WHEN R.ProcessDate IS NULL THEN '' ELSE 'P' END AS Listing, R.DocumentNumber,
                               R.LineID, coalesce(R.Quantity, 0) AS Q, coalesce(R.UnitCost, 0) AS U
                          FROM tbInvWithdrawRequest R
                         WHERE upper(rtrim(R.Status)) IS NOT 'D')))
 GROUP BY 1, 2;
