#include "db/DbError.h"
#include "db/ResultReader.h"
#include "db/ResultTable.h"
#include "db/dialects/SqliteDialect.h"
#include "db/dialects/TSqlTokenizer.h"
#include "db/dialects/sqlite/SqliteDates.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <optional>

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

    // A translation with its bound values written back in as the literals they stand
    // for: texts quoted, numbers as they are, decimals (bound through CAST(? AS REAL)) as
    // their texts.
    static QString written(const Translated &translated)
    {
        QString out;
        qsizetype value = 0;
        const QString &text = translated.text;
        const auto tokens = TSqlTokenizer::tokenize(text);
        for (size_t i = 0; i < tokens.size(); ++i) {
            const TSqlToken &t = tokens[i];
            const bool cast = i + 4 < tokens.size() && t.text(text).compare(u"CAST", Qt::CaseInsensitive) == 0
                && tokens[i + 2].text(text) == u"?";
            if (cast || (t.type == Type::Symbol && t.text(text) == u"?")) {
                if (value >= translated.values.size())
                    return QStringLiteral("more parameters than values: ") + text;
                const QVariant v = translated.values[value++];
                out += v.typeId() == QMetaType::QString && !cast
                    ? QLatin1Char('\'') + v.toString().replace(u'\'', QLatin1String("''")) + QLatin1Char('\'')
                    : v.toString();
                if (cast) {
                    while (tokens[i].text(text) != u")")
                        ++i;
                }
                continue;
            }
            out += t.text(text);
        }
        if (value != translated.values.size())
            return QStringLiteral("more values than parameters: ") + text;
        return out;
    }

    // Translation against an empty in-memory database: no table has date columns.
    static QString translated(const QString &sql)
    {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("memory"));
        SqliteDialect dialect(false);
        try {
            return written(dialect.translate(sql, db));
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

    // The values of an insert's rows are bound, and a row stored through them is the row
    // the literals meant: the same texts, numbers of the same types, dates converted as
    // the translated text converts them. A statement with a literal that cannot be bound
    // as it reads is sent with its literals written in.
    void insertsStoreWhatTheirLiteralsMean()
    {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("memory"));
        QSqlQuery(db).exec(QStringLiteral("CREATE TABLE lines (Doc TEXT, Qty INTEGER, Cost REAL, Made DATETIME, Note TEXT)"));
        SqliteDialect dialect(false);
        dialect.schemaChanged();
        // What a statement leaves in the table, read back with SQLite's own types.
        auto stored = [&](const Translated &statement) {
            QSqlQuery(db).exec(QStringLiteral("DELETE FROM lines"));
            QSqlQuery insert(db);
            if (!insert.prepare(statement.text))
                return QStringLiteral("prepare failed: ") + insert.lastError().text();
            for (const QVariant &v : statement.values)
                insert.addBindValue(v);
            if (!insert.exec())
                return QStringLiteral("failed: ") + insert.lastError().text();
            QSqlQuery read(db);
            read.exec(QStringLiteral("SELECT quote(Doc), typeof(Qty), quote(Qty), typeof(Cost), quote(Cost), "
                                     "quote(Made), quote(Note) FROM lines"));
            QStringList out;
            while (read.next()) {
                for (int c = 0; c < 7; ++c)
                    out << read.value(c).toString();
            }
            return out.join(QLatin1Char('|'));
        };

        // The program's statement, and what it means to SQLite written out by hand.
        const QList<QPair<QString, QString>> bound{
            {"Insert lines (Doc, Qty, Cost, Made, Note) Values ('15', 5, 12.5000, '12/07/2026 02:05:09 PM', 'it''s')",
             "INSERT INTO lines VALUES ('15', 5, 12.5000, '2026-12-07 14:05:09.000', 'it''s')"},
            {"insert into lines (Doc,Qty,Cost,Made,Note) values ('16',0,.5,'2026-12-07 14:05:09','')",
             "INSERT INTO lines VALUES ('16', 0, .5, '2026-12-07 14:05:09.000', '')"},
            {"Insert Into lines (Doc, Made) Values ('17', '')",
             "INSERT INTO lines (Doc, Made) VALUES ('17', '1900-01-01 00:00:00.000')"},
            {"Insert lines ( Doc , Note , Made ) Values ( '18' , NULL , '20261207 14:05:09' )",
             "INSERT INTO lines (Doc, Note, Made) VALUES ('18', NULL, '2026-12-07 14:05:09.000')"},
            {"Insert lines (Doc, Qty, Cost) Values ('19', 123456789012, 1e3)",
             "INSERT INTO lines (Doc, Qty, Cost) VALUES ('19', 123456789012, 1e3)"},
            {"Insert lines (Doc, Note) Values ('20', '12/07/2026')", // a date-like text in a text column
             "INSERT INTO lines (Doc, Note) VALUES ('20', '12/07/2026')"},
            {"Insert lines (Doc, Note) Values ('21', N'é')", "INSERT INTO lines (Doc, Note) VALUES ('21', 'é')"},
            {"Insert lines (Doc, Qty) Values ('22', -5)", "INSERT INTO lines (Doc, Qty) VALUES ('22', -5)"},
            {"Insert lines ([Doc], Qty) Values ('24', 1)", "INSERT INTO lines (Doc, Qty) VALUES ('24', 1)"},
            {"Insert lines (Doc) Values ('25'), ('26')", "INSERT INTO lines (Doc) VALUES ('25'), ('26')"},
        };
        for (const auto &[sql, meant] : bound) {
            const Translated statement = dialect.translate(sql, db);
            QVERIFY2(!statement.values.isEmpty(), qPrintable(sql));
            QVERIFY2(!statement.text.contains(QLatin1Char('\'')), qPrintable(statement.text));
            QCOMPARE(stored(statement), stored({meant, {}}));
        }
        const Translated first = dialect.translate(bound[0].first, db);
        QCOMPARE(first.values, QVariantList({QStringLiteral("15"), qlonglong(5), QStringLiteral("12.5000"),
                                             QStringLiteral("2026-12-07 14:05:09.000"), QStringLiteral("it's")}));
        // Lines alike but for their values share one statement text.
        QCOMPARE(dialect.translate("Insert lines (Doc, Qty) Values ('x', 7)", db).text,
                 dialect.translate("Insert lines (Doc, Qty) Values ('y''z', 8)", db).text);

        // Written in: a number bound otherwise than it reads, a value after the rows.
        const QStringList writtenIn{
            "Insert lines (Doc, Qty) Values ('27', 0x1F)",
            "Insert lines (Doc, Qty) Values ('28', 99999999999999999999)",
            "Insert lines (Doc) Values ('29');",
            "Insert lines (Doc) Select 'x'",
        };
        for (const QString &sql : writtenIn)
            QVERIFY2(dialect.translate(sql, db).values.isEmpty(), qPrintable(sql));
        // GetDate() stays the database's time; its own texts are not bound.
        const Translated now = dialect.translate("Insert lines (Doc, Made) Values ('23', GetDate())", db);
        QCOMPARE(now.values, QVariantList({QStringLiteral("23")}));
        QVERIFY(now.text.contains(QLatin1String("strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime')")));

        // A date no form reads fails as SQL Server fails.
        QVERIFY_THROWS_EXCEPTION(DbError, dialect.translate(
                                              QStringLiteral("Insert lines (Doc, Made) Values ('31', 'yesterday')"), db));
    }

    // A procedure call runs its stored body with its arguments bound where each reads
    // plainly as a text or a number; with a negative number they are written in.
    void callsBindTheirArguments()
    {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("memory"));
        QSqlQuery setup(db);
        QVERIFY(setup.exec(QStringLiteral("CREATE TABLE sysProcedures (Name TEXT, Parameters TEXT, Body TEXT)")));
        QVERIFY(setup.exec(QStringLiteral(
            "INSERT INTO sysProcedures VALUES ('sp_Pick', '@Doc @Qty @Cost', "
            "'SELECT @Doc AS Doc, @Qty AS Qty, @Cost AS Cost, @Doc || ''!'' AS Again;')")));
        SqliteDialect dialect(false);
        dialect.schemaChanged();
        const Translated call = dialect.translate(QStringLiteral("sp_Pick 'it''s', 12, 2.50"), db);
        QCOMPARE(call.text, QStringLiteral("SELECT ? AS Doc, ? AS Qty, CAST(? AS REAL) AS Cost, ? || '!' AS Again"));
        QCOMPARE(call.values, QVariantList({QStringLiteral("it's"), qlonglong(12), QStringLiteral("2.50"),
                                            QStringLiteral("it's")}));
        QCOMPARE(written(dialect.translate(QStringLiteral("exec sp_Pick NULL, -3, 1"), db)),
                 QStringLiteral("SELECT NULL AS Doc, -3 AS Qty, 1 AS Cost, NULL || '!' AS Again"));
        QVERIFY_THROWS_EXCEPTION(DbError, dialect.translate(QStringLiteral("sp_Pick 'a', 1"), db));
        QVERIFY_THROWS_EXCEPTION(DbError, dialect.translate(QStringLiteral("sp_Missing 'a'"), db));
        QVERIFY(setup.exec(QStringLiteral("DROP TABLE sysProcedures")));
    }

    // Rows are read through the driver, each column as the schema declares it: flags as
    // Booleans, date-times as date-times (also an expression's text in the stored form),
    // everything else as SQLite gives it.
    void rowsAreReadAsTheSchemaDeclaresThem()
    {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("memory"));
        QSqlQuery setup(db);
        QVERIFY(setup.exec(QStringLiteral("CREATE TABLE kinds (Id INTEGER, Name TEXT, Cost REAL, Made DATETIME, "
                                          "Flag BIT, Data BLOB)")));
        QVERIFY(setup.exec(QStringLiteral(
            "INSERT INTO kinds VALUES (1, 'Paracétamol 500 mg', 12.5, '2026-12-07 14:05:09.000', 1, x'00ff'), "
            "(2, NULL, NULL, NULL, NULL, NULL), (3, '2026-12-07 14:05:09.000', 0.1, '12/07/2026', 0, x''), "
            "(9007199254740993, 'ĀB€', -1e300, '2026-12-07 14:05:09.000', 0, NULL)")));
        SqliteDialect dialect(false);
        dialect.schemaChanged();
        QSqlQuery query(db);
        query.setForwardOnly(true);
        query.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
        QVERIFY(query.exec(QStringLiteral(
            "SELECT k.Id, Name, Cost, Made, Flag, Data, k.Id * 2 AS Twice, '2026-12-07 14:05:09.000' AS Stamp, "
            "k.Cost + 1, \"Name\" || 'x' FROM kinds k ORDER BY Id")));
        ResultReader reader(query, dialect, db);
        const std::shared_ptr<const ResultTable> rows = reader.read();
        QCOMPARE(rows->rowCount(), 4);
        QCOMPARE(rows->columnNames(), QStringList({"Id", "Name", "Cost", "Made", "Flag", "Data", "Twice", "Stamp",
                                                   "k.Cost + 1", "Name || 'x'"})); // the driver drops the quotes
        const QDateTime stamp(QDate(2026, 12, 7), QTime(14, 5, 9));
        QCOMPARE(rows->value(0, 0), QVariant(qlonglong(1)));
        QCOMPARE(rows->value(0, 1).toString(), QStringLiteral("Paracétamol 500 mg"));
        QCOMPARE(rows->value(0, 2).toDouble(), 12.5);
        QCOMPARE(rows->value(0, 3), QVariant(stamp));
        QCOMPARE(rows->value(2, 3), QVariant(QDateTime(QDate(2026, 12, 7), QTime(0, 0)))); // any form SQL Server reads
        QCOMPARE(rows->value(0, 4), QVariant(true));
        QCOMPARE(rows->value(2, 4), QVariant(false));
        QCOMPARE(rows->value(0, 5).toByteArray(), QByteArray("\x00\xff", 2));
        QCOMPARE(rows->value(0, 6).toLongLong(), 2);
        QCOMPARE(rows->value(0, 7), QVariant(stamp));                                  // an expression in the stored form
        QCOMPARE(rows->value(2, 1), QVariant(QStringLiteral("2026-12-07 14:05:09.000"))); // a text column stays text
        QCOMPARE(rows->value(3, 0).toLongLong(), 9007199254740993LL);
        QCOMPARE(rows->value(3, 1).toString(), QStringLiteral("ĀB€"));
        for (int column = 1; column < 6; ++column)
            QVERIFY(rows->isNull(1, column));
        QVERIFY(setup.exec(QStringLiteral("DROP TABLE kinds")));
    }

    // A lookup by a code runs on a statement prepared once: the texts compared with "=" in
    // the outermost Where become parameters. Texts that name or order columns, and those
    // inside parentheses, stay as they are written.
    void selectsByACodeBindTheirTexts()
    {
        auto shapeOf = [](const QString &sql) {
            QSqlDatabase db = QSqlDatabase::database(QStringLiteral("memory"));
            SqliteDialect dialect(false);
            const Translated statement = dialect.translate(sql, db);
            if (statement.values.isEmpty())
                return QStringLiteral("not bindable");
            QStringList texts;
            for (const QVariant &v : statement.values)
                texts << v.toString();
            return statement.text + QStringLiteral(" | ") + texts.join(u',');
        };
        QCOMPARE(shapeOf("Select * From tbInvMaster Where ItemID = 'PARA''S 500'"),
                 QStringLiteral("Select * From tbInvMaster Where ItemID = ? | PARA'S 500"));
        QCOMPARE(shapeOf("SELECT 'x' AS Kind, a = 'y' FROM t WHERE a='1' AND b >= '2' AND c = N'3' ORDER BY 'x'"),
                 QStringLiteral("SELECT 'x' AS Kind, a = 'y' FROM t WHERE a=? AND b >= '2' AND c = ? ORDER BY 'x' | 1,3"));
        QCOMPARE(shapeOf("SELECT * FROM t WHERE a IN (SELECT b FROM u WHERE c = 'in') AND d = 'out' GROUP BY e HAVING f = 'g'"),
                 QStringLiteral("SELECT * FROM t WHERE a IN (SELECT b FROM u WHERE c = 'in') AND d = ? GROUP BY e HAVING f = 'g' | out"));
        QCOMPARE(shapeOf("SELECT * FROM t WHERE a = 1"), QStringLiteral("not bindable"));
        QCOMPARE(shapeOf("UPDATE t SET a = 'b' WHERE c = 'd'"), QStringLiteral("not bindable"));
        QCOMPARE(shapeOf("SELECT * FROM t WHERE a LIKE 'b%'"), QStringLiteral("not bindable"));
        QCOMPARE(shapeOf("Select a From t Where b = 'c' And d Like 'EF%'"),
                 QStringLiteral("Select a From t Where b = ? And d Like 'EF%' AND d >= 'EF' AND d < 'EG' | c"));
    }

    void dateLiteralsInAnyCommonForm()
    {
        const auto date = [](const char *text) {
            const auto parsed = SqliteDates::parseLiteral(QString::fromLatin1(text));
            return parsed ? SqliteDates::stored(*parsed) : QStringLiteral("invalid");
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
        QVERIFY(!SqliteDates::parseStored(u"2026-12-01 08:30:00"));
        QCOMPARE(*SqliteDates::parseStored(u"2026-12-01 08:30:00.250"),
                 QDateTime(QDate(2026, 12, 1), QTime(8, 30, 0, 250)));
    }
};

QTEST_GUILESS_MAIN(TestTokenizer)
#include "tst_tokenizer.moc"
