-- The shared password database on Microsoft SQL Server: creates database "password"
-- when it is missing and its table tbpasswordmain. Run it first, from any database:
--     sqlcmd -b -S server -i password.sql
-- Passwords are stored enciphered with the program's password cipher. A new database
-- gets the case-insensitive UTF-8 collation on SQL Server 2019 (15) or later, on older
-- servers the server's default collation when it is case-insensitive, else
-- Latin1_General_CI_AS. The password statements name the column EmployeeId also as
-- "Employeeid", so a case-sensitive password database is refused.

-- SQL Server 2016 SP1 (13.0.4001) or later (CREATE OR ALTER, TRY_CAST); Azure SQL
-- Managed Instance (engine edition 8) qualifies. Azure SQL Database (5) does not: it
-- cannot read another database by a three-part name (password..tbpasswordmain). On
-- such a server nothing below is run.
DECLARE @version nvarchar(128) = CAST(SERVERPROPERTY('ProductVersion') AS nvarchar(128));
IF CAST(SERVERPROPERTY('EngineEdition') AS int) NOT IN (5, 8)
    AND (CAST(PARSENAME(@version, 4) AS int) < 13
        OR (CAST(PARSENAME(@version, 4) AS int) = 13 AND CAST(PARSENAME(@version, 2) AS int) < 4001))
BEGIN
    RAISERROR('Quellar needs SQL Server 2016 SP1 (13.0.4001) or later; this server is version %s. Nothing was changed.',
              16, 1, @version);
    SET NOEXEC ON;
END
IF CAST(SERVERPROPERTY('EngineEdition') AS int) = 5
BEGIN
    RAISERROR('Quellar cannot use Azure SQL Database, which cannot read the password database by a three-part name (password..tbpasswordmain); use SQL Server or Azure SQL Managed Instance. Nothing was changed.',
              16, 1);
    SET NOEXEC ON;
END
GO

IF DB_ID(N'password') IS NULL
BEGIN
    IF CAST(PARSENAME(CAST(SERVERPROPERTY('ProductVersion') AS nvarchar(128)), 4) AS int) >= 15
       OR CAST(SERVERPROPERTY('EngineEdition') AS int) = 8
        EXEC sp_executesql N'CREATE DATABASE [password] COLLATE Latin1_General_100_CI_AS_SC_UTF8';
    ELSE IF CAST(SERVERPROPERTY('Collation') AS nvarchar(128)) LIKE N'%[_]CI[_]%'
        EXEC sp_executesql N'CREATE DATABASE [password]';
    ELSE
        EXEC sp_executesql N'CREATE DATABASE [password] COLLATE Latin1_General_CI_AS';
END
GO

DECLARE @collation nvarchar(128) = CAST(DATABASEPROPERTYEX(N'password', 'Collation') AS nvarchar(128));
IF @collation NOT LIKE N'%[_]CI[_]%' AND @collation NOT LIKE N'%[_]CI'
BEGIN
    RAISERROR('The database password has the case-sensitive collation %s, in which the verification''s "Employeeid" does not find the column EmployeeId; give it a case-insensitive collation (ALTER DATABASE [password] COLLATE ...). Nothing more was changed.',
              16, 1, @collation);
    SET NOEXEC ON;
END
GO

SET ANSI_NULLS ON;
SET ANSI_PADDING ON;
SET QUOTED_IDENTIFIER ON;
GO

IF OBJECT_ID(N'[password].dbo.tbpasswordmain', N'U') IS NULL
BEGIN
    CREATE TABLE [password].dbo.tbpasswordmain (
        EmployeeId    varchar(20)  NOT NULL PRIMARY KEY,
        EmployeeName  varchar(100) NULL,
        Password      varchar(100) NULL,
        departmentid  varchar(4)   NULL,
        Right_Code1   varchar(1)   NULL,
        Right_Code2   varchar(1)   NULL
    );
END
GO

SET NOEXEC OFF;
GO
