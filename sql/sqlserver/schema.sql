-- Schema of the inventory database on Microsoft SQL Server.
-- Run it in the inventory database, e.g.
--     sqlcmd -b -S server -d inventory -i schema.sql
--
-- Text comparisons rely on the database's case-insensitive collation (every SQL Server
-- collation ignores trailing blanks in comparisons). The stored procedures are created by
-- procedures.sql; the password database by password.sql. Each table is created only when
-- it is missing. Text columns are varchar and the program's literals carry no N prefix,
-- so text outside the database collation's code page is stored as '?': create the
-- database with a UTF-8 collation (SQL Server 2019 or later), see sql/README.md.

-- SQL Server 2016 SP1 (13.0.4001) or later (CREATE OR ALTER, TRY_CAST); Azure SQL
-- (engine editions 5 and 8) has both, though Azure SQL Database (5) cannot serve the
-- program: password.sql and the log-in refuse it. On an older server nothing below is run.
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

-- The program compares codes and names without regard to case.
DECLARE @collation nvarchar(128) = CAST(DATABASEPROPERTYEX(DB_NAME(), 'Collation') AS nvarchar(128));
IF @collation NOT LIKE N'%[_]CI[_]%' AND @collation NOT LIKE N'%[_]CI'
BEGIN
    RAISERROR('The database collation %s is case-sensitive; Quellar needs a case-insensitive one such as Latin1_General_100_CI_AS_SC_UTF8. Nothing was changed.',
              16, 1, @collation);
    SET NOEXEC ON;
END
ELSE IF @collation NOT LIKE N'%UTF8'
    PRINT 'Note: the database collation ' + @collation + ' is not UTF-8; text outside its code page (code page '
        + CAST(COLLATIONPROPERTY(@collation, 'CodePage') AS varchar(10)) + ') will be stored as ''?''.';
GO

-- The options the tables and indexes are created under, whatever the session had.
SET ANSI_NULLS ON;
SET ANSI_PADDING ON;
SET QUOTED_IDENTIFIER ON;
GO

IF OBJECT_ID(N'dbo.tbHospitalInfo', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbHospitalInfo (
        HospitalID    int          NOT NULL PRIMARY KEY,
        Company       varchar(100) NULL,
        Address1      varchar(200) NULL,
        Address2      varchar(200) NULL,
        TelNum        varchar(50)  NULL
    );
END
GO

IF OBJECT_ID(N'dbo.tbInvLocation', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbInvLocation (
        LocationID       varchar(4)  NOT NULL PRIMARY KEY,
        Location         varchar(50) NULL,
        Status           varchar(1)  NULL,
        IsWareHouse      bit         NOT NULL DEFAULT 0,
        isDispensingArea bit         NOT NULL DEFAULT 0,
        AllowOrder       bit         NOT NULL DEFAULT 0,
        InventoryType    varchar(20) NULL
    );
    CREATE INDEX ixInvLocation_Location ON dbo.tbInvLocation (Location);
END
GO

-- The locations each employee may request for (read by sp_Inv_UserLocation).
IF OBJECT_ID(N'dbo.tbInvUserLocation', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbInvUserLocation (
        EmployeeID  varchar(20) NOT NULL,
        LocationID  varchar(4)  NOT NULL,
        PRIMARY KEY (EmployeeID, LocationID)
    );
END
GO

IF OBJECT_ID(N'dbo.tbInvTerms', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbInvTerms (
        TermsID  int         NOT NULL PRIMARY KEY,
        Terms    varchar(50) NULL,
        NoDays   smallint    NULL,
        Status   varchar(1)  NULL
    );
END
GO

IF OBJECT_ID(N'dbo.tbInvUnitOfMeasure', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbInvUnitOfMeasure (
        UnitOfMeasureID  int         NOT NULL PRIMARY KEY,
        UnitOfMeasure    varchar(30) NULL,
        Status           varchar(1)  NULL
    );
END
GO

IF OBJECT_ID(N'dbo.tbInvSupplier', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbInvSupplier (
        SupplierID     varchar(4)   NOT NULL PRIMARY KEY,
        SupplierName   varchar(100) NULL,
        Status         varchar(1)   NULL,
        SupplierType   varchar(20)  NULL,
        Address1       varchar(100) NULL,
        Address2       varchar(100) NULL,
        Address3       varchar(100) NULL,
        TermsID        int          NULL,
        TelNum         varchar(50)  NULL,
        FreeGoods      bit          NOT NULL DEFAULT 0,
        isVAT          bit          NOT NULL DEFAULT 0,
        ContactPerson  varchar(100) NULL
    );
    CREATE INDEX ixInvSupplier_Name ON dbo.tbInvSupplier (SupplierName);
END
GO

IF OBJECT_ID(N'dbo.tbInvClassification', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbInvClassification (
        ItemClassificationID    varchar(10) NOT NULL PRIMARY KEY,
        ItemClassificationName  varchar(50) NULL,
        Status                  varchar(1)  NULL
    );
END
GO

IF OBJECT_ID(N'dbo.tbforClassification', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbforClassification (
        Node_Key            varchar(50)  NOT NULL PRIMARY KEY,
        ClassificationName  varchar(100) NULL
    );
END
GO

IF OBJECT_ID(N'dbo.tbforGeneric', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbforGeneric (
        GenericID    varchar(10)  NOT NULL PRIMARY KEY,
        GenericName  varchar(100) NULL,
        Node_Key     varchar(50)  NULL
    );
END
GO

IF OBJECT_ID(N'dbo.tbInvMaster', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbInvMaster (
        ItemID                varchar(10)  NOT NULL PRIMARY KEY,
        ItemName              varchar(100) NULL,
        ItemDesc              varchar(200) NULL,
        SupplierID            varchar(4)   NULL,
        ManufacturerID        varchar(4)   NULL,
        MarkupIn              smallint     NULL,
        MarkupOut             smallint     NULL,
        DownTime              float        NULL,
        ListCost              money        NULL,
        AverageCost           money        NULL,
        Freight               float        NULL,
        SalesTax              float        NULL,
        VAT                   smallint     NULL,
        ItemClassificationID  varchar(10)  NULL,
        ItemClass             varchar(50)  NULL,
        ItemStatus            smallint     NULL,
        UnitOfMeasureID       int          NULL,
        Packing               smallint     NULL,
        BarCode               varchar(50)  NULL,
        MedicareType          varchar(5)   NULL,
        MedicareCategory      varchar(5)   NULL,
        IncludeInStatement    bit          NOT NULL DEFAULT 1,
        OralInject            varchar(1)   NULL,
        IsSeniorDiscounted    bit          NOT NULL DEFAULT 0,
        WithLotNumber         bit          NOT NULL DEFAULT 0,
        GenericID             varchar(10)  NULL,
        GLCode                varchar(20)  NULL
    );
    CREATE INDEX ixInvMaster_BarCode ON dbo.tbInvMaster (BarCode);
    CREATE INDEX ixInvMaster_Name ON dbo.tbInvMaster (ItemName, ItemDesc);
END
GO

-- Stock of one item at one location.
IF OBJECT_ID(N'dbo.tbInvent', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbInvent (
        ItemID              varchar(10) NOT NULL,
        LocationID          varchar(4)  NOT NULL,
        Markup_In           smallint    NULL,
        Markup_Out          smallint    NULL,
        NetAmount           money       NULL,
        OnHand              float       NULL,
        OnOrder             float       NULL,
        SellingPriceIn      money       NULL,
        SellingPriceOut     money       NULL,
        ItemStatus          smallint    NULL,
        AverageCost         money       NULL,
        MinStockLevel       float       NULL,
        AveConsumption      float       NULL,
        LastInventoryCount  datetime    NULL,
        ExpiryDate          datetime    NULL,
        NewGLCode           varchar(20) NULL,
        POMonthsToDeliver   float       NULL,
        MinimumOrAverage    bit         NOT NULL DEFAULT 0,
        StartDate           varchar(20) NULL,
        EndDate             varchar(20) NULL,
        LastDeliveryDate    datetime    NULL,
        LastDeliveryQty     float       NULL,
        Packing             smallint    NULL,
        IsFloor             bit         NOT NULL DEFAULT 0,
        IsCeiling           bit         NOT NULL DEFAULT 0,
        Floor               float       NOT NULL DEFAULT 0,
        Ceiling             float       NOT NULL DEFAULT 0,
        IsADSStock          bit         NULL,
        ADSStock            float       NOT NULL DEFAULT 0,
        PRIMARY KEY (ItemID, LocationID)
    );
    CREATE INDEX ixInvent_Location ON dbo.tbInvent (LocationID, ItemID);
END
GO

-- One row per line of a withdrawal request; a document is the set of rows sharing
-- DocumentNumber. LineID keeps the lines in the order they were written.
IF OBJECT_ID(N'dbo.tbInvWithdrawRequest', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbInvWithdrawRequest (
        LineID            int IDENTITY(1,1) NOT NULL PRIMARY KEY,
        DocumentNumber    varchar(10) NOT NULL,
        ItemID            varchar(10) NOT NULL,
        Quantity          float       NULL,
        UnitCost          money       NULL,
        ForRetail         varchar(1)  NULL,
        isADS             bit         NOT NULL DEFAULT 0,
        LocationID        varchar(4)  NULL,
        TargetLocationID  varchar(4)  NULL,
        TransDate         datetime    NULL,
        UserID            varchar(20) NULL,
        Status            varchar(1)  NULL,
        ProcessDate       datetime    NULL,
        ProcessBy         varchar(20) NULL,
        VerifiedBy        varchar(20) NULL,
        VerifiedDate      datetime    NULL
    );
    CREATE INDEX ixWithdrawRequest_Doc ON dbo.tbInvWithdrawRequest (DocumentNumber);
END
GO

-- The listing of requests reads this summary, not the lines: one row per document and
-- listing ('' pending: not processed; 'P' processed: ProcessDate set), over the lines
-- that are not deleted (Status 'D'). Total is the sum of the lines' totals, each rounded
-- to four decimals, exactly: a line of any quantity below 1,000,000,000 is counted in
-- decimals (999,999,999 at 999,999,999.9999 is about 10^18, past a bigint of
-- ten-thousandths); a line beyond that, which the program never writes, in floating
-- point and at most 10^24 either way (nested CASEs, so that no product can overflow a
-- float), so that no sum of lines can overflow and no write is refused. FirstLineID is the document's earliest line in that listing, which gives
-- the listing its header values. The trigger below keeps it right whoever writes the
-- lines; when the table is first made it is filled from the lines already there.

-- A summary made by an earlier version (Total a bigint of ten-thousandths) is made again.
IF EXISTS (SELECT 1 FROM sys.columns
            WHERE object_id = OBJECT_ID(N'dbo.tbInvWithdrawRequestSummary') AND name = N'Total'
              AND system_type_id = TYPE_ID(N'bigint'))
    DROP TABLE dbo.tbInvWithdrawRequestSummary;
GO

IF OBJECT_ID(N'dbo.tbInvWithdrawRequestSummary', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbInvWithdrawRequestSummary (
        Listing         varchar(1)  NOT NULL,
        DocumentNumber  varchar(10) NOT NULL,
        LineCount       int         NOT NULL,
        Total           decimal(38, 4) NOT NULL,
        FirstLineID     int         NOT NULL,
        -- The number as the listing orders by it (0 for anything but digits); written with
        -- the row, since the key never changes.
        DocNum          int         NOT NULL,
        PRIMARY KEY (Listing, DocumentNumber)
    );
    CREATE INDEX ixWithdrawRequestSummary_DocNum ON dbo.tbInvWithdrawRequestSummary (Listing, DocNum DESC);

    INSERT INTO dbo.tbInvWithdrawRequestSummary (Listing, DocumentNumber, DocNum, LineCount, Total, FirstLineID)
    SELECT CASE WHEN R.ProcessDate IS NULL THEN '' ELSE 'P' END, R.DocumentNumber,
           MIN(CASE WHEN R.DocumentNumber NOT LIKE '%[^0-9]%'
                             AND (LEN(R.DocumentNumber) BETWEEN 1 AND 9
                                  OR (LEN(R.DocumentNumber) = 10 AND R.DocumentNumber <= '2147483647'))
                        THEN CAST(R.DocumentNumber AS int) ELSE 0 END), COUNT(*),
           SUM(CASE WHEN ABS(COALESCE(R.Quantity, 0)) < 1e9
                    THEN CAST(ROUND(CAST(COALESCE(R.Quantity, 0) AS decimal(19, 6)) * CAST(COALESCE(R.UnitCost, 0) AS decimal(19, 4)), 4) AS decimal(38, 4))
                    WHEN ABS(COALESCE(R.Quantity, 0)) < 1e30
                    THEN CASE WHEN ABS(COALESCE(R.Quantity, 0) * CAST(COALESCE(R.UnitCost, 0) AS float)) < 1e24
                              THEN CAST(ROUND(COALESCE(R.Quantity, 0) * CAST(COALESCE(R.UnitCost, 0) AS float), 4) AS decimal(38, 4))
                              ELSE CAST(SIGN(COALESCE(R.Quantity, 0)) * SIGN(CAST(COALESCE(R.UnitCost, 0) AS float)) * 1e24 AS decimal(38, 4)) END
                    ELSE CAST(SIGN(COALESCE(R.Quantity, 0)) * SIGN(CAST(COALESCE(R.UnitCost, 0) AS float)) * 1e24 AS decimal(38, 4)) END),
           MIN(R.LineID)
      FROM dbo.tbInvWithdrawRequest R
     WHERE R.Status IS NULL OR NOT R.Status = 'D'
     GROUP BY CASE WHEN R.ProcessDate IS NULL THEN '' ELSE 'P' END, R.DocumentNumber;
END
GO

-- One statement at a time: the lines it removed (deleted) and added (inserted) are
-- counted per document and listing, then applied to the summary.
IF OBJECT_ID(N'dbo.trWithdrawRequest_Summary', N'TR') IS NOT NULL
    DROP TRIGGER dbo.trWithdrawRequest_Summary;
GO

CREATE TRIGGER dbo.trWithdrawRequest_Summary ON dbo.tbInvWithdrawRequest
AFTER INSERT, UPDATE, DELETE
AS
BEGIN
    SET NOCOUNT ON;
    IF NOT EXISTS (SELECT 1 FROM inserted) AND NOT EXISTS (SELECT 1 FROM deleted)
        RETURN;

    DECLARE @Changes TABLE (
        Listing varchar(1) NOT NULL, DocumentNumber varchar(10) NOT NULL,
        Lines int NOT NULL, Total decimal(38, 4) NOT NULL, FirstAdded int NOT NULL,
        PRIMARY KEY (Listing, DocumentNumber));

    INSERT INTO @Changes (Listing, DocumentNumber, Lines, Total, FirstAdded)
    SELECT C.Listing, C.DocumentNumber, SUM(C.Sign), SUM(C.Sign * C.LineTotal),
           MIN(CASE WHEN C.Sign > 0 THEN C.LineID ELSE 2147483647 END)
      FROM (SELECT CASE WHEN I.ProcessDate IS NULL THEN '' ELSE 'P' END AS Listing, I.DocumentNumber, 1 AS Sign,
                   CASE WHEN ABS(COALESCE(I.Quantity, 0)) < 1e9
                        THEN CAST(ROUND(CAST(COALESCE(I.Quantity, 0) AS decimal(19, 6)) * CAST(COALESCE(I.UnitCost, 0) AS decimal(19, 4)), 4) AS decimal(38, 4))
                        WHEN ABS(COALESCE(I.Quantity, 0)) < 1e30
                        THEN CASE WHEN ABS(COALESCE(I.Quantity, 0) * CAST(COALESCE(I.UnitCost, 0) AS float)) < 1e24
                                  THEN CAST(ROUND(COALESCE(I.Quantity, 0) * CAST(COALESCE(I.UnitCost, 0) AS float), 4) AS decimal(38, 4))
                                  ELSE CAST(SIGN(COALESCE(I.Quantity, 0)) * SIGN(CAST(COALESCE(I.UnitCost, 0) AS float)) * 1e24 AS decimal(38, 4)) END
                        ELSE CAST(SIGN(COALESCE(I.Quantity, 0)) * SIGN(CAST(COALESCE(I.UnitCost, 0) AS float)) * 1e24 AS decimal(38, 4)) END AS LineTotal,
                   I.LineID
              FROM inserted I
             WHERE I.Status IS NULL OR NOT I.Status = 'D'
            UNION ALL
            SELECT CASE WHEN D.ProcessDate IS NULL THEN '' ELSE 'P' END, D.DocumentNumber, -1,
                   CASE WHEN ABS(COALESCE(D.Quantity, 0)) < 1e9
                        THEN CAST(ROUND(CAST(COALESCE(D.Quantity, 0) AS decimal(19, 6)) * CAST(COALESCE(D.UnitCost, 0) AS decimal(19, 4)), 4) AS decimal(38, 4))
                        WHEN ABS(COALESCE(D.Quantity, 0)) < 1e30
                        THEN CASE WHEN ABS(COALESCE(D.Quantity, 0) * CAST(COALESCE(D.UnitCost, 0) AS float)) < 1e24
                                  THEN CAST(ROUND(COALESCE(D.Quantity, 0) * CAST(COALESCE(D.UnitCost, 0) AS float), 4) AS decimal(38, 4))
                                  ELSE CAST(SIGN(COALESCE(D.Quantity, 0)) * SIGN(CAST(COALESCE(D.UnitCost, 0) AS float)) * 1e24 AS decimal(38, 4)) END
                        ELSE CAST(SIGN(COALESCE(D.Quantity, 0)) * SIGN(CAST(COALESCE(D.UnitCost, 0) AS float)) * 1e24 AS decimal(38, 4)) END,
                   D.LineID
              FROM deleted D
             WHERE D.Status IS NULL OR NOT D.Status = 'D') C
     GROUP BY C.Listing, C.DocumentNumber;

    UPDATE S
       SET LineCount = S.LineCount + C.Lines,
           Total = S.Total + C.Total,
           FirstLineID = CASE WHEN C.FirstAdded < S.FirstLineID THEN C.FirstAdded ELSE S.FirstLineID END
      FROM dbo.tbInvWithdrawRequestSummary S
      JOIN @Changes C ON C.Listing = S.Listing AND C.DocumentNumber = S.DocumentNumber;

    INSERT INTO dbo.tbInvWithdrawRequestSummary (Listing, DocumentNumber, DocNum, LineCount, Total, FirstLineID)
    SELECT C.Listing, C.DocumentNumber,
           CASE WHEN C.DocumentNumber NOT LIKE '%[^0-9]%'
                             AND (LEN(C.DocumentNumber) BETWEEN 1 AND 9
                                  OR (LEN(C.DocumentNumber) = 10 AND C.DocumentNumber <= '2147483647'))
                        THEN CAST(C.DocumentNumber AS int) ELSE 0 END,
           C.Lines, C.Total, C.FirstAdded
      FROM @Changes C
     WHERE C.Lines > 0
       AND NOT EXISTS (SELECT 1 FROM dbo.tbInvWithdrawRequestSummary S
                        WHERE S.Listing = C.Listing AND S.DocumentNumber = C.DocumentNumber);

    DELETE S
      FROM dbo.tbInvWithdrawRequestSummary S
      JOIN @Changes C ON C.Listing = S.Listing AND C.DocumentNumber = S.DocumentNumber
     WHERE S.LineCount <= 0;

    -- A document whose first line left the listing takes its next one.
    UPDATE S
       SET FirstLineID = (SELECT MIN(R.LineID) FROM dbo.tbInvWithdrawRequest R
                           WHERE R.DocumentNumber = S.DocumentNumber
                             AND (R.Status IS NULL OR NOT R.Status = 'D')
                             AND CASE WHEN R.ProcessDate IS NULL THEN '' ELSE 'P' END = S.Listing)
      FROM dbo.tbInvWithdrawRequestSummary S
      JOIN @Changes C ON C.Listing = S.Listing AND C.DocumentNumber = S.DocumentNumber
     WHERE NOT EXISTS (SELECT 1 FROM dbo.tbInvWithdrawRequest R
                        WHERE R.LineID = S.FirstLineID AND R.DocumentNumber = S.DocumentNumber
                          AND (R.Status IS NULL OR NOT R.Status = 'D')
                          AND CASE WHEN R.ProcessDate IS NULL THEN '' ELSE 'P' END = S.Listing);
END
GO

SET NOEXEC OFF;
GO
