-- Embedded (SQLite) schema of the inventory database.
--
-- Conventions that let the program's T-SQL statement texts run unchanged:
--  * every text column is declared COLLATE NOCASE_RTRIM: comparisons ignore case and
--    trailing blanks, as SQL Server's default collation does;
--  * DATETIME columns hold 'YYYY-MM-DD HH:MM:SS.fff' texts; the dialect layer turns the
--    date literals of the statements into that form and reads them back as date-times;
--  * BIT columns hold 0/1 and are read back as Booleans;
--  * MONEY columns hold amounts with four decimals.
-- The password database lives in its own file, attached as "password".

CREATE TABLE tbHospitalInfo (
    HospitalID    INTEGER PRIMARY KEY,
    Company       VARCHAR(100) COLLATE NOCASE_RTRIM,
    Address1      VARCHAR(200) COLLATE NOCASE_RTRIM,
    Address2      VARCHAR(200) COLLATE NOCASE_RTRIM,
    TelNum        VARCHAR(50)  COLLATE NOCASE_RTRIM
);

CREATE TABLE tbInvLocation (
    LocationID       VARCHAR(4)  COLLATE NOCASE_RTRIM NOT NULL PRIMARY KEY,
    Location         VARCHAR(50) COLLATE NOCASE_RTRIM,
    Status           VARCHAR(1)  COLLATE NOCASE_RTRIM,
    IsWareHouse      BIT NOT NULL DEFAULT 0,
    isDispensingArea BIT NOT NULL DEFAULT 0,
    AllowOrder       BIT NOT NULL DEFAULT 0,
    InventoryType    VARCHAR(20) COLLATE NOCASE_RTRIM
);
CREATE INDEX ixInvLocation_Location ON tbInvLocation (Location);

-- The locations each employee may request for (read by sp_Inv_UserLocation).
CREATE TABLE tbInvUserLocation (
    EmployeeID  VARCHAR(20) COLLATE NOCASE_RTRIM NOT NULL,
    LocationID  VARCHAR(4)  COLLATE NOCASE_RTRIM NOT NULL,
    PRIMARY KEY (EmployeeID, LocationID)
);

CREATE TABLE tbInvTerms (
    TermsID  INTEGER NOT NULL PRIMARY KEY,
    Terms    VARCHAR(50) COLLATE NOCASE_RTRIM,
    NoDays   SMALLINT,
    Status   VARCHAR(1)  COLLATE NOCASE_RTRIM
);

CREATE TABLE tbInvUnitOfMeasure (
    UnitOfMeasureID  INTEGER NOT NULL PRIMARY KEY,
    UnitOfMeasure    VARCHAR(30) COLLATE NOCASE_RTRIM,
    Status           VARCHAR(1)  COLLATE NOCASE_RTRIM
);

CREATE TABLE tbInvSupplier (
    SupplierID     VARCHAR(4)   COLLATE NOCASE_RTRIM NOT NULL PRIMARY KEY,
    SupplierName   VARCHAR(100) COLLATE NOCASE_RTRIM,
    Status         VARCHAR(1)   COLLATE NOCASE_RTRIM,
    SupplierType   VARCHAR(20)  COLLATE NOCASE_RTRIM,
    Address1       VARCHAR(100) COLLATE NOCASE_RTRIM,
    Address2       VARCHAR(100) COLLATE NOCASE_RTRIM,
    Address3       VARCHAR(100) COLLATE NOCASE_RTRIM,
    TermsID        INTEGER,
    TelNum         VARCHAR(50)  COLLATE NOCASE_RTRIM,
    FreeGoods      BIT NOT NULL DEFAULT 0,
    isVAT          BIT NOT NULL DEFAULT 0,
    ContactPerson  VARCHAR(100) COLLATE NOCASE_RTRIM
);
CREATE INDEX ixInvSupplier_Name ON tbInvSupplier (SupplierName);

CREATE TABLE tbInvClassification (
    ItemClassificationID    VARCHAR(10) COLLATE NOCASE_RTRIM NOT NULL PRIMARY KEY,
    ItemClassificationName  VARCHAR(50) COLLATE NOCASE_RTRIM,
    Status                  VARCHAR(1)  COLLATE NOCASE_RTRIM
);

CREATE TABLE tbforClassification (
    Node_Key            VARCHAR(50)  COLLATE NOCASE_RTRIM NOT NULL PRIMARY KEY,
    ClassificationName  VARCHAR(100) COLLATE NOCASE_RTRIM
);

CREATE TABLE tbforGeneric (
    GenericID    VARCHAR(10)  COLLATE NOCASE_RTRIM NOT NULL PRIMARY KEY,
    GenericName  VARCHAR(100) COLLATE NOCASE_RTRIM,
    Node_Key     VARCHAR(50)  COLLATE NOCASE_RTRIM
);

CREATE TABLE tbInvMaster (
    ItemID                VARCHAR(10)  COLLATE NOCASE_RTRIM NOT NULL PRIMARY KEY,
    ItemName              VARCHAR(100) COLLATE NOCASE_RTRIM,
    ItemDesc              VARCHAR(200) COLLATE NOCASE_RTRIM,
    SupplierID            VARCHAR(4)   COLLATE NOCASE_RTRIM,
    ManufacturerID        VARCHAR(4)   COLLATE NOCASE_RTRIM,
    MarkupIn              SMALLINT,
    MarkupOut             SMALLINT,
    DownTime              FLOAT,
    ListCost              MONEY,
    AverageCost           MONEY,
    Freight               FLOAT,
    SalesTax              FLOAT,
    VAT                   SMALLINT,
    ItemClassificationID  VARCHAR(10)  COLLATE NOCASE_RTRIM,
    ItemClass             VARCHAR(50)  COLLATE NOCASE_RTRIM,
    ItemStatus            SMALLINT,
    UnitOfMeasureID       INTEGER,
    Packing               SMALLINT,
    BarCode               VARCHAR(50)  COLLATE NOCASE_RTRIM,
    MedicareType          VARCHAR(5)   COLLATE NOCASE_RTRIM,
    MedicareCategory      VARCHAR(5)   COLLATE NOCASE_RTRIM,
    IncludeInStatement    BIT NOT NULL DEFAULT 1,
    OralInject            VARCHAR(1)   COLLATE NOCASE_RTRIM,
    IsSeniorDiscounted    BIT NOT NULL DEFAULT 0,
    WithLotNumber         BIT NOT NULL DEFAULT 0,
    GenericID             VARCHAR(10)  COLLATE NOCASE_RTRIM,
    GLCode                VARCHAR(20)  COLLATE NOCASE_RTRIM
);
CREATE INDEX ixInvMaster_BarCode ON tbInvMaster (BarCode);
CREATE INDEX ixInvMaster_Name ON tbInvMaster (ItemName, ItemDesc);

-- Stock of one item at one location.
CREATE TABLE tbInvent (
    ItemID              VARCHAR(10) COLLATE NOCASE_RTRIM NOT NULL,
    LocationID          VARCHAR(4)  COLLATE NOCASE_RTRIM NOT NULL,
    Markup_In           SMALLINT,
    Markup_Out          SMALLINT,
    NetAmount           MONEY,
    OnHand              FLOAT,
    OnOrder             FLOAT,
    SellingPriceIn      MONEY,
    SellingPriceOut     MONEY,
    ItemStatus          SMALLINT,
    AverageCost         MONEY,
    MinStockLevel       FLOAT,
    AveConsumption      FLOAT,
    LastInventoryCount  DATETIME,
    ExpiryDate          DATETIME,
    NewGLCode           VARCHAR(20) COLLATE NOCASE_RTRIM,
    POMonthsToDeliver   FLOAT,
    MinimumOrAverage    BIT NOT NULL DEFAULT 0,
    StartDate           VARCHAR(20) COLLATE NOCASE_RTRIM,
    EndDate             VARCHAR(20) COLLATE NOCASE_RTRIM,
    LastDeliveryDate    DATETIME,
    LastDeliveryQty     FLOAT,
    Packing             SMALLINT,
    IsFloor             BIT NOT NULL DEFAULT 0,
    IsCeiling           BIT NOT NULL DEFAULT 0,
    Floor               FLOAT NOT NULL DEFAULT 0,
    Ceiling             FLOAT NOT NULL DEFAULT 0,
    IsADSStock          BIT,
    ADSStock            FLOAT NOT NULL DEFAULT 0,
    PRIMARY KEY (ItemID, LocationID)
);
CREATE INDEX ixInvent_Location ON tbInvent (LocationID, ItemID);

-- One row per line of a withdrawal request; a document is the set of rows sharing
-- DocumentNumber. LineID keeps the lines in the order they were written.
CREATE TABLE tbInvWithdrawRequest (
    LineID            INTEGER PRIMARY KEY AUTOINCREMENT,
    -- Digits only, written trimmed; compared as they are, so that the numbering's
    -- max(Cast(DocumentNumber as int)) can read the last entry of the index below.
    DocumentNumber    VARCHAR(10) NOT NULL,
    ItemID            VARCHAR(10) COLLATE NOCASE_RTRIM NOT NULL,
    Quantity          FLOAT,
    UnitCost          MONEY,
    ForRetail         VARCHAR(1)  COLLATE NOCASE_RTRIM,
    isADS             BIT NOT NULL DEFAULT 0,
    LocationID        VARCHAR(4)  COLLATE NOCASE_RTRIM,
    TargetLocationID  VARCHAR(4)  COLLATE NOCASE_RTRIM,
    TransDate         DATETIME,
    UserID            VARCHAR(20) COLLATE NOCASE_RTRIM,
    Status            VARCHAR(1)  COLLATE NOCASE_RTRIM,
    ProcessDate       DATETIME,
    ProcessBy         VARCHAR(20) COLLATE NOCASE_RTRIM,
    VerifiedBy        VARCHAR(20) COLLATE NOCASE_RTRIM,
    VerifiedDate      DATETIME
);
CREATE INDEX ixWithdrawRequest_Doc ON tbInvWithdrawRequest (DocumentNumber);
CREATE INDEX ixWithdrawRequest_DocNum ON tbInvWithdrawRequest (CAST(DocumentNumber AS int));

-- The listing of requests reads this summary, not the lines: one row per document and
-- listing ('' pending: not processed; 'P' processed: ProcessDate set), over the lines
-- that are not deleted (Status 'D'). The total is the sum of the lines' totals, each
-- rounded to four decimals, kept exactly by integer steps in two parts: TotalHigh whole
-- hundred thousands, TotalLow ten-thousandths (of either sign, any size), so that the
-- total is TotalHigh * 100000 + TotalLow / 10000. One 64-bit integer of ten-thousandths
-- would overflow: a line of 999,999,999 at 999,999,999.9999 alone is about 10^22 of them.
-- FirstLineID is the document's earliest line in that listing; the listing takes the
-- header values (locations, date, user) from it. The triggers below keep the summary
-- right whoever writes the lines (a line put in the place of another by INSERT OR
-- REPLACE only on a connection with PRAGMA recursive_triggers on, as the program's are;
-- summary.sql sets the summary right after any other); each row costs a few index
-- steps, so a save that rewrites a 1,000-line document stays linear. When the first
-- line leaves, the next one is sought after it (the lines before it are not in that
-- listing), which is one step when a statement goes through a document's lines in
-- order, as saves and marks do.
CREATE TABLE tbInvWithdrawRequestSummary (
    Listing         VARCHAR(1)  NOT NULL,
    DocumentNumber  VARCHAR(10) NOT NULL,
    LineCount       INTEGER NOT NULL,
    TotalHigh       INTEGER NOT NULL,
    TotalLow        INTEGER NOT NULL,
    FirstLineID     INTEGER NOT NULL,
    PRIMARY KEY (Listing, DocumentNumber)
) WITHOUT ROWID;
CREATE INDEX ixWithdrawRequestSummary_DocNum ON tbInvWithdrawRequestSummary (Listing, CAST(DocumentNumber AS int));

-- The expressions repeated in the triggers (written out: SQLite has no functions of its own):
--   listing of a line  CASE WHEN upper(rtrim(Status)) = 'D' THEN NULL WHEN ProcessDate IS NULL THEN '' ELSE 'P' END
--   total of a line    High and Low of the subquery on Quantity (Q) and UnitCost (U): the
--                      whole quantity times the whole unit cost exactly in integers; the rest
--                      (the fractions) in ten-thousandths, a unit cost of four decimals taken
--                      as exactly that (its binary value differs by up to 10^-7 near 10^9).
-- (upper/rtrim instead of the column's collation, so that any program may write the lines.)
CREATE TRIGGER trWithdrawRequest_Insert AFTER INSERT ON tbInvWithdrawRequest
WHEN upper(rtrim(NEW.Status)) IS NOT 'D'
BEGIN
    INSERT INTO tbInvWithdrawRequestSummary (Listing, DocumentNumber, LineCount, TotalHigh, TotalLow, FirstLineID)
    SELECT CASE WHEN NEW.ProcessDate IS NULL THEN '' ELSE 'P' END, NEW.DocumentNumber, 1, P.High, P.Low, NEW.LineID
      FROM (SELECT qi * uw / 100000 AS High,
              qi * uw % 100000 * 10000 + coalesce(CAST(round(
                  qi * CASE WHEN abs(F - round(F)) < 0.001 THEN round(F) ELSE F END + (Q - qi) * U * 10000) AS INTEGER), 0) AS Low
         FROM (SELECT Q, U, qi, uw, (U - uw) * 10000 AS F
                 FROM (SELECT Q, U, CAST(Q AS INTEGER) AS qi, CAST(U AS INTEGER) AS uw
                         FROM (SELECT coalesce(NEW.Quantity, 0) AS Q, coalesce(NEW.UnitCost, 0) AS U)))) P
     WHERE 1
    ON CONFLICT (Listing, DocumentNumber) DO UPDATE
       SET LineCount = LineCount + 1, TotalHigh = TotalHigh + excluded.TotalHigh,
           TotalLow = TotalLow + excluded.TotalLow, FirstLineID = min(FirstLineID, excluded.FirstLineID);
END;

CREATE TRIGGER trWithdrawRequest_Delete AFTER DELETE ON tbInvWithdrawRequest
WHEN upper(rtrim(OLD.Status)) IS NOT 'D'
BEGIN
    UPDATE tbInvWithdrawRequestSummary
       SET LineCount = LineCount - 1,
           (TotalHigh, TotalLow) = (SELECT TotalHigh - P.High, TotalLow - P.Low
                                      FROM (SELECT qi * uw / 100000 AS High,
                                              qi * uw % 100000 * 10000 + coalesce(CAST(round(
                                                  qi * CASE WHEN abs(F - round(F)) < 0.001 THEN round(F) ELSE F END + (Q - qi) * U * 10000) AS INTEGER), 0) AS Low
                                         FROM (SELECT Q, U, qi, uw, (U - uw) * 10000 AS F
                                                 FROM (SELECT Q, U, CAST(Q AS INTEGER) AS qi, CAST(U AS INTEGER) AS uw
                                                         FROM (SELECT coalesce(OLD.Quantity, 0) AS Q, coalesce(OLD.UnitCost, 0) AS U)))) P),
           FirstLineID = CASE WHEN FirstLineID = OLD.LineID AND LineCount > 1 THEN coalesce(
               (SELECT R.LineID FROM tbInvWithdrawRequest R
                 WHERE R.DocumentNumber = OLD.DocumentNumber AND R.LineID > OLD.LineID
                   AND (CASE WHEN upper(rtrim(R.Status)) = 'D' THEN NULL WHEN R.ProcessDate IS NULL THEN '' ELSE 'P' END)
                     = (CASE WHEN OLD.ProcessDate IS NULL THEN '' ELSE 'P' END)
                 ORDER BY R.LineID LIMIT 1), 0) ELSE FirstLineID END
     WHERE Listing = (CASE WHEN OLD.ProcessDate IS NULL THEN '' ELSE 'P' END) AND DocumentNumber = OLD.DocumentNumber;
    DELETE FROM tbInvWithdrawRequestSummary
     WHERE Listing = (CASE WHEN OLD.ProcessDate IS NULL THEN '' ELSE 'P' END) AND DocumentNumber = OLD.DocumentNumber
       AND LineCount <= 0;
END;

-- An update moves the line out of its old listing and into its new one. Changes of
-- other columns (verification stamps, header values) need nothing: the listing reads
-- them from the line.
CREATE TRIGGER trWithdrawRequest_Update
AFTER UPDATE OF LineID, DocumentNumber, Quantity, UnitCost, Status, ProcessDate ON tbInvWithdrawRequest
BEGIN
    UPDATE tbInvWithdrawRequestSummary
       SET LineCount = LineCount - 1,
           (TotalHigh, TotalLow) = (SELECT TotalHigh - P.High, TotalLow - P.Low
                                      FROM (SELECT qi * uw / 100000 AS High,
                                              qi * uw % 100000 * 10000 + coalesce(CAST(round(
                                                  qi * CASE WHEN abs(F - round(F)) < 0.001 THEN round(F) ELSE F END + (Q - qi) * U * 10000) AS INTEGER), 0) AS Low
                                         FROM (SELECT Q, U, qi, uw, (U - uw) * 10000 AS F
                                                 FROM (SELECT Q, U, CAST(Q AS INTEGER) AS qi, CAST(U AS INTEGER) AS uw
                                                         FROM (SELECT coalesce(OLD.Quantity, 0) AS Q, coalesce(OLD.UnitCost, 0) AS U)))) P),
           FirstLineID = CASE WHEN FirstLineID = OLD.LineID AND LineCount > 1 THEN coalesce(
               (SELECT R.LineID FROM tbInvWithdrawRequest R
                 WHERE R.DocumentNumber = OLD.DocumentNumber AND R.LineID > OLD.LineID
                   AND NOT R.LineID = NEW.LineID
                   AND (CASE WHEN upper(rtrim(R.Status)) = 'D' THEN NULL WHEN R.ProcessDate IS NULL THEN '' ELSE 'P' END)
                     = (CASE WHEN OLD.ProcessDate IS NULL THEN '' ELSE 'P' END)
                 ORDER BY R.LineID LIMIT 1), 0) ELSE FirstLineID END
     WHERE upper(rtrim(OLD.Status)) IS NOT 'D'
       AND Listing = (CASE WHEN OLD.ProcessDate IS NULL THEN '' ELSE 'P' END) AND DocumentNumber = OLD.DocumentNumber;
    DELETE FROM tbInvWithdrawRequestSummary
     WHERE upper(rtrim(OLD.Status)) IS NOT 'D'
       AND Listing = (CASE WHEN OLD.ProcessDate IS NULL THEN '' ELSE 'P' END) AND DocumentNumber = OLD.DocumentNumber
       AND LineCount <= 0;
    INSERT INTO tbInvWithdrawRequestSummary (Listing, DocumentNumber, LineCount, TotalHigh, TotalLow, FirstLineID)
    SELECT CASE WHEN NEW.ProcessDate IS NULL THEN '' ELSE 'P' END, NEW.DocumentNumber, 1, P.High, P.Low, NEW.LineID
      FROM (SELECT qi * uw / 100000 AS High,
              qi * uw % 100000 * 10000 + coalesce(CAST(round(
                  qi * CASE WHEN abs(F - round(F)) < 0.001 THEN round(F) ELSE F END + (Q - qi) * U * 10000) AS INTEGER), 0) AS Low
         FROM (SELECT Q, U, qi, uw, (U - uw) * 10000 AS F
                 FROM (SELECT Q, U, CAST(Q AS INTEGER) AS qi, CAST(U AS INTEGER) AS uw
                         FROM (SELECT coalesce(NEW.Quantity, 0) AS Q, coalesce(NEW.UnitCost, 0) AS U)))) P
     WHERE upper(rtrim(NEW.Status)) IS NOT 'D'
    ON CONFLICT (Listing, DocumentNumber) DO UPDATE
       SET LineCount = LineCount + 1, TotalHigh = TotalHigh + excluded.TotalHigh,
           TotalLow = TotalLow + excluded.TotalLow, FirstLineID = min(FirstLineID, excluded.FirstLineID);
END;

-- Stored procedures: parameterised SQLite statements called by name (see procedures.sql).
CREATE TABLE sysProcedures (
    Name        VARCHAR(128) COLLATE NOCASE NOT NULL PRIMARY KEY,
    Parameters  TEXT NOT NULL,
    Body        TEXT NOT NULL
);
