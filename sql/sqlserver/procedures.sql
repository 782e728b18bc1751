-- Stored procedures of the inventory database on Microsoft SQL Server.
-- Run it in the inventory database after schema.sql, e.g.
--     sqlcmd -b -S server -d inventory -i procedures.sql
-- They return the same columns, in the same order and with the same meaning, as the
-- statements of the embedded database (sql/sqlite/procedures.sql).
--
-- Parameters are wider than the columns they are compared with, and a value longer than
-- its column finds nothing: a parameter as narrow as its column would cut an 11-character
-- code to its first 10 and find the wrong item.

-- SQL Server 2016 SP1 (13.0.4001) or later: CREATE OR ALTER and TRY_CAST. Azure SQL
-- (engine editions 5 and 8) has both. On an older server nothing below is run.
DECLARE @version nvarchar(128) = CAST(SERVERPROPERTY('ProductVersion') AS nvarchar(128));
IF CAST(SERVERPROPERTY('EngineEdition') AS int) NOT IN (5, 8)
    AND (CAST(PARSENAME(@version, 4) AS int) < 13
        OR (CAST(PARSENAME(@version, 4) AS int) = 13 AND CAST(PARSENAME(@version, 2) AS int) < 4001))
BEGIN
    RAISERROR('Quellar needs SQL Server 2016 SP1 (13.0.4001) or later; this server is version %s. Nothing was changed.',
              16, 1, @version);
    SET NOEXEC ON;
END
GO

-- The settings the procedures keep from their creation, whatever the session had.
SET ANSI_NULLS ON;
SET QUOTED_IDENTIFIER ON;
GO

-- The active locations the employee may request for, by name.
CREATE OR ALTER PROCEDURE dbo.sp_Inv_UserLocation
    @EmployeeCode varchar(8000)
AS
BEGIN
    SET NOCOUNT ON;

    SELECT L.Location, L.LocationID
      FROM dbo.tbInvUserLocation U
      JOIN dbo.tbInvLocation L ON L.LocationID = U.LocationID
     WHERE U.EmployeeID = @EmployeeCode
       AND LEN(@EmployeeCode) <= 20
       AND (L.Status IS NULL OR NOT L.Status = 'I')
     ORDER BY L.Location;
END
GO

-- One row per document. Selector '' lists pending documents (not processed, not deleted);
-- 'P' lists processed ones (ProcessDate set by the issuing side, not deleted). Deleted
-- documents (Status 'D') are never listed. Newest document first.
CREATE OR ALTER PROCEDURE dbo.sp_Inv_ListofWithdrawalRequest
    @Selector varchar(1)
AS
BEGIN
    SET NOCOUNT ON;

    -- From the summary kept by the trigger of tbInvWithdrawRequest (schema.sql): the
    -- total is the sum of the lines' totals rounded to four decimals, the other values
    -- are those of the document's first line in the listing. The total comes as a text
    -- with its four decimals, exact however large: a driver may read a decimal as a
    -- floating-point number, which keeps only 15 digits.
    SELECT S.DocumentNumber AS DocumentNumber,
           L.Location AS RequestFrom,
           T.Location AS RequestTo,
           CONVERT(varchar(10), R.TransDate, 101) AS TransDate,
           CONVERT(varchar(40), S.Total) AS TotalCost,
           R.UserID AS RequestedBy
      FROM dbo.tbInvWithdrawRequestSummary S
      JOIN dbo.tbInvWithdrawRequest R ON R.LineID = S.FirstLineID
      LEFT JOIN dbo.tbInvLocation L ON L.LocationID = R.LocationID
      LEFT JOIN dbo.tbInvLocation T ON T.LocationID = R.TargetLocationID
     WHERE S.Listing = CASE WHEN @Selector = 'P' THEN 'P' ELSE '' END
     ORDER BY S.DocNum DESC;
END
GO

-- The lines of one document in the order they were written; none for 'NEW'.
CREATE OR ALTER PROCEDURE dbo.sp_Inv_LoadWithdrawalRequest
    @DocumentNumber varchar(8000)
AS
BEGIN
    SET NOCOUNT ON;

    SELECT R.LocationID, L.Location, R.TargetLocationID, T.Location AS TLocation,
           R.DocumentNumber, R.ItemID,
           LTRIM(RTRIM(COALESCE(M.ItemName, '') + ' ' + COALESCE(M.ItemDesc, ''))) AS Description,
           R.Quantity, R.UnitCost, R.ForRetail, R.isADS
      FROM dbo.tbInvWithdrawRequest R
      LEFT JOIN dbo.tbInvLocation L ON L.LocationID = R.LocationID
      LEFT JOIN dbo.tbInvLocation T ON T.LocationID = R.TargetLocationID
      LEFT JOIN dbo.tbInvMaster M ON M.ItemID = R.ItemID
     WHERE R.DocumentNumber = @DocumentNumber
       AND LEN(@DocumentNumber) <= 10
     ORDER BY R.LineID;
END
GO

-- The stock row of one item at one location with its master data. Figures that an item
-- has no value for by nature (never delivered, no unit, no dates) come as neutral values;
-- a damaged row (IsADSStock NULL) is returned as it is.
CREATE OR ALTER PROCEDURE dbo.sp_Inv_SearchItem_In_Invent
    @ItemID varchar(8000),
    @LocationID varchar(8000)
AS
BEGIN
    SET NOCOUNT ON;

    SELECT I.LocationID, I.ItemID, I.Markup_In, I.Markup_Out, I.NetAmount, I.OnHand,
           I.OnOrder, I.SellingPriceIn, I.SellingPriceOut, I.ItemStatus, I.AverageCost,
           I.MinStockLevel, I.AveConsumption, I.LastInventoryCount, I.ExpiryDate,
           I.NewGLCode, I.POMonthsToDeliver, I.MinimumOrAverage,
           COALESCE(I.StartDate, '') AS StartDate, COALESCE(I.EndDate, '') AS EndDate,
           COALESCE(M.ListCost, 0) AS ListCost,
           COALESCE(M.UnitOfMeasureID, 0) AS UnitOfMeasureID,
           COALESCE(U.UnitOfMeasure, '') AS UnitOfMeasure,
           -- the date zero of the program's dates (day 0 of datetime is 1 January 1900)
           COALESCE(I.LastDeliveryDate, CAST('18991230' AS datetime)) AS [Last DDate],
           COALESCE(I.LastDeliveryQty, 0) AS [Last Qty],
           COALESCE(I.Packing, M.Packing, 1) AS Packing,
           I.IsFloor, I.IsCeiling, I.Floor, I.Ceiling, I.IsADSStock, I.ADSStock
      FROM dbo.tbInvent I
      JOIN dbo.tbInvMaster M ON M.ItemID = I.ItemID
      LEFT JOIN dbo.tbInvUnitOfMeasure U ON U.UnitOfMeasureID = M.UnitOfMeasureID
     WHERE I.ItemID = @ItemID AND I.LocationID = @LocationID
       AND LEN(@ItemID) <= 10 AND LEN(@LocationID) <= 4;
END
GO

SET NOEXEC OFF;
GO
