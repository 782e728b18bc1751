#include "SqliteTranslator.h"

#include "SqliteDates.h"
#include "SqliteTokens.h"

#include "db/DbError.h"

#include <QScopeGuard>
#include <QSet>

#include <algorithm>
#include <climits>

using Type = TSqlToken::Type;
using namespace SqliteTokens;

namespace {

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

// The server's time as getdate() gives it, in the stored form 'YYYY-MM-DD HH:MM:SS.fff'.
const QString statementTime = QStringLiteral("strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime')");

// Rewrites one statement (not a procedure call) token by token, in one pass over its
// tokens, taking out the literals that are bound.
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
        planBinding();
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

    Translated run()
    {
        QString text = render(0, int(m_tokens.size()));
        if (!m_bindable || m_slots.empty())
            return {std::move(text), {}};
        // The literals taken out for parameters, from the text as rendered.
        Translated bound;
        bound.text.reserve(text.size());
        qsizetype from = 0;
        for (const Slot &slot : m_slots) {
            bound.text += QStringView(text).mid(from, slot.at - from);
            bound.text += slot.placeholder;
            bound.values << slot.value;
            from = slot.at + slot.length;
        }
        bound.text += QStringView(text).mid(from);
        return bound;
    }

private:
    // What becomes of a literal token when the statement's literals are bound.
    enum class Bind : quint8 { No, Text, Number };
    struct Slot {
        qsizetype at;     // where the literal stands in the rendered text
        qsizetype length;
        QString placeholder;
        QVariant value;
    };

    // Which literals become parameters: the values of an Insert's rows (texts, and
    // numbers as bindNumber binds them; none when one of them cannot be), and the texts
    // compared with "=" in the outermost Where of a Select. Statements prepared once for
    // their shape then serve a save of many lines and repeated lookups by a code.
    void planBinding()
    {
        m_binding.assign(m_tokens.size(), Bind::No);
        const TSqlToken *first = nullptr;
        for (const TSqlToken &t : m_tokens) {
            if (t.type != Type::Space) {
                first = &t;
                break;
            }
        }
        if (!first || first->type != Type::Word)
            return;
        if (isWord(m_sql, *first, QLatin1String("insert")))
            planInsertBinding();
        else if (isWord(m_sql, *first, QLatin1String("select")))
            planSelectBinding();
    }

    void planInsertBinding()
    {
        bool afterValues = false;
        bool any = false;
        int depth = 0;
        for (const int i : m_sig) {
            const TSqlToken &t = m_tokens[size_t(i)];
            const bool opens = isSymbol(m_sql, t, QLatin1String("("));
            const bool closes = isSymbol(m_sql, t, QLatin1String(")"));
            if (!afterValues) {
                depth += opens ? 1 : closes ? -1 : 0;
                if (depth == 0 && isWord(m_sql, t, QLatin1String("values")))
                    afterValues = true;
                continue;
            }
            if (opens || closes) {
                depth += opens ? 1 : -1;
                if (depth < 0)
                    return;
                continue;
            }
            if (depth == 0 && !isSymbol(m_sql, t, QLatin1String(",")))
                return; // only rows follow Values
            if (depth == 1 && t.type == Type::String) {
                m_binding[size_t(i)] = Bind::Text;
                any = true;
            } else if (depth == 1 && t.type == Type::Number) {
                QString placeholder;
                QVariantList value;
                if (!SqliteTranslator::bindNumber(t.text(m_sql), &placeholder, &value))
                    return;
                m_binding[size_t(i)] = Bind::Number;
                any = true;
            }
        }
        m_bindable = afterValues && depth == 0 && any;
    }

    void planSelectBinding()
    {
        static const QLatin1String clauses[] = {QLatin1String("where"), QLatin1String("group"), QLatin1String("order"),
                                                QLatin1String("having"), QLatin1String("union"), QLatin1String("except"),
                                                QLatin1String("intersect"), QLatin1String("limit")};
        int depth = 0;
        bool inWhere = false;
        const TSqlToken *previous = nullptr;
        for (const int i : m_sig) {
            const TSqlToken &t = m_tokens[size_t(i)];
            if (isSymbol(m_sql, t, QLatin1String("("))) {
                ++depth;
            } else if (isSymbol(m_sql, t, QLatin1String(")"))) {
                --depth;
            } else if (t.type == Type::Word && depth == 0) {
                // Literals elsewhere (the select list, Order By) may name or order columns.
                for (const QLatin1String clause : clauses) {
                    if (t.text(m_sql).compare(clause, Qt::CaseInsensitive) == 0)
                        inWhere = clause == QLatin1String("where");
                }
            } else if (t.type == Type::String && inWhere && depth == 0 && previous
                       && isSymbol(m_sql, *previous, QLatin1String("="))) {
                m_binding[size_t(i)] = Bind::Text;
                m_bindable = true;
            }
            previous = &t;
        }
    }

    // Writes a literal token's text; where it is bound, records it for its parameter.
    void emitLiteral(QString &out, int i, const QString &literal)
    {
        const Bind bind = m_bindable && m_rendering == 1 ? m_binding[size_t(i)] : Bind::No;
        if (bind == Bind::Text) {
            m_slots.push_back({out.size(), literal.size(), QStringLiteral("?"), TSqlTokenizer::stringValue(literal)});
        } else if (bind == Bind::Number) {
            QString placeholder;
            QVariantList value;
            SqliteTranslator::bindNumber(literal, &placeholder, &value);
            m_slots.push_back({out.size(), literal.size(), placeholder, value.front()});
        }
        out += literal;
    }

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
        ++m_rendering;
        const auto nested = qScopeGuard([this] { --m_rendering; });
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
                    emitLiteral(out, i, dateLiteral(TSqlTokenizer::stringValue(text)));
                    copyFrom = endOf(i);
                } else if (text.front() != QLatin1Char('\'')) {
                    copyUpTo(t.begin);
                    emitLiteral(out, i, text.mid(1).toString()); // N'text'
                    copyFrom = endOf(i);
                } else if (m_binding[size_t(i)] != Bind::No) {
                    copyUpTo(t.begin);
                    emitLiteral(out, i, text.toString());
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
            case Type::Number:
                if (m_binding[size_t(i)] != Bind::No) {
                    copyUpTo(t.begin);
                    emitLiteral(out, i, t.text(m_sql).toString());
                    copyFrom = endOf(i);
                }
                break;
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
        return QLatin1Char('\'') + SqliteDates::storedOfLiteral(value) + QLatin1Char('\'');
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
    std::vector<Bind> m_binding;     // by token
    bool m_bindable = false;         // the statement's literals are bound
    int m_rendering = 0;             // how deep render() is: 1 for the statement itself
    std::vector<Slot> m_slots;
};


} // namespace

namespace {

// digits [. digits] or . digits, then an optional exponent: a decimal as SQLite reads it.
bool isPlainDecimal(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto digits = [&] {
        const qsizetype from = i;
        while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'))
            ++i;
        return i - from;
    };
    const qsizetype whole = digits();
    qsizetype fraction = 0;
    if (i < n && text[i] == QLatin1Char('.')) {
        ++i;
        fraction = digits();
    }
    if (whole == 0 && fraction == 0)
        return false;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        ++i;
        if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            ++i;
        if (digits() == 0)
            return false;
    }
    return i == n;
}

} // namespace

bool SqliteTranslator::bindNumber(QStringView literal, QString *placeholder, QVariantList *values)
{
    bool whole = false;
    const qlonglong number = literal.toLongLong(&whole);
    if (whole && std::all_of(literal.begin(), literal.end(), [](QChar c) { return c.isDigit(); })) {
        placeholder->append(QLatin1Char('?'));
        values->append(number);
        return true;
    }
    if (!literal.contains(QLatin1Char('.')) && !literal.contains(QLatin1Char('e'), Qt::CaseInsensitive))
        return false;
    if (!isPlainDecimal(literal))
        return false;
    placeholder->append(QLatin1String("CAST(? AS REAL)"));
    values->append(literal.toString());
    return true;
}

Translated SqliteTranslator::translate(const QString &sql, const std::vector<TSqlToken> &tokens,
                                       const std::function<const QSet<QString> &()> &dateColumns)
{
    Translator translator(sql, tokens);
    if (translator.mayHoldDates())
        translator.markDateLiterals(dateColumns());
    return translator.run();
}
