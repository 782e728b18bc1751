-- Stored procedures of the embedded database.
--
-- Each procedure starts with a line "-- @procedure NAME @Param1 @Param2 ..." and runs to
-- the next such line. The body is one SQLite statement; a call such as
--     sp_Inv_UserLocation 'E01'
-- runs the body with @Param1 ... replaced by the call's arguments as quoted literals.
-- They are stored in table sysProcedures, where a site may change them without a new
-- program.

-- @procedure sp_Inv_UserLocation @EmployeeCode
-- The active locations the employee may request for, by name.
SELECT L.Location, L.LocationID
  FROM tbInvUserLocation U
  JOIN tbInvLocation L ON L.LocationID = U.LocationID
 WHERE U.EmployeeID = @EmployeeCode
   AND (L.Status IS NULL OR NOT L.Status = 'I')
 ORDER BY L.Location;

-- @procedure sp_Inv_ListofWithdrawalRequest @Selector
-- One row per document. Selector '' lists pending documents (not processed, not deleted);
-- 'P' lists processed ones (ProcessDate set by the issuing side, not deleted). Deleted
-- documents (Status 'D') are never listed. Newest document first. Read from the summary
-- kept by the triggers of tbInvWithdrawRequest (see schema.sql), in the order of its
-- index, so that the first rows come at once however many documents there are: the
-- total is the sum of the lines' totals rounded to four decimals, the other values are
-- those of the document's first line in the listing. The total is a text with four
-- decimals, exact however large (its two parts, TotalHigh * 100000 + TotalLow / 10000,
-- brought to one sign); a floating-point number would keep only 15 digits.
SELECT S.DocumentNumber AS DocumentNumber,
       L.Location AS RequestFrom,
       T.Location AS RequestTo,
       strftime('%m/%d/%Y', R.TransDate) AS TransDate,
       (SELECT CASE WHEN H < 0 OR Low < 0 THEN '-' ELSE '' END
               || CASE WHEN H = 0 THEN printf('%d.%04d', abs(Low) / 10000, abs(Low) % 10000)
                       ELSE printf('%d%05d.%04d', abs(H), abs(Low) / 10000, abs(Low) % 10000) END
          FROM (SELECT H0 - (H0 > 0 AND L0 < 0) + (H0 < 0 AND L0 > 0) AS H,
                       L0 + ((H0 > 0 AND L0 < 0) - (H0 < 0 AND L0 > 0)) * 1000000000 AS Low
                  FROM (SELECT S.TotalHigh + S.TotalLow / 1000000000 AS H0, S.TotalLow % 1000000000 AS L0))) AS TotalCost,
       R.UserID AS RequestedBy
  FROM tbInvWithdrawRequestSummary S
  JOIN tbInvWithdrawRequest R ON R.LineID = S.FirstLineID
  LEFT JOIN tbInvLocation L ON L.LocationID = R.LocationID
  LEFT JOIN tbInvLocation T ON T.LocationID = R.TargetLocationID
 WHERE S.Listing = (CASE WHEN @Selector = 'P' THEN 'P' ELSE '' END)
 ORDER BY CAST(S.DocumentNumber AS int) DESC;

-- @procedure sp_Inv_LoadWithdrawalRequest @DocumentNumber
-- The lines of one document in the order they were written; none for 'NEW'.
SELECT R.LocationID, L.Location, R.TargetLocationID, T.Location AS TLocation,
       R.DocumentNumber, R.ItemID,
       TRIM(COALESCE(M.ItemName, '') || ' ' || COALESCE(M.ItemDesc, '')) AS Description,
       R.Quantity, R.UnitCost, R.ForRetail, R.isADS
  FROM tbInvWithdrawRequest R
  LEFT JOIN tbInvLocation L ON L.LocationID = R.LocationID
  LEFT JOIN tbInvLocation T ON T.LocationID = R.TargetLocationID
  LEFT JOIN tbInvMaster M ON M.ItemID = R.ItemID
 WHERE R.DocumentNumber = @DocumentNumber
 ORDER BY R.LineID;

-- @procedure sp_Inv_SearchItem_In_Invent @ItemID @LocationID
-- The stock row of one item at one location with its master data. Figures that an item
-- has no value for by nature (never delivered, no unit, no dates) come as neutral values;
-- a damaged row (IsADSStock NULL) is returned as it is.
SELECT I.LocationID, I.ItemID, I.Markup_In, I.Markup_Out, I.NetAmount, I.OnHand,
       I.OnOrder, I.SellingPriceIn, I.SellingPriceOut, I.ItemStatus, I.AverageCost,
       I.MinStockLevel, I.AveConsumption, I.LastInventoryCount, I.ExpiryDate,
       I.NewGLCode, I.POMonthsToDeliver, I.MinimumOrAverage,
       COALESCE(I.StartDate, '') AS StartDate, COALESCE(I.EndDate, '') AS EndDate,
       COALESCE(M.ListCost, 0) AS ListCost,
       COALESCE(M.UnitOfMeasureID, 0) AS UnitOfMeasureID,
       COALESCE(U.UnitOfMeasure, '') AS UnitOfMeasure,
       COALESCE(I.LastDeliveryDate, '1899-12-30 00:00:00.000') AS "Last DDate",
       COALESCE(I.LastDeliveryQty, 0) AS "Last Qty",
       COALESCE(I.Packing, M.Packing, 1) AS Packing,
       I.IsFloor, I.IsCeiling, I.Floor, I.Ceiling, I.IsADSStock, I.ADSStock
  FROM tbInvent I
  JOIN tbInvMaster M ON M.ItemID = I.ItemID
  LEFT JOIN tbInvUnitOfMeasure U ON U.UnitOfMeasureID = M.UnitOfMeasureID
 WHERE I.ItemID = @ItemID AND I.LocationID = @LocationID;
