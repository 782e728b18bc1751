// T-SQL tokenizer: any text either tokenizes into tokens that cover it exactly, in order,
// or fails with DbError; literal and name values, and script splitting, never fail on
// what tokenize accepted.
#include "FuzzText.h"

#include "db/DbError.h"
#include "db/dialects/TSqlTokenizer.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString sql = fuzzText(data, size);
    std::vector<TSqlToken> tokens;
    try {
        tokens = TSqlTokenizer::tokenize(sql);
    } catch (const DbError &) {
        return 0; // unterminated literal, name or comment: refused with a message
    }
    qsizetype at = 0;
    for (const TSqlToken &token : tokens) {
        FUZZ_EXPECT(token.begin == at);
        FUZZ_EXPECT(token.length > 0);
        at += token.length;
        const QStringView text = token.text(sql);
        if (token.type == TSqlToken::Type::String) {
            FUZZ_EXPECT(text.endsWith(QLatin1Char('\'')));
            FUZZ_EXPECT(TSqlTokenizer::stringValue(text).size() < text.size());
        } else if (token.type == TSqlToken::Type::QuotedName) {
            FUZZ_EXPECT(text.size() >= 2);
            FUZZ_EXPECT(TSqlTokenizer::quotedNameValue(text).size() <= text.size() - 2);
        }
    }
    FUZZ_EXPECT(at == sql.size());

    const QStringList statements = TSqlTokenizer::splitScript(sql);
    for (const QString &statement : statements)
        FUZZ_EXPECT(!statement.isEmpty());
    return 0;
}
