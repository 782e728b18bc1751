#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <map>
#include <optional>
#include <mutex>
#include <thread>
#include <vector>

// A loopback stand-in for SQL Server that speaks just enough TDS 7.4 for a driver to log
// in and send requests: it answers the pre-login, the log-in (as "Microsoft SQL Server"),
// SQL batches and procedure calls, and writes down every request it receives. Statements
// are answered with a done token, or with the rows (batches only) or the error a test asks
// for; it keeps the count of open transactions per connection as @@TRANCOUNT would.
class TdsResponder
{
public:
    struct Request {
        enum class Kind { Batch, Rpc, TransactionManager, Attention, Other };
        int session = 0;   // 1 for the first connection accepted, 2 for the next, ...
        Kind kind = Kind::Other;
        QString text;      // a batch's text; for a call, its first text parameter
        int procedureId = 0;  // a call by number (2 sp_cursoropen, 10 sp_executesql, ...)
        QString procedure; // a call by name
        bool isCursorCall() const;
        QString describe() const;
    };

    // What a client's log-in named.
    struct LogIn {
        QString user;
        QString password;
        QString application;
        QString database;
        bool windowsAuthentication = false; // integrated security asked for (NTLM, Kerberos)
    };

    // Points unixODBC at a driver list of the test's own in that folder, FreeTDS under each
    // of the names given, so that the system's odbcinst.ini does not matter. An empty
    // text, or why it cannot be done (FreeTDS's driver missing).
    static QString useFreeTds(const QString &folder, const QStringList &names = {QStringLiteral("FreeTDS")});

    TdsResponder();  // listens on a free port of 127.0.0.1 at once
    ~TdsResponder();
    TdsResponder(const TdsResponder &) = delete;
    TdsResponder &operator=(const TdsResponder &) = delete;

    quint16 port() const { return m_port; }

    std::vector<Request> requests() const;
    std::vector<Request> requestsOf(int session) const;
    int lastSession() const;
    int transactionCount(int session) const;
    bool sessionClosed(int session) const;
    LogIn logInOf(int session) const;

    // Batches that begin with `start` (case ignored) get one row set: columns named with
    // a trailing "#" are int, the others nvarchar. A later answer for the same start
    // replaces the earlier one.
    void answerRows(const QString &start, const QStringList &columns, const std::vector<QVariantList> &rows);
    // The next statement that begins with `start` fails with that error (severity 16). With
    // takesEffect, what it does to the transaction count happens all the same.
    void failNext(const QString &start, int number, const QString &message, bool takesEffect = false);
    void forgetFailures();

    // Batches are offered to the answerer before the rows above (after the failures): an
    // answer with an error fails the batch with it (number 208), one with columns is a
    // row set, any other is a done token. It runs on the responder's threads, one batch
    // at a time; nullopt leaves the batch to the rest.
    struct Answer {
        QStringList columns;
        std::vector<QVariantList> rows;
        QString error;
    };
    void answerWith(std::function<std::optional<Answer>(const QString &statement)> answerer);

private:
    struct Rows {
        QStringList columns;
        std::vector<QVariantList> rows;
    };
    struct Failure {
        int number = 0;
        QString message;
        bool takesEffect = false;
    };
    struct Session {
        int transactions = 0;
        bool closed = false;
        LogIn logIn;
    };

    void acceptLoop();
    void serve(int socket, int session);
    // A batch's answer, or a call's (whose first text parameter is its statement).
    QByteArray answerStatement(int session, const QString &text, bool inCall);
    void log(Request request);

    int m_listener = -1;
    quint16 m_port = 0;
    std::thread m_acceptor;
    mutable std::mutex m_mutex; // guards everything below
    std::vector<std::thread> m_clients;
    std::vector<int> m_sockets;
    std::vector<Request> m_requests;
    std::map<int, Session> m_sessions;
    std::vector<std::pair<QString, Rows>> m_rows;
    std::vector<std::pair<QString, Failure>> m_failures;
    std::function<std::optional<Answer>(const QString &)> m_answerer;
};
