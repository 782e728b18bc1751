#include "support/TestDatabase.h"

#include "db/Connection.h"

#include <QTest>

// A name prefix search gains an index range in the embedded dialect; it must find
// exactly what the LIKE alone finds, whatever the case and the surrounding condition.
class TestPrefixRange : public QObject
{
    Q_OBJECT

    TestDatabase m_db;
    std::unique_ptr<Connection> m_connection = m_db.connect();

    QStringList names()
    {
        const Recordset rs = m_connection->Execute(QStringLiteral("Select ItemName From tbInvMaster"));
        QStringList all;
        for (int row = 0; row < rs.table()->rowCount(); ++row)
            all << rs.table()->value(row, 0).toString();
        return all;
    }

    int count(const QString &sql)
    {
        return m_connection->Execute(sql).RecordCount();
    }

    // The ids a statement returns, sorted.
    QStringList ids(const QString &sql)
    {
        const Recordset rs = m_connection->Execute(sql);
        QStringList found;
        for (int row = 0; row < rs.table()->rowCount(); ++row)
            found << rs.table()->value(row, 0).toString();
        found.sort();
        return found;
    }

private slots:
    void initTestCase()
    {
        // The demo has no names at the end of the alphabet: names with Z and Y, in both
        // cases, and names that sort after Z, so that a range ending at or after Z would
        // show.
        int id = 0;
        for (const char *name : {"ZINC OXIDE", "zinc sulfate", "ZEBRA GEL", "Z", "ZZZ TEST", "ZZZZ", "ZZ9",
                                 "Z9 TABS", "YELLOW FEVER VACCINE", "Y", "[BRACKET]", "{BRACE}", "~TILDE",
                                 "\\BACKSLASH", "9 ALIVE", "99 SOLUTION", "19 SOMETHING"}) {
            m_connection->Execute(QStringLiteral("Insert Into tbInvMaster (ItemID, ItemName, ItemStatus) Values ('PR%1', '%2', 0)")
                                      .arg(++id)
                                      .arg(QString::fromLatin1(name)));
        }
    }

    void prefixSearchFindsWhatLikeFinds_data()
    {
        QTest::addColumn<QString>("prefix");
        for (const char *prefix : {"PARA", "para", "pArAc", "A", "Z", "C", "S", "1", "ZZZ", "AMOX", "z", "ZI", "zZ",
                                   "ZZZZ", "Z9", "Y", "y", "9", "99", "19"})
            QTest::newRow(prefix) << QString::fromLatin1(prefix);
    }

    void prefixSearchFindsWhatLikeFinds()
    {
        QFETCH(QString, prefix);
        const QStringList all = names();
        const auto expected = std::count_if(all.cbegin(), all.cend(), [&](const QString &name) {
            return name.startsWith(prefix, Qt::CaseInsensitive);
        });
        QVERIFY(expected > 0); // every prefix here has names to find
        QCOMPARE(count(QStringLiteral("Select ItemID From tbInvMaster Where ItemName Like '%1%'").arg(prefix)), int(expected));
        // Exactly those rows, not just as many.
        QStringList expectedIds;
        QStringList expectedActive;
        const Recordset every = m_connection->Execute(QStringLiteral("Select ItemID, ItemName, ItemStatus From tbInvMaster"));
        for (int row = 0; row < every.table()->rowCount(); ++row) {
            if (!every.table()->value(row, 1).toString().startsWith(prefix, Qt::CaseInsensitive))
                continue;
            expectedIds << every.table()->value(row, 0).toString();
            if (every.table()->value(row, 2).toInt() == 0) // NULL counts as active
                expectedActive << every.table()->value(row, 0).toString();
        }
        expectedIds.sort();
        expectedActive.sort();
        QCOMPARE(ids(QStringLiteral("Select ItemID From tbInvMaster Where ItemName Like '%1%'").arg(prefix)), expectedIds);
        // As the product search sends it.
        QCOMPARE(ids(QStringLiteral("Select A.ItemID as Code From tbInvMaster A Where ( A.ItemStatus = 0 or A.ItemStatus is Null ) and  A.ItemName Like '%1%'  Order by A.ItemName, A.ItemDesc").arg(prefix)),
                 expectedActive);
        QCOMPARE(count(QStringLiteral("Select A.ItemID From tbInvMaster A Where (A.ItemStatus = 0 or A.ItemStatus is Null) and A.ItemName Like '%1%' Order by A.ItemName").arg(prefix)),
                 count(QStringLiteral("Select A.ItemID From tbInvMaster A Where (A.ItemStatus = 0 or A.ItemStatus is Null) and PatIndex('%1%', A.ItemName) = 1").arg(prefix)));
        // Negated and or-ed conditions keep their meaning.
        QCOMPARE(count(QStringLiteral("Select ItemID From tbInvMaster Where Not ItemName Like '%1%'").arg(prefix)),
                 int(all.size() - expected));
        QCOMPARE(count(QStringLiteral("Select ItemID From tbInvMaster Where ItemID = '-1' or ItemName Like '%1%'").arg(prefix)),
                 int(expected));
    }

    void theTraceKeepsTheStatementAsSent()
    {
        const QString sql = QStringLiteral("Select ItemID From tbInvMaster Where ItemName Like 'PARA%'");
        m_connection->trace().clear();
        m_connection->Execute(sql);
        QCOMPARE(m_connection->trace().statements(), QStringList{sql});
    }
};

QTEST_GUILESS_MAIN(TestPrefixRange)
#include "tst_prefix_range.moc"
