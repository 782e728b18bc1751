#include "TdsResponder.h"

#include <QDir>
#include <QFile>

#include <QByteArray>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Message types of [MS-TDS] 2.2.1 and the tokens of 2.2.7 that the answers use.
constexpr quint8 kBatch = 0x01, kRpc = 0x03, kReply = 0x04, kAttention = 0x06, kTransactionManager = 0x0E,
                 kLogin = 0x10, kPrelogin = 0x12;
constexpr quint8 kEndOfMessage = 0x01;
constexpr quint8 kColMetadata = 0x81, kError = 0xAA, kLoginAck = 0xAD, kRow = 0xD1, kEnvChange = 0xE3,
                 kReturnStatus = 0x79, kDone = 0xFD, kDoneProc = 0xFE;
constexpr quint16 kDoneError = 0x0002, kDoneCount = 0x0010, kDoneAttention = 0x0020;
constexpr int kPacketSize = 4096;
// Latin1_General_CI_AS, as the server sends it with the log-in and with every text column.
const QByteArray kCollation = QByteArray::fromHex("0904d00034");

// ---- writing ----------------------------------------------------------------------

void putU16(QByteArray &out, quint16 value)
{
    out.append(char(value & 0xff)).append(char(value >> 8));
}

void putU32(QByteArray &out, quint32 value)
{
    putU16(out, quint16(value & 0xffff));
    putU16(out, quint16(value >> 16));
}

void putU64(QByteArray &out, quint64 value)
{
    putU32(out, quint32(value & 0xffffffffu));
    putU32(out, quint32(value >> 32));
}

void putUtf16(QByteArray &out, const QString &text)
{
    for (const QChar c : text)
        putU16(out, c.unicode());
}

// A text behind a one-byte length in characters (B_VARCHAR).
void putShortText(QByteArray &out, const QString &text)
{
    out.append(char(text.size()));
    putUtf16(out, text);
}

// A token whose body follows a two-byte length.
QByteArray token(quint8 type, const QByteArray &body)
{
    QByteArray out(1, char(type));
    putU16(out, quint16(body.size()));
    return out + body;
}

QByteArray done(quint16 status, quint64 rows = 0, quint8 type = kDone)
{
    QByteArray out(1, char(type));
    putU16(out, status);
    putU16(out, 0); // current command
    putU64(out, rows);
    return out;
}

QByteArray envChange(quint8 type, const QString &newValue, const QString &oldValue)
{
    QByteArray body(1, char(type));
    putShortText(body, newValue);
    putShortText(body, oldValue);
    return token(kEnvChange, body);
}

QByteArray errorToken(int number, const QString &message)
{
    QByteArray body;
    putU32(body, quint32(number));
    body.append(char(1)).append(char(16)); // state, severity
    putU16(body, quint16(message.size()));
    putUtf16(body, message);
    putShortText(body, QStringLiteral("tdsresponder"));
    putShortText(body, QString()); // procedure
    putU32(body, 1);               // line
    return token(kError, body);
}

QByteArray preloginAnswer()
{
    // Option table (token, offset, length, big-endian), then the version and "no
    // encryption", so that the log-in follows in plain text.
    return QByteArray::fromHex("00000b0006" "0100110001" "ff") + QByteArray::fromHex("10000fa00000") + QByteArray(1, 2);
}

QByteArray loginAnswer(const QString &database, quint32 packetSize)
{
    QByteArray collation(1, char(7));
    collation.append(char(kCollation.size())).append(kCollation).append(char(0));
    QByteArray ack;
    ack.append(char(1));                       // T-SQL
    ack.append(QByteArray::fromHex("74000004")); // TDS 7.4
    putShortText(ack, QStringLiteral("Microsoft SQL Server"));
    ack.append(QByteArray::fromHex("10000fa0")); // 16.0.4000
    const QString size = QString::number(packetSize);
    return envChange(1, database, QStringLiteral("master")) + token(kEnvChange, collation)
        + envChange(2, QStringLiteral("us_english"), QString()) + token(kLoginAck, ack)
        + envChange(4, size, size) + done(0);
}

// Column names ending in "#" are int columns, the others nvarchar(4000).
QByteArray rowSet(const QStringList &columns, const std::vector<QVariantList> &rows)
{
    QByteArray out(1, char(kColMetadata));
    putU16(out, quint16(columns.size()));
    for (const QString &column : columns) {
        putU32(out, 0);      // user type
        putU16(out, 0x0001); // nullable
        const bool isInt = column.endsWith(QLatin1Char('#'));
        if (isInt) {
            out.append(char(0x26)).append(char(4));
        } else {
            out.append(char(0xE7));
            putU16(out, 8000);
            out.append(kCollation);
        }
        putShortText(out, isInt ? column.chopped(1) : column);
    }
    for (const QVariantList &row : rows) {
        out.append(char(kRow));
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const QVariant value = row.value(i);
            const bool isInt = columns[i].endsWith(QLatin1Char('#'));
            if (isInt && value.isNull()) {
                out.append(char(0));
            } else if (isInt) {
                out.append(char(4));
                putU32(out, quint32(value.toInt()));
            } else if (value.isNull()) {
                putU16(out, 0xffff);
            } else {
                const QString text = value.toString();
                putU16(out, quint16(text.size() * 2));
                putUtf16(out, text);
            }
        }
    }
    return out + done(kDoneCount, rows.size());
}

// ---- reading ----------------------------------------------------------------------

quint32 readU16(const QByteArray &in, qsizetype at)
{
    if (at < 0 || at + 2 > in.size())
        return 0;
    return quint8(in[at]) | quint32(quint8(in[at + 1])) << 8;
}

quint32 readU32(const QByteArray &in, qsizetype at)
{
    return readU16(in, at) | readU16(in, at + 2) << 16;
}

QString readUtf16(const QByteArray &in, qsizetype at, qsizetype characters)
{
    QString text;
    for (qsizetype i = 0; i < characters && at + 2 * i + 2 <= in.size(); ++i)
        text.append(QChar(char16_t(readU16(in, at + 2 * i))));
    return text;
}

// A log-in's password: each byte XORed with 0xA5 after its two halves were swapped.
QString readPassword(const QByteArray &in, qsizetype at, qsizetype characters)
{
    QByteArray plain = in.mid(at, 2 * characters);
    for (char &byte : plain) {
        const quint8 b = quint8(byte) ^ 0xA5;
        byte = char(quint8((b << 4) | (b >> 4)));
    }
    return readUtf16(plain, 0, characters);
}

// Where a request's body begins after its headers (transaction descriptor and the like).
qsizetype afterHeaders(const QByteArray &in)
{
    const quint32 length = readU32(in, 0);
    return length >= 4 && length <= quint32(in.size()) ? qsizetype(length) : 0;
}

// The first text parameter of a procedure call (the statement of sp_cursoropen,
// sp_executesql, ...), from `at` on; empty when a parameter of another type comes first.
QString firstTextParameter(const QByteArray &in, qsizetype at)
{
    while (at < in.size()) {
        at += 1 + 2 * quint8(in[at]) + 1; // name, status flags
        if (at >= in.size())
            return {};
        const quint8 type = quint8(in[at++]);
        if (type == 0x26 || type == 0x68 || type == 0x6D) { // int, bit, float with a length
            at += 1;
            at += 1 + (at < in.size() ? quint8(in[at]) : 0);
        } else if (type == 0x38) { // int
            at += 4;
        } else if (type == 0xE7 || type == 0xEF) { // nvarchar, nchar
            const quint32 maxLength = readU16(in, at);
            at += 2 + kCollation.size();
            QString text;
            if (maxLength == 0xffff) { // nvarchar(max): chunks after the total length
                at += 8;
                for (quint32 chunk = readU32(in, at); chunk != 0 && at < in.size(); chunk = readU32(in, at)) {
                    text += readUtf16(in, at + 4, chunk / 2);
                    at += 4 + chunk;
                }
            } else {
                const quint32 length = readU16(in, at);
                if (length != 0xffff)
                    text = readUtf16(in, at + 2, length / 2);
            }
            return text;
        } else if (type == 0x63) { // ntext
            at += 4 + kCollation.size();
            return readUtf16(in, at + 4, readU32(in, at) / 2);
        } else {
            return {};
        }
    }
    return {};
}

bool readExactly(int socket, char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t got = ::recv(socket, data, size_t(size), 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        data += got;
        size -= got;
    }
    return true;
}

// One message: its packets up to the one marked last. False when the client has gone.
bool readMessage(int socket, quint8 &type, QByteArray &payload)
{
    payload.clear();
    for (;;) {
        char header[8];
        if (!readExactly(socket, header, 8))
            return false;
        type = quint8(header[0]);
        const int length = quint8(header[2]) << 8 | quint8(header[3]);
        if (length < 8)
            return false;
        QByteArray part(length - 8, Qt::Uninitialized);
        if (!readExactly(socket, part.data(), part.size()))
            return false;
        payload += part;
        if (header[1] & kEndOfMessage)
            return true;
    }
}

bool sendReply(int socket, const QByteArray &payload)
{
    constexpr qsizetype room = kPacketSize - 8;
    quint8 packet = 1;
    for (qsizetype at = 0; at == 0 || at < payload.size(); at += room, ++packet) {
        const QByteArray part = payload.mid(at, room);
        const bool last = at + room >= payload.size();
        const int length = int(part.size()) + 8;
        QByteArray data;
        data.append(char(kReply)).append(char(last ? kEndOfMessage : 0));
        data.append(char(length >> 8)).append(char(length & 0xff));
        data.append(char(0)).append(char(0)).append(char(packet)).append(char(0));
        data += part;
        for (qsizetype sent = 0; sent < data.size();) {
            const ssize_t n = ::send(socket, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            sent += n;
        }
    }
    return true;
}

QString procedureName(int id)
{
    static const char *const names[] = {"", "sp_cursor", "sp_cursoropen", "sp_cursorprepare", "sp_cursorexecute",
                                        "sp_cursorprepexec", "sp_cursorunprepare", "sp_cursorfetch", "sp_cursoroption",
                                        "sp_cursorclose", "sp_executesql", "sp_prepare", "sp_execute", "sp_prepexec",
                                        "sp_prepexecrpc", "sp_unprepare"};
    return id > 0 && id < int(std::size(names)) ? QLatin1String(names[id]) : QStringLiteral("procedure %1").arg(id);
}

} // namespace

bool TdsResponder::Request::isCursorCall() const
{
    return kind == Kind::Rpc
        && ((procedureId >= 1 && procedureId <= 9) || procedure.startsWith(QLatin1String("sp_cursor"), Qt::CaseInsensitive));
}

QString TdsResponder::Request::describe() const
{
    QString what;
    switch (kind) {
    case Kind::Batch:
        what = QStringLiteral("batch");
        break;
    case Kind::Rpc:
        what = QStringLiteral("call of %1").arg(procedure.isEmpty() ? procedureName(procedureId) : procedure);
        break;
    case Kind::TransactionManager:
        what = QStringLiteral("transaction manager request");
        break;
    case Kind::Attention:
        what = QStringLiteral("attention");
        break;
    case Kind::Other:
        what = QStringLiteral("other message");
        break;
    }
    return QStringLiteral("session %1, %2: %3").arg(session).arg(what, text);
}

QString TdsResponder::useFreeTds(const QString &folder, const QStringList &names)
{
    const QString driver = QStringLiteral(QUELLAR_TDSODBC);
    if (!QFile::exists(driver))
        return QStringLiteral("FreeTDS's ODBC driver %1 is missing (Debian package tdsodbc)").arg(driver);
    QFile list(QDir(folder).filePath(QStringLiteral("odbcinst.ini")));
    if (!list.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1").arg(list.fileName());
    for (const QString &name : names)
        list.write(QStringLiteral("[%1]\nDriver=%2\n").arg(name, driver).toUtf8());
    list.close();
    qputenv("ODBCSYSINI", QFile::encodeName(folder));
    qputenv("ODBCINSTINI", "odbcinst.ini");
    return {};
}

TdsResponder::TdsResponder()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(m_listener, 8) != 0 || ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        if (m_listener >= 0)
            ::close(m_listener);
        throw std::runtime_error("the TDS responder cannot listen on 127.0.0.1");
    }
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { acceptLoop(); });
}

TdsResponder::~TdsResponder()
{
    ::shutdown(m_listener, SHUT_RDWR); // wakes the accepting thread
    m_acceptor.join();
    ::close(m_listener);
    std::vector<std::thread> clients;
    {
        const std::lock_guard lock(m_mutex);
        for (const int socket : m_sockets)
            ::shutdown(socket, SHUT_RDWR);
        clients.swap(m_clients);
    }
    for (std::thread &client : clients)
        client.join();
    for (const int socket : m_sockets)
        ::close(socket);
}

void TdsResponder::acceptLoop()
{
    for (;;) {
        const int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0 && errno == EINTR)
            continue;
        if (socket < 0)
            return;
        const std::lock_guard lock(m_mutex);
        const int session = int(m_sessions.size()) + 1;
        m_sessions[session] = Session();
        m_sockets.push_back(socket);
        m_clients.emplace_back([this, socket, session] { serve(socket, session); });
    }
}

void TdsResponder::serve(int socket, int session)
{
    quint8 type = 0;
    QByteArray payload;
    while (readMessage(socket, type, payload)) {
        Request request;
        request.session = session;
        QByteArray answer;
        if (type == kPrelogin) {
            answer = preloginAnswer();
        } else if (type == kLogin) {
            const QString database = readUtf16(payload, readU16(payload, 68), readU16(payload, 70));
            {
                const std::lock_guard lock(m_mutex);
                m_sessions[session].logIn = {readUtf16(payload, readU16(payload, 40), readU16(payload, 42)),
                                             readPassword(payload, readU16(payload, 44), readU16(payload, 46)),
                                             readUtf16(payload, readU16(payload, 48), readU16(payload, 50)), database,
                                             payload.size() > 25 && (quint8(payload[25]) & 0x80) != 0};
            }
            const quint32 packetSize = readU32(payload, 8);
            answer = loginAnswer(database.isEmpty() ? QStringLiteral("master") : database,
                                 packetSize == 0 ? kPacketSize : packetSize);
        } else if (type == kBatch) {
            const qsizetype at = afterHeaders(payload);
            request.kind = Request::Kind::Batch;
            request.text = readUtf16(payload, at, (payload.size() - at) / 2);
            log(request);
            answer = answerStatement(session, request.text, false);
        } else if (type == kRpc) {
            qsizetype at = afterHeaders(payload);
            const quint32 nameLength = readU16(payload, at);
            at += 2;
            request.kind = Request::Kind::Rpc;
            if (nameLength == 0xffff) {
                request.procedureId = int(readU16(payload, at));
                at += 2;
            } else {
                request.procedure = readUtf16(payload, at, nameLength);
                at += 2 * nameLength;
            }
            request.text = firstTextParameter(payload, at + 2); // after the option flags
            log(request);
            answer = answerStatement(session, request.text, true);
        } else {
            request.kind = type == kAttention ? Request::Kind::Attention
                : type == kTransactionManager ? Request::Kind::TransactionManager
                                              : Request::Kind::Other;
            request.text = QStringLiteral("type 0x%1").arg(type, 2, 16, QLatin1Char('0'));
            log(request);
            answer = done(type == kAttention ? kDoneAttention : 0);
        }
        if (!sendReply(socket, answer))
            break;
    }
    const std::lock_guard lock(m_mutex);
    m_sessions[session].closed = true;
}

QByteArray TdsResponder::answerStatement(int session, const QString &text, bool inCall)
{
    const quint8 doneType = inCall ? kDoneProc : kDone;
    const QString statement = text.trimmed();
    const std::lock_guard lock(m_mutex);
    auto applyToTransactions = [&] {
        int &count = m_sessions[session].transactions;
        if (statement.startsWith(QLatin1String("BEGIN TRAN"), Qt::CaseInsensitive))
            ++count;
        else if (statement.startsWith(QLatin1String("COMMIT"), Qt::CaseInsensitive) && count > 0)
            --count;
        else if (statement.contains(QLatin1String("ROLLBACK"), Qt::CaseInsensitive))
            count = 0;
    };
    for (auto failure = m_failures.begin(); failure != m_failures.end(); ++failure) {
        if (statement.startsWith(failure->first, Qt::CaseInsensitive)) {
            const Failure chosen = failure->second;
            m_failures.erase(failure);
            if (chosen.takesEffect)
                applyToTransactions();
            return errorToken(chosen.number, chosen.message) + done(kDoneError, 0, doneType);
        }
    }
    applyToTransactions();
    if (inCall) {
        QByteArray status(1, char(kReturnStatus));
        putU32(status, 0);
        return status + done(0, 0, kDoneProc);
    }
    if (m_answerer) {
        if (const std::optional<Answer> answer = m_answerer(statement)) {
            if (!answer->error.isEmpty())
                return errorToken(208, answer->error) + done(kDoneError, 0, doneType);
            if (answer->columns.isEmpty())
                return done(0);
            return rowSet(answer->columns, answer->rows);
        }
    }
    for (const auto &[start, rows] : m_rows) {
        if (statement.startsWith(start, Qt::CaseInsensitive))
            return rowSet(rows.columns, rows.rows);
    }
    return done(0);
}

void TdsResponder::log(Request request)
{
    const std::lock_guard lock(m_mutex);
    m_requests.push_back(std::move(request));
}

std::vector<TdsResponder::Request> TdsResponder::requests() const
{
    const std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<TdsResponder::Request> TdsResponder::requestsOf(int session) const
{
    std::vector<Request> found;
    for (const Request &request : requests()) {
        if (request.session == session)
            found.push_back(request);
    }
    return found;
}

int TdsResponder::lastSession() const
{
    const std::lock_guard lock(m_mutex);
    return int(m_sessions.size());
}

int TdsResponder::transactionCount(int session) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_sessions.find(session);
    return found == m_sessions.end() ? 0 : found->second.transactions;
}

TdsResponder::LogIn TdsResponder::logInOf(int session) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_sessions.find(session);
    return found == m_sessions.end() ? LogIn() : found->second.logIn;
}

bool TdsResponder::sessionClosed(int session) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_sessions.find(session);
    return found != m_sessions.end() && found->second.closed;
}

void TdsResponder::answerRows(const QString &start, const QStringList &columns, const std::vector<QVariantList> &rows)
{
    const std::lock_guard lock(m_mutex);
    std::erase_if(m_rows, [&start](const auto &answer) { return answer.first == start; });
    m_rows.emplace_back(start, Rows {columns, rows});
}

void TdsResponder::failNext(const QString &start, int number, const QString &message, bool takesEffect)
{
    const std::lock_guard lock(m_mutex);
    m_failures.emplace_back(start, Failure {number, message, takesEffect});
}

void TdsResponder::answerWith(std::function<std::optional<Answer>(const QString &)> answerer)
{
    const std::lock_guard lock(m_mutex);
    m_answerer = std::move(answerer);
}

void TdsResponder::forgetFailures()
{
    const std::lock_guard lock(m_mutex);
    m_failures.clear();
}
