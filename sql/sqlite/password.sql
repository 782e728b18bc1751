-- The shared password database, kept in its own file and attached as "password".
-- Passwords are stored enciphered with the program's password cipher.
CREATE TABLE password.tbpasswordmain (
    EmployeeId    VARCHAR(20)  COLLATE NOCASE_RTRIM NOT NULL PRIMARY KEY,
    EmployeeName  VARCHAR(100) COLLATE NOCASE_RTRIM,
    Password      VARCHAR(100) COLLATE NOCASE_RTRIM,
    departmentid  VARCHAR(4)   COLLATE NOCASE_RTRIM,
    Right_Code1   VARCHAR(1)   COLLATE NOCASE_RTRIM,
    Right_Code2   VARCHAR(1)   COLLATE NOCASE_RTRIM
);
