#pragma once

#include "DatabaseTable.h"

#include <vector>

// The database side of a report: its tables, in the order the report file lists them.
class ReportDatabase
{
public:
    explicit ReportDatabase(std::vector<DatabaseTable> tables) : m_tables(std::move(tables)) {}

    std::vector<DatabaseTable> &Tables() { return m_tables; }
    const std::vector<DatabaseTable> &Tables() const { return m_tables; }

private:
    std::vector<DatabaseTable> m_tables;
};
