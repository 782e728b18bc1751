-- Fills the summary of the request listing from the lines in one pass (for a database
-- whose lines were written with the triggers off, or to set a doubtful summary right).
DELETE FROM tbInvWithdrawRequestSummary;
INSERT INTO tbInvWithdrawRequestSummary (Listing, DocumentNumber, LineCount, Total, FirstLineID)
SELECT CASE WHEN R.ProcessDate IS NULL THEN '' ELSE 'P' END, R.DocumentNumber, count(*),
       sum(CAST(round(round(coalesce(R.Quantity, 0) * coalesce(R.UnitCost, 0), 4) * 10000) AS INTEGER)),
       min(R.LineID)
  FROM tbInvWithdrawRequest R
 WHERE upper(rtrim(R.Status)) IS NOT 'D'
 GROUP BY 1, 2;
