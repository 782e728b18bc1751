#include "SqliteFunctions.h"

#include <QDateTime>
#include <QString>

#include <sqlite3.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace {

QString textArg(sqlite3_value *value)
{
    const auto *data = static_cast<const char16_t *>(sqlite3_value_text16(value));
    const int bytes = sqlite3_value_bytes16(value);
    return data ? QString::fromUtf16(data, bytes / 2) : QString();
}

void resultText(sqlite3_context *context, const QString &text)
{
    sqlite3_result_text16(context, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
}

// ---- collation --------------------------------------------------------------------

int rtrimmedLength(const char *text, int length)
{
    while (length > 0 && text[length - 1] == ' ')
        --length;
    return length;
}

int compareNoCaseRTrim(void *, int lengthA, const void *a, int lengthB, const void *b)
{
    const auto *textA = static_cast<const char *>(a);
    const auto *textB = static_cast<const char *>(b);
    lengthA = rtrimmedLength(textA, lengthA);
    lengthB = rtrimmedLength(textB, lengthB);

    // Plain ASCII texts, the usual case, compare without building strings.
    const int common = std::min(lengthA, lengthB);
    bool ascii = true;
    for (int i = 0; i < common && ascii; ++i) {
        const auto ca = static_cast<unsigned char>(textA[i]);
        const auto cb = static_cast<unsigned char>(textB[i]);
        if (ca >= 0x80 || cb >= 0x80) {
            ascii = false;
            break;
        }
        const int la = (ca >= 'A' && ca <= 'Z') ? ca + 32 : ca;
        const int lb = (cb >= 'A' && cb <= 'Z') ? cb + 32 : cb;
        if (la != lb)
            return la < lb ? -1 : 1;
    }
    if (ascii) {
        bool restAscii = true;
        for (int i = common; i < lengthA; ++i)
            restAscii = restAscii && static_cast<unsigned char>(textA[i]) < 0x80;
        for (int i = common; i < lengthB; ++i)
            restAscii = restAscii && static_cast<unsigned char>(textB[i]) < 0x80;
        if (restAscii)
            return lengthA == lengthB ? 0 : (lengthA < lengthB ? -1 : 1);
    }
    const QString qa = QString::fromUtf8(textA, lengthA);
    const QString qb = QString::fromUtf8(textB, lengthB);
    const int result = qa.compare(qb, Qt::CaseInsensitive);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

// ---- getdate() --------------------------------------------------------------------

void getDate(sqlite3_context *context, int, sqlite3_value **)
{
    resultText(context,
               QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
}

// ---- Convert ----------------------------------------------------------------------

QString numberText(sqlite3_value *value)
{
    if (sqlite3_value_type(value) == SQLITE_INTEGER)
        return QString::number(sqlite3_value_int64(value));
    const double d = sqlite3_value_double(value);
    if (std::floor(d) == d && std::fabs(d) < 1e15)
        return QString::number(qint64(d));
    return QString::number(d, 'g', 15);
}

void convertVarchar(sqlite3_context *context, int, sqlite3_value **args)
{
    if (sqlite3_value_type(args[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const sqlite3_int64 width = sqlite3_value_int64(args[1]);
    const int type = sqlite3_value_type(args[0]);
    const QString text = (type == SQLITE_INTEGER || type == SQLITE_FLOAT)
        ? numberText(args[0])
        : textArg(args[0]);
    if (text.size() > width) {
        sqlite3_result_error(context,
                             "Arithmetic overflow error converting expression to data type varchar.",
                             -1);
        return;
    }
    resultText(context, text);
}

void convertInt(sqlite3_context *context, int, sqlite3_value **args)
{
    const int type = sqlite3_value_type(args[0]);
    if (type == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    constexpr qint64 low = std::numeric_limits<qint32>::min();
    constexpr qint64 high = std::numeric_limits<qint32>::max();
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        const double d = sqlite3_value_double(args[0]);
        const qint64 whole = type == SQLITE_INTEGER ? sqlite3_value_int64(args[0]) : qint64(std::trunc(d));
        if (!std::isfinite(d) || whole < low || whole > high) {
            sqlite3_result_error(context, "Arithmetic overflow error converting expression to data type int.", -1);
            return;
        }
        sqlite3_result_int64(context, whole);
        return;
    }
    const QString text = textArg(args[0]);
    const QString trimmed = text.trimmed();
    bool ok = true;
    qint64 value = 0;
    if (!trimmed.isEmpty()) { // SQL Server converts the empty text to 0
        for (qsizetype i = 0; i < trimmed.size(); ++i) {
            const QChar c = trimmed[i];
            const bool sign = i == 0 && (c == QLatin1Char('+') || c == QLatin1Char('-'));
            if (!sign && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
                ok = false;
        }
        if (ok)
            value = trimmed.toLongLong(&ok);
        if (ok && (value < low || value > high)) {
            const QByteArray message = QStringLiteral(
                "The conversion of the varchar value '%1' overflowed an int column.").arg(text).toUtf8();
            sqlite3_result_error(context, message.constData(), -1);
            return;
        }
    }
    if (!ok) {
        const QByteArray message = QStringLiteral(
            "Conversion failed when converting the varchar value '%1' to data type int.").arg(text).toUtf8();
        sqlite3_result_error(context, message.constData(), -1);
        return;
    }
    sqlite3_result_int64(context, value);
}

// ---- LIKE patterns ----------------------------------------------------------------

// How many pattern characters the element at pattern[p] takes when it matches c (an
// escaped character, _, [set] or [^set], or a plain character), 0 when it does not match.
qsizetype matchElement(const QString &pattern, qsizetype p, QChar c, QChar escape)
{
    const QChar pc = pattern[p];
    if (!escape.isNull() && pc == escape && p + 1 < pattern.size())
        return c.toCaseFolded() == pattern[p + 1].toCaseFolded() ? 2 : 0;
    if (pc == QLatin1Char('_'))
        return 1;
    if (pc == QLatin1Char('[')) {
        const qsizetype close = pattern.indexOf(QLatin1Char(']'), p + 1);
        if (close > p + 1) {
            qsizetype k = p + 1;
            bool negate = false;
            if (pattern[k] == QLatin1Char('^')) {
                negate = true;
                ++k;
            }
            const QChar folded = c.toCaseFolded();
            bool found = false;
            for (; k < close; ++k) {
                if (k + 2 < close && pattern[k + 1] == QLatin1Char('-')) {
                    const QChar from = pattern[k].toCaseFolded();
                    const QChar to = pattern[k + 2].toCaseFolded();
                    found = found || (folded >= from && folded <= to);
                    k += 2;
                } else {
                    found = found || folded == pattern[k].toCaseFolded();
                }
            }
            return found != negate ? close - p + 1 : 0;
        }
    }
    return c.toCaseFolded() == pc.toCaseFolded() ? 1 : 0;
}

// Matches text[t..] against pattern[p..] with %, _ and [set]; case-insensitive. Every
// element but % takes exactly one character, so on a mismatch only the last % needs to
// take one more character and try again: at most (text length x pattern length) steps,
// whatever the number of %. *starReached tells whether a failed match got as far as a %:
// then no later start in the text can match either, since that % could have taken the
// characters up to it.
bool likeMatch(const QString &pattern, qsizetype p, const QString &text, qsizetype t,
               QChar escape, bool anchoredEnd, bool *starReached = nullptr)
{
    qsizetype starP = -1; // the pattern after the last %, and where its text started
    qsizetype starT = -1;
    for (;;) {
        if (p < pattern.size()) {
            const QChar pc = pattern[p];
            const bool escaped = !escape.isNull() && pc == escape && p + 1 < pattern.size();
            if (!escaped && pc == QLatin1Char('%')) {
                while (p < pattern.size() && pattern[p] == QLatin1Char('%'))
                    ++p;
                if (p == pattern.size())
                    return true;
                starP = p;
                starT = t;
                continue;
            }
            if (t < text.size()) {
                const qsizetype width = matchElement(pattern, p, text[t], escape);
                if (width > 0) {
                    p += width;
                    ++t;
                    continue;
                }
            }
        } else if (!anchoredEnd || t == text.size()) {
            return true;
        }
        if (starReached)
            *starReached = starP >= 0;
        if (starP < 0 || starT >= text.size())
            return false;
        p = starP;
        t = ++starT;
    }
}

void like(sqlite3_context *context, int argc, sqlite3_value **args)
{
    if (sqlite3_value_type(args[0]) == SQLITE_NULL || sqlite3_value_type(args[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    QChar escape;
    if (argc == 3) {
        const QString e = textArg(args[2]);
        if (e.size() != 1) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = e[0];
    }
    const QString pattern = textArg(args[0]);
    const QString text = textArg(args[1]);
    sqlite3_result_int(context, likeMatch(pattern, 0, text, 0, escape, true) ? 1 : 0);
}

void patIndex(sqlite3_context *context, int, sqlite3_value **args)
{
    if (sqlite3_value_type(args[0]) == SQLITE_NULL || sqlite3_value_type(args[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    QString pattern = textArg(args[0]);
    const QString text = textArg(args[1]);
    // '%x%' searches anywhere; without the leading % only the start counts, without the
    // trailing one the match must reach the end.
    const bool anywhere = pattern.startsWith(QLatin1Char('%'));
    const bool toEnd = !pattern.endsWith(QLatin1Char('%'));
    while (pattern.startsWith(QLatin1Char('%')))
        pattern.remove(0, 1);
    const qsizetype lastStart = anywhere ? text.size() : 0;
    for (qsizetype start = 0; start <= lastStart; ++start) {
        bool starReached = false;
        if (likeMatch(pattern, 0, text, start, QChar(), toEnd, &starReached)) {
            sqlite3_result_int64(context, start + 1);
            return;
        }
        if (starReached)
            break;
    }
    sqlite3_result_int64(context, 0);
}

void replaceNoCase(sqlite3_context *context, int, sqlite3_value **args)
{
    for (int i = 0; i < 3; ++i) {
        if (sqlite3_value_type(args[i]) == SQLITE_NULL) {
            sqlite3_result_null(context);
            return;
        }
    }
    QString text = textArg(args[0]);
    const QString before = textArg(args[1]);
    if (before.isEmpty()) {
        resultText(context, text);
        return;
    }
    text.replace(before, textArg(args[2]), Qt::CaseInsensitive);
    resultText(context, text);
}

} // namespace

extern "C" int sqlite3_quellarsqlite_init(sqlite3 *db, char **, const sqlite3_api_routines *)
{
    const int utf8 = SQLITE_UTF8;
    const int deterministic = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    int rc = sqlite3_create_collation(db, "NOCASE_RTRIM", utf8, nullptr, compareNoCaseRTrim);
    struct Function {
        const char *name;
        int args;
        int flags;
        void (*call)(sqlite3_context *, int, sqlite3_value **);
    };
    const Function functions[] = {
        {"getdate", 0, utf8, getDate},
        {"qconvert_varchar", 2, deterministic, convertVarchar},
        {"qconvert_int", 1, deterministic, convertInt},
        {"patindex", 2, deterministic, patIndex},
        {"replace", 3, deterministic, replaceNoCase},
        {"like", 2, deterministic, like},
        {"like", 3, deterministic, like},
    };
    for (const Function &f : functions) {
        if (rc == SQLITE_OK)
            rc = sqlite3_create_function(db, f.name, f.args, f.flags, nullptr, f.call, nullptr, nullptr);
    }
    return rc;
}
