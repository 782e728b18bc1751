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

-- Stored procedures: parameterised SQLite statements called by name (see procedures.sql).
CREATE TABLE sysProcedures (
    Name        VARCHAR(128) COLLATE NOCASE NOT NULL PRIMARY KEY,
    Parameters  TEXT NOT NULL,
    Body        TEXT NOT NULL
);
