#include "SqliteDialect.h"

#include <QScopeGuard>

#include "db/ConnectionSettings.h"
#include "db/DbError.h"
#include "db/ForwardQuery.h"
#include "db/dialects/sqlite/SqliteFilePlace.h"
#include "db/dialects/sqlite/SqliteFunctions.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <limits>
#include <cmath>

using Type = TSqlToken::Type;

namespace {

bool isWord(const QString &sql, const TSqlToken &token, QLatin1String word)
{
    return token.type == Type::Word && token.text(sql).compare(word, Qt::CaseInsensitive) == 0;
}

bool isSymbol(const QString &sql, const TSqlToken &token, QLatin1String symbol)
{
    return token.type == Type::Symbol && token.text(sql) == symbol;
}

bool isComparison(const QString &sql, const TSqlToken &token)
{
    if (token.type != Type::Symbol)
        return false;
    const QStringView op = token.text(sql);
    if (op.size() == 1)
        return op == QLatin1Char('=') || op == QLatin1Char('<') || op == QLatin1Char('>');
    return op == QLatin1String("<=") || op == QLatin1String(">=") || op == QLatin1String("<>")
        || op == QLatin1String("!=");
}

// A table hint of SQL Server (table With (UPDLOCK, HOLDLOCK)).
bool isTableHint(const QString &sql, const TSqlToken &token)
{
    static const QSet<QString> hints = {
        QStringLiteral("nolock"), QStringLiteral("holdlock"), QStringLiteral("updlock"), QStringLiteral("rowlock"),
        QStringLiteral("paglock"), QStringLiteral("tablock"), QStringLiteral("tablockx"), QStringLiteral("xlock"),
        QStringLiteral("readpast"), QStringLiteral("readcommitted"), QStringLiteral("readcommittedlock"),
        QStringLiteral("readuncommitted"), QStringLiteral("repeatableread"), QStringLiteral("serializable"),
        QStringLiteral("nowait")};
    return token.type == Type::Word && hints.contains(token.text(sql).toString().toLower());
}

QString nameOf(const QString &sql, const TSqlToken &token)
{
    return token.type == Type::QuotedName ? TSqlTokenizer::quotedNameValue(token.text(sql))
                                          : token.text(sql).toString();
}

QString quoteLiteral(const QString &value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString sqlError(const QSqlError &error)
{
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

qsizetype indexOfParameter(const QStringList &parameters, QStringView name)
{
    for (qsizetype i = 0; i < parameters.size(); ++i) {
        if (parameters[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// Words that start an ordinary statement; any other first word is a procedure call.
bool startsStatement(const QString &word)
{
    static const QSet<QString> words = {
        QStringLiteral("select"), QStringLiteral("insert"), QStringLiteral("update"),
        QStringLiteral("delete"), QStringLiteral("with"), QStringLiteral("create"),
        QStringLiteral("drop"), QStringLiteral("alter"), QStringLiteral("begin"),
        QStringLiteral("commit"), QStringLiteral("rollback"), QStringLiteral("end"),
        QStringLiteral("pragma"), QStringLiteral("attach"), QStringLiteral("detach"),
        QStringLiteral("vacuum"), QStringLiteral("replace"), QStringLiteral("explain"),
        QStringLiteral("analyze"), QStringLiteral("reindex"), QStringLiteral("savepoint"),
        QStringLiteral("release"), QStringLiteral("values")};
    return words.contains(word.toLower());
}

// A statement's tokens, the places of its significant ones, and whether it is a
// procedure call (its first word starts no ordinary statement).
struct Parsed {
    std::vector<TSqlToken> tokens;
    std::vector<int> significant;
    bool isCall = false;
};

Parsed parse(const QString &sql)
{
    Parsed parsed;
    parsed.tokens = TSqlTokenizer::tokenize(sql);
    for (size_t i = 0; i < parsed.tokens.size(); ++i) {
        if (parsed.tokens[i].isSignificant())
            parsed.significant.push_back(int(i));
    }
    if (!parsed.significant.empty()) {
        const TSqlToken &first = parsed.tokens[size_t(parsed.significant[0])];
        parsed.isCall = (first.type == Type::Word && !startsStatement(first.text(sql).toString()))
            || first.type == Type::QuotedName;
    }
    return parsed;
}

// What the name-order plan of the product search adds to its statement: the walk of the
// item master by name, and the code as the last sort key, so that rows of equal name and
// description come in one order whatever the plan.
const QString nameOrderWalk = QStringLiteral(" INDEXED BY ixInvMaster_Name");
const QString codeOrder = QStringLiteral(", A.ItemID");

// Whether the statement plainly starts with a word of an ordinary statement, told without
// tokenizing it (an insert of a save is not looked at twice to see it is no call).
bool plainlyNoCall(const QString &sql)
{
    qsizetype i = 0;
    while (i < sql.size() && sql[i].isSpace())
        ++i;
    qsizetype end = i;
    while (end < sql.size() && sql[end].isLetter())
        ++end;
    return end > i && (end == sql.size() || sql[end].isSpace() || sql[end] == QLatin1Char('('))
        && startsStatement(sql.mid(i, end - i));
}

// A date literal as it is stored; the empty text is 1 January 1900, as SQL Server reads it.
QString storedDateOfLiteral(const QString &value)
{
    // Every line of a save carries the same date: convert it once.
    thread_local QString lastValue;
    thread_local QString lastStored;
    if (!lastStored.isEmpty() && value == lastValue)
        return lastStored;
    if (value.trimmed().isEmpty()) {
        lastStored = QStringLiteral("1900-01-01 00:00:00.000");
    } else {
        const auto parsed = SqliteDialect::parseDateLiteral(value);
        if (!parsed)
            throw DbError(QStringLiteral("Conversion failed when converting date and/or time from character string."));
        lastStored = SqliteDialect::storedDate(*parsed);
    }
    lastValue = value;
    return lastStored;
}

// A number literal of an Insert's values as a parameter: a whole number bound as one, a
// decimal through SQLite's own reading of its text. False for a number that stays
// written as it is (a whole number beyond 64 bits, or one SQLite reads otherwise).
bool bindNumber(QStringView text, QString *shape, QVariantList *values)
{
    static const QRegularExpression decimal(QStringLiteral(R"(^(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?$)"));
    bool whole = false;
    const qlonglong number = text.toLongLong(&whole);
    if (whole && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); })) {
        shape->append(QLatin1Char('?'));
        values->append(number);
        return true;
    }
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e'), Qt::CaseInsensitive))
        return false;
    if (!decimal.match(text.toString()).hasMatch())
        return false;
    shape->append(QLatin1String("CAST(? AS REAL)"));
    values->append(text.toString());
    return true;
}

// The server's time as getdate() gives it, in the stored form 'YYYY-MM-DD HH:MM:SS.fff'.
const QString statementTime = QStringLiteral("strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime')");

// Rewrites one statement (not a procedure call) token by token.
class Translator
{
public:
    Translator(const QString &sql, const std::vector<TSqlToken> &tokens)
        : m_sql(sql), m_tokens(tokens), m_dateLiteral(tokens.size(), false),
          m_sigIndex(tokens.size(), -1)
    {
        for (size_t i = 0; i < tokens.size(); ++i) {
            if (tokens[i].isSignificant()) {
                m_sigIndex[i] = int(m_sig.size());
                m_sig.push_back(int(i));
            }
        }
        m_match.assign(m_sig.size(), -1);
        std::vector<int> open;
        for (size_t s = 0; s < m_sig.size(); ++s) {
            const TSqlToken &t = sigToken(int(s));
            if (isSymbol(m_sql, t, QLatin1String("("))) {
                open.push_back(int(s));
            } else if (isSymbol(m_sql, t, QLatin1String(")")) && !open.empty()) {
                m_match[size_t(open.back())] = int(s);
                m_match[s] = open.back();
                open.pop_back();
            }
        }
    }

    // Whether any literal might stand for a date, so that the schema must be consulted.
    bool mayHoldDates() const
    {
        for (size_t s = 0; s < m_sig.size(); ++s) {
            const TSqlToken &t = sigToken(int(s));
            if (isWord(m_sql, t, QLatin1String("insert")))
                return true;
            if (t.type == Type::String
                && ((s > 0 && isComparison(m_sql, sigToken(int(s) - 1)))
                    || (s + 1 < m_sig.size() && isComparison(m_sql, sigToken(int(s) + 1)))
                    || (s > 0 && (isWord(m_sql, sigToken(int(s) - 1), QLatin1String("between"))
                                  || isWord(m_sql, sigToken(int(s) - 1), QLatin1String("and"))))))
                return true;
        }
        return false;
    }

    void markDateLiterals(const QSet<QString> &dateColumns)
    {
        auto isDateColumn = [&](int s) {
            if (s < 0 || s >= int(m_sig.size()))
                return false;
            const TSqlToken &t = sigToken(s);
            return (t.type == Type::Word || t.type == Type::QuotedName)
                && dateColumns.contains(nameOf(m_sql, t).toLower());
        };
        const int count = int(m_sig.size());
        for (int s = 0; s < count; ++s) {
            if (sigToken(s).type != Type::String)
                continue;
            // column op 'literal'
            if (s >= 2 && isComparison(m_sql, sigToken(s - 1)) && isDateColumn(s - 2))
                mark(s);
            // 'literal' op column, or 'literal' op alias.column
            if (s + 2 < count && isComparison(m_sql, sigToken(s + 1))) {
                const bool qualified = s + 4 < count && isSymbol(m_sql, sigToken(s + 3), QLatin1String("."));
                if (isDateColumn(qualified ? s + 4 : s + 2))
                    mark(s);
            }
            // column Between 'a' And 'b'
            if (s >= 2 && isWord(m_sql, sigToken(s - 1), QLatin1String("between")) && isDateColumn(s - 2)) {
                mark(s);
                if (s + 2 < count && isWord(m_sql, sigToken(s + 1), QLatin1String("and"))
                    && sigToken(s + 2).type == Type::String)
                    mark(s + 2);
            }
        }
        markInsertValues(dateColumns);
    }

    QString run() { return render(0, int(m_tokens.size())); }

private:
    const TSqlToken &sigToken(int s) const { return m_tokens[size_t(m_sig[size_t(s)])]; }
    void mark(int s) { m_dateLiteral[size_t(m_sig[size_t(s)])] = true; }

    // Insert [Into] name [(columns)] Values (...), (...): the literals written to a
    // DATETIME column.
    void markInsertValues(const QSet<QString> &dateColumns)
    {
        const int count = int(m_sig.size());
        for (int s = 0; s < count; ++s) {
            if (!isWord(m_sql, sigToken(s), QLatin1String("insert")))
                continue;
            int k = s + 1;
            if (k < count && isWord(m_sql, sigToken(k), QLatin1String("into")))
                ++k;
            while (k < count && !isSymbol(m_sql, sigToken(k), QLatin1String("("))
                   && !isWord(m_sql, sigToken(k), QLatin1String("values")))
                ++k;
            if (k >= count || !isSymbol(m_sql, sigToken(k), QLatin1String("(")) || m_match[size_t(k)] < 0)
                continue;
            QStringList columns;
            const int columnsEnd = m_match[size_t(k)];
            for (int c = k + 1; c < columnsEnd; ++c) {
                const TSqlToken &t = sigToken(c);
                if (t.type == Type::Word || t.type == Type::QuotedName)
                    columns << nameOf(m_sql, t).toLower();
            }
            k = columnsEnd + 1;
            if (k >= count || !isWord(m_sql, sigToken(k), QLatin1String("values")))
                continue;
            ++k;
            while (k < count && isSymbol(m_sql, sigToken(k), QLatin1String("("))) {
                const int tupleEnd = m_match[size_t(k)];
                if (tupleEnd < 0)
                    break;
                int position = 0;
                int valueStart = k + 1;
                for (int v = k + 1; v <= tupleEnd; ++v) {
                    const bool nested = isSymbol(m_sql, sigToken(v), QLatin1String("("));
                    if (nested) {
                        v = m_match[size_t(v)] < 0 ? tupleEnd : m_match[size_t(v)];
                        continue;
                    }
                    if (v == tupleEnd || isSymbol(m_sql, sigToken(v), QLatin1String(","))) {
                        if (v - valueStart == 1 && sigToken(valueStart).type == Type::String
                            && position < columns.size() && dateColumns.contains(columns[position]))
                            mark(valueStart);
                        ++position;
                        valueStart = v + 1;
                    }
                }
                k = tupleEnd + 1;
                if (k < count && isSymbol(m_sql, sigToken(k), QLatin1String(",")))
                    ++k;
            }
        }
    }

    // The text for tokens [from, to).
    // The significant token after token i within [.., to), or null.
    const TSqlToken *nextSignificant(int i, int to, int *index) const
    {
        const int s = m_sigIndex[size_t(i)];
        if (s < 0 || s + 1 >= int(m_sig.size()) || m_sig[size_t(s + 1)] >= to)
            return nullptr;
        *index = m_sig[size_t(s + 1)];
        return &m_tokens[size_t(*index)];
    }

    // The text for tokens [from, to). Unchanged stretches are copied whole; only the
    // tokens that need rewriting are looked at closely.
    QString render(int from, int to)
    {
        QString out;
        if (from >= to)
            return out;
        out.reserve(m_sql.size() + 32);
        qsizetype copyFrom = m_tokens[size_t(from)].begin;
        auto copyUpTo = [&](qsizetype end) {
            out.append(QStringView(m_sql).mid(copyFrom, end - copyFrom));
        };
        auto endOf = [this](int i) { return m_tokens[size_t(i)].begin + m_tokens[size_t(i)].length; };

        for (int i = from; i < to; ++i) {
            const TSqlToken &t = m_tokens[size_t(i)];
            int next = -1;
            if (t.type == Type::Word) {
                const TSqlToken *nextToken = nextSignificant(i, to, &next);
                if (!nextToken)
                    continue;
                const QChar first = t.text(m_sql).front().toLower();
                if ((first == QLatin1Char('d') || first == QLatin1Char('i'))
                    && (isWord(m_sql, t, QLatin1String("delete")) || isWord(m_sql, t, QLatin1String("insert")))) {
                    const QLatin1String needed = first == QLatin1Char('d') ? QLatin1String("from") : QLatin1String("into");
                    if ((nextToken->type == Type::Word || nextToken->type == Type::QuotedName)
                        && !isWord(m_sql, *nextToken, needed)) {
                        copyUpTo(endOf(i));
                        out += QLatin1Char(' ') + QString(needed).toUpper();
                        copyFrom = endOf(i);
                    }
                } else if (first == QLatin1Char('c') && isWord(m_sql, t, QLatin1String("convert"))
                           && isSymbol(m_sql, *nextToken, QLatin1String("("))) {
                    copyUpTo(t.begin);
                    i = renderConvert(next, out);
                    copyFrom = endOf(i);
                } else if (first == QLatin1Char('g') && isWord(m_sql, t, QLatin1String("getdate"))
                           && isSymbol(m_sql, *nextToken, QLatin1String("("))) {
                    // SQL Server takes the time once per statement: every row an update
                    // stamps gets the same time. SQLite holds 'now' fixed within a step,
                    // which is the whole of an update; a function of the library would
                    // be asked again for each row.
                    int close = -1;
                    if (nextSignificant(next, to, &close) && isSymbol(m_sql, m_tokens[size_t(close)], QLatin1String(")"))) {
                        copyUpTo(t.begin);
                        out += statementTime;
                        i = close;
                        copyFrom = endOf(i);
                    }
                } else if (first == QLatin1Char('w') && isWord(m_sql, t, QLatin1String("with"))
                           && isSymbol(m_sql, *nextToken, QLatin1String("("))) {
                    // Table hints lock rows on SQL Server; SQLite has no such locks (a
                    // write transaction holds the whole file) and no such syntax.
                    const int close = tableHintsEnd(next);
                    if (close >= 0) {
                        copyUpTo(t.begin);
                        i = close;
                        copyFrom = endOf(i);
                    }
                } else if (first == QLatin1Char('d') && isWord(m_sql, t, QLatin1String("dbo"))
                           && isSymbol(m_sql, *nextToken, QLatin1String("."))) {
                    // alias.dbo.table and dbo.table name the table alone
                    copyUpTo(t.begin);
                    i = next;
                    copyFrom = endOf(i);
                }
                continue;
            }
            switch (t.type) {
            case Type::Symbol:
                if (const TSqlToken *nextToken = nextSignificant(i, to, &next);
                    nextToken && isSymbol(m_sql, t, QLatin1String(".")) && isSymbol(m_sql, *nextToken, QLatin1String("."))) {
                    copyUpTo(endOf(i)); // db..table keeps one dot
                    i = next;
                    copyFrom = endOf(i);
                }
                break;
            case Type::QuotedName: {
                QString name = TSqlTokenizer::quotedNameValue(t.text(m_sql));
                name.replace(QLatin1Char('"'), QLatin1String("\"\""));
                copyUpTo(t.begin);
                out += QLatin1Char('"') + name + QLatin1Char('"');
                copyFrom = endOf(i);
                break;
            }
            case Type::String: {
                const QStringView text = t.text(m_sql);
                if (m_dateLiteral[size_t(i)]) {
                    copyUpTo(t.begin);
                    out += dateLiteral(TSqlTokenizer::stringValue(text));
                    copyFrom = endOf(i);
                } else if (text.front() != QLatin1Char('\'')) {
                    copyUpTo(t.begin);
                    out += text.mid(1); // N'text'
                    copyFrom = endOf(i);
                }
                const QString range = prefixRange(i);
                if (!range.isEmpty()) {
                    copyUpTo(endOf(i));
                    out += range;
                    copyFrom = endOf(i);
                }
                break;
            }
            default:
                break;
            }
        }
        copyUpTo(endOf(to - 1));
        return out;
    }

    // For the "(" at token index open: the token index of its ")" when between them stand
    // only table hints separated by commas; -1 otherwise.
    int tableHintsEnd(int open) const
    {
        const int s = m_sigIndex[size_t(open)];
        const int close = m_match[size_t(s)];
        if (close <= s + 1)
            return -1;
        for (int k = s + 1; k < close; ++k) {
            const bool hintPlace = (k - s) % 2 == 1;
            if (hintPlace ? !isTableHint(m_sql, sigToken(k)) : !isSymbol(m_sql, sigToken(k), QLatin1String(",")))
                return -1;
        }
        if ((close - s) % 2 != 0)
            return -1; // ends in a comma
        return m_sig[size_t(close)];
    }

    // column Like 'ABC%': LIKE cannot use an index, so the same test gains the range
    // column >= 'ABC' And column < 'ABD', which can; the LIKE still decides. Only for a
    // plain prefix of letters, digits and blanks ending in a letter or digit that has a
    // successor of its own kind, so that the range holds under any case folding, and
    // only where the added terms cannot change how the condition groups.
    QString prefixRange(int tokenIndex) const
    {
        const int s = m_sigIndex[size_t(tokenIndex)];
        const int count = int(m_sig.size());
        if (s < 3 || !isWord(m_sql, sigToken(s - 1), QLatin1String("like")))
            return {};
        int columnStart = s - 2;
        if (sigToken(columnStart).type != Type::Word)
            return {};
        if (columnStart >= 2 && isSymbol(m_sql, sigToken(columnStart - 1), QLatin1String("."))) {
            if (sigToken(columnStart - 2).type != Type::Word)
                return {};
            columnStart -= 2;
        }
        if (columnStart < 1)
            return {};
        const TSqlToken &before = sigToken(columnStart - 1);
        const bool opensCondition = isSymbol(m_sql, before, QLatin1String("("))
            || isWord(m_sql, before, QLatin1String("where")) || isWord(m_sql, before, QLatin1String("and"))
            || isWord(m_sql, before, QLatin1String("or")) || isWord(m_sql, before, QLatin1String("on"))
            || isWord(m_sql, before, QLatin1String("when")) || isWord(m_sql, before, QLatin1String("having"));
        if (!opensCondition)
            return {};
        if (s + 1 < count) {
            const TSqlToken &after = sigToken(s + 1);
            const bool closesCondition = isSymbol(m_sql, after, QLatin1String(")"))
                || isSymbol(m_sql, after, QLatin1String(";")) || isWord(m_sql, after, QLatin1String("and"))
                || isWord(m_sql, after, QLatin1String("or")) || isWord(m_sql, after, QLatin1String("order"))
                || isWord(m_sql, after, QLatin1String("group")) || isWord(m_sql, after, QLatin1String("then"))
                || isWord(m_sql, after, QLatin1String("having")) || isWord(m_sql, after, QLatin1String("union"));
            if (!closesCondition)
                return {};
        }
        const QString pattern = TSqlTokenizer::stringValue(sigToken(s).text(m_sql));
        if (pattern.size() < 2 || !pattern.endsWith(QLatin1Char('%')))
            return {};
        const QString prefix = pattern.left(pattern.size() - 1);
        for (const QChar c : prefix) {
            const char16_t u = c.unicode();
            const bool plain = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == ' ';
            if (!plain)
                return {};
        }
        const char16_t last = prefix.back().unicode();
        if (!((last >= 'A' && last < 'Z') || (last >= 'a' && last < 'z') || (last >= '0' && last < '9')))
            return {};
        QString upper = prefix;
        upper.back() = QChar(char16_t(last + 1));
        QString column;
        for (int k = columnStart; k < s - 1; ++k)
            column += sigToken(k).text(m_sql);
        return QStringLiteral(" AND %1 >= '%2' AND %1 < '%3'").arg(column, prefix, upper);
    }

    static QString dateLiteral(const QString &value)
    {
        return QLatin1Char('\'') + storedDateOfLiteral(value) + QLatin1Char('\'');
    }

    // Convert ( type , expression [, style] ) starting at the "(" token; returns the
    // index of the closing ")".
    int renderConvert(int open, QString &out)
    {
        const int openSig = m_sigIndex[size_t(open)];
        const int closeSig = m_match[size_t(openSig)];
        if (closeSig < 0)
            throw DbError(QStringLiteral("Incorrect syntax near 'Convert'."));
        int commaSig = -1;
        int styleSig = -1;
        for (int s = openSig + 1; s < closeSig; ++s) {
            if (isSymbol(m_sql, sigToken(s), QLatin1String("("))) {
                s = m_match[size_t(s)];
                continue;
            }
            if (isSymbol(m_sql, sigToken(s), QLatin1String(","))) {
                if (commaSig < 0)
                    commaSig = s;
                else if (styleSig < 0)
                    styleSig = s;
            }
        }
        if (commaSig < 0)
            throw DbError(QStringLiteral("Incorrect syntax near 'Convert'."));
        const QString type = sigToken(openSig + 1).text(m_sql).toString().toLower();
        int width = 30; // SQL Server's length when none is given
        if (commaSig > openSig + 2 && isSymbol(m_sql, sigToken(openSig + 2), QLatin1String("("))) {
            const TSqlToken &widthToken = sigToken(openSig + 3);
            if (widthToken.type == Type::Number)
                width = widthToken.text(m_sql).toInt();
            else if (isWord(m_sql, widthToken, QLatin1String("max")))
                width = INT_MAX;
        }
        const int exprFrom = m_sig[size_t(commaSig)] + 1;
        const int exprTo = m_sig[size_t(styleSig >= 0 ? styleSig : closeSig)];
        const QString expression = render(exprFrom, exprTo);
        static const QSet<QString> texts = {QStringLiteral("varchar"), QStringLiteral("nvarchar"),
                                            QStringLiteral("char"), QStringLiteral("nchar")};
        static const QSet<QString> wholes = {QStringLiteral("int"), QStringLiteral("integer"),
                                             QStringLiteral("smallint"), QStringLiteral("bigint"),
                                             QStringLiteral("tinyint")};
        if (texts.contains(type))
            out += QStringLiteral("qconvert_varchar(%1, %2)").arg(expression, QString::number(width));
        else if (wholes.contains(type))
            out += QStringLiteral("qconvert_int(%1)").arg(expression);
        else if (type == QLatin1String("float") || type == QLatin1String("real")
                 || type == QLatin1String("money") || type == QLatin1String("decimal")
                 || type == QLatin1String("numeric"))
            out += QStringLiteral("CAST(%1 AS REAL)").arg(expression);
        else
            throw DbError(QStringLiteral("Convert to %1 is not supported by the embedded database.").arg(type));
        return m_sig[size_t(closeSig)];
    }

    const QString &m_sql;
    const std::vector<TSqlToken> &m_tokens;
    std::vector<bool> m_dateLiteral; // by token
    std::vector<int> m_sig;          // token index of each significant token
    std::vector<int> m_sigIndex;     // significant position of each token, -1 for blanks
    std::vector<int> m_match;        // by significant position: the matching parenthesis
};

} // namespace

void SqliteDialect::exec(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery query = forwardQuery(db);
    if (!query.exec(sql)) {
        const QSqlError error = query.lastError();
        if (isBusy(error))
            throw DbError::busy(sqlError(error), error.nativeErrorCode());
        throw DbError(sqlError(error), error.nativeErrorCode());
    }
}

QString SqliteDialect::pragmaValue(QSqlDatabase &db, const QString &pragma)
{
    QString value;
    {
        QSqlQuery query = forwardQuery(db);
        if (!query.exec(pragma)) {
            const QSqlError error = query.lastError();
            if (isBusy(error))
                throw DbError::busy(sqlError(error), error.nativeErrorCode());
            throw DbError(QStringLiteral("%1 failed: %2").arg(pragma, sqlError(error)), error.nativeErrorCode());
        }
        if (query.next())
            value = query.value(0).toString();
    }
    return value;
}

bool SqliteDialect::isBusy(const QSqlError &error)
{
    // Extended codes (BUSY_SNAPSHOT is 517) keep the primary code in their low byte.
    bool number = false;
    const int primary = error.nativeErrorCode().toInt(&number) & 0xff;
    return (number && (primary == SQLITE_BUSY || primary == SQLITE_LOCKED))
        || sqlError(error).contains(QLatin1String("database is locked"), Qt::CaseInsensitive);
}

bool SqliteDialect::isReadOnlyRefusal(const QSqlError &error)
{
    bool number = false;
    const int primary = error.nativeErrorCode().toInt(&number) & 0xff;
    return number && primary == SQLITE_READONLY;
}

bool SqliteDialect::isReadOnly(QSqlDatabase &db, const QString &mainFile) const
{
    if (!m_throughOdbc) {
        const QVariant handle = db.driver()->handle();
        if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
            return sqlite3_db_readonly(*static_cast<sqlite3 *const *>(handle.constData()), "main") == 1;
    }
    return !QFileInfo(mainFile).isWritable();
}

void SqliteDialect::prepare(QSqlDatabase &db, const ConnectionSettings &settings)
{
    if (!m_throughOdbc) {
        const QVariant handle = db.driver()->handle();
        if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
            throw DbError(QStringLiteral("The SQLite driver gave no database handle."));
        sqlite3 *raw = *static_cast<sqlite3 *const *>(handle.constData());
        if (sqlite3_quellarsqlite_init(raw, nullptr, nullptr) != SQLITE_OK)
            throw DbError(QStringLiteral("Cannot register the embedded database's functions: %1")
                              .arg(QString::fromUtf8(sqlite3_errmsg(raw))));
    } else {
        QSqlQuery probe = forwardQuery(db);
        if (!probe.exec(QStringLiteral("SELECT qconvert_int('1')")))
            throw DbError(QStringLiteral(
                "The SQLite ODBC connection has not loaded the library libquellarsqlite "
                "(add LoadExt=<path of libquellarsqlite.so> to the connection string)."));
        probe.finish();
    }

    // The busy timeout first, so that even the first read waits for another writer.
    exec(db, QStringLiteral("PRAGMA busy_timeout = %1").arg(settings.busyTimeoutMs));

    // Any statement on a file that is not a database fails here with a clear message; a
    // file that another program keeps locked past the busy timeout is busy, not damaged.
    {
        QSqlQuery check = forwardQuery(db);
        if (!check.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            const QSqlError error = check.lastError();
            if (isBusy(error))
                throw DbError::busy(sqlError(error), error.nativeErrorCode());
            // A sound file SQLite may not open as it needs to (a read-only folder, file
            // system or file) is not called damaged.
            bool number = false;
            const int primary = error.nativeErrorCode().toInt(&number) & 0xff;
            if (number && primary != SQLITE_NOTADB && primary != SQLITE_CORRUPT) {
                const QString problem = settings.databaseFile.isEmpty()
                    ? QString() : SqliteFilePlace::writeProblem(settings.databaseFile);
                throw DbError(problem.isEmpty() ? QStringLiteral("Cannot open the database file %1: %2")
                                                      .arg(settings.databaseFile, sqlError(error))
                                                : problem,
                              error.nativeErrorCode());
            }
            throw DbError(QStringLiteral("The database file is damaged or is not a database: %1").arg(sqlError(error)),
                          error.nativeErrorCode());
        }
    } // the check must be finished: a statement still open keeps a transaction open,
      // and the journal mode cannot change inside one

    QString mainFile = settings.databaseFile;
    if (m_throughOdbc || mainFile.isEmpty()) {
        QSqlQuery list = forwardQuery(db);
        if (list.exec(QStringLiteral("PRAGMA database_list"))) {
            while (list.next()) {
                if (list.value(1).toString() == QLatin1String("main"))
                    mainFile = list.value(2).toString();
            }
        }
    }

    // Write-ahead logging lets readers go on while another workstation saves. A file
    // nobody may write keeps the mode it has: no save can go to it, and reading it needs
    // no log. Any other file that does not switch is refused rather than run in a mode
    // the program does not promise.
    QString mode;
    QSqlError modeError;
    {
        QSqlQuery query = forwardQuery(db);
        if (!query.exec(QStringLiteral("PRAGMA journal_mode = WAL")))
            modeError = query.lastError(); // a read-only file says so here
        else if (query.next())
            mode = query.value(0).toString().toLower();
    }
    if (mode != QLatin1String("wal")) {
        const bool inMemory = mode == QLatin1String("memory") || mainFile.isEmpty() || mainFile == QLatin1String(":memory:");
        if (!inMemory && !isReadOnly(db, mainFile)) {
            if (modeError.isValid() && isBusy(modeError))
                throw DbError::busy(sqlError(modeError), modeError.nativeErrorCode());
            const QString problem = SqliteFilePlace::writeProblem(mainFile);
            if (!problem.isEmpty())
                throw DbError(problem);
            throw DbError(QStringLiteral("The database file %1 cannot be switched to write-ahead logging (%2); it is not opened.")
                              .arg(mainFile, modeError.isValid() ? sqlError(modeError)
                                                                 : QStringLiteral("its journal mode stays \"%1\"").arg(mode)));
        }
    }
    // A line that INSERT OR REPLACE (or UPDATE OR REPLACE) puts in the place of another
    // removes the other through the delete triggers, which keep the listing's summary.
    exec(db, QStringLiteral("PRAGMA recursive_triggers = ON"));

    // The log is copied back into the file every 1000 pages and, once it starts over, cut
    // back to 4 MB: a burst of saves leaves no large log behind.
    exec(db, QStringLiteral("PRAGMA wal_autocheckpoint = 1000"));
    exec(db, QStringLiteral("PRAGMA journal_size_limit = 4194304"));
    // A save reported as saved survives a power cut: every commit is synced to the disk.
    exec(db, QStringLiteral("PRAGMA synchronous = FULL"));
    const QString synchronous = pragmaValue(db, QStringLiteral("PRAGMA synchronous"));
    if (synchronous.toInt() < 2)
        throw DbError(QStringLiteral("The database did not accept full synchronous writes (it answers %1).").arg(synchronous));

    if (settings.withPasswords && !mainFile.isEmpty() && mainFile != QLatin1String(":memory:")) {
        const QString passwordFile = ConnectionSettings::passwordFileFor(mainFile);
        if (!QFileInfo::exists(passwordFile) && !settings.createIfMissing)
            throw DbError(QStringLiteral("The password database %1 does not exist.").arg(passwordFile));
        exec(db, QStringLiteral("ATTACH DATABASE %1 AS password").arg(quoteLiteral(passwordFile)));
    }
}

void SqliteDialect::schemaChanged()
{
    m_procedures.clear();
    m_dateColumns.reset();
    m_insertHeaders.clear();
}

const QSet<QString> &SqliteDialect::dateColumns(QSqlDatabase &db)
{
    if (!m_dateColumns) {
        QSet<QString> columns;
        QSqlQuery query = forwardQuery(db);
        if (!query.exec(QStringLiteral(
                "SELECT lower(p.name) FROM sqlite_master m, pragma_table_info(m.name) p "
                "WHERE m.type = 'table' AND upper(p.type) IN ('DATETIME', 'DATE', 'SMALLDATETIME', 'DATETIME2')")))
            throw DbError(sqlError(query.lastError()));
        while (query.next())
            columns.insert(query.value(0).toString());
        m_dateColumns = std::move(columns);
    }
    return *m_dateColumns;
}

const SqliteDialect::Procedure &SqliteDialect::procedure(const QString &name, QSqlDatabase &db)
{
    const QString key = name.toLower();
    auto found = m_procedures.constFind(key);
    if (found != m_procedures.constEnd())
        return *found;
    QSqlQuery query = forwardQuery(db);
    query.prepare(QStringLiteral("SELECT Parameters, Body FROM sysProcedures WHERE Name = ?"));
    query.addBindValue(name);
    if (!query.exec())
        throw DbError(sqlError(query.lastError()));
    if (!query.next())
        throw DbError(QStringLiteral("Could not find stored procedure '%1'.").arg(name));
    Procedure procedure;
    procedure.parameters = query.value(0).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString body = query.value(1).toString();
    for (const TSqlToken &t : TSqlTokenizer::tokenize(body)) {
        const QStringView text = t.text(body);
        if (t.type == Type::Word && text.startsWith(QLatin1Char('@'))) {
            const qsizetype index = indexOfParameter(procedure.parameters, text);
            procedure.pieces.push_back({text.toString(), index < 0 ? -2 : int(index)});
        } else if (t.type == Type::Symbol && text == QLatin1String(";")) {
            continue; // the stored body may end with a semicolon
        } else if (!procedure.pieces.empty() && procedure.pieces.back().parameter == -1) {
            procedure.pieces.back().text += text;
        } else {
            procedure.pieces.push_back({text.toString(), -1});
        }
    }
    return *m_procedures.insert(key, procedure);
}

QString SqliteDialect::translateCall(const QString &sql, const std::vector<TSqlToken> &tokens,
                                     const std::vector<int> &significant, QSqlDatabase &db,
                                     QVariantList *values)
{
    size_t s = 0;
    if (isWord(sql, tokens[size_t(significant[0])], QLatin1String("exec"))
        || isWord(sql, tokens[size_t(significant[0])], QLatin1String("execute")))
        ++s;
    if (s >= significant.size())
        throw DbError(QStringLiteral("Incorrect syntax near 'exec'."));
    const QString name = nameOf(sql, tokens[size_t(significant[s])]);
    ++s;

    // Arguments: literals separated by commas.
    QStringList arguments;
    while (s < significant.size()) {
        const TSqlToken &t = tokens[size_t(significant[s])];
        QString literal;
        if (t.type == Type::String) {
            literal = quoteLiteral(TSqlTokenizer::stringValue(t.text(sql)));
        } else if (t.type == Type::Number) {
            literal = t.text(sql).toString();
        } else if (isWord(sql, t, QLatin1String("null"))) {
            literal = QStringLiteral("NULL");
        } else if (isSymbol(sql, t, QLatin1String("-")) && s + 1 < significant.size()
                   && tokens[size_t(significant[s + 1])].type == Type::Number) {
            ++s;
            literal = QLatin1Char('-') + tokens[size_t(significant[s])].text(sql).toString();
        } else if (isSymbol(sql, t, QLatin1String(";")) && s + 1 == significant.size()) {
            break;
        } else {
            throw DbError(QStringLiteral("Incorrect syntax near '%1'.").arg(t.text(sql)));
        }
        arguments << literal;
        ++s;
        if (s < significant.size()) {
            const TSqlToken &separator = tokens[size_t(significant[s])];
            if (isSymbol(sql, separator, QLatin1String(",")))
                ++s;
            else if (!isSymbol(sql, separator, QLatin1String(";")))
                throw DbError(QStringLiteral("Incorrect syntax near '%1'.").arg(separator.text(sql)));
        }
    }

    const Procedure &proc = procedure(name, db);
    if (arguments.size() > proc.parameters.size())
        throw DbError(QStringLiteral("Procedure or function %1 has too many arguments specified.").arg(name));
    if (arguments.size() < proc.parameters.size())
        throw DbError(QStringLiteral("Procedure or function '%1' expects parameter '%2', which was not supplied.")
                          .arg(name, proc.parameters[arguments.size()]));

    // Bound, each argument is a parameter with its value, read as its literal reads.
    QStringList placeholders;
    QVariantList argumentValues;
    if (values) {
        static const QRegularExpression decimal(QStringLiteral(R"(^(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?$)"));
        for (const QString &literal : std::as_const(arguments)) {
            bool whole = false;
            const qlonglong number = literal.toLongLong(&whole);
            if (literal.startsWith(QLatin1Char('\''))) {
                placeholders << QStringLiteral("?");
                argumentValues << TSqlTokenizer::stringValue(literal);
            } else if (literal == QLatin1String("NULL")) {
                placeholders << literal;
                argumentValues << QVariant();
            } else if (whole && std::all_of(literal.begin(), literal.end(), [](QChar c) { return c.isDigit(); })) {
                placeholders << QStringLiteral("?");
                argumentValues << number;
            } else if ((literal.contains(QLatin1Char('.')) || literal.contains(QLatin1Char('e'), Qt::CaseInsensitive))
                       && decimal.match(literal).hasMatch()) {
                placeholders << QStringLiteral("CAST(? AS REAL)");
                argumentValues << literal;
            } else {
                return {}; // written in by translate()
            }
        }
    }

    // The body with each @parameter replaced by its argument.
    QString out;
    for (const Procedure::Piece &piece : proc.pieces) {
        if (piece.parameter == -2)
            throw DbError(QStringLiteral("Must declare the scalar variable \"%1\".").arg(piece.text));
        if (piece.parameter < 0) {
            out += piece.text;
        } else if (values) {
            out += placeholders[piece.parameter];
            if (placeholders[piece.parameter] != QLatin1String("NULL"))
                values->append(argumentValues[piece.parameter]);
        } else {
            out += arguments[piece.parameter];
        }
    }
    return out;
}

bool SqliteDialect::bindableCall(const QString &sql, QSqlDatabase &db, QString *shape, QVariantList *values)
{
    values->clear();
    if (plainlyNoCall(sql))
        return false;
    const Parsed parsed = parse(sql);
    if (!parsed.isCall)
        return false;
    *shape = translateCall(sql, parsed.tokens, parsed.significant, db, values);
    if (shape->isEmpty()) {
        values->clear();
        return false;
    }
    return true;
}

QString SqliteDialect::translate(const QString &sql, QSqlDatabase &db)
{
    const Parsed parsed = parse(sql);
    if (parsed.significant.empty())
        return sql;
    if (parsed.isCall)
        return translateCall(sql, parsed.tokens, parsed.significant, db);

    Translator translator(sql, parsed.tokens);
    if (translator.mayHoldDates())
        translator.markDateLiterals(dateColumns(db));
    return withNameOrderPlan(translator.run(), db);
}

// The product search of one location with no search text lists every item the location
// stocks in name order. SQLite reads all of them and sorts before the first row comes,
// which is slow for a location that stocks many items. Walking the item master in name
// order and looking each item up in the location's stock gives the first rows at once,
// but for a location that stocks few items it would read the whole master to find them.
// So the walk is chosen only where the first screen fills soon: reaching a screen of
// rows takes about masterRows * screen / locationRows steps of the walk, the sort reads
// locationRows rows, and the walk wins when locationRows passes sqrt(screen * masterRows).
// Both plans return the same rows; rows of equal name and description come in code
// order, as the sort gives them.
// The product search of one location with no search text: the select list and From
// (1), the rest (2), the location's literal (3).
QRegularExpressionMatch SqliteDialect::productSearchOfALocation(const QString &translated)
{
    static const QRegularExpression productSearch(
        QStringLiteral(R"(^(\s*Select\s.*?\sFrom\s+tbInvMaster\s+A)(\s+Left\s+Outer\s+Join\s+tbInvent\s+D\s+ON\s+A\.ItemID\s*=\s*D\.ItemID\s.*\sWhere\s+D\.LocationID\s*=\s*('(?:[^']|'')*')\s+and\s+\(\s*D\.ItemStatus\s*=\s*0\s+or\s+D\.ItemStatus\s+is\s+Null\s*\)\s+and\s+A\.ItemName\s+Like\s+'%'\s+Order\s+by\s+A\.ItemName\s*,\s*A\.ItemDesc)\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return productSearch.match(translated);
}

QString SqliteDialect::withNameOrderPlan(const QString &translated, QSqlDatabase &db)
{
    if (!translated.contains(QLatin1String("tbInvMaster"), Qt::CaseInsensitive))
        return translated;
    const QRegularExpressionMatch match = productSearchOfALocation(translated);
    if (!match.hasMatch())
        return translated;
    if (pragmaValue(db, QStringLiteral("Select 1 From sqlite_master Where type = 'index' And name = 'ixInvMaster_Name'")).isEmpty())
        return translated;
    constexpr double screenRows = 256;
    const double masterRows = pragmaValue(db, QStringLiteral("Select max(rowid) From tbInvMaster")).toDouble();
    const qint64 enough = qMax<qint64>(qint64(screenRows), qint64(std::ceil(std::sqrt(screenRows * masterRows))));
    const qint64 locationRows = pragmaValue(db, QStringLiteral("Select count(*) From (Select 1 From tbInvent Where LocationID = %1 Limit %2)")
                                                    .arg(match.captured(3))
                                                    .arg(enough))
                                    .toLongLong();
    if (locationRows < enough)
        return translated;
    return match.captured(1) + nameOrderWalk + match.captured(2) + codeOrder;
}

// The walk finds a screen of rows soon, but to list them all it reads every item of the
// master (seconds for a hospital's), where sorting the location's stock reads only that.
// So the rows after those read come from the sort, skipped up to where the walk stopped:
// both plans order by name, description and code, which no two rows share, and on the
// same state of the database they list the same rows in the same order.
QString SqliteDialect::continuation(const QString &translated, qint64 rowsRead) const
{
    if (translated.count(nameOrderWalk) != 1 || !translated.endsWith(codeOrder))
        return {};
    QString sorted = translated;
    sorted.remove(nameOrderWalk);
    return sorted + QStringLiteral(" LIMIT -1 OFFSET %1").arg(rowsRead);
}

// For each row it gives, the walk passes over masterRows / locationRows items of the
// master; the sort reads the location's locationRows items once. Paging on by the walk
// stays cheaper until the items it has passed over reach what the sort reads, after
// rowsRead = locationRows^2 / masterRows; the sort then takes over, so that a clerk who
// pages through the whole list waits about twice what the better plan costs at most. For
// a location just large enough to be walked that is after the first screen; for one that
// stocks a fifth of the master, after some tens of screens.
qint64 SqliteDialect::rowsBeforeContinuing(const QString &translated, QSqlDatabase &db)
{
    constexpr qint64 never = std::numeric_limits<qint64>::max();
    const QString rest = continuation(translated, 0);
    if (rest.isEmpty())
        return never;
    QString plain = rest.left(rest.lastIndexOf(codeOrder));
    const QRegularExpressionMatch match = productSearchOfALocation(plain);
    if (!match.hasMatch())
        return never;
    const double masterRows = pragmaValue(db, QStringLiteral("Select max(rowid) From tbInvMaster")).toDouble();
    const double locationRows =
        pragmaValue(db, QStringLiteral("Select count(*) From tbInvent Where LocationID = %1").arg(match.captured(3))).toDouble();
    if (masterRows < 1)
        return never;
    return qint64(std::ceil(locationRows * locationRows / masterRows));
}

// The select read again as a subquery with an offset: SQLite passes over the rows before
// it without computing their columns, and the subquery keeps its columns' names and types.
// The line break keeps a trailing comment from swallowing the parenthesis.
QString SqliteDialect::fromRow(const QString &translated, qint64 row) const
{
    QString select = translated.trimmed();
    if (select.endsWith(QLatin1Char(';')))
        select.chop(1);
    const bool oneSelect = (select.startsWith(QLatin1String("select"), Qt::CaseInsensitive)
                            || select.startsWith(QLatin1String("with"), Qt::CaseInsensitive))
        && !select.contains(QLatin1Char(';'));
    if (!oneSelect)
        return {};
    return QStringLiteral("SELECT * FROM (") + select + QStringLiteral("\n) LIMIT -1 OFFSET %1").arg(row);
}

bool SqliteDialect::bindableDirectInsert(const QString &sql, QSqlDatabase &db, QString *shape, QVariantList *values)
{
    if (!QStringView(sql).trimmed().startsWith(QLatin1String("insert"), Qt::CaseInsensitive))
        return false;
    const auto tokens = TSqlTokenizer::tokenize(sql);
    std::vector<const TSqlToken *> sig;
    sig.reserve(tokens.size());
    for (const TSqlToken &t : tokens) {
        if (t.isSignificant())
            sig.push_back(&t);
    }
    size_t k = 0;
    auto word = [&](QLatin1String w) { return k < sig.size() && isWord(sql, *sig[k], w); };
    auto symbol = [&](QLatin1String s) { return k < sig.size() && isSymbol(sql, *sig[k], s); };
    auto plainName = [&] { return k < sig.size() && sig[k]->type == Type::Word; };

    if (!word(QLatin1String("insert")))
        return false;
    ++k;
    if (word(QLatin1String("into")))
        ++k;
    if (!plainName())
        return false;
    ++k; // the table
    if (!symbol(QLatin1String("(")))
        return false;
    ++k;
    while (true) {
        if (!plainName())
            return false;
        ++k;
        if (symbol(QLatin1String(","))) {
            ++k;
            continue;
        }
        if (!symbol(QLatin1String(")")))
            return false;
        ++k;
        break;
    }
    if (!word(QLatin1String("values")))
        return false;
    ++k;
    if (!symbol(QLatin1String("(")))
        return false;
    ++k;

    // Everything before the values is the same for every line of a save: its statement
    // text and which columns hold dates are worked out once.
    const qsizetype valuesStart = sig[k - 1]->begin + 1;
    const QString header = sql.left(valuesStart);
    auto known = m_insertHeaders.constFind(header);
    if (known == m_insertHeaders.constEnd()) {
        if (m_insertHeaders.size() >= 16)
            m_insertHeaders.clear();
        InsertHeader made;
        size_t c = 1;
        if (isWord(sql, *sig[c], QLatin1String("into")))
            ++c;
        const QString table = sig[c]->text(sql).toString();
        QStringList columns;
        const QSet<QString> &dates = dateColumns(db);
        for (c += 2; !isSymbol(sql, *sig[c], QLatin1String(")")); ++c) {
            if (sig[c]->type != Type::Word)
                continue; // the commas
            columns << sig[c]->text(sql).toString();
            made.isDate.push_back(dates.contains(columns.back().toLower()));
        }
        made.statementStart = QLatin1String("INSERT INTO ") + table + QLatin1String(" (")
                              + columns.join(QLatin1String(", ")) + QLatin1String(") VALUES (");
        known = m_insertHeaders.insert(header, std::move(made));
    }
    const InsertHeader &head = *known;

    QString out = head.statementStart;
    QVariantList bound;
    bound.reserve(qsizetype(head.isDate.size()));
    for (size_t position = 0;; ++position) {
        if (k >= sig.size() || position >= head.isDate.size())
            return false; // SQLite says what is wrong with it, on the general road
        const TSqlToken &value = *sig[k++];
        const QStringView text = value.text(sql);
        if (position > 0)
            out += QLatin1String(", ");
        if (value.type == Type::String) {
            if (text.front() != QLatin1Char('\''))
                return false; // N'text' and the like
            const QString literal = TSqlTokenizer::stringValue(text);
            out += QLatin1Char('?');
            bound.append(head.isDate[position] ? storedDateOfLiteral(literal) : literal);
        } else if (value.type == Type::Number) {
            if (!bindNumber(text, &out, &bound))
                return false;
        } else if (value.type == Type::Word && text.compare(QLatin1String("null"), Qt::CaseInsensitive) == 0) {
            out += QLatin1String("NULL");
        } else {
            return false;
        }
        if (symbol(QLatin1String(","))) {
            ++k;
            continue;
        }
        if (!symbol(QLatin1String(")")) || position + 1 != head.isDate.size())
            return false;
        ++k;
        break;
    }
    if (k != sig.size() || bound.isEmpty())
        return false;
    out += QLatin1Char(')');
    *shape = std::move(out);
    *values = std::move(bound);
    return true;
}

namespace {

// The SQLite statement behind a query prepared by Qt's driver; null for any other driver.
sqlite3_stmt *statementOf(const QSqlQuery &query)
{
    const QVariant handle = query.result() ? query.result()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3_stmt*") != 0)
        return nullptr;
    return *static_cast<sqlite3_stmt *const *>(handle.constData());
}

QSqlError statementError(sqlite3_stmt *statement, const QString &text, int code)
{
    return QSqlError(text, QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(statement))),
                     QSqlError::StatementError, QString::number(code));
}

// Binds the values straight to the reset statement. NotSqlite for a value of a type not
// bound here (the bindings are then cleared).
SqliteDialect::BoundRun bindStraight(sqlite3_stmt *statement, const QVariantList &values, QSqlError *error)
{
    sqlite3_reset(statement);
    for (int i = 0; i < int(values.size()); ++i) {
        const QVariant &value = values[i];
        int rc = SQLITE_OK;
        if (value.isNull()) {
            rc = sqlite3_bind_null(statement, i + 1);
        } else if (value.typeId() == QMetaType::QString) {
            const QByteArray text = value.toString().toUtf8();
            rc = sqlite3_bind_text(statement, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        } else if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int) {
            rc = sqlite3_bind_int64(statement, i + 1, value.toLongLong());
        } else if (value.typeId() == QMetaType::Double) {
            rc = sqlite3_bind_double(statement, i + 1, value.toDouble());
        } else {
            sqlite3_clear_bindings(statement);
            return SqliteDialect::BoundRun::NotSqlite;
        }
        if (rc != SQLITE_OK) {
            *error = statementError(statement, QStringLiteral("Unable to bind parameters"), rc);
            sqlite3_clear_bindings(statement);
            return SqliteDialect::BoundRun::Failed;
        }
    }
    return SqliteDialect::BoundRun::Done;
}

} // namespace

SqliteDialect::BoundRun SqliteDialect::runBound(QSqlQuery &prepared, const QVariantList &values, QSqlError *error)
{
    sqlite3_stmt *statement = statementOf(prepared);
    if (!statement || sqlite3_bind_parameter_count(statement) != values.size())
        return BoundRun::NotSqlite;
    if (const BoundRun bound = bindStraight(statement, values, error); bound != BoundRun::Done)
        return bound;
    const int step = sqlite3_step(statement);
    const int code = sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (step == SQLITE_DONE || step == SQLITE_ROW)
        return BoundRun::Done;
    *error = statementError(statement, QStringLiteral("Unable to fetch row"), code != SQLITE_OK ? code : step);
    return BoundRun::Failed;
}

bool SqliteDialect::bindableSelect(const QString &translated, QString *shape, QVariantList *values)
{
    const QStringView start = QStringView(translated).trimmed();
    if (!start.startsWith(QLatin1String("select"), Qt::CaseInsensitive))
        return false;
    const auto tokens = TSqlTokenizer::tokenize(translated);
    shape->clear();
    values->clear();
    shape->reserve(translated.size());
    int depth = 0;
    bool inWhere = false;
    QStringView previous; // the last significant token
    for (const TSqlToken &t : tokens) {
        const QStringView text = t.text(translated);
        if (t.type == Type::Symbol && text == QLatin1Char('(')) {
            ++depth;
        } else if (t.type == Type::Symbol && text == QLatin1Char(')')) {
            --depth;
        } else if (t.type == Type::Word && depth == 0) {
            // Literals elsewhere (the select list, Order By) may name or order columns.
            static const QStringList clauses{"where", "group", "order", "having", "union", "except", "intersect", "limit"};
            for (const QString &clause : clauses) {
                if (text.compare(clause, Qt::CaseInsensitive) == 0)
                    inWhere = clause == QLatin1String("where");
            }
        }
        if (t.type == Type::String && inWhere && depth == 0 && previous == QLatin1Char('=')) {
            shape->append(QLatin1Char('?'));
            values->append(TSqlTokenizer::stringValue(text));
        } else {
            shape->append(text);
        }
        if (t.isSignificant())
            previous = text;
    }
    return !values->isEmpty();
}

bool SqliteDialect::bindableInsert(const QString &translated, QString *shape, QVariantList *values)
{
    // Cheap refusal of everything that is not an insert.
    const QStringView start = QStringView(translated).trimmed();
    if (!start.startsWith(QLatin1String("insert"), Qt::CaseInsensitive))
        return false;
    const auto tokens = TSqlTokenizer::tokenize(translated);
    shape->clear();
    values->clear();
    shape->reserve(translated.size());
    bool afterValues = false;
    int depth = 0;
    for (const TSqlToken &t : tokens) {
        const QStringView text = t.text(translated);
        if (!afterValues) {
            if (t.type == Type::Symbol && text == QLatin1Char('('))
                ++depth;
            else if (t.type == Type::Symbol && text == QLatin1Char(')'))
                --depth;
            else if (depth == 0 && t.type == Type::Word && text.compare(QLatin1String("values"), Qt::CaseInsensitive) == 0)
                afterValues = true;
            shape->append(text);
            continue;
        }
        if (!t.isSignificant()) {
            shape->append(text);
            continue;
        }
        if (t.type == Type::Symbol && (text == QLatin1Char('(') || text == QLatin1Char(')'))) {
            depth += text == QLatin1Char('(') ? 1 : -1;
            if (depth < 0)
                return false;
            shape->append(text);
            continue;
        }
        if (depth == 0 && !(t.type == Type::Symbol && text == QLatin1Char(',')))
            return false; // only rows follow Values
        if (depth == 1 && t.type == Type::String) {
            if (text.front() != QLatin1Char('\''))
                return false;
            shape->append(QLatin1Char('?'));
            values->append(TSqlTokenizer::stringValue(text));
            continue;
        }
        if (depth == 1 && t.type == Type::Number) {
            if (!bindNumber(text, shape, values))
                return false;
            continue;
        }
        shape->append(text);
    }
    return afterValues && depth == 0 && !values->isEmpty();
}

// ---- dates -------------------------------------------------------------------------

QString SqliteDialect::storedDate(const QDateTime &value)
{
    return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

std::optional<QDateTime> SqliteDialect::parseStoredDate(QStringView text)
{
    // 'YYYY-MM-DD HH:MM:SS.fff', read digit by digit: it is on every date cell's path.
    if (text.size() != 23 || text[4] != QLatin1Char('-') || text[7] != QLatin1Char('-')
        || text[10] != QLatin1Char(' ') || text[13] != QLatin1Char(':')
        || text[16] != QLatin1Char(':') || text[19] != QLatin1Char('.'))
        return std::nullopt;
    auto number = [&](int from, int length, bool *ok) {
        int value = 0;
        for (int i = from; i < from + length; ++i) {
            const QChar c = text[i];
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                *ok = false;
            value = value * 10 + (c.unicode() - '0');
        }
        return value;
    };
    bool ok = true;
    const QDate date(number(0, 4, &ok), number(5, 2, &ok), number(8, 2, &ok));
    const QTime time(number(11, 2, &ok), number(14, 2, &ok), number(17, 2, &ok), number(20, 3, &ok));
    if (!ok || !date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

std::optional<QDateTime> SqliteDialect::parseDateLiteral(const QString &text)
{
    static const QRegularExpression iso(QStringLiteral(
        R"(^\s*(\d{4})-?(\d{2})-?(\d{2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2})(?:\.(\d{1,7}))?)?)?\s*$)"));
    static const QRegularExpression us(QStringLiteral(
        R"(^\s*(\d{1,2})/(\d{1,2})/(\d{4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2})(?:\.(\d{1,7}))?)?\s*([AaPp][Mm])?)?\s*$)"));
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    QString ampm;
    auto fraction = [](const QString &digits) {
        return digits.isEmpty() ? 0 : QString(digits + QStringLiteral("00")).left(3).toInt();
    };
    QRegularExpressionMatch m = iso.match(text);
    if (m.hasMatch()) {
        year = m.captured(1).toInt();
        month = m.captured(2).toInt();
        day = m.captured(3).toInt();
    } else {
        m = us.match(text);
        if (!m.hasMatch())
            return std::nullopt;
        month = m.captured(1).toInt();
        day = m.captured(2).toInt();
        year = m.captured(3).toInt();
        ampm = m.captured(8).toUpper();
    }
    hour = m.captured(4).toInt();
    minute = m.captured(5).toInt();
    second = m.captured(6).toInt();
    ms = fraction(m.captured(7));
    if (!ampm.isEmpty()) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        if (ampm == QLatin1String("AM"))
            hour = hour == 12 ? 0 : hour;
        else
            hour = hour == 12 ? 12 : hour + 12;
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second, ms);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

// ---- reading rows ------------------------------------------------------------------

namespace {

// A column of the statement's current row, typed as Qt's SQLite driver types it.
QVariant columnValue(sqlite3_stmt *statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(statement, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(statement, column));
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    case SQLITE_BLOB: {
        const auto *bytes = static_cast<const char *>(sqlite3_column_blob(statement, column));
        return QVariant(QByteArray(bytes, sqlite3_column_bytes(statement, column)));
    }
    default: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(statement, column)));
    }
    }
}

// How a result column is read: the declared type of a table column says it; an
// expression has none.
enum class ColumnKind { Plain, Flag, Date, Unknown };

ColumnKind declaredKind(sqlite3_stmt *statement, int column)
{
    const char *declared = statement ? sqlite3_column_decltype(statement, column) : nullptr;
    if (!declared)
        return ColumnKind::Unknown;
    if (qstricmp(declared, "BIT") == 0 || qstricmp(declared, "BOOLEAN") == 0)
        return ColumnKind::Flag;
    if (qstrnicmp(declared, "DATETIME", 8) == 0 || qstricmp(declared, "DATE") == 0
        || qstricmp(declared, "SMALLDATETIME") == 0)
        return ColumnKind::Date;
    return ColumnKind::Plain;
}

// Builds the result table from values as the driver gives them: flags as booleans, stored
// date-times as date-times.
class RowReader
{
public:
    RowReader(const QStringList &names, std::vector<ColumnKind> kinds) : m_builder(names), m_kinds(std::move(kinds)) { }

    void store(int column, const QVariant &value)
    {
        switch (m_kinds[size_t(column)]) {
        case ColumnKind::Flag:
            if (value.isNull())
                m_builder.appendNull(column);
            else
                m_builder.append(column, QVariant(value.toLongLong() != 0 || value.toBool()));
            break;
        case ColumnKind::Date:
        case ColumnKind::Unknown:
            // An expression column holding a stored date-time (GetDate(), a date
            // through Coalesce) is read as a date-time too.
            if (value.typeId() == QMetaType::QString && !value.isNull()) {
                const QString text = value.toString();
                auto date = SqliteDialect::parseStoredDate(text);
                if (!date && m_kinds[size_t(column)] == ColumnKind::Date)
                    date = SqliteDialect::parseDateLiteral(text);
                m_builder.append(column, date ? QVariant(*date) : value);
                break;
            }
            m_builder.append(column, value);
            break;
        case ColumnKind::Plain:
            m_builder.append(column, value);
            break;
        }
    }

    void endRow() { m_builder.endRow(); }

    // The rest of the statement's rows, from the one the last step gave (step) on.
    std::shared_ptr<ResultTable> readStatement(sqlite3_stmt *statement, int step)
    {
        const int count = int(m_kinds.size());
        while (step == SQLITE_ROW) {
            for (int i = 0; i < count; ++i)
                store(i, columnValue(statement, i));
            endRow();
            step = sqlite3_step(statement);
        }
        if (step != SQLITE_DONE)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(statement))));
        return finish();
    }

    std::shared_ptr<ResultTable> finish() { return m_builder.finish(); }

private:
    ResultTableBuilder m_builder;
    std::vector<ColumnKind> m_kinds;
};

} // namespace

std::shared_ptr<ResultTable> SqliteDialect::fetch(QSqlQuery &query, int maxRows)
{
    const QSqlRecord record = query.record();
    const int count = record.count();
    sqlite3_stmt *statement = statementOf(query);
    QStringList names;
    std::vector<ColumnKind> kinds;
    kinds.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        names << record.fieldName(i);
        ColumnKind kind = declaredKind(statement, i);
        if (kind == ColumnKind::Unknown && record.field(i).metaType().id() == QMetaType::Bool)
            kind = ColumnKind::Flag;
        kinds.push_back(kind);
    }
    RowReader reader(names, std::move(kinds));

    // A whole result is read straight from the statement, each value as the driver would
    // give it: the driver's row cache has SQLite convert every text to UTF-16 and copies
    // each row twice, which was most of what opening a long request cost. The driver has
    // already stepped onto the first row (or to the end) when the query ran.
    const auto policy = query.numericalPrecisionPolicy();
    if (statement && maxRows < 0 && query.isActive() && query.at() == QSql::BeforeFirstRow
        && (policy == QSql::LowPrecisionDouble || policy == QSql::HighPrecision))
        return reader.readStatement(statement, sqlite3_data_count(statement) > 0 ? SQLITE_ROW : SQLITE_DONE);

    for (int rows = 0; (maxRows < 0 || rows < maxRows) && query.next(); ++rows) {
        for (int i = 0; i < count; ++i)
            reader.store(i, query.value(i));
        reader.endRow();
    }
    return reader.finish();
}

SqliteDialect::BoundRun SqliteDialect::fetchBound(QSqlQuery &prepared, const QVariantList &values,
                                                  std::shared_ptr<const ResultTable> *rows, QSqlError *error)
{
    sqlite3_stmt *statement = statementOf(prepared);
    if (!statement || sqlite3_bind_parameter_count(statement) != values.size())
        return BoundRun::NotSqlite;
    if (const BoundRun bound = bindStraight(statement, values, error); bound != BoundRun::Done)
        return bound;
    // The read ends with the statement reset and unbound, whatever happens on the way.
    const auto reset = qScopeGuard([statement] {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
    });
    const int step = sqlite3_step(statement);
    if (step != SQLITE_ROW && step != SQLITE_DONE) {
        const int code = sqlite3_reset(statement);
        *error = statementError(statement, QStringLiteral("Unable to fetch row"), code != SQLITE_OK ? code : step);
        return BoundRun::Failed;
    }
    const int count = sqlite3_column_count(statement);
    if (count == 0) {
        rows->reset(); // no result set, as a statement that returns no rows
        return BoundRun::Done;
    }
    // The driver names a column by SQLite's name for it without double quotes, and gives
    // an expression column (no declared type) no boolean type.
    QStringList names;
    std::vector<ColumnKind> kinds;
    kinds.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        names << QString::fromUtf8(sqlite3_column_name(statement, i)).remove(QLatin1Char('"'));
        kinds.push_back(declaredKind(statement, i));
    }
    RowReader reader(names, std::move(kinds));
    *rows = reader.readStatement(statement, step);
    return BoundRun::Done;
}

// ---- transactions ------------------------------------------------------------------

void SqliteDialect::beginTransaction(QSqlDatabase &db)
{
    // Take the write lock at once, so that two workstations saving at the same moment
    // wait for each other instead of failing half-way.
    exec(db, QStringLiteral("BEGIN IMMEDIATE"));
}

void SqliteDialect::commit(QSqlDatabase &db)
{
    exec(db, QStringLiteral("COMMIT"));
    startLogOverWhenLarge(db);
}

// Saves that follow each other without a pause can keep every checkpoint short of the
// log's end: the log then never starts over and grows with every save. Once it is past
// the journal size limit, the connection that just committed copies the whole log back
// when no other connection is reading or writing at that moment, so that the next save
// starts it over, cut back to the limit. It does not wait: waiting while holding the
// write lock for a read that stays open would stall every workstation's saves. The save
// is done either way, so nothing here may fail it; the next save tries again.
void SqliteDialect::startLogOverWhenLarge(QSqlDatabase &db)
{
    constexpr qint64 largeLog = 4 * 1024 * 1024; // the journal size limit
    if (m_throughOdbc || QFileInfo(db.databaseName() + QStringLiteral("-wal")).size() <= largeLog)
        return;
    QSqlQuery query = forwardQuery(db);
    if (!query.exec(QStringLiteral("PRAGMA busy_timeout")) || !query.next())
        return;
    const QString waited = query.value(0).toString();
    query.exec(QStringLiteral("PRAGMA busy_timeout = 0"));
    query.exec(QStringLiteral("PRAGMA wal_checkpoint(RESTART)"));
    query.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(waited));
}

void SqliteDialect::rollback(QSqlDatabase &db)
{
    exec(db, QStringLiteral("ROLLBACK"));
}

// A begin that failed opened nothing, and a commit that failed either kept the transaction
// (busy) or SQLite already rolled it back; either way a rollback that finds none is fine.
bool SqliteDialect::endFailedTransaction(QSqlDatabase &db)
{
    QSqlQuery query = forwardQuery(db);
    return query.exec(QStringLiteral("ROLLBACK"))
        || sqlError(query.lastError()).contains(QLatin1String("no transaction is active"), Qt::CaseInsensitive);
}
