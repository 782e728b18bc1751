#pragma once

#include <QString>
#include <QStringView>

#include <vector>

// Splits a T-SQL text into tokens, so that translation never mistakes the inside of a
// string literal, a bracketed name or a comment for SQL.
struct TSqlToken {
    enum class Type {
        Space,       // blanks and line breaks
        Comment,     // -- to end of line, or /* ... */
        String,      // 'text' with '' inside, also N'text'
        QuotedName,  // [name] or "name"
        Word,        // identifier or keyword, also @variable and #temp
        Number,      // 12, 12.5, 1e3, 0x1F
        Symbol,      // any other character, and the pairs <= >= <> != || ::
    };

    Type type;
    qsizetype begin; // offset into the text
    qsizetype length;

    QStringView text(const QString &sql) const { return QStringView(sql).mid(begin, length); }
    bool isSignificant() const { return type != Type::Space && type != Type::Comment; }
};

class TSqlTokenizer
{
public:
    // Throws DbError for an unterminated literal, bracketed name or comment.
    static std::vector<TSqlToken> tokenize(const QString &sql);

    // The text of a String token without its quotes, with doubled quotes made single.
    static QString stringValue(QStringView token);
    // The name inside a QuotedName token.
    static QString quotedNameValue(QStringView token);

    // Splits a script into statements at semicolons and at lines holding only GO, outside
    // literals and comments (a CREATE TRIGGER runs to the END of its body). Empty
    // statements are dropped.
    static QStringList splitScript(const QString &script);
};
