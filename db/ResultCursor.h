#pragma once

#include "ResultTable.h"

#include <QSqlQuery>

#include <memory>
#include <vector>

class Connection;

// Reading connections that finished cursors let go of, kept for the next cursor: opening
// one costs more than most listings take to read. An idle one holds no read, so the next
// cursor on it sees every save committed up to its own start.
struct IdleReaders {
    static constexpr size_t kept = 2;
    std::vector<std::unique_ptr<Connection>> connections;
};

// A result read a block of rows at a time, as a view needs them, so that the first rows
// of a long listing show at once and memory follows what was read, not the whole result.
//
// On the embedded database in WAL mode the statement runs on a reading connection of its
// own: an unfinished read there pins nothing on the connection the program writes through
// (a pending read would hold that connection to an old snapshot and make its next save
// fail as busy), and in WAL mode it holds up no other workstation's save either. The rows
// read are those of the moment the cursor opened. Elsewhere (other databases, another
// journal mode, inside a transaction) the whole result comes in the first block.
class ResultCursor
{
public:
    ~ResultCursor();
    ResultCursor(const ResultCursor &) = delete;
    ResultCursor &operator=(const ResultCursor &) = delete;

    // The next rows, at most maxRows (at least 1); fewer, possibly none, at the end.
    // Throws DbError.
    std::shared_ptr<const ResultTable> fetch(int maxRows);
    bool atEnd() const { return m_atEnd; }

private:
    friend class Connection;
    ResultCursor() = default;
    // Lets go of the statement and the reading connection; a sound one goes back to the
    // idle readers of its connection, if that still exists.
    void release(bool reusable = true);

    std::unique_ptr<Connection> m_reader;          // the reading connection, when there is one
    std::weak_ptr<IdleReaders> m_idle;             // where the reading connection goes back to
    std::unique_ptr<QSqlQuery> m_query;            // the open statement on it
    std::shared_ptr<const ResultTable> m_whole;    // a result fetched at once, not yet handed out
    bool m_atEnd = false;
};
