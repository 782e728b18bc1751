-- The shared password database on Microsoft SQL Server: creates database "password"
-- when it is missing and its table tbpasswordmain. Run it first, from any database:
--     sqlcmd -S server -i password.sql
-- Passwords are stored enciphered with the program's password cipher.

IF DB_ID(N'password') IS NULL
    CREATE DATABASE [password];
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
