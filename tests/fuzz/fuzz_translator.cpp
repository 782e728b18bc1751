// Translation of T-SQL statement texts for the embedded database: any text either
// translates or fails with DbError. The database holds the inventory schema, so that date
// literals meet real DATETIME columns, and no stored procedures.
#include "FuzzText.h"

#include "db/DatabaseSetup.h"
#include "db/DbError.h"
#include "db/dialects/SqliteDialect.h"
#include "db/dialects/TSqlTokenizer.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

QSqlDatabase *database = nullptr;

void fail(const QString &message)
{
    std::fprintf(stderr, "fuzz_translator: %s\n", qPrintable(message));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication application(*argc, *argv);
    static QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    if (!db.open())
        fail(db.lastError().text());
    // The schema without its collation, which lives in the function library this
    // plain connection does not load; the columns and their types are what matter here.
    QString schema = DatabaseSetup::builtInScript(QStringLiteral("sqlite/schema.sql"));
    schema.remove(QRegularExpression(QStringLiteral("\\s+COLLATE\\s+NOCASE_RTRIM")));
    for (const QString &statement : TSqlTokenizer::splitScript(schema)) {
        QSqlQuery query(db);
        if (!query.exec(statement))
            fail(query.lastError().text() + QStringLiteral(" in ") + statement.left(200));
    }
    database = &db;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString sql = fuzzText(data, size);
    SqliteDialect dialect(false);
    try {
        const Translated translated = dialect.translate(sql, *database);
        // A translation is itself a text the tokenizer reads without complaint, with a
        // parameter for each value bound (a text may hold others of its own).
        qsizetype parameters = 0;
        for (const TSqlToken &t : TSqlTokenizer::tokenize(translated.text))
            parameters += t.type == TSqlToken::Type::Symbol && t.text(translated.text) == QLatin1String("?");
        if (parameters < translated.values.size())
            abort();
    } catch (const DbError &) {
        // refused with a message: unknown procedure, unterminated literal, ...
    }
    return 0;
}
