#pragma once

#include <QString>

#include <string>
#include <variant>
#include <vector>

struct sqlite3;

// The same database reached straight through SQLite's C API, with the program's SQL
// functions and collation: the floor each benchmark case is compared with.
class RawDatabase
{
public:
    using Value = std::variant<std::monostate, std::int64_t, double, std::string>;
    using Rows = std::vector<std::vector<Value>>;

    explicit RawDatabase(const QString &file);
    ~RawDatabase();
    RawDatabase(const RawDatabase &) = delete;
    RawDatabase &operator=(const RawDatabase &) = delete;

    // Runs a statement and reads every row into memory. Throws DbError.
    Rows query(const QString &sql, const std::vector<std::string> &parameters = {});
    // Runs statements that return no rows. Throws DbError.
    void execute(const char *sql);

    // Inserts one row per given row, its values as texts after the first value, which
    // all share (as a save writes its lines under one number).
    void insertRows(const char *sql, const std::string &first, const Rows &rows);

    sqlite3 *handle() const { return m_db; }

    static std::string text(const Value &value);
    static QString qtext(const Value &value);
    // The next prefix after a name prefix, for an index range ("PARA" gives "PARB").
    static QString prefixEnd(const QString &prefix);
    // The products of one location as the search window lists them, walked in name order
    // (CROSS JOIN keeps the item master outside) so that the first screen needs no sort.
    static QString productFloorStatement(const QString &condition);
    // Every product of one location in that order, read to the end: the location's stock
    // first and one sort, the plan SQLite takes for the whole list.
    static QString allProductsFloorStatement();

    // The listing of pending or processed requests as a plain query: one row per
    // document, newest first, as many as its one parameter says. The expression index
    // on the number lets SQLite walk the documents in order and stop early.
    static QString listingStatement(bool processed);
    [[noreturn]] void fail() const;

private:
    sqlite3 *m_db = nullptr;
};
