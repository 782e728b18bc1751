#include "TSqlTokenizer.h"

#include "db/DbError.h"

#include <QStringList>

namespace {

bool isWordStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('@')
        || c == QLatin1Char('#');
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@')
        || c == QLatin1Char('#') || c == QLatin1Char('$');
}

} // namespace

std::vector<TSqlToken> TSqlTokenizer::tokenize(const QString &sql)
{
    std::vector<TSqlToken> tokens;
    tokens.reserve(size_t(sql.size() / 3 + 4));
    const qsizetype n = sql.size();
    qsizetype i = 0;
    auto push = [&](TSqlToken::Type type, qsizetype begin) {
        tokens.push_back({type, begin, i - begin});
    };

    while (i < n) {
        const qsizetype begin = i;
        const QChar c = sql[i];
        const QChar next = i + 1 < n ? sql[i + 1] : QChar();

        if (c.isSpace()) {
            while (i < n && sql[i].isSpace())
                ++i;
            push(TSqlToken::Type::Space, begin);
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            while (i < n && sql[i] != QLatin1Char('\n'))
                ++i;
            push(TSqlToken::Type::Comment, begin);
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            if (end < 0)
                throw DbError(QStringLiteral("Missing end comment mark '*/'."));
            i = end + 2;
            push(TSqlToken::Type::Comment, begin);
        } else if (c == QLatin1Char('\'')
                   || ((c == QLatin1Char('N') || c == QLatin1Char('n'))
                       && next == QLatin1Char('\''))) {
            i += c == QLatin1Char('\'') ? 1 : 2;
            for (;;) {
                if (i >= n)
                    throw DbError(QStringLiteral("Unclosed quotation mark after the character string '%1'.")
                                      .arg(sql.mid(begin)));
                if (sql[i] == QLatin1Char('\'')) {
                    if (i + 1 < n && sql[i + 1] == QLatin1Char('\'')) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            push(TSqlToken::Type::String, begin);
        } else if (c == QLatin1Char('[') || c == QLatin1Char('"')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : QLatin1Char('"');
            ++i;
            for (;;) {
                if (i >= n)
                    throw DbError(QStringLiteral("Unclosed quoted name %1.").arg(sql.mid(begin)));
                if (sql[i] == close) {
                    if (i + 1 < n && sql[i + 1] == close) { // doubled closer stands for itself
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            push(TSqlToken::Type::QuotedName, begin);
        } else if (c.isDigit() || (c == QLatin1Char('.') && next.isDigit())) {
            if (c == QLatin1Char('0') && (next == QLatin1Char('x') || next == QLatin1Char('X'))) {
                i += 2;
                while (i < n && (sql[i].isDigit() || (sql[i].toLower() >= QLatin1Char('a') && sql[i].toLower() <= QLatin1Char('f'))))
                    ++i;
            } else {
                while (i < n && sql[i].isDigit())
                    ++i;
                if (i < n && sql[i] == QLatin1Char('.')) {
                    ++i;
                    while (i < n && sql[i].isDigit())
                        ++i;
                }
                if (i < n && (sql[i] == QLatin1Char('e') || sql[i] == QLatin1Char('E'))) {
                    qsizetype j = i + 1;
                    if (j < n && (sql[j] == QLatin1Char('+') || sql[j] == QLatin1Char('-')))
                        ++j;
                    if (j < n && sql[j].isDigit()) {
                        i = j;
                        while (i < n && sql[i].isDigit())
                            ++i;
                    }
                }
            }
            push(TSqlToken::Type::Number, begin);
        } else if (isWordStart(c)) {
            ++i;
            while (i < n && isWordChar(sql[i]))
                ++i;
            push(TSqlToken::Type::Word, begin);
        } else {
            ++i;
            if (i < n) {
                // The operators of two characters: <= >= <> != || :: !< !>
                const char16_t a = c.unicode();
                const char16_t b = sql[i].unicode();
                const bool pair = (b == '=' && (a == '<' || a == '>' || a == '!'))
                    || (a == '<' && b == '>') || (a == '|' && b == '|') || (a == ':' && b == ':')
                    || (a == '!' && (b == '<' || b == '>'));
                if (pair)
                    ++i;
            }
            push(TSqlToken::Type::Symbol, begin);
        }
    }
    return tokens;
}

QString TSqlTokenizer::stringValue(QStringView token)
{
    qsizetype start = token.startsWith(QLatin1Char('\'')) ? 1 : 2; // 'x' or N'x'
    QString value = token.mid(start, token.size() - start - 1).toString();
    value.replace(QLatin1String("''"), QLatin1String("'"));
    return value;
}

QString TSqlTokenizer::quotedNameValue(QStringView token)
{
    const QChar close = token.front() == QLatin1Char('[') ? QLatin1Char(']') : QLatin1Char('"');
    QString value = token.mid(1, token.size() - 2).toString();
    value.replace(QString(2, close), QString(close));
    return value;
}

QStringList TSqlTokenizer::splitScript(const QString &script)
{
    QStringList statements;
    const auto tokens = tokenize(script);
    qsizetype start = 0;
    auto flush = [&](qsizetype end) {
        const QString statement = script.mid(start, end - start).trimmed();
        // A statement made only of comments is dropped too.
        bool hasCode = false;
        for (const auto &t : tokenize(statement))
            hasCode = hasCode || t.isSignificant();
        if (hasCode)
            statements << statement;
    };
    // A trigger's body holds statements of its own: its semicolons count only after the
    // END that closes its BEGIN (CASE ... END nests inside).
    auto isWord = [&](const TSqlToken &t, QLatin1String word) {
        return t.type == TSqlToken::Type::Word && t.text(script).compare(word, Qt::CaseInsensitive) == 0;
    };
    int significantInStatement = 0;
    bool inTrigger = false;
    int depth = 0;
    for (size_t k = 0; k < tokens.size(); ++k) {
        const TSqlToken &t = tokens[k];
        if (t.isSignificant() && !(t.type == TSqlToken::Type::Symbol && t.text(script) == QLatin1String(";"))) {
            ++significantInStatement;
            if (significantInStatement <= 3 && isWord(t, QLatin1String("trigger")))
                inTrigger = true;
            if (inTrigger) {
                if (isWord(t, QLatin1String("begin")) || isWord(t, QLatin1String("case")))
                    ++depth;
                else if (isWord(t, QLatin1String("end")) && depth > 0)
                    --depth;
            }
        }
        if (t.type == TSqlToken::Type::Symbol && t.text(script) == QLatin1String(";")) {
            if (inTrigger && depth > 0)
                continue;
            flush(t.begin);
            start = t.begin + 1;
            significantInStatement = 0;
            inTrigger = false;
        } else if (t.type == TSqlToken::Type::Word
                   && t.text(script).compare(QLatin1String("GO"), Qt::CaseInsensitive) == 0) {
            // GO counts only alone on its line.
            const qsizetype lineStart = script.lastIndexOf(QLatin1Char('\n'), t.begin) + 1;
            qsizetype lineEnd = script.indexOf(QLatin1Char('\n'), t.begin);
            if (lineEnd < 0)
                lineEnd = script.size();
            if (script.mid(lineStart, lineEnd - lineStart).trimmed().compare(
                    QLatin1String("GO"), Qt::CaseInsensitive) == 0) {
                flush(t.begin);
                start = t.begin + t.length;
                significantInStatement = 0;
                inTrigger = false;
                depth = 0;
            }
        }
    }
    flush(script.size());
    return statements;
}
