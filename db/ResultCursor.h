#pragma once

#include "Dialect.h"
#include "ResultReader.h"
#include "ResultTable.h"

#include <QSqlError>
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
// read are those of the moment the cursor opened, until it is paused. Elsewhere (other
// databases, another journal mode, inside a transaction) the whole result comes in the
// first block.
//
// An open read keeps the write-ahead log from being copied back into the file past the
// state it reads, so a cursor left open while others save lets the log grow without end.
// A paused cursor holds no read; it reads on by running its statement again from the last
// row it handed out, which must still be the same row.
class ResultCursor
{
public:
    ~ResultCursor();
    ResultCursor(const ResultCursor &) = delete;
    ResultCursor &operator=(const ResultCursor &) = delete;

    // The next rows, at most maxRows (at least 1); fewer, possibly none, at the end.
    // Throws DbError.
    std::shared_ptr<const ResultTable> fetch(int maxRows);
    // Every row not read yet; the cursor is then at its end. Where the statement's plan
    // shows the first rows soonest but is slow to read all of them, the rest are read
    // through the rest statement of its plan (see CursorStatements): the same rows, in
    // the same order, of the same state of the database. Throws DbError.
    std::shared_ptr<const ResultTable> fetchRest();
    bool atEnd() const { return m_atEnd; }

    // Lets go of the read (the reading connection stays); nothing is read meanwhile.
    void pause();
    // Reads on after a pause: runs the statement again up to the last row handed out.
    // True when that row is still the same row at the same place (the next rows then
    // follow it, none twice, none left out), and when not paused. False when the result
    // changed before it: the cursor then reads again from the first row. Throws DbError.
    bool resume();

private:
    friend class Connection;
    ResultCursor() = default;
    // Lets go of the statement and the reading connection; a sound one goes back to the
    // idle readers of its connection, if that still exists.
    void release(bool reusable = true);
    // At most maxRows rows, every one left when it is negative.
    std::shared_ptr<const ResultTable> read(int maxRows);
    // Goes on with the plan's rest statement where there is one and it pays: for the
    // rest at once always, block by block once the rows read have made it the faster.
    void continueIfFaster(bool toTheEnd);
    [[noreturn]] void fail(const QSqlError &error);
    // Runs a statement on the reading connection as the open statement (the one open
    // before ends once it runs).
    void execute(const Translated &statement);
    // Runs the statement again from its row `row` on, for reading on after a pause.
    void reopenAt(qint64 row);
    void keepLastRow(const ResultTable &rows);

    std::unique_ptr<Connection> m_reader;          // the reading connection, when there is one
    std::weak_ptr<IdleReaders> m_idle;             // where the reading connection goes back to
    std::unique_ptr<QSqlQuery> m_query;            // the open statement on it
    std::unique_ptr<ResultReader> m_rows;          // reads the open statement's rows
    std::shared_ptr<const ResultTable> m_whole;    // a result fetched at once, not yet handed out
    Translated m_first;                            // the statement the cursor opened with, translated
    Translated m_sent;                             // the statement m_rowsRead counts, as the reader sent it
    Translated m_planRest;                         // the plan's rest statement (see CursorStatements)
    Translated m_rest;                             // the same while it may still be taken; empty after
    std::function<qint64(QSqlDatabase &)> m_restPaysAfter;
    qint64 m_continueAfter = -1;                   // rows before the rest pays; -1 not asked yet
    qint64 m_rowsRead = 0;                         // rows handed out by the open statement's read
    QVariantList m_lastRow;                        // the last row handed out, to know it again
    bool m_paused = false;
    bool m_atEnd = false;
};
