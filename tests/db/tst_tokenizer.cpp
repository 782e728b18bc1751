#include "db/DbError.h"
#include "db/dialects/SqliteDialect.h"
#include "db/dialects/TSqlTokenizer.h"

#include <QSqlDatabase>
#include <QTest>

using Type = TSqlToken::Type;

class TestTokenizer : public QObject
{
    Q_OBJECT

    static QStringList texts(const QString &sql, Type type)
    {
        QStringList out;
        for (const auto &t : TSqlTokenizer::tokenize(sql)) {
            if (t.type == type)
                out << t.text(sql).toString();
        }
        return out;
    }

    // Translation against an empty in-memory database: no table has date columns.
    static QString translated(const QString &sql)
    {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("memory"));
        SqliteDialect dialect(false);
        try {
            return dialect.translate(sql, db);
        } catch (const DbError &error) {
            return QStringLiteral("error: ") + error.description();
        }
    }

private slots:
    void initTestCase()
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("memory"));
        db.setDatabaseName(QStringLiteral(":memory:"));
        QVERIFY(db.open());
    }

    void literalsHideWhatLooksLikeSql()
    {
        const QString sql = QStringLiteral(
            "Select 'it''s -- not a comment; [x]' , [Product Name] From t -- real comment\n"
            "Where a = N'é' /* block ; */ and b = 'x'");
        QCOMPARE(texts(sql, Type::String),
                 QStringList({"'it''s -- not a comment; [x]'", "N'é'", "'x'"}));
        QCOMPARE(texts(sql, Type::QuotedName), QStringList({"[Product Name]"}));
        QCOMPARE(texts(sql, Type::Comment).size(), 2);
        QCOMPARE(TSqlTokenizer::stringValue(u"'it''s'"), QStringLiteral("it's"));
        QCOMPARE(TSqlTokenizer::quotedNameValue(u"[a]]b]"), QStringLiteral("a]b"));
    }

    void numbersAndOperators()
    {
        const QString sql = QStringLiteral("x>=1e3 and y<>0x1F and z=.5 and w!=12.50");
        QCOMPARE(texts(sql, Type::Number), QStringList({"1e3", "0x1F", ".5", "12.50"}));
        QCOMPARE(texts(sql, Type::Symbol), QStringList({">=", "<>", "=", "!="}));
    }

    void unterminatedTextsFailClearly()
    {
        QVERIFY_THROWS_EXCEPTION(DbError, TSqlTokenizer::tokenize(QStringLiteral("Select 'abc")));
        QVERIFY_THROWS_EXCEPTION(DbError, TSqlTokenizer::tokenize(QStringLiteral("Select [abc")));
        QVERIFY_THROWS_EXCEPTION(DbError, TSqlTokenizer::tokenize(QStringLiteral("Select 1 /* x")));
    }

    void scriptsSplitAtSemicolonsAndGoLines()
    {
        const QString script = QStringLiteral(
            "Insert t Values ('a;b');\n-- a comment; not a split\n;Select 1\nGO\nSelect 'GO'\n go \n");
        QCOMPARE(TSqlTokenizer::splitScript(script),
                 QStringList({"Insert t Values ('a;b')", "Select 1", "Select 'GO'"}));
    }

    void aTriggerRunsToTheEndOfItsBody()
    {
        const QString trigger = QStringLiteral(
            "CREATE TRIGGER tr AFTER DELETE ON t BEGIN\n"
            "  UPDATE s SET n = CASE WHEN n > 1 THEN n - 1 ELSE 0 END;\n"
            "  DELETE FROM s WHERE n = 0;\nEND");
        QCOMPARE(TSqlTokenizer::splitScript(QStringLiteral("BEGIN;\n") + trigger
                                            + QStringLiteral(";\nSelect CASE WHEN 1 THEN 2 END;\nCOMMIT;")),
                 QStringList({"BEGIN", trigger, "Select CASE WHEN 1 THEN 2 END", "COMMIT"}));
    }

    void deleteAndInsertGainFromAndInto()
    {
        QCOMPARE(translated("Delete tbInvWithdrawRequest Where DocumentNumber = '5'"),
                 QStringLiteral("Delete FROM tbInvWithdrawRequest Where DocumentNumber = '5'"));
        QCOMPARE(translated("delete from t where a = 'Delete x'"),
                 QStringLiteral("delete from t where a = 'Delete x'"));
        QCOMPARE(translated("Insert t (a) Values ('Insert t')"),
                 QStringLiteral("Insert INTO t (a) Values ('Insert t')"));
        QCOMPARE(translated("Insert Into t (a) Values (1)"),
                 QStringLiteral("Insert Into t (a) Values (1)"));
    }

    void convertBecomesCheckedFunctions()
    {
        QCOMPARE(translated("Select Convert( VarChar(4),Max( Convert(Integer,LocationID ) ) + 1 ) As X From t"),
                 QStringLiteral("Select qconvert_varchar(Max( qconvert_int(LocationID ) ) + 1 , 4) As X From t"));
        QCOMPARE(translated("Select Convert(VarChar(4),Max( Convert(Integer,Replace(itemid,'P','')) ) + 1)  as MaxCode From tbInvMaster"),
                 QStringLiteral("Select qconvert_varchar(Max( qconvert_int(Replace(itemid,'P','')) ) + 1, 4)  as MaxCode From tbInvMaster"));
        QCOMPARE(translated("Select Convert(varchar, '%2%1')"),
                 QStringLiteral("Select qconvert_varchar( '%2%1', 30)"));
    }

    void namesAndPrefixes()
    {
        QCOMPARE(translated("Select A.ItemName As [Product Name], [a\"b] From password..tbpasswordmain, x.dbo.y, dbo.z"),
                 QStringLiteral("Select A.ItemName As \"Product Name\", \"a\"\"b\" From password.tbpasswordmain, x.y, z"));
        QCOMPARE(translated("Select N'abc', 'N''x'"), QStringLiteral("Select 'abc', 'N''x'"));
    }

    void dateLiteralsInAnyCommonForm()
    {
        const auto date = [](const char *text) {
            const auto parsed = SqliteDialect::parseDateLiteral(QString::fromLatin1(text));
            return parsed ? SqliteDialect::storedDate(*parsed) : QStringLiteral("invalid");
        };
        QCOMPARE(date("12/07/2026 02:05:09 PM"), QStringLiteral("2026-12-07 14:05:09.000"));
        QCOMPARE(date("12/07/2026 12:00:00 AM"), QStringLiteral("2026-12-07 00:00:00.000"));
        QCOMPARE(date("12/07/2026 12:30:00 PM"), QStringLiteral("2026-12-07 12:30:00.000"));
        QCOMPARE(date("1/2/2026"), QStringLiteral("2026-01-02 00:00:00.000"));
        QCOMPARE(date("20261201 08:30:00"), QStringLiteral("2026-12-01 08:30:00.000"));
        QCOMPARE(date("2026-12-01T08:30:00.5"), QStringLiteral("2026-12-01 08:30:00.500"));
        QCOMPARE(date("02/30/2026"), QStringLiteral("invalid"));
        QCOMPARE(date("13:00:00 PM"), QStringLiteral("invalid"));
        QCOMPARE(date("12/07/2026 13:00:00 PM"), QStringLiteral("invalid"));
        QVERIFY(!SqliteDialect::parseStoredDate(u"2026-12-01 08:30:00"));
        QCOMPARE(*SqliteDialect::parseStoredDate(u"2026-12-01 08:30:00.250"),
                 QDateTime(QDate(2026, 12, 1), QTime(8, 30, 0, 250)));
    }
};

QTEST_GUILESS_MAIN(TestTokenizer)
#include "tst_tokenizer.moc"
