#pragma once

#include "db/dialects/TSqlTokenizer.h"

#include <QString>

// Small tests on tokens shared by the embedded database's translator and procedure calls.
namespace SqliteTokens {

inline bool isWord(const QString &sql, const TSqlToken &token, QLatin1String word)
{
    return token.type == TSqlToken::Type::Word && token.text(sql).compare(word, Qt::CaseInsensitive) == 0;
}

inline bool isSymbol(const QString &sql, const TSqlToken &token, QLatin1String symbol)
{
    return token.type == TSqlToken::Type::Symbol && token.text(sql) == symbol;
}

// The name a Word or QuotedName token stands for.
inline QString nameOf(const QString &sql, const TSqlToken &token)
{
    return token.type == TSqlToken::Type::QuotedName ? TSqlTokenizer::quotedNameValue(token.text(sql))
                                                     : token.text(sql).toString();
}

inline QString quoteLiteral(const QString &value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace SqliteTokens
