#include "support/TestDatabase.h"

#include "db/Connection.h"
#include "db/ResultCursor.h"
#include "db/dialects/SqliteDialect.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

// The product search of a location that stocks many items walks the item master in name
// order instead of sorting; it must list exactly the rows, in exactly the order, that the
// sort lists, across the blocks the dialog reads, including rows of equal name and
// description. Read to its end, the rest comes from the sort, and must fit on the rows
// already read without a gap or a row twice.
class TestLocationSearchOrder : public QObject
{
    Q_OBJECT

    TestDatabase m_db;
    std::unique_ptr<Connection> m_connection = m_db.connect();

    // The product search as the lookup dialog sends it: a number is an exact code, any
    // other text the start of a name.
    static QString searchStatement(const QString &location, const QString &text)
    {
        QString sql = QStringLiteral(
            "Select A.ItemID as Code, A.ItemName As [Product Name], "
            "A.ItemDesc As Description, B.SupplierName As Supplier, D.Markup_In As [In-Patient Markup], D.Markup_Out As [Out-Patient Markup],"
            "Case when D.ItemStatus = 1 then 'Inactive' Else 'Active' end  As Status, A.Packing, A.ListCost,  "
            "C.ItemClassificationName "
            "From tbInvMaster A "
            "Left Outer Join tbInvent D ON A.ItemID = D.ItemID "
            "Left Outer Join tbInvSupplier B ON A.SupplierID = B.SupplierID "
            "Left Outer join tbInvClassification C ON A.ItemClassificationID = C.ItemClassificationID "
            "Where D.LocationID = '") + location + QStringLiteral("' and  ( D.ItemStatus = 0 or D.ItemStatus is Null ) and ");
        bool number = false;
        text.toDouble(&number);
        if (number)
            sql += QStringLiteral(" A.ItemID = '") + text + QStringLiteral("' ");
        else
            sql += QStringLiteral(" A.ItemName Like '") + text.toUpper() + QStringLiteral("%' ");
        return sql + QStringLiteral(" Order by A.ItemName, A.ItemDesc");
    }

    // Code, name and description of each row.
    static QStringList texts(const std::shared_ptr<const ResultTable> &block)
    {
        QStringList found;
        for (int row = 0; block && row < block->rowCount(); ++row)
            found << block->value(row, 0).toString() + QLatin1Char('|') + block->value(row, 1).toString()
                    + QLatin1Char('|') + block->value(row, 2).toString();
        return found;
    }

    // Every row of a search as the dialog reads it: block by block, or, after the given
    // number of blocks, all the rest at once (the clerk pressing Ctrl+End).
    QStringList rows(const QString &sql, int blocksBeforeTheEnd = -1, const ReadPlan &plan = {})
    {
        const std::unique_ptr<ResultCursor> cursor = m_connection->openCursor(sql, plan);
        QStringList found;
        for (int blocks = 0; !cursor->atEnd() && blocks != blocksBeforeTheEnd; ++blocks)
            found << texts(cursor->fetch(256));
        if (!cursor->atEnd())
            found << texts(cursor->fetchRest());
        if (!cursor->atEnd())
            found << QStringLiteral("(not at its end)");
        return found;
    }

    // The same search as SQLite plans it on its own: Like '%%' finds what Like '%' finds.
    static QString sortedByTheDatabase(QString sql)
    {
        return sql.replace(QLatin1String("Like '%'"), QLatin1String("Like '%%'"));
    }

    // The plan the lookup dialog names for a search.
    static ReadPlan planFor(const QString &location, const QString &text)
    {
        return text.isEmpty() ? ReadPlan::locationProductsByName(location) : ReadPlan();
    }

    // What a cursor of the search runs on SQLite, through a connection of its own.
    static CursorStatements statements(const QString &location, const QString &text)
    {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("probe"));
        SqliteDialect dialect(false);
        return dialect.cursorStatements(searchStatement(location, text), planFor(location, text), db);
    }

    static QString planOf(Translated statement)
    {
        QSqlQuery query(QSqlDatabase::database(QStringLiteral("probe")));
        if (!query.prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + statement.text))
            return query.lastError().text();
        for (const QVariant &value : std::as_const(statement.values))
            query.addBindValue(value);
        if (!query.exec())
            return query.lastError().text();
        QStringList steps;
        while (query.next())
            steps << query.value(3).toString();
        return steps.join(QLatin1Char('\n'));
    }

private slots:
    void initTestCase()
    {
        // Items of a few names, many of them alike in name and description (differing only
        // in case or trailing blanks, or with no description), written in falling code
        // order so that the master's own order differs from the code order.
        const char *names[] = {"TIE ALPHA", "tie alpha ", "TIE BETA", "ATROPINE", "Tie Beta"};
        const char *descs[] = {"'10 MG'", "'10 mg '", "NULL", "'5 ML'"};
        m_connection->BeginTrans();
        for (int n = 700; n >= 1; --n) {
            const QString id = QStringLiteral("T%1").arg(n, 4, 10, QLatin1Char('0'));
            m_connection->Execute(QStringLiteral("Insert Into tbInvMaster (ItemID, ItemName, ItemDesc, ItemStatus) Values ('%1', '%2', %3, 0)")
                                      .arg(id, QString::fromLatin1(names[n % 5]), QString::fromLatin1(descs[(n / 5) % 4])));
            // BIG stocks most of them (some inactive, some of unknown status); FEW a handful.
            if (n % 7 != 0)
                m_connection->Execute(QStringLiteral("Insert Into tbInvent (ItemID, LocationID, ItemStatus) Values ('%1', 'BIG', %2)")
                                          .arg(id, n % 11 == 0 ? QStringLiteral("1") : n % 13 == 0 ? QStringLiteral("NULL") : QStringLiteral("0")));
            if (n % 140 == 3)
                m_connection->Execute(QStringLiteral("Insert Into tbInvent (ItemID, LocationID, ItemStatus) Values ('%1', 'FEW', 0)").arg(id));
        }
        m_connection->CommitTrans();

        QSqlDatabase probe = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
        probe.setDatabaseName(m_db.file());
        QVERIFY(probe.open());
        SqliteDialect(false).prepare(probe, m_db.settings());
    }

    void cleanupTestCase()
    {
        QSqlDatabase::removeDatabase(QStringLiteral("probe"));
    }

    void aLocationOfManyItemsWalksTheNames()
    {
        const CursorStatements big = statements(QStringLiteral("BIG"), QString());
        const QString plan = planOf(big.first);
        QVERIFY(!plan.contains(QLatin1String("FOR ORDER BY")) || plan.contains(QLatin1String("RIGHT PART")));
        QVERIFY2(plan.contains(QLatin1String("ixInvMaster_Name")), qPrintable(plan));
        // Read to the end, or paged through up to its last blocks, it goes on by the
        // location's stock and a sort.
        Translated rest = big.rest;
        rest.values << 256;
        QVERIFY2(!rest.text.isEmpty() && !planOf(rest).contains(QLatin1String("ixInvMaster_Name")), qPrintable(planOf(rest)));
        QSqlDatabase probe = QSqlDatabase::database(QStringLiteral("probe"));
        QVERIFY(big.restPaysAfter);
        const qint64 pagedUntil = big.restPaysAfter(probe);
        QVERIFY2(pagedUntil > 256 && pagedUntil <= 512, qPrintable(QString::number(pagedUntil)));
        // A location of few items and an exact code keep the database's own plan.
        const CursorStatements few = statements(QStringLiteral("FEW"), QString());
        QVERIFY(!few.first.text.contains(QLatin1String("INDEXED BY")));
        QVERIFY(few.rest.text.isEmpty());
        QVERIFY(!statements(QStringLiteral("BIG"), QStringLiteral("123")).first.text.contains(QLatin1String("INDEXED BY")));
    }

    void everySearchListsWhatTheSortLists_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("text");
        for (const char *location : {"BIG", "FEW", "NONE"}) {
            for (const char *text : {"", "A", "T", "TIE", "tie b", "0700", "T0700", "5"})
                QTest::addRow("%s '%s'", location, text) << QString::fromLatin1(location) << QString::fromLatin1(text);
        }
    }

    void everySearchListsWhatTheSortLists()
    {
        QFETCH(QString, location);
        QFETCH(QString, text);
        const QString sql = searchStatement(location, text);
        const QStringList found = rows(sql, -1, planFor(location, text));
        QCOMPARE(found, rows(sortedByTheDatabase(sql)));
        for (int blocks : {0, 1, 2})
            QCOMPARE(rows(sql, blocks, planFor(location, text)), found);
        if (location == QLatin1String("BIG") && text.isEmpty())
            QCOMPARE(found.size(), 600 - 54); // stocked, less the inactive ones
        // Name and description never fall; alike ones come in code order.
        auto key = [](const QString &row, int part) { return row.section(QLatin1Char('|'), part, part).trimmed().toUpper(); };
        for (qsizetype i = 1; i < found.size(); ++i) {
            const QString before = found[i - 1];
            const QString after = found[i];
            QVERIFY2(key(before, 1) <= key(after, 1), qPrintable(before + QLatin1String(" / ") + after));
            if (key(before, 1) == key(after, 1)) {
                QVERIFY2(key(before, 2) <= key(after, 2), qPrintable(before + QLatin1String(" / ") + after));
                if (key(before, 2) == key(after, 2))
                    QVERIFY2(key(before, 0) < key(after, 0), qPrintable(before + QLatin1String(" / ") + after));
            }
        }
    }

    // A search left idle lets go of its read, so that another connection can copy the
    // whole log back; read on afterwards, block by block with a pause after each or to its
    // end at once, it gives exactly the rows of one read, alike ones included.
    void aPausedSearchReadsOnWithTheSameRows()
    {
        const QString sql = searchStatement(QStringLiteral("BIG"), QString());
        const QStringList whole = rows(sortedByTheDatabase(sql));
        const auto other = m_db.connect();
        for (const bool atOnce : {true, false}) {
            const std::unique_ptr<ResultCursor> cursor = m_connection->openCursor(sql, planFor(QStringLiteral("BIG"), QString()));
            QStringList found = texts(cursor->fetch(64));
            cursor->pause();
            QCOMPARE(other->run("PRAGMA wal_checkpoint(TRUNCATE)")->value(0, 0).toInt(), 0);
            QVERIFY(cursor->resume());
            if (atOnce)
                found << texts(cursor->fetchRest());
            for (; !cursor->atEnd(); cursor->pause())
                found << texts(cursor->fetch(100));
            QCOMPARE(found, whole);
        }
    }

    // Another workstation stocks an item at the location while the clerk looks at the
    // first rows; what the clerk then pages through or reads at once still fits the rows
    // on screen: the list is the one of the moment the search opened.
    void theRestIsOfTheMomentTheSearchOpened()
    {
        const QString sql = searchStatement(QStringLiteral("BIG"), QString());
        const QStringList before = rows(sortedByTheDatabase(sql));
        for (const bool atOnce : {true, false}) {
            const std::unique_ptr<ResultCursor> cursor = m_connection->openCursor(sql, planFor(QStringLiteral("BIG"), QString()));
            QStringList found = texts(cursor->fetch(256));
            m_connection->Execute("Insert Into tbInvMaster (ItemID, ItemName, ItemDesc, ItemStatus) Values ('N0001', 'AAA NEW', NULL, 0)");
            m_connection->Execute("Insert Into tbInvent (ItemID, LocationID, ItemStatus) Values ('N0001', 'BIG', 0)");
            if (atOnce)
                found << texts(cursor->fetchRest());
            while (!cursor->atEnd())
                found << texts(cursor->fetch(256));
            m_connection->Execute("Delete From tbInvent Where ItemID = 'N0001'");
            m_connection->Execute("Delete From tbInvMaster Where ItemID = 'N0001'");
            QCOMPARE(found, before);
        }
    }
};

QTEST_MAIN(TestLocationSearchOrder)
#include "tst_location_search_order.moc"
