#include "db/DbError.h"
#include "db/ResultTable.h"
#include "db/dialects/SqliteDialect.h"
#include "db/dialects/TSqlTokenizer.h"

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

    // A plain insert taken as it is written binds exactly what the translated statement
    // binds, dates converted alike; anything else is left to the general road.
    void plainInsertsBindAsTheTranslatedStatement()
    {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("memory"));
        QSqlQuery(db).exec(QStringLiteral("CREATE TABLE lines (Doc TEXT, Qty INTEGER, Cost REAL, Made DATETIME, Note TEXT)"));
        SqliteDialect dialect(false);
        dialect.schemaChanged();
        struct Bound {
            QString shape;
            QVariantList values;
        };
        auto direct = [&](const QString &sql) -> std::optional<Bound> {
            Bound b;
            if (!dialect.bindableDirectInsert(sql, db, &b.shape, &b.values))
                return std::nullopt;
            return b;
        };
        auto general = [&](const QString &sql) -> std::optional<Bound> {
            Bound b;
            if (!SqliteDialect::bindableInsert(dialect.translate(sql, db), &b.shape, &b.values))
                return std::nullopt;
            return b;
        };
        // What a statement leaves in the table, read back with SQLite's own types.
        // The direct statement runs with its values bound straight to SQLite, the
        // translated one through the driver.
        auto stored = [&](const Bound &b, bool direct) {
            QSqlQuery(db).exec(QStringLiteral("DELETE FROM lines"));
            QSqlQuery insert(db);
            if (!insert.prepare(b.shape))
                return QStringLiteral("prepare failed: ") + insert.lastError().text();
            if (direct) {
                QSqlError error;
                if (SqliteDialect::runBound(insert, b.values, &error) != SqliteDialect::BoundRun::Done)
                    return QStringLiteral("failed: ") + error.text();
            } else {
                for (const QVariant &v : b.values)
                    insert.addBindValue(v);
                if (!insert.exec())
                    return QStringLiteral("failed: ") + insert.lastError().text();
            }
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

        const QStringList same{
            "Insert lines (Doc, Qty, Cost, Made, Note) Values ('15', 5, 12.5000, '12/07/2026 02:05:09 PM', 'it''s')",
            "insert into lines (Doc,Qty,Cost,Made,Note) values ('16',0,.5,'2026-12-07 14:05:09','')",
            "Insert Into lines (Doc, Made) Values ('17', '')",
            "Insert lines ( Doc , Note , Made ) Values ( '18' , NULL , '20261207 14:05:09' )",
            "Insert lines (Doc, Qty, Cost) Values ('19', 123456789012, 1e3)",
            "Insert lines (Doc, Note) Values ('20', '12/07/2026')", // a date-like text in a text column
        };
        for (const QString &sql : same) {
            const auto d = direct(sql);
            const auto g = general(sql);
            QVERIFY2(d && g, qPrintable(sql));
            QCOMPARE(d->values, g->values);
            QCOMPARE(stored(*d, true), stored(*g, false));
        }
        QCOMPARE(direct(same[0])->values.at(3), QVariant(QStringLiteral("2026-12-07 14:05:09.000")));

        // Left to the general road: N'' texts, signs, expressions, names in brackets,
        // several rows, a missing column list, a count that does not match, no Insert.
        const QStringList other{
            "Insert lines (Doc, Note) Values ('21', N'é')",
            "Insert lines (Doc, Qty) Values ('22', -5)",
            "Insert lines (Doc, Made) Values ('23', GetDate())",
            "Insert lines ([Doc], Qty) Values ('24', 1)",
            "Insert lines (Doc) Values ('25'), ('26')",
            "Insert lines Values ('27', 1, 1.0, '', '')",
            "Insert lines (Doc, Qty) Values ('28')",
            "Insert dbo.lines (Doc) Values ('29')",
            "Select 'Insert lines (Doc) Values (''30'')'",
        };
        for (const QString &sql : other)
            QVERIFY2(!direct(sql), qPrintable(sql));

        // A failing run says what SQLite says, with its code, and the statement runs again.
        QSqlQuery(db).exec(QStringLiteral("CREATE TABLE strict (Doc TEXT NOT NULL)"));
        QSqlQuery strict(db);
        QVERIFY(strict.prepare(QStringLiteral("INSERT INTO strict (Doc) VALUES (?)")));
        QSqlError error;
        QCOMPARE(SqliteDialect::runBound(strict, {QVariant(QMetaType::fromType<QString>())}, &error),
                 SqliteDialect::BoundRun::Failed);
        QVERIFY2(error.databaseText().contains(QLatin1String("NOT NULL")), qPrintable(error.databaseText()));
        strict.addBindValue(QVariant(QMetaType::fromType<QString>()));
        QVERIFY(!strict.exec());
        QCOMPARE(error.nativeErrorCode(), strict.lastError().nativeErrorCode()); // the driver's code
        QCOMPARE(error.databaseText(), strict.lastError().databaseText());
        QCOMPARE(SqliteDialect::runBound(strict, {QStringLiteral("32")}, &error), SqliteDialect::BoundRun::Done);
        QCOMPARE(SqliteDialect::runBound(strict, {QVariant(QDate(2026, 1, 1))}, &error),
                 SqliteDialect::BoundRun::NotSqlite); // a type left to the driver

        // A date no form reads fails as the translated statement fails.
        QString shape;
        QVariantList values;
        QVERIFY_THROWS_EXCEPTION(DbError, dialect.bindableDirectInsert(
                                              QStringLiteral("Insert lines (Doc, Made) Values ('31', 'yesterday')"),
                                              db, &shape, &values));
    }

    // A whole result read straight from the statement holds what the driver's rows give:
    // the same values of the same types, NULLs, texts beyond ASCII, dates and flags.
    // Three ways to read a whole result: the driver's row by row, straight from the
    // statement the driver ran, and from a prepared statement run with its values bound
    // straight to SQLite. Each must give the same names, types and values.
    void wholeReadsGiveWhatTheDriverGives()
    {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("memory"));
        QSqlQuery setup(db);
        QVERIFY(setup.exec(QStringLiteral("CREATE TABLE kinds (Id INTEGER, Name TEXT, Cost REAL, Made DATETIME, "
                                          "Flag BIT, Data BLOB)")));
        QVERIFY(setup.exec(QStringLiteral(
            "INSERT INTO kinds VALUES (1, 'Paracétamol 500 mg', 12.5, '2026-12-07 14:05:09.000', 1, x'00ff'), "
            "(2, NULL, NULL, NULL, NULL, NULL), (3, '', 0.1, '12/07/2026', 0, x''), "
            "(9007199254740993, 'ĀB€', -1e300, '2026-12-07 14:05:09.000', 0, NULL)")));
        SqliteDialect dialect(false);
        const QString select = QStringLiteral(
            "SELECT k.Id, Name, Cost, Made, Flag, Data, k.Id * 2 AS Twice, '2026-12-07 14:05:09.000' AS Stamp, "
            "k.Cost + 1, \"Name\" || 'x' FROM kinds k WHERE k.Id > %1 ORDER BY Id");
        auto read = [&](bool whole) {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            query.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
            if (!query.exec(select.arg(0)))
                return std::make_pair(std::shared_ptr<const ResultTable>(), false);
            std::shared_ptr<const ResultTable> rows = dialect.fetch(query, whole ? -1 : 1000);
            return std::make_pair(rows, query.at() == QSql::BeforeFirstRow);
        };
        auto readBound = [&](const QVariant &after) {
            QSqlQuery query(db);
            std::shared_ptr<const ResultTable> rows;
            QSqlError error;
            if (!query.prepare(select.arg(QStringLiteral("?")))
                || SqliteDialect::fetchBound(query, {after}, &rows, &error) != SqliteDialect::BoundRun::Done)
                return std::shared_ptr<const ResultTable>();
            return rows;
        };
        const auto [direct, readDirectly] = read(true);
        const auto [driver, readByDriver] = read(false);
        const auto bound = readBound(QVariant(qlonglong(0)));
        QVERIFY(direct && driver && bound);
        QVERIFY(readDirectly);
        QVERIFY(!readByDriver);
        QCOMPARE(direct->rowCount(), 4);
        for (const auto &other : {direct, bound}) {
            QCOMPARE(other->rowCount(), driver->rowCount());
            QCOMPARE(other->columnNames(), driver->columnNames());
            for (int row = 0; row < driver->rowCount(); ++row) {
                for (int column = 0; column < driver->columnCount(); ++column) {
                    const QVariant a = other->value(row, column);
                    const QVariant b = driver->value(row, column);
                    const QByteArray where = QByteArray::number(row) + "," + QByteArray::number(column);
                    QVERIFY2(a.typeId() == b.typeId() && a.isNull() == b.isNull() && a == b, where.constData());
                }
            }
        }
        QCOMPARE(driver->columnNames().first(), QStringLiteral("Id"));
        QCOMPARE(direct->value(0, 1).toString(), QStringLiteral("Paracétamol 500 mg"));
        QCOMPARE(direct->value(3, 0).toLongLong(), 9007199254740993LL);
        QCOMPARE(direct->value(0, 3), QVariant(QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9))));
        QCOMPARE(direct->value(0, 4), QVariant(true));

        // An empty result is empty every way, and the statement is free for the next run.
        QSqlQuery none(db);
        QVERIFY(none.exec(QStringLiteral("SELECT * FROM kinds WHERE Id < 0")));
        QCOMPARE(dialect.fetch(none)->rowCount(), 0);
        QCOMPARE(readBound(QVariant(qlonglong(1) << 60))->rowCount(), 0);
        QCOMPARE(readBound(QVariant(qlonglong(2)))->rowCount(), 2);
        // A statement that returns no rows gives no result set.
        QSqlQuery update(db);
        QVERIFY(update.prepare(QStringLiteral("UPDATE kinds SET Cost = Cost WHERE Id = ?")));
        std::shared_ptr<const ResultTable> nothing = std::make_shared<ResultTable>();
        QSqlError error;
        QCOMPARE(SqliteDialect::fetchBound(update, {QVariant(qlonglong(1))}, &nothing, &error), SqliteDialect::BoundRun::Done);
        QVERIFY(!nothing);
    }

    // A lookup by a code runs on a statement prepared once: the texts compared with "=" in
    // the outermost Where become parameters. Texts that name or order columns, and those
    // inside parentheses, stay as they are written.
    void selectsByACodeBindTheirTexts()
    {
        auto shapeOf = [](const QString &sql) {
            QString shape;
            QVariantList values;
            if (!SqliteDialect::bindableSelect(sql, &shape, &values))
                return QStringLiteral("not bindable");
            QStringList texts;
            for (const QVariant &v : values)
                texts << v.toString();
            return shape + QStringLiteral(" | ") + texts.join(u',');
        };
        QCOMPARE(shapeOf("Select * From tbInvMaster Where ItemID = 'PARA''S 500'"),
                 QStringLiteral("Select * From tbInvMaster Where ItemID = ? | PARA'S 500"));
        QCOMPARE(shapeOf("SELECT 'x' AS Kind, a = 'y' FROM t WHERE a='1' AND b >= '2' AND c = '3' ORDER BY 'x'"),
                 QStringLiteral("SELECT 'x' AS Kind, a = 'y' FROM t WHERE a=? AND b >= '2' AND c = ? ORDER BY 'x' | 1,3"));
        QCOMPARE(shapeOf("SELECT * FROM t WHERE a IN (SELECT b FROM u WHERE c = 'in') AND d = 'out' GROUP BY e HAVING f = 'g'"),
                 QStringLiteral("SELECT * FROM t WHERE a IN (SELECT b FROM u WHERE c = 'in') AND d = ? GROUP BY e HAVING f = 'g' | out"));
        QCOMPARE(shapeOf("SELECT * FROM t WHERE a = 1"), QStringLiteral("not bindable"));
        QCOMPARE(shapeOf("UPDATE t SET a = 'b' WHERE c = 'd'"), QStringLiteral("not bindable"));
        QCOMPARE(shapeOf("SELECT * FROM t WHERE a LIKE 'b%'"), QStringLiteral("not bindable"));
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
